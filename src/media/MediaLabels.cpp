#include "media/MediaLabels.h"

#include "media/MediaValues.h"

namespace zuvo {
namespace {

struct Label {
  quint32 code;
  const char* text;
};

constexpr Label kVideoFormatNames[] = {
    {ConversionFormat::HDAndSD, "HD/SD"}, {ConversionFormat::SDOnly, "SD"}, {ConversionFormat::HDOnly, "HD"},
    {ConversionFormat::TagsOnly, "INFO"}, {ConversionFormat::Original, "ORIGINAL"}};
constexpr const char* kUnknownFormatName = "UNKNOWN";

constexpr Label kMediaTypeNames[] = {
    {MediaType::TVShow, "TV Show"}, {MediaType::Movie, "Movie"}, {MediaType::HomeMovie, "Home Movie"}};
constexpr const char* kUnknownMediaTypeName = "Unknown";

constexpr const char* kUnconvertibleVideoFormat = "Intermediate Codec";

template <size_t N>
QString labelFor(const Label (&table)[N], quint32 code, const char* fallback) {
  for (const Label& label : table)
    if (label.code == code) return QString::fromLatin1(label.text);
  return QString::fromLatin1(fallback);
}

}  // namespace

QString VideoFormatName(quint32 conversionFormat) {
  return labelFor(kVideoFormatNames, conversionFormat, kUnknownFormatName);
}

QString MediaTypeName(quint32 mediaType) { return labelFor(kMediaTypeNames, mediaType, kUnknownMediaTypeName); }

quint32 MediaTypeFromName(const QString& name) {
  for (const Label& label : kMediaTypeNames)
    if (name == QLatin1String(label.text)) return label.code;
  return kUnknownMediaType;
}

bool IsSelectableReason(const QString& videoFormat) {
  return videoFormat != QLatin1String(kUnconvertibleVideoFormat);
}

}  // namespace zuvo
