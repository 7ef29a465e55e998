#pragma once
// A file descriptor with the few operations the container code needs: positional reads and
// writes that either complete or report, flushes, size changes. Tests can stop all writing
// after a given number of writes to leave the file exactly as a crash at that point would, or
// fail one flush.
#include <cstdint>
#include <span>
#include <string>

#include "mp4/Mp4Bytes.h"
#include "mp4/Mp4Error.h"

namespace zuvo {

class Mp4FileHandle {
 public:
  Mp4FileHandle() = default;
  ~Mp4FileHandle();
  Mp4FileHandle(const Mp4FileHandle&) = delete;
  Mp4FileHandle& operator=(const Mp4FileHandle&) = delete;

  // A writable file is locked (flock, exclusively) until close(): writers of one file wait for
  // each other, in this process or in others. Readers take no lock.
  Mp4Error open(const std::string& path, bool writable);
  // A new file, locked as a writable one; fails when `path` exists.
  Mp4Error create(const std::string& path, uint32_t permissions);
  void close();
  void swap(Mp4FileHandle& other) noexcept;
  // Puts this file in the place of `target` (rename, then a flush of the folder).
  Mp4Error replace(const std::string& target);
  Mp4Error permissions(uint32_t& out) const;
  bool isOpen() const { return fd_ >= 0; }
  bool writable() const { return writable_; }
  const std::string& path() const { return path_; }

  Mp4Error size(uint64_t& out) const;
  Mp4Error readAt(uint64_t offset, size_t length, Mp4Buffer& out) const;
  Mp4Error writeAt(uint64_t offset, std::span<const uint8_t> data);
  Mp4Error sync();
  // Makes [offset, offset + length) exist and be backed by disk blocks where the file system allows,
  // so that later writes there cannot run out of space.
  Mp4Error reserve(uint64_t offset, uint64_t length);
  Mp4Error truncate(uint64_t length);

  // Every write, reserve and truncate after the first `count` fails (negative: no limit).
  static void setWriteBudgetForTesting(int count);
  // The flush after the first `count` ones fails once, as on an I/O error (negative: none).
  static void setFailingSyncForTesting(int count);

 private:
  Mp4Error spend(const char* what);
  int fd_ = -1;
  bool writable_ = false;
  std::string path_;
};

}  // namespace zuvo
