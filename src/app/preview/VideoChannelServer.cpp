#include "app/preview/VideoChannelServer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <QMutexLocker>
#include <cerrno>
#include <optional>
#include <utility>

#include "platform/PreviewChannel.h"

namespace zuvo {
namespace {

// Every call of the protocol fits in this; a longer line is no call of the player's.
constexpr qsizetype kLongestLine = 64;
constexpr qint64 kReadBuffer = 16 * kLongestLine;
// Connections that may wait for the player's process id to become known.
constexpr qsizetype kMostWaiting = 4;

// The process at the other end of a local socket, when the system says.
std::optional<ucred> peerOf(const QLocalSocket* socket) {
  ucred credentials{};
  socklen_t length = sizeof credentials;
  if (::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
    return std::nullopt;
  return credentials;
}

void drop(QLocalSocket* socket) {
  socket->abort();
  socket->deleteLater();
}

}  // namespace

VideoChannelServer::VideoChannelServer(QObject* parent) : QObject(parent) {}

VideoChannelServer::~VideoChannelServer() {
  close();
  closeFrame();
}

bool VideoChannelServer::listen(const QString& name) {
  close();
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  socklen_t length = 0;
  const sockaddr_un address = previewchannel::socketAddress(name.toUtf8(), &length);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 || ::listen(fd, 2) != 0) {
    qWarning("video channel %s: cannot serve it", qPrintable(name));
    ::close(fd);
    return false;
  }
  server_ = new QLocalServer(this);
  if (!server_->listen(fd)) {
    ::close(fd);
    delete server_;
    server_ = nullptr;
    return false;
  }
  connect(server_, &QLocalServer::newConnection, this, &VideoChannelServer::onConnection);
  name_ = name;
  return true;
}

void VideoChannelServer::close() {
  waiting_.clear();
  delete server_;  // closes the listening socket and every connection
  server_ = nullptr;
}

void VideoChannelServer::acceptPeer(qint64 pid) {
  peer_ = pid;
  for (QLocalSocket* socket : std::exchange(waiting_, {})) judge(socket);
}

void VideoChannelServer::onConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    // The player waits for each answer, so a line or two is all that is ever in flight.
    socket->setReadBufferSize(kReadBuffer);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (peer_ != 0) {
      judge(socket);
      continue;
    }
    if (waiting_.size() >= kMostWaiting) {
      drop(socket);
      continue;
    }
    waiting_ << socket;
    connect(socket, &QObject::destroyed, this, [this, socket] { waiting_.removeAll(socket); });
  }
}

void VideoChannelServer::judge(QLocalSocket* socket) {
  const std::optional<ucred> peer = peerOf(socket);
  if (!peer || peer->pid != peer_ || peer->uid != ::geteuid()) {
    qWarning("video channel %s: refused a connection from process %d", qPrintable(name_),
             peer ? int(peer->pid) : -1);
    drop(socket);
    return;
  }
  connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadable(socket); });
  onReadable(socket);  // what it sent while it waited
}

void VideoChannelServer::onReadable(QLocalSocket* socket) {
  bool tooLong = false;
  while (socket->canReadLine()) {
    const QByteArray line = socket->readLine();
    if ((tooLong = line.size() > kLongestLine)) break;
    socket->write(answer(line.trimmed()) + '\n');
    socket->flush();
  }
  // A call too long, or a line that never ends, closes the connection before it fills memory.
  if (tooLong || socket->bytesAvailable() > kLongestLine) {
    qWarning("video channel %s: a call too long, connection closed", qPrintable(name_));
    drop(socket);
  }
}

QByteArray VideoChannelServer::answer(const QByteArray& line) {
  const QList<QByteArray> words = line.split(' ');
  const QByteArray& call = words[0];
  if (call == previewchannel::kStart) {
    quint32 numbers[4] = {};
    bool ok = words.size() == 5;
    for (int i = 0; ok && i < 4; ++i) numbers[i] = words[i + 1].toUInt(&ok);
    if (!ok) return "0";
    return QByteArray::number(startWithWidth(numbers[0], numbers[1], numbers[2], numbers[3]));
  }
  if (call == previewchannel::kRender)
    render();
  else if (call == previewchannel::kStop)
    stop();
  else if (call == previewchannel::kToggleFullscreen)
    emit toggleFullscreenRequested();
  else if (call == previewchannel::kOntop)
    emit ontopRequested();
  return previewchannel::kAnswer;
}

int VideoChannelServer::startWithWidth(quint32 width, quint32 height, quint32 bytes, quint32 aspectTimes100) {
  closeFrame();
  // 4:2:2 pairs: an even width of two-byte pixels, within a size the view can hold.
  if (bytes != kBytesPerPixel || width == 0 || height == 0 || width % 2 != 0 || width > kLargestSide ||
      height > kLargestSide) {
    qWarning("video channel %s: refused a start of %u x %u x %u", qPrintable(name_), width, height, bytes);
    return 0;
  }
  const qsizetype length = qsizetype(width) * height * bytes;
  const QByteArray shmName = previewchannel::sharedMemoryName(name_.toUtf8());
  const int fd = ::shm_open(shmName.constData(), O_RDONLY | O_CLOEXEC, 0400);
  if (fd >= 0) {
    // The player's own object, holding at least the frame the start names.
    struct stat object {};
    if (::fstat(fd, &object) == 0 && S_ISREG(object.st_mode) && object.st_uid == ::geteuid() &&
        object.st_size >= length) {
      shm_fd = fd;
      frameLength_ = length;
    } else {
      ::close(fd);
    }
  }
  if (shm_fd <= 0) qWarning("video channel %s: no shared frame to read", qPrintable(name_));
  emit started(width, height, bytes, static_cast<float>(aspectTimes100 / 100.0));
  return 1;
}

void VideoChannelServer::render() {
  if (shm_fd <= 0 || frameLength_ <= 0) return;
  // One copy per frame, taken before the player may write the next one. Read, not mapped:
  // an object cut short since the start gives a short read here, never a fault.
  struct stat object {};
  if (::fstat(shm_fd, &object) != 0 || object.st_size < frameLength_) return;
  QByteArray copy(frameLength_, Qt::Uninitialized);
  qsizetype done = 0;
  while (done < frameLength_) {
    const ssize_t n = ::pread(shm_fd, copy.data() + done, size_t(frameLength_ - done), off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += n;
  }
  {
    QMutexLocker hold(&lock_);
    image_buffer = std::move(copy);
  }
  emit rendered();
}

void VideoChannelServer::stop() {
  closeFrame();
  emit stopped();
}

void VideoChannelServer::closeFrame() {
  if (shm_fd > 0) ::close(shm_fd);
  shm_fd = 0;
  frameLength_ = 0;
  QMutexLocker hold(&lock_);
  image_buffer.clear();
}

QByteArray VideoChannelServer::frame() const {
  QMutexLocker hold(&lock_);
  return image_buffer;
}

}  // namespace zuvo
