#include "mp4/Mp4FileHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace zuvo {

namespace {
std::atomic<int> writeBudget{-1};
std::atomic<int> syncsBeforeFailure{-1};

Mp4Error systemError(const std::string& what, const std::string& path) {
  return Mp4Error::failure(what + " " + path + ": " + std::strerror(errno));
}
}  // namespace

void Mp4FileHandle::setWriteBudgetForTesting(int count) { writeBudget = count; }

void Mp4FileHandle::setFailingSyncForTesting(int count) { syncsBeforeFailure = count; }

Mp4FileHandle::~Mp4FileHandle() { close(); }

Mp4Error Mp4FileHandle::open(const std::string& path, bool writable) {
  close();
  path_ = path;
  fd_ = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd_ < 0) return systemError("cannot open", path);
  struct stat st;
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    close();
    return Mp4Error::failure("not a regular file: " + path);
  }
  writable_ = writable;
  return {};
}

void Mp4FileHandle::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  writable_ = false;
}

Mp4Error Mp4FileHandle::size(uint64_t& out) const {
  struct stat st;
  if (fstat(fd_, &st) != 0) return systemError("cannot read the size of", path_);
  out = uint64_t(st.st_size);
  return {};
}

Mp4Error Mp4FileHandle::readAt(uint64_t offset, size_t length, Mp4Buffer& out) const {
  out.resize(length);
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd_, out.data() + done, length - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return systemError("cannot read", path_);
    if (n == 0) return Mp4Error::failure("unexpected end of file in " + path_);
    done += size_t(n);
  }
  return {};
}

Mp4Error Mp4FileHandle::spend(const char* what) {
  if (!writable_) return Mp4Error::failure(std::string("cannot ") + what + ": " + path_ + " is open for reading");
  int left = writeBudget.load();
  while (left >= 0) {
    if (left == 0) return Mp4Error::failure(std::string("cannot ") + what + " " + path_ + ": stopped for a test");
    if (writeBudget.compare_exchange_weak(left, left - 1)) break;
  }
  return {};
}

Mp4Error Mp4FileHandle::writeAt(uint64_t offset, std::span<const uint8_t> data) {
  if (auto e = spend("write")) return e;
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::pwrite(fd_, data.data() + done, data.size() - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return systemError("cannot write", path_);
    done += size_t(n);
  }
  return {};
}

Mp4Error Mp4FileHandle::sync() {
  if (syncsBeforeFailure.load() >= 0 && syncsBeforeFailure.fetch_sub(1) == 0) {
    errno = EIO;
    return systemError("cannot flush", path_);
  }
  if (::fsync(fd_) != 0) return systemError("cannot flush", path_);
  return {};
}

Mp4Error Mp4FileHandle::reserve(uint64_t offset, uint64_t length) {
  if (auto e = spend("grow")) return e;
  const int rc = ::posix_fallocate(fd_, off_t(offset), off_t(length));
  if (rc == 0) return {};
  if (rc != EOPNOTSUPP && rc != EINVAL) {
    errno = rc;
    return systemError("cannot grow", path_);
  }
  // No block reservation on this file system: extend the size alone.
  uint64_t current = 0;
  if (auto e = size(current)) return e;
  if (offset + length > current && ::ftruncate(fd_, off_t(offset + length)) != 0) return systemError("cannot grow", path_);
  return {};
}

Mp4Error Mp4FileHandle::truncate(uint64_t length) {
  if (auto e = spend("truncate")) return e;
  if (::ftruncate(fd_, off_t(length)) != 0) return systemError("cannot truncate", path_);
  return {};
}

}  // namespace zuvo
