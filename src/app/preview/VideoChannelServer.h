#pragma once
// The view's side of the preview's video channel (platform/PreviewChannel.h). It lives on
// a thread of its own, so the player's calls are answered while the window is busy:
// start opens the player's shared frame, each render copies the whole frame into a private
// copy before answering (the player writes the next frame only after the answer), stop
// frees it. The view is told through queued signals and takes the copy when it draws.
//
// The socket can be reached by any local process, so only the player child the preview
// started is served: a connection is judged by its peer's process id, and one from any
// other process is closed unread. The sizes a start names are checked against the shared
// object before anything is copied, and every copy reads from the object rather than from
// a mapping, so an object that shrinks can never fault the program.
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace zuvo {

class VideoChannelServer : public QObject {
  Q_OBJECT
 public:
  // The largest picture side a start may name, and the one pixel format the view draws.
  static constexpr quint32 kLargestSide = 8192;
  static constexpr quint32 kBytesPerPixel = 2;

  explicit VideoChannelServer(QObject* parent = nullptr);
  ~VideoChannelServer() override;

  // Serves the channel `name` (call on the server's thread). False when it is taken.
  Q_INVOKABLE bool listen(const QString& name);
  Q_INVOKABLE void close();
  // The process whose calls are served (the player child); connections made before it
  // is known wait for it.
  Q_INVOKABLE void acceptPeer(qint64 pid);

  // The last rendered frame (implicitly shared; empty outside a start/stop pair or when
  // the shared memory could not be read).
  QByteArray frame() const;

  // The channel's calls, handled directly; the socket protocol calls these. A start whose
  // sizes the view cannot draw answers 0 and starts nothing.
  int startWithWidth(quint32 width, quint32 height, quint32 bytes, quint32 aspectTimes100);
  void render();
  void stop();

 signals:
  void started(quint32 width, quint32 height, quint32 bytes, float aspect);
  void rendered();
  void stopped();
  void toggleFullscreenRequested();
  void ontopRequested();

 private:
  void onConnection();
  void judge(QLocalSocket* socket);
  void onReadable(QLocalSocket* socket);
  QByteArray answer(const QByteArray& line);
  void closeFrame();

  QLocalServer* server_ = nullptr;
  QString name_;
  qint64 peer_ = 0;
  QList<QLocalSocket*> waiting_;  // connections made before the peer was known
  int shm_fd = 0;
  qsizetype frameLength_ = 0;
  mutable QMutex lock_;
  QByteArray image_buffer;
};

}  // namespace zuvo
