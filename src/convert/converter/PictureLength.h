#pragma once
// How long a finished output must last: as long as the user's source shows pictures (each
// part of a join added up), read with ffprobe from the source itself, so that an intermediate
// a tool cut short cannot pass for the whole. A recording cut mid-GOP shows nothing before
// its first key frame; that start may be missing from the output, and nothing else.
#include <QString>
#include <optional>

#include "media/MediaFile.h"

namespace zuvo {

struct PictureLength {
  double seconds = 0;    // from the first packet of the picture to its end
  double startLoss = 0;  // before the first key frame: no decoder shows it
};

// The picture of one file; nothing when ffprobe finds no picture or no length.
std::optional<PictureLength> pictureLengthOf(const QString& path);

// The picture of the media object's source: the user's file (the video inside a recording's
// package), or every part of a join. Nothing when a part's length cannot be read.
std::optional<PictureLength> sourcePictureLength(const MediaFile& media);

// True when `seconds` is within 2 s or 2 % (the larger) of `expected`, the start loss allowed
// short of it and `slack` more either way.
bool lastsAsLong(double seconds, const PictureLength& expected, double slack = 0);

}  // namespace zuvo
