#include "media/MediaLabels.h"

#include "media/MediaValues.h"

namespace zuvo {
namespace {

template <class Code>
struct Label {
  Code code;
  const char* text;
};

constexpr Label<ConversionFormat> kVideoFormatNames[] = {{ConversionFormat::HDAndSD, "HD/SD"},
                                                         {ConversionFormat::SDOnly, "SD"},
                                                         {ConversionFormat::HDOnly, "HD"},
                                                         {ConversionFormat::TagsOnly, "INFO"},
                                                         {ConversionFormat::Original, "ORIGINAL"}};
constexpr const char* kUnknownFormatName = "UNKNOWN";

constexpr Label<MediaType> kMediaTypeNames[] = {
    {MediaType::TVShow, "TV Show"}, {MediaType::Movie, "Movie"}, {MediaType::HomeMovie, "Home Movie"}};
constexpr const char* kUnknownMediaTypeName = "Unknown";

constexpr const char* kUnconvertibleVideoFormat = "Intermediate Codec";

template <class Code, size_t N>
QString labelFor(const Label<Code> (&table)[N], Code code, const char* fallback) {
  for (const Label<Code>& label : table)
    if (label.code == code) return QString::fromLatin1(label.text);
  return QString::fromLatin1(fallback);
}

}  // namespace

QString VideoFormatName(ConversionFormat conversionFormat) {
  return labelFor(kVideoFormatNames, conversionFormat, kUnknownFormatName);
}

QString MediaTypeName(MediaType mediaType) {
  return labelFor(kMediaTypeNames, mediaType, kUnknownMediaTypeName);
}

MediaType MediaTypeFromName(const QString& name) {
  for (const Label<MediaType>& label : kMediaTypeNames)
    if (name == QLatin1String(label.text)) return label.code;
  return kUnknownMediaType;
}

bool IsSelectableReason(const QString& videoFormat) {
  return videoFormat != QLatin1String(kUnconvertibleVideoFormat);
}

}  // namespace zuvo
