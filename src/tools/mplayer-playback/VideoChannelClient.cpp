#include "VideoChannelClient.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include "platform/PreviewChannel.h"

namespace zuvo::player {

namespace {
// A view that does not answer within this time is taken as gone; playback goes on.
constexpr int kAnswerTimeoutMs = 3000;
constexpr int kBytesPerPixel = 2;
}  // namespace

VideoChannelClient::~VideoChannelClient() {
  stop();
  if (socket_ >= 0) ::close(socket_);
  sws_freeContext(scaler_);
}

bool VideoChannelClient::call(const QByteArray& line, const char* expectedAnswer) {
  if (socket_ < 0) return false;
  const QByteArray message = line + '\n';
  qsizetype sent = 0;
  while (sent < message.size()) {
    const ssize_t n = ::send(socket_, message.constData() + sent, message.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(socket_);
      socket_ = -1;
      return false;
    }
    sent += n;
  }
  QByteArray answer;
  while (!answer.endsWith('\n')) {
    pollfd p{socket_, POLLIN, 0};
    const int ready = ::poll(&p, 1, kAnswerTimeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    char buffer[64];
    const ssize_t n = ready > 0 ? ::read(socket_, buffer, sizeof buffer) : 0;
    if (n <= 0) {
      std::fprintf(stderr, "video channel %s: no answer to %s\n", name_.constData(), line.constData());
      ::close(socket_);
      socket_ = -1;
      return false;
    }
    answer.append(buffer, n);
  }
  return answer.trimmed() == expectedAnswer;
}

bool VideoChannelClient::start(int width, int height, int aspectTimes100) {
  if (name_.isEmpty() || width <= 0 || height <= 0) return false;
  if (!connectTried_) {
    connectTried_ = true;
    socket_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    socklen_t length = 0;
    const sockaddr_un address = previewchannel::socketAddress(name_, &length);
    if (socket_ >= 0 && ::connect(socket_, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
      std::fprintf(stderr, "video channel %s: no view serves it\n", name_.constData());
      ::close(socket_);
      socket_ = -1;
    }
  }
  if (socket_ < 0) return false;
  if (frame_) stop();

  const QByteArray shmName = previewchannel::sharedMemoryName(name_);
  const size_t bytes = static_cast<size_t>(width) * height * kBytesPerPixel;
  ::shm_unlink(shmName.constData());  // a stale frame of a crashed run
  const int fd = ::shm_open(shmName.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::perror("shm_open");
    return false;
  }
  void* mapped = MAP_FAILED;
  if (::ftruncate(fd, static_cast<off_t>(bytes)) == 0)
    mapped = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  ::close(fd);
  if (mapped == MAP_FAILED) {
    std::perror("shared frame");
    ::shm_unlink(shmName.constData());
    return false;
  }
  frame_ = static_cast<uint8_t*>(mapped);
  frameBytes_ = bytes;
  width_ = width;
  height_ = height;
  const QByteArray line = QByteArray(previewchannel::kStart) + ' ' + QByteArray::number(width) + ' ' +
                          QByteArray::number(height) + ' ' + QByteArray::number(kBytesPerPixel) + ' ' +
                          QByteArray::number(aspectTimes100);
  if (!call(line, previewchannel::kStartAnswer)) {
    releaseFrame();
    return false;
  }
  return true;
}

void VideoChannelClient::frame(const uint8_t* rgb0, size_t stride) {
  if (!frame_ || socket_ < 0) return;
  scaler_ = sws_getCachedContext(scaler_, width_, height_, AV_PIX_FMT_RGB0, width_, height_,
                                 AV_PIX_FMT_YUYV422, SWS_POINT, nullptr, nullptr, nullptr);
  if (!scaler_) return;
  const uint8_t* source[4] = {rgb0, nullptr, nullptr, nullptr};
  const int sourceStride[4] = {static_cast<int>(stride), 0, 0, 0};
  uint8_t* target[4] = {frame_, nullptr, nullptr, nullptr};
  const int targetStride[4] = {width_ * kBytesPerPixel, 0, 0, 0};
  sws_scale(scaler_, source, sourceStride, 0, height_, target, targetStride);
  call(previewchannel::kRender, previewchannel::kAnswer);
}

void VideoChannelClient::stop() {
  if (!frame_) return;
  call(previewchannel::kStop, previewchannel::kAnswer);
  releaseFrame();
}

void VideoChannelClient::releaseFrame() {
  if (!frame_) return;
  ::munmap(frame_, frameBytes_);
  ::shm_unlink(previewchannel::sharedMemoryName(name_).constData());
  frame_ = nullptr;
  frameBytes_ = 0;
}

}  // namespace zuvo::player
