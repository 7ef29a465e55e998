#pragma once
// What the steps of one conversion read and write: the media object, the logs and report,
// the tool paths, the work folder and the values the passes set as they go. The converter
// fills it when it is made and when Convert starts; the steps below the converter are
// handed it instead of the converter.
#include <QDateTime>
#include <QString>

#include "convert/report/ConversionReport.h"
#include "media/BCCReporter.h"
#include "media/HelperInfo.h"
#include "media/MediaFile.h"

namespace zuvo {

class ConversionState {
 public:
  // Values of the running conversion, set when Convert starts.
  int threads = 0;  // "ConversionThreads"
  // ExtractSubtitles rewrote the Matroska source without its subtitles but the one to burn in.
  bool subtitlesstripped = false;
  QDateTime starttime;  // the time taken is counted from here
  // The ffmpeg options that cut a sample out of the source (" -ss %i -t 60 "), or "" for a
  // whole conversion.
  QString sampleoptions;

  QString threadid;                    // the job's identifier, "[%i]"
  MediaFile* thismediafile = nullptr;  // not owned, not read again
  MediaFilePtr convideodata;           // what every step reads and writes
  Reporter myreporter;                 // the main log
  ConversionReport report;             // the user log, the item's redraws and the percentage done
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

  // The line to the main log and the same line to the user log.
  void reportBoth(const QString& message, quint32 level) const;
  // `mainLine` to the main log and `userLine` to the user log, at one level.
  void reportBoth(const QString& mainLine, const QString& userLine, quint32 level) const;

 protected:
  ConversionState() = default;
};

// Later steps and the passes read the new file.
void useAsSource(ConversionState& conversion, const QString& path);
// Not finished, its progress bar full.
void markFailed(MediaFile& media);

}  // namespace zuvo
