#pragma once
// A raw AC-3 (ATSC A/52) elementary stream: its sync frames, each one MP4 sample of 1536
// audio samples, and the stream parameters the MP4 sample description carries.
#include <cstdint>
#include <vector>

#include "mp4/Mp4Box.h"
#include "mp4/Mp4FileHandle.h"
#include "mp4/Mp4SampleTable.h"

namespace zuvo {

struct Mp4Ac3 {
  static constexpr uint32_t kSamplesPerFrame = 1536;

  uint32_t sampleRate = 0;
  uint8_t fscod = 0, bsid = 0, bsmod = 0, acmod = 0, lfeon = 0, bitRateCode = 0;
  std::vector<Mp4Sample> frames;  // offsets in the file, durations in sampleRate units

  // Every byte of the file must belong to a frame; a change of sample rate or channel
  // layout mid-stream, E-AC-3 and stray bytes are errors.
  static Mp4Error scan(const Mp4FileHandle& file, Mp4Ac3& out);
  // The 'ac-3' sample entry with its 'dac3' box.
  Mp4Buffer sampleEntry() const;
  unsigned channels() const;
};

}  // namespace zuvo
