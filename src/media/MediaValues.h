#pragma once
// The numbers that the media object's integer fields take and that every subsystem
// compares them with.
#include <QtGlobal>

namespace zuvo {

// `state`
namespace MediaState {
inline constexpr int Removed = 0;     // the table rebuild drops it
inline constexpr int InFilesTable = 1;
inline constexpr int Queued = 2;
inline constexpr int Converting = 3;  // or updating tags
inline constexpr int Ended = 4;       // `conversionfinished` tells success from failure
}  // namespace MediaState

// `mediatype`
namespace MediaType {
inline constexpr quint32 TVShow = 0;
inline constexpr quint32 Movie = 1;
inline constexpr quint32 HomeMovie = 2;
}  // namespace MediaType

// `ConversionFormat`
namespace ConversionFormat {
inline constexpr quint32 HDAndSD = 0;
inline constexpr quint32 SDOnly = 1;
inline constexpr quint32 HDOnly = 2;
inline constexpr quint32 TagsOnly = 3;
inline constexpr quint32 Original = 4;
}  // namespace ConversionFormat

// `reasonfordeselection`
namespace DeselectionReason {
inline constexpr int None = 0;
inline constexpr int Duplicate = 1;
inline constexpr int NoLookUpMatch = 2;
inline constexpr int IncompleteTVShow = 3;  // no episode title, season or episode number
inline constexpr int ProtectedByDRM = 4;
inline constexpr int UnsupportedVideo = 5;
inline constexpr int NoVideo = 6;  // the source holds no video stream at all
}  // namespace DeselectionReason

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
