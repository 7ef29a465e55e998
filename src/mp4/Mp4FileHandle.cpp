#include "mp4/Mp4FileHandle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

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
  for (;;) {
    fd_ = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd_ < 0) return systemError("cannot open", path);
    struct stat st;
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
      close();
      return Mp4Error::failure("not a regular file: " + path);
    }
    if (!writable) break;
    // One change at a time: a second writer waits here, then reads what the first one left.
    int rc;
    while ((rc = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
      const Mp4Error e = systemError("cannot lock", path);
      close();
      return e;
    }
    // The file may have been replaced by a rewritten one while we waited: lock that one instead.
    struct stat named;
    if (::stat(path.c_str(), &named) == 0 && named.st_dev == st.st_dev && named.st_ino == st.st_ino) break;
    close();
  }
  writable_ = writable;
  return {};
}

Mp4Error Mp4FileHandle::create(const std::string& path, uint32_t permissions) {
  close();
  path_ = path;
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(permissions & 07777));
  if (fd_ < 0) return systemError("cannot create", path);
  // Locked before anyone can reach it under the name it will take.
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const Mp4Error e = systemError("cannot lock", path);
    close();
    return e;
  }
  ::fchmod(fd_, mode_t(permissions & 07777));  // past the umask, as the file it replaces
  writable_ = true;
  return {};
}

void Mp4FileHandle::swap(Mp4FileHandle& other) noexcept {
  std::swap(fd_, other.fd_);
  std::swap(writable_, other.writable_);
  std::swap(path_, other.path_);
}

Mp4Error Mp4FileHandle::replace(const std::string& target) {
  if (::rename(path_.c_str(), target.c_str()) != 0)
    return systemError("cannot rename " + path_ + " to", target);
  path_ = target;
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return systemError("cannot open the folder of", target);
  const int rc = ::fsync(dir);
  ::close(dir);
  if (rc != 0) return systemError("cannot flush the folder of", target);
  return {};
}

Mp4Error Mp4FileHandle::permissions(uint32_t& out) const {
  struct stat st;
  if (fstat(fd_, &st) != 0) return systemError("cannot read the permissions of", path_);
  out = uint32_t(st.st_mode & 07777);
  return {};
}

void Mp4FileHandle::close() {
  if (fd_ >= 0) ::close(fd_);  // also releases the lock
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
  if (!writable_)
    return Mp4Error::failure(std::string("cannot ") + what + ": " + path_ + " is open for reading");
  int left = writeBudget.load();
  while (left >= 0) {
    if (left == 0)
      return Mp4Error::failure(std::string("cannot ") + what + " " + path_ + ": stopped for a test");
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
  if (offset + length > current && ::ftruncate(fd_, off_t(offset + length)) != 0)
    return systemError("cannot grow", path_);
  return {};
}

Mp4Error Mp4FileHandle::truncate(uint64_t length) {
  if (auto e = spend("truncate")) return e;
  if (::ftruncate(fd_, off_t(length)) != 0) return systemError("cannot truncate", path_);
  return {};
}

}  // namespace zuvo
