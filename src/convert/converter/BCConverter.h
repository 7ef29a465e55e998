#pragma once
// The object that converts one media object: made by the conversion job on the
// conversion's worker thread, used for one conversion, then dropped. The initialiser
// gathers what does not change while the conversion runs: the media object, the job's
// identifier, the encoder check's answer, the log writer, the catalogue id, the output base
// name, the tool paths and the work folder. The steps of the conversion read and write the
// fields directly.
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <memory>
#include <optional>

#include "convert/converter/TableRedraw.h"
#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/HelperInfo.h"
#include "media/MediaFile.h"

namespace zuvo {

// A post-conversion script that has not ended by then is stopped (seconds): it may copy
// the file elsewhere, but it must not hold the queue.
inline constexpr double kPostScriptTimeLimit = 300;

class BCConverter {
 public:
  // `init:identifier:turbo264:reporter:`. Takes the next catalogue id from "NextCNID" and
  // stores the one after it at once; clears the stop request and the progress, and the
  // pass-through flag when "EnableFASTMode" is off. Null without a media object.
  static std::unique_ptr<BCConverter> init(const MediaFilePtr& media, const QString& identifier,
                                           const HelperInfo& turbo264, const Reporter& reporter);

  // The whole conversion (the conversion driver defines it). A failed conversion removes
  // the outputs it made itself in the work folder, so that a retry is not refused.
  BCError Convert();

  // ---- Steps that Convert calls; each lives in the file named after it. ----
  // CleanUpConversionFiles (below) empties the work folder first.
  // Preparation steps, each in the file named after it: NoError, or the error that ends the
  // conversion (ExtractSubtitles always goes on).
  BCError VideoJoin();
  BCError ExtractDVD();
  BCError ExtractSubtitles();
  BCError ExtractAudio();
  BCError MTSPreprocess();
  BCError BurnInSubtitle();
  // EncodeFastMode.cpp, EncodeTurbo264.cpp: the pass-through copy and the hardware-encoder export of one pass
  // (`passindex` 0 the HD or only pass, 1 the SD pass of an HD-and-SD conversion); true
  // when the pass's video is done and the ffmpeg encode is skipped.
  bool EncodeFastMode(int passindex);
  bool EncodeTurbo264(int passindex);
  // ConversionTail.cpp: what follows the video encode of a pass (audio, subtitles, tags,
  // destination), NoError to go on; and what follows the last pass, answering the result.
  BCError FinishPass(int passindex);
  BCError FinishConversion(const BCError& result);

  // Values of the running conversion, set when Convert starts.
  int threads = 0;          // "ConversionThreads"
  // ExtractSubtitles rewrote the Matroska source without its subtitles but the one to burn in.
  bool subtitlesstripped = false;
  QDateTime starttime;      // the time taken is counted from here

  QString threadid;                    // the job's identifier, "[%i]"
  MediaFile* thismediafile = nullptr;  // not owned, not read again
  MediaFilePtr convideodata;           // what every step reads and writes
  Reporter myreporter;                 // the main log
  TableRedraw updatetableview;         // the queue table in use
  qint32 audiobitrate = 0;             // kbit/s
  HelperInfo Turbo264Info;
  quint32 thiscnid = 0;       // the iTunes catalogue id; 0 for a single file
  QString fileToConvertPath;  // the source the tools read; later steps replace it
  QString tfiletype;          // fileToConvertPath in lower case
  QString outboundname;       // the output base name, without folder and extension
  QString ffmpegpath;
  QString ffmpegpathold;  // kept; nothing reads it
  QString mencoderpath;
  QString mencoderpath2;    // "mencoder-burn"
  QString mencoderdvdpath;  // "HandBrakeCLI"
  QString mkvextractpath;
  QString mp4boxpath;
  QString mkvmergepath;
  QString aacgainpath;
  QString avimergepath;
  QString conversiondirectory;  // every file of the conversion is made here, every tool runs here
  bool soundexported = false;   // the audio tracks were exported to files of their own
  int addedaudiotracks = 0;     // the audio tracks the current pass added to its output
  QString videotype = QStringLiteral(".m4v");                // the current pass's extension
  QString audiocodec = QStringLiteral(" -acodec libfaac ");  // in every ffmpeg template that encodes sound
  QString resourcepath;                                      // not set, not read

  // "<work folder>/<name>", joined rather than built with arg: a "%1" in the folder's name
  // must stay as it is.
  QString workPath(const QString& name) const { return conversiondirectory + u'/' + name; }

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

  bool notedstart_ = false;     // the output names were free at the start: they are ours
  QSet<QString> startfiles_;  // the work folder's names at the start
};

}  // namespace zuvo
