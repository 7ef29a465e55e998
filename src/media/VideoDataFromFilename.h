#pragma once
// A plain video file's name is the only hint of what it holds before the online look-up:
// series, season and episode or an air date of a TV show, or a movie's name.
#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"

namespace zuvo {

// Parses the last path component of `fullpath` and sets the media type, `seriesname`,
// `episodename`, `season`, `show`, the date parts and `filename`; leaves the item
// deselected and not surely matched. Always succeeds.
BCError getVideoDataFromFilename(MediaFile& media, const Reporter& reporter);

}  // namespace zuvo
