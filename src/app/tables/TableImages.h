#pragma once
// The stock images of the files and queue tables, read from the resources once and shared.
// GUI thread only.
#include <QImage>
#include <QString>

#include "media/MediaFile.h"

namespace zuvo {

// The resource "<name>.png"; a null image when it is missing.
QImage tableImage(const QString& name);

// The status circle by the item's reason for deselection; null for an unknown reason.
QImage statusImage(const MediaFile& item);

// "TVShow", "Movie" or "HomeMovie" by media type (0, 1, anything else).
QString mediaTypeImageName(MediaType mediatype);

// "TV Show", "Movie" or "Home Movie": the description under the media-type image.
QString mediaTypeDescription(MediaType mediatype);

}  // namespace zuvo
