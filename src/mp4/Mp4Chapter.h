#pragma once
// One chapter, shared by both chapter kinds: the QuickTime chapter track and Nero's chpl list.
#include <cstdint>
#include <string>
#include <vector>

#include "mp4/Mp4Error.h"

namespace zuvo {

enum class Mp4ChapterKind : unsigned {
  QuickTime = 1,
  Nero = 2,
  Both = 3,
};
inline bool mp4HasKind(Mp4ChapterKind set, Mp4ChapterKind kind) {
  return (unsigned(set) & unsigned(kind)) != 0;
}

struct Mp4Chapter {
  // Longest title written, in UTF-8 bytes; Nero's list holds at most 255 of them.
  static constexpr size_t kMaxTitleBytes = 1023;

  uint64_t startMs = 0;
  uint64_t durationMs = 0;  // filled in on reading and by mp4PrepareChapters
  std::string title;
  bool operator==(const Mp4Chapter&) const = default;
};

// Orders chapters for writing against a movie of `totalMs`: starts must strictly increase;
// a chapter starting at or after the end is dropped; each duration runs to the next start and
// the last one to the end; titles are cut to kMaxTitleBytes.
Mp4Error mp4PrepareChapters(const std::vector<Mp4Chapter>& in, uint64_t totalMs,
                            std::vector<Mp4Chapter>& out);
// `text` cut to at most `maxBytes` without splitting a UTF-8 sequence.
std::string mp4CutUtf8(const std::string& text, size_t maxBytes);

}  // namespace zuvo
