#pragma once
// Nero's chapter list: moov.udta.chpl, start times in units of 100 ns.
#include <vector>

#include "mp4/Mp4Box.h"
#include "mp4/Mp4Chapter.h"

namespace zuvo {

class Mp4NeroChapters {
 public:
  static constexpr size_t kMaxChapters = 255;    // the count is one byte
  static constexpr size_t kMaxTitleBytes = 255;  // so is each title's length

  static bool present(const Mp4Box& moov) { return moov.find("udta.chpl") != nullptr; }
  // The chapters; the last one lasts until `movieMs`.
  static Mp4Error read(const Mp4Box& moov, uint64_t movieMs, std::vector<Mp4Chapter>& out);
  static void remove(Mp4Box& moov);
  // Writes prepared chapters (mp4PrepareChapters); beyond kMaxChapters they are left out.
  static void write(Mp4Box& moov, const std::vector<Mp4Chapter>& chapters);
};

}  // namespace zuvo
