#pragma once
// The object that converts one media object: made by the conversion job on the
// conversion's worker thread, used for one conversion, then dropped. The initialiser
// gathers what does not change while the conversion runs: the media object, the job's
// identifier, the encoder check's answer, the log writer, the catalogue id, the output base
// name, the tool paths, the work folder and the report. The steps of the conversion read and
// write the fields of its ConversionState directly.
#include <QList>
#include <QSet>
#include <QString>
#include <memory>
#include <optional>

#include "convert/preparation/PreparationSteps.h"
#include "convert/report/ConversionReport.h"
#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/HelperInfo.h"
#include "media/MediaFile.h"

namespace zuvo {

// A post-conversion script that has not ended by then is stopped (seconds): it may copy
// the file elsewhere, but it must not hold the queue.
inline constexpr double kPostScriptTimeLimit = 300;

class BCConverter : public PreparationSteps {
 public:
  // `init:identifier:turbo264:reporter:report:`. Takes the next catalogue id from "NextCNID" and
  // stores the one after it at once; clears the stop request and the progress, and the
  // pass-through flag when "EnableFASTMode" is off. Null without a media object.
  static std::unique_ptr<BCConverter> init(const MediaFilePtr& media, const QString& identifier,
                                           const HelperInfo& turbo264, const Reporter& reporter,
                                           const ConversionReport& report);

  // The whole conversion (the conversion driver defines it). A failed conversion removes
  // the outputs it made itself in the work folder, so that a retry is not refused.
  BCError Convert();

  // ---- Steps that Convert calls; each lives in the file named after it. ----
  // CleanUpConversionFiles (below) empties the work folder first. The preparation and pass
  // steps come from the bases; ExtractSubtitles always goes on.
  BCError ExtractSubtitles();
  // ConversionTail.cpp: what follows the video encode of a pass (audio, subtitles, tags,
  // destination), NoError to go on; and what follows the last pass, answering the result.
  BCError FinishPass(int passindex);
  BCError FinishConversion(const BCError& result);

  // ---- The library, the user's script, the output's time and the work folder. ----
  // PostConversionScript.cpp: runs the user's program ("PostConversionApplescriptPath") with
  // the nine texts of a conversion that placed `location` in a user folder, for at most
  // `postscripttimelimit` seconds. True when the user's stop ended it.
  bool finalAppleScript(const MediaFile& media, const QString& location);
  double postscripttimelimit = kPostScriptTimeLimit;
  // ModifyTime.cpp: with "PreserveOriginalFileModifyTime" on, the output gets the original's
  // modification time.
  void RestoreOriginalModifyTimeForOutputFilePath(const QString& outputPath);
  // CleanUp.cpp: empties the work folder of the intermediates that conversions made. Only
  // files the work folder's record of Zuvo's own files names are removed: the folder may be
  // the user's, with their own files of the same names.
  void CleanUpConversionFiles();
  // Convert.cpp: the names of the work folder's files when this conversion began, after
  // the first clean-up; what appears later under an intermediate's name is this conversion's.
  void NoteWorkFolderAtStart();
  // CleanUp.cpp: what appeared in the work folder under an intermediate's name since the
  // start goes into the record, for the next clean-up; reserved names left unwritten leave it.
  void RecordIntermediates();
  // CleanUp.cpp: a file in the work folder under a name this conversion gives an
  // intermediate that the clean-up left there (the user's own); nothing when none is in the way.
  std::optional<QString> IntermediateInTheWay() const;
  // CleanUp.cpp: the record names every intermediate name free at the start as this
  // conversion's, before any step writes one.
  void ReserveIntermediates();
  // Convert.cpp: after a failure, this conversion's outputs in the work folder go (the
  // names it gave them), except `keptoutput`; its intermediates are recorded for the next
  // conversion's clean-up.
  void RemoveFailedOutput();

  QString keptoutput;  // a finished output that could not be placed: the failure says where it is
  // A pass's output where it was placed (not into the library), with its size then: what a
  // failure after placing takes back.
  struct PlacedOutput {
    QString path;
    qint64 size = 0;
  };
  QList<PlacedOutput> placedoutputs;

  // RemoteMessage.cpp: posts "RemoteReport" with this converter as the object.
  void sendRemoteMessage(const QString& title, const QString& description, qint32 type, bool sticky);

 private:
  BCConverter() = default;
  BCError ConvertSteps();

  bool notedstart_ = false;   // the output names were free at the start: they are ours
  QSet<QString> startfiles_;  // the work folder's names at the start
};

}  // namespace zuvo
