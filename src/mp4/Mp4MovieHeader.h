#pragma once
// A view of moov.mvhd: the movie's time scale, duration and next free track id.
#include <cstdint>

#include "mp4/Mp4Box.h"

namespace zuvo {

class Mp4MovieHeader {
 public:
  explicit Mp4MovieHeader(Mp4Box& mvhd) : mvhd_(&mvhd) {}
  static Mp4Error validate(const Mp4Box* mvhd);

  uint32_t timescale() const;
  uint64_t duration() const;
  void setDuration(uint64_t duration);  // widens the box to version 1 when it must
  uint64_t durationMs() const { return mp4ToMs(duration(), timescale()); }
  uint32_t nextTrackId() const;
  void setNextTrackId(uint32_t id);

 private:
  bool v1() const { return mvhd_->payload()[0] == 1; }
  Mp4Box* mvhd_;
};

}  // namespace zuvo
