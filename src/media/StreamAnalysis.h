#pragma once
// What a source holds: mediainfo's report read into the item's video, audio and subtitle
// tracks, ffprobe's stream numbers for the audio tracks, subtitle files lying beside the
// video, the preselection of the tracks a conversion takes, the HD flag and whether the
// video can pass through unchanged ("fast mode").
#include <QString>
#include <optional>

#include "media/AnalysisTools.h"
#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"
#include "media/SubtitleTrack.h"

namespace zuvo {

// The process-wide values the analysis reads; the controller sets them at launch.
struct AnalysisContext {
  Reporter reporter;     // the main log (none: nothing is logged)
  QString cacheFolder;   // the tools' working folder (setting "ConversionDirectory")
  QString userLanguage;  // the user's two-letter language code
};

// Runs mediainfo once and ffprobe once on the source (`packagepath` when set, else
// `fullpath`), fills the tracks, preselects them and sets the HD and fast-mode fields.
// Always succeeds: a tool that prints nothing leaves format "Unknown" and size 0.
BCError MediaInfoFromFile(MediaFile& media, const AnalysisContext& context);

// The same from reports already made of the source (see `analysisReports`).
BCError MediaInfoFromReports(MediaFile& media, const AnalysisReports& reports,
                             const AnalysisContext& context);

// "Good" when the video can pass through unchanged, else a short reason. No side effects.
QString isShowFastMode(const MediaFile& media);

// Offers every "srt" and "ass" file of the video's folder that belongs to it.
void locateSubtitleTracks(MediaFile& media, const AnalysisContext& context);

// One external subtitle file, appended to the soft list and (as a copy) to the hard list,
// so it can be muxed or burnt in. "Film$fre.srt" names its language ("fre"); the text
// encoding is the one the character-set detector finds in the file. With `checkMatch`, a
// file not named after the video is refused (nothing).
std::optional<SubtitleTrack> addSutbtitleFile(MediaFile& media, const QString& path, bool checkMatch,
                                              const AnalysisContext& context);

}  // namespace zuvo
