#include "app/VideoChannelServer.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QMutexLocker>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/PreviewChannel.h"

namespace zuvo {

VideoChannelServer::VideoChannelServer(QObject* parent) : QObject(parent) {}

VideoChannelServer::~VideoChannelServer() {
  close();
  unmap();
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
  delete server_;  // closes the listening socket and every connection
  server_ = nullptr;
}

void VideoChannelServer::onConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadable(socket); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
  }
}

void VideoChannelServer::onReadable(QLocalSocket* socket) {
  while (socket->canReadLine()) {
    const QByteArray line = socket->readLine().trimmed();
    socket->write(answer(line) + '\n');
    socket->flush();
  }
}

QByteArray VideoChannelServer::answer(const QByteArray& line) {
  const QList<QByteArray> words = line.split(' ');
  const QByteArray& call = words[0];
  if (call == previewchannel::kStart && words.size() == 5) {
    return QByteArray::number(
        startWithWidth(words[1].toUInt(), words[2].toUInt(), words[3].toUInt(), words[4].toUInt()));
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
  unmap();
  const size_t length = size_t(width) * height * bytes;
  const QByteArray shmName = previewchannel::sharedMemoryName(name_.toUtf8());
  const int fd = ::shm_open(shmName.constData(), O_RDONLY | O_CLOEXEC, 0400);
  if (fd >= 0 && length > 0) {
    void* mapped = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
    if (mapped != MAP_FAILED) {
      image_data = static_cast<const uchar*>(mapped);
      mappedLength_ = length;
    }
  }
  if (fd >= 0) shm_fd = fd;
  if (!image_data) qWarning("video channel %s: no shared frame to read", qPrintable(name_));
  emit started(width, height, bytes, static_cast<float>(aspectTimes100 / 100.0));
  return 1;
}

void VideoChannelServer::render() {
  if (!image_data) return;
  // One copy per frame, taken before the player may write the next one.
  QByteArray copy(reinterpret_cast<const char*>(image_data), static_cast<qsizetype>(mappedLength_));
  {
    QMutexLocker hold(&lock_);
    image_buffer = std::move(copy);
  }
  emit rendered();
}

void VideoChannelServer::stop() {
  unmap();
  emit stopped();
}

void VideoChannelServer::unmap() {
  if (image_data) ::munmap(const_cast<uchar*>(image_data), mappedLength_);
  image_data = nullptr;
  mappedLength_ = 0;
  if (shm_fd > 0) ::close(shm_fd);
  shm_fd = 0;
  QMutexLocker hold(&lock_);
  image_buffer.clear();
}

QByteArray VideoChannelServer::frame() const {
  QMutexLocker hold(&lock_);
  return image_buffer;
}

}  // namespace zuvo
