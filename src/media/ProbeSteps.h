#pragma once
// What a probe needs from outside this library: the process-wide values the controller
// makes at launch, and the steps that live in higher libraries (tag take-over, chapters and
// the online look-up in metadata, the iTunes duplicate checks in convert). Those libraries
// fill the steps and the application installs them at start-up; a step left empty is
// skipped with a line in the log, and an empty duplicate check answers "not a duplicate".
#include <QString>
#include <functional>

#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"

namespace zuvo {

struct ProbeContext {
  Reporter mainLog;      // none: nothing is logged
  Reporter userLog;      // the rule passes' user-facing lines
  QString cacheFolder;   // setting "ConversionDirectory", checked at launch
  QString userLanguage;  // the user's two-letter language code
};

struct ProbeSteps {
  std::function<bool(const MediaFile& item, const Reporter& log)> testforMP4tags;
  std::function<BCError(MediaFile& item, const QString& language, const QString& cachePath,
                        const Reporter& log, bool autoprocess)>
      createVideoDataFromm4v;
  // The chapters from the probe's own ffprobe report of the source.
  std::function<BCError(MediaFile& item, const QString& ffprobeReport, const Reporter& log)>
      ChaptersFromReport;
  std::function<void(MediaFile& item, const QString& language, const QString& cachePath, const Reporter& log)>
      matchChapters;
  // One look-up object made for this call with the cache folder, the user's language, the
  // setting "GuessAtUnmatchedShowNames" and the log, then its `LookUpShowData`.
  std::function<BCError(MediaFile& item, const QString& cachePath, const QString& language,
                        bool guessAtShowName, const Reporter& log)>
      LookUpShowData;
  // The chapter-title candidates, with the TV flag off.
  std::function<BCError(MediaFile& item, const QString& language, const QString& cachePath,
                        const Reporter& log)>
      TagChimpSearchChapterAlternates;
  std::function<bool(const QString& series, quint32 season, quint32 episode, const Reporter& log)>
      tvShowExistsIniTunes;
  std::function<bool(const QString& title, const Reporter& log)> movieExistsIniTunes;
};

// Everything one probe reads, handed to it by whoever starts it.
struct ProbeSetup {
  ProbeContext context;
  ProbeSteps steps;
};

// The process's own context and steps, handed on by callers that have no setup of their
// own; set them before the first such item is made.
void setProbeContext(const ProbeContext& context);
ProbeContext probeContext();

// Replaces every step; steps of `steps` left empty become empty.
void setProbeSteps(const ProbeSteps& steps);
ProbeSteps probeSteps();

ProbeSetup installedProbeSetup();

}  // namespace zuvo
