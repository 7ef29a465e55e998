#pragma once
// A track's edit list (trak.edts.elst): how its media maps onto the movie's time line.
// Durations are in the movie's time scale, media times in the track's; an empty edit
// (media time -1) holds the track back.
#include <cstdint>
#include <vector>

#include "mp4/Mp4Box.h"

namespace zuvo {

struct Mp4Edit {
  static constexpr int64_t kEmpty = -1;
  uint64_t duration = 0;
  int64_t mediaTime = 0;
  uint32_t rate = 0x00010000;  // 16.16
  bool operator==(const Mp4Edit&) const = default;
};

class Mp4EditList {
 public:
  static constexpr uint32_t kMaxEdits = 100000;

  // The edits of `trak`; none when it has no edit list.
  static Mp4Error read(const Mp4Box& trak, std::vector<Mp4Edit>& out);
  // Replaces the edit list; an empty list removes it.
  static void write(Mp4Box& trak, const std::vector<Mp4Edit>& edits);

  // Where the media starts on the movie time line, in ms: leading empty edits delay it, a
  // first edit into the media skips its beginning.
  static int64_t offsetMs(const std::vector<Mp4Edit>& edits, uint32_t movieTimescale,
                          uint32_t mediaTimescale);
  // The sum of the edits' durations.
  static uint64_t duration(const std::vector<Mp4Edit>& edits);
  // The edits converted from one movie time scale to another.
  static std::vector<Mp4Edit> rescaled(std::vector<Mp4Edit> edits, uint32_t from, uint32_t to);
};

}  // namespace zuvo
