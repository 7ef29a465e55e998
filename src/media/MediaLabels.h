#pragma once
// Labels of the media types and conversion formats, and the video formats that cannot
// be converted.
#include <QString>

namespace zuvo {

QString VideoFormatName(quint32 conversionFormat);  // "HD/SD", "SD", ... or "UNKNOWN"
QString MediaTypeName(quint32 mediaType);           // "TV Show", "Movie", "Home Movie" or "Unknown"
quint32 MediaTypeFromName(const QString& name);     // the code, or 1000 for any other label
inline constexpr quint32 kUnknownMediaType = 1000;

// NO only for the one format the converters cannot read.
bool IsSelectableReason(const QString& videoFormat);

}  // namespace zuvo
