#pragma once
// The texts the files and queue tables draw for an item.
#include <QString>
#include <QVariantList>

#include "media/MediaFile.h"

namespace zuvo {

// File name; size and duration when known; video format and size.
QString summary(const MediaFile& item);

// What the queue title cell draws: eight empty texts until the item is looked up, then
// series name, episode name, media-type label, season, episode number, "6" (surround) or
// "2", and the artwork image (a QImage) when there is one.
QVariantList summaryArray(const MediaFile& item);

}  // namespace zuvo
