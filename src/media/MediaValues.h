#pragma once
// The values of the media object's fields that every subsystem compares them with, and
// the numbers that stand for the named ones where they are stored.
#include <QtGlobal>
#include <type_traits>

namespace zuvo {

// `state`
enum class MediaState : int {
  Removed = 0,  // the table rebuild drops it
  InFilesTable = 1,
  Queued = 2,
  Converting = 3,  // or updating tags
  Ended = 4,       // `conversionfinished` tells success from failure
};

// `mediatype`
enum class MediaType : quint32 {
  TVShow = 0,
  Movie = 1,
  HomeMovie = 2,
};

// `ConversionFormat`
enum class ConversionFormat : quint32 {
  HDAndSD = 0,
  SDOnly = 1,
  HDOnly = 2,
  TagsOnly = 3,
  Original = 4,
};

// `reasonfordeselection`
enum class DeselectionReason : int {
  None = 0,
  Duplicate = 1,
  NoLookUpMatch = 2,
  IncompleteTVShow = 3,  // no episode title, season or episode number
  ProtectedByDRM = 4,
  UnsupportedVideo = 5,
  NoVideo = 6,  // the source holds no video stream at all
};

// The integers saved lists, settings and the tables' roles hold for these values.
template <class E>
requires std::is_enum_v<E>
constexpr std::underlying_type_t<E> codeOf(E value) { return std::underlying_type_t<E>(value); }

namespace media_values_detail {
template <class E>
constexpr E fromCode(qint64 code, E last, E fallback) {
  return code >= 0 && code <= qint64(codeOf(last)) ? E(code) : fallback;
}
}  // namespace media_values_detail

// The value a stored integer names; one no version ever wrote reads as `fallback`.
constexpr MediaState mediaStateFromCode(qint64 code, MediaState fallback) {
  return media_values_detail::fromCode(code, MediaState::Ended, fallback);
}
constexpr MediaType mediaTypeFromCode(qint64 code, MediaType fallback) {
  return media_values_detail::fromCode(code, MediaType::HomeMovie, fallback);
}
constexpr ConversionFormat conversionFormatFromCode(qint64 code, ConversionFormat fallback) {
  return media_values_detail::fromCode(code, ConversionFormat::Original, fallback);
}
constexpr DeselectionReason deselectionReasonFromCode(qint64 code, DeselectionReason fallback) {
  return media_values_detail::fromCode(code, DeselectionReason::NoVideo, fallback);
}

// `forcequality`
namespace ForcedQuality {
inline constexpr int NotForced = 0;
inline constexpr int Normal = 1;
inline constexpr int High = 2;
inline constexpr int Highest = 3;
}  // namespace ForcedQuality

// `forceHDflag`
namespace ForcedHDFlag {
inline constexpr int NotForced = 0;
inline constexpr int NotSet = 1;
inline constexpr int Set = 2;
}  // namespace ForcedHDFlag

// `location` of a subtitle track
namespace SubtitleLocation {
inline constexpr int NotSet = 0;
inline constexpr int InSource = 1;
inline constexpr int ExternalFile = 2;
}  // namespace SubtitleLocation

// `passnumber`: the stage of a running conversion, 0 to 18; 0 while queued.
namespace PassStage {
inline constexpr int Queued = 0;
inline constexpr int HDPass = 1;
inline constexpr int SDPass = 2;
inline constexpr int ExportingAudio = 3;
inline constexpr int BurningSubtitle = 4;
inline constexpr int ImportingDVD = 7;
inline constexpr int ExtractingSubtitles = 10;
inline constexpr int JoiningMatroska = 16;
inline constexpr int JoiningVideo = 17;
inline constexpr int Audio = 5;
inline constexpr int AfterTags = 6;
inline constexpr int BeforeTags = 8;
inline constexpr int OriginalPass = 9;
inline constexpr int Subtitles = 11;
inline constexpr int NormalisingAudio = 12;
inline constexpr int HardwareHDExport = 13;
inline constexpr int HardwareSDExport = 14;
inline constexpr int HardwarePreparation = 15;
}  // namespace PassStage

// `type`: the kind of source.
inline constexpr const char* kSourceTypeFile = "File";
inline constexpr const char* kSourceTypeEyeTV = "Eye TV";
inline constexpr const char* kSourceTypeDVD = "DVD";

}  // namespace zuvo
