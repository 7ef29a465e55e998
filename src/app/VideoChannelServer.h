#pragma once
// The view's side of the preview's video channel (platform/PreviewChannel.h). It lives on
// a thread of its own, so the player's calls are answered while the window is busy:
// start maps the player's shared frame, each render copies the whole frame into a private
// copy before answering (the player writes the next frame only after the answer), stop
// frees it. The view is told through queued signals and takes the copy when it draws.
#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace zuvo {

class VideoChannelServer : public QObject {
  Q_OBJECT
 public:
  explicit VideoChannelServer(QObject* parent = nullptr);
  ~VideoChannelServer() override;

  // Serves the channel `name` (call on the server's thread). False when it is taken.
  Q_INVOKABLE bool listen(const QString& name);
  Q_INVOKABLE void close();

  // The last rendered frame (implicitly shared; empty outside a start/stop pair or when
  // the shared memory could not be mapped).
  QByteArray frame() const;

  // The channel's calls, handled directly; the socket protocol calls these.
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
  void onReadable(QLocalSocket* socket);
  QByteArray answer(const QByteArray& line);
  void unmap();

  QLocalServer* server_ = nullptr;
  QString name_;
  int shm_fd = 0;
  const uchar* image_data = nullptr;
  size_t mappedLength_ = 0;
  mutable QMutex lock_;
  QByteArray image_buffer;
};

}  // namespace zuvo
