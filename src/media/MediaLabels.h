#pragma once
// Labels of the media types and conversion formats, and the video formats that cannot
// be converted.
#include <QString>

#include "media/MediaValues.h"

namespace zuvo {

QString VideoFormatName(ConversionFormat conversionFormat);  // "HD/SD", "SD", ... or "UNKNOWN"
QString MediaTypeName(MediaType mediaType);                  // "TV Show", "Movie", "Home Movie" or "Unknown"
MediaType MediaTypeFromName(const QString& name);            // the value, or 1000 for any other label
inline constexpr MediaType kUnknownMediaType = MediaType(1000);

// NO only for the one format the converters cannot read.
bool IsSelectableReason(const QString& videoFormat);

}  // namespace zuvo
