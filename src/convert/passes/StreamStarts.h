#pragma once
// Where a source's streams start, as the decoder sees them: the audio tracks are exported
// into files of their own, and each must start where it starts against the picture.
#include <QString>
#include <optional>

namespace zuvo {

struct StreamStart {
  int videoStream = -1;  // the stream ffmpeg takes for the picture; -1: none
  std::optional<double> video;  // its first frame, in seconds
};

// The video ffmpeg takes by default (the largest picture that is no cover image; the first
// of equal ones) and the time of its first frame.
StreamStart videoStart(const QString& source);

// The time of stream `index`'s first frame in seconds; nothing when ffprobe does not say.
std::optional<double> firstFrameTime(const QString& source, int index);

// The audio filter that lays stream audio whose first frame is at `audioStart` against a
// picture whose first frame is at `videoStart`: the audio's own start at zero, then delayed
// with silence when it starts later, or cut when it starts earlier. Empty when there is no
// video or no offset worth a sample.
QString alignmentFilter(std::optional<double> audioStart, std::optional<double> videoStart);

}  // namespace zuvo
