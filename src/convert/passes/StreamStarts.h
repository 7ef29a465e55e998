#pragma once
// Where a source's streams start, as the decoder sees them: the audio tracks are exported
// into files of their own, and each must start where it starts against the picture.
#include <QString>
#include <optional>

namespace zuvo {

struct StreamStart {
  int videoStream = -1;         // the stream ffmpeg takes for the picture; -1: none
  std::optional<double> video;  // its first picture, in seconds
};

// Which picture the video pass starts at zero. An encode starts at the first picture the
// decoder shows; a copy at the first keyframe, since ffmpeg copies nothing before it (in a
// recording that starts mid-stream the pictures before it cannot be decoded anyway).
enum class PictureStart { Decoded, Copied };

// The video ffmpeg takes by default (the largest picture that is no cover image; the first
// of equal ones) and the time of its first picture.
StreamStart videoStart(const QString& source, PictureStart start = PictureStart::Decoded);

// The time of the first frame that stream `index` decodes to, in seconds; nothing when
// ffprobe finds none in the first seconds of the stream.
std::optional<double> firstFrameTime(const QString& source, int index);

// The time of stream `index`'s first keyframe, in seconds; nothing when ffprobe finds
// none with a time in the first seconds of the stream.
std::optional<double> firstKeyframeTime(const QString& source, int index);

// The audio filter that lays stream audio whose first frame is at `audioStart` against a
// picture whose first frame is at `videoStart`: the audio's own start at zero, then delayed
// with silence when it starts later, or cut when it starts earlier. Empty when there is no
// video or no offset worth a sample.
QString alignmentFilter(std::optional<double> audioStart, std::optional<double> videoStart);

}  // namespace zuvo
