// Writes one piece of a fake tool's output, given in hexadecimal, so that the runner reading
// the tool gets it in a read of its own however late it reads: a pipe hands a slow reader
// everything written since its last read at once.
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

// Waits until the pipe holds no unread bytes; a few seconds at most, so a reader that has
// stopped reading never holds the tool up.
void waitUntilDrained(int fd) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  int unread = 0;
  while (::ioctl(fd, FIONREAD, &unread) == 0 && unread > 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string hex = argv[1];
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  struct stat out {};
  const bool pipe = ::fstat(STDOUT_FILENO, &out) == 0 && S_ISFIFO(out.st_mode);
  if (pipe) waitUntilDrained(STDOUT_FILENO);
  for (size_t written = 0; written < bytes.size();) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data() + written, bytes.size() - written);
    if (n <= 0) return 1;
    written += size_t(n);
  }
  if (pipe) waitUntilDrained(STDOUT_FILENO);
  return 0;
}
