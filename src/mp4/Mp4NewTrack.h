#pragma once
// A track to be added to an MP4 file (Mp4File::addTrack): its trak box and where each of its
// samples comes from. Samples are copied into a new media-data box of the file when it is
// committed; the source file must stay unchanged until then.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mp4/Mp4Box.h"
#include "mp4/Mp4FileHandle.h"
#include "mp4/Mp4SampleTable.h"

namespace zuvo {

struct Mp4TimedText;

class Mp4NewTrack {
 public:
  // Each track of another MP4 file but its chapter track, with its sample descriptions,
  // timing and edits as they are there.
  static Mp4Error fromMp4(const std::string& path, std::vector<Mp4NewTrack>& out);
  // A raw AC-3 file.
  static Mp4Error fromAc3(const std::string& path, Mp4NewTrack& out);
  // A 3GPP timed-text (tx3g) subtitle track placed as the header says.
  static Mp4Error fromTimedText(const Mp4TimedText& text, Mp4NewTrack& out);

  std::string type() const;  // the media handler
  uint64_t mediaBytes() const;

 private:
  friend class Mp4File;
  Mp4Box trak_;                     // no id, no chunk tables yet
  uint32_t editTimescale_ = 0;      // the time scale of the edit list's durations
  std::vector<Mp4Sample> samples_;  // offsets in source_, or in inline_ without one
  std::shared_ptr<Mp4FileHandle> source_;
  Mp4Buffer inline_;
};

}  // namespace zuvo
