#include "tools/common/OwnRead.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace zuvo::tools {
namespace {

constexpr auto kLongestWait = std::chrono::seconds(3);

// Waits until the pipe `fd` holds no unread bytes, or the time is up.
void waitUntilDrained(int fd) {
  const auto deadline = std::chrono::steady_clock::now() + kLongestWait;
  int unread = 0;
  while (::ioctl(fd, FIONREAD, &unread) == 0 && unread > 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

}  // namespace

void writeInOwnRead(std::FILE* out, std::string_view bytes) {
  std::fflush(out);
  const int fd = ::fileno(out);
  struct stat info {};
  const bool pipe = ::fstat(fd, &info) == 0 && S_ISFIFO(info.st_mode);
  if (pipe) waitUntilDrained(fd);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fflush(out);
  if (pipe) waitUntilDrained(fd);
}

}  // namespace zuvo::tools
