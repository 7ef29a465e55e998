#include "platform/FileMove.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zuvo {
namespace {

constexpr size_t kCopyBlock = 1 << 20;

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// rename() replaces a target that appeared after the caller looked; this never does.
int renameNoReplace(const QByteArray& from, const QByteArray& to) {
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the flag: a hard link refuses a taken name as well.
  if (::link(from.constData(), to.constData()) != 0) return errno;
  ::unlink(from.constData());
  return 0;
}

void syncFolderOf(const QByteArray& path) {
  const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath());
  const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

int writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += n;
    size -= size_t(n);
  }
  return 0;
}

// The whole copy under a temporary name beside `to`, flushed, then renamed to `to`.
// Answers 0 or the error; nothing is left behind on an error.
int copyThroughTemporary(const QByteArray& from, const QByteArray& to) {
  const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  struct stat info {};
  if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int error = errno ? errno : EINVAL;
    ::close(in);
    return error;
  }
  const QFileInfo target(QFile::decodeName(to));
  QByteArray temporary = QFile::encodeName(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                                           QStringLiteral(".part-XXXXXX"));
  const int out = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (out < 0) {
    const int error = errno;
    ::close(in);
    return error;
  }
  int error = 0;
  std::vector<char> buffer(kCopyBlock);
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n <= 0 || (error = writeAll(out, buffer.data(), size_t(n))) != 0) break;
  }
  ::close(in);
  if (!error) ::fchmod(out, info.st_mode & 07777);
  if (!error) {
    const timespec times[2] = {info.st_atim, info.st_mtim};
    ::futimens(out, times);
  }
  // A full disk may only show itself when the data reaches it.
  if (!error && ::fsync(out) != 0) error = errno;
  if (::close(out) != 0 && !error) error = errno;
  if (!error) error = renameNoReplace(temporary, to);
  if (error) {
    ::unlink(temporary.constData());
    return error;
  }
  syncFolderOf(to);
  return 0;
}

}  // namespace

FileMoveResult moveFileNoReplace(const QString& source, const QString& target) {
  FileMoveResult result;
  const QByteArray from = QFile::encodeName(source);
  const QByteArray to = QFile::encodeName(target);
  int error = renameNoReplace(from, to);
  if (error == 0) {
    result.done = true;
    return result;
  }
  if (error != EXDEV) {
    result.nameTaken = error == EEXIST;
    result.error = systemError(error);
    return result;
  }
  result.copied = true;
  if ((error = copyThroughTemporary(from, to)) != 0) {
    result.nameTaken = error == EEXIST;
    result.error = systemError(error);
    return result;
  }
  if (::unlink(from.constData()) != 0) {
    // Two copies would leave the user guessing which one counts: the move did not happen.
    error = errno;
    ::unlink(to.constData());
    result.error = systemError(error);
    return result;
  }
  result.done = true;
  return result;
}

FileMoveResult copyFileNoReplace(const QString& source, const QString& target) {
  FileMoveResult result;
  result.copied = true;
  if (const int error = copyThroughTemporary(QFile::encodeName(source), QFile::encodeName(target));
      error != 0) {
    result.nameTaken = error == EEXIST;
    result.error = systemError(error);
  } else {
    result.done = true;
  }
  return result;
}

}  // namespace zuvo
