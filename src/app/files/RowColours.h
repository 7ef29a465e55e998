#pragma once
// The background of a files-table row: faint while the item is being looked up, then red
// for DRM or unsupported video, green for a ready item, amber for any other reason. Odd
// rows are a little lighter so that neighbours of one colour stay apart.
#include <QColor>

#include "media/MediaFile.h"

namespace zuvo {

QColor rowColour(const MediaFile& item, int row);

}  // namespace zuvo
