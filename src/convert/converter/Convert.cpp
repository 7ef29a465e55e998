#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <ctime>
#include <optional>

#include "convert/converter/BCConverter.h"
#include "convert/passes/VideoPasses.h"
#include "convert/report/ConversionCodes.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/MadeFiles.h"

namespace zuvo {
namespace {

constexpr int kSampleLength = 60;
constexpr int kLongestMiddleSample = 601;
constexpr int kLateSampleStart = 300;

// A sample is a minute from the middle of a short source, or from five minutes in.
QString sampleOptionsFor(const MediaFile& media) {
  const int seconds = media.myvideotrack().duration();
  const int start = seconds <= kLongestMiddleSample ? seconds / 2 : kLateSampleStart;
  return QStringLiteral(" -ss %1 -t %2 ").arg(start).arg(kSampleLength);
}

bool isMTS(const QString& filename) {
  const QString extension = QFileInfo(filename).suffix().toLower();
  return extension == QLatin1String("mts") || extension == QLatin1String("m2ts");
}

// The names a pass's finished output takes in the work folder (the SD pass's own name is
// an intermediate the clean-up has removed).
constexpr const char* kOutputSuffixes[] = {".m4v", ".mp4"};

QStringList outputNames(const QString& baseName) {
  QStringList names;
  for (const char* suffix : kOutputSuffixes) names << baseName + QLatin1String(suffix);
  return names;
}

// An output name already taken in the work folder: the folder may be the user's own, the
// source itself or an earlier finished file may carry the name, and neither is written over.
// Only what an earlier conversion left there under the name it gave it (the record says so),
// cut short before it could remove it, is its failed output and goes.
std::optional<QString> takenOutputName(const QString& folder, const QString& baseName) {
  const QSet<QString> made = madefiles::names(folder);
  for (const QString& name : outputNames(baseName)) {
    const QString path = folder + u'/' + name;
    if (!QFileInfo::exists(path)) continue;
    if (!made.contains(name) || !QFile::remove(path)) return path;
    madefiles::forget(folder, {name});
  }
  return std::nullopt;
}

bool isEyeTVDevice(const MediaFile& media) {
  return media.type() == QLatin1String(kSourceTypeEyeTV) &&
         Defaults::standard().get(setting::ElgatoEyeTVDevice) == 1;
}

}  // namespace

QList<int> plannedPasses(const MediaFile& media) {
  switch (media.ConversionFormat()) {
    case ConversionFormat::HDAndSD:
      return {0, 1};
    case ConversionFormat::SDOnly:
      // Mobile devices play the SD file of a pair: converted as that pass alone.
      if (Defaults::standard().get(setting::SupportMobileDevices) && !media.isDVD()) return {1};
      return {0};
    case ConversionFormat::HDOnly:
    case ConversionFormat::Original:
      return {0};
    default:
      return {};
  }
}

BCError BCConverter::Convert() {
  const BCError result = ConvertSteps();
  if (result.Error()) {
    RemoveFailedOutput();
  } else if (notedstart_) {
    // Placed elsewhere: the names are free again, and a file the user puts there is theirs.
    madefiles::forget(conversiondirectory, outputNames(outboundname));
  }
  return result;
}

void BCConverter::NoteWorkFolderAtStart() {
  startfiles_.clear();
  for (const QString& name : QDir(conversiondirectory).entryList(QDir::Files | QDir::Hidden | QDir::System))
    startfiles_ << name;
  // Recorded before the tools write them, so that a conversion cut short still names them.
  madefiles::add(conversiondirectory, outputNames(outboundname));
  ReserveIntermediates();
  notedstart_ = true;
}

void BCConverter::RemoveFailedOutput() {
  if (!notedstart_) return;
  for (const QString& name : outputNames(outboundname)) {
    const QString path = workPath(name);
    // A finished file that could not be placed is the user's to take: the failure said where.
    if (path != keptoutput && !startfiles_.contains(name)) QFile::remove(path);
  }
  madefiles::forget(conversiondirectory, outputNames(outboundname));
  RecordIntermediates();
}

BCError BCConverter::ConvertSteps() {
  const MediaFilePtr media = convideodata;
  BCError result = BCError::NoError();
  threads = Defaults::standard().get(setting::ConversionThreads);
  starttime = QDateTime::currentDateTime();
  reportTo(myreporter, QStringLiteral("%1:: Start time is %2").arg(threadid, asctimeNow()), 4);
  // Tags only is the queue's in-place tag job: converting it would make no file yet go on to
  // the original's action (the Trash) and report success.
  if (plannedPasses(*media).isEmpty()) {
    const QString refusal = QStringLiteral("Tags only items are updated in place, not converted");
    reportTo(myreporter, QStringLiteral("[RED]") + refusal, 3);
    media->setConversionfinished(false);
    return BCError::Code(ConversionCode::VideoTrack, refusal);
  }

  CleanUpConversionFiles();
  std::optional<QString> taken = takenOutputName(conversiondirectory, outboundname);
  if (!taken) taken = IntermediateInTheWay();
  if (taken)
    return failConversion(
        *this,
        BCError::Code(ConversionCode::PlacingFile,
                      QStringLiteral("Unable to convert, %1 is in the way").arg(*taken)),
        {QStringLiteral("[RED]The work folder already holds %1, it is not written over").arg(*taken),
         QStringLiteral("[RED] Canceling conversion.")});
  NoteWorkFolderAtStart();
  const bool sample = media->isSample();
  sampleoptions = sample ? sampleOptionsFor(*media) : QString();

  // Preparing the source: each step may replace fileToConvertPath.
  if (!sample && !media->VideoJoinPaths().isEmpty()) {
    if (const BCError error = VideoJoin(); error.Error()) return error;
  }
  if (!sample && media->isDVD()) {
    if (const BCError error = ExtractDVD(); error.Error()) return error;
  }
  // Subtitles are optional: a failed extraction converts without them.
  if (!sample) reportIfFailed(myreporter, ExtractSubtitles(), QStringLiteral("Extracting subtitles"), 3);
  if (!media->isDVD()) {
    if (const BCError error = ExtractAudio(); error.Error()) return error;
  }
  if (!sample && Defaults::standard().get(setting::MTSPreprocess) && isMTS(media->filename())) {
    if (const BCError error = MTSPreprocess(); error.Error()) return error;
  }
  if (!sample) {
    if (const BCError error = BurnInSubtitle(); error.Error()) return error;
  }

  const QList<int> passes = plannedPasses(*media);
  // The SD pass of a pair, run alone: the media object reads as the pair's from here on.
  if (passes == QList<int>{1}) media->setConversionFormat(ConversionFormat::HDAndSD);

  for (const int passindex : passes) {
    if (passindex == 0) {
      reportBoth(QStringLiteral("Starting HD Conversion"), 3);
      media->setPassnumber(PassStage::HDPass);
    } else {
      reportBoth(QStringLiteral("Starting SD of HD/SD Conversion"), 3);
      media->setPassnumber(PassStage::SDPass);
    }
    media->setProgress(0);

    const bool eyeTV = isEyeTVDevice(*media);
    const QString preconverted =
        QStringLiteral("%1/%2.pp%3").arg(conversiondirectory, outboundname, videotype);
    VideoPass plan;
    plan.passindex = passindex;
    plan.format = media->ConversionFormat();
    plan.quality = passQuality(*media);
    plan.threads = threads;
    plan.source = eyeTV ? preconverted : fileToConvertPath;
    plan.workFolder = conversiondirectory;
    plan.baseName = outboundname;
    plan.videotype = videotype;
    plan.audiocodec = audiocodec;
    plan.audiobitrate = audiobitrate;
    plan.soundexported = soundexported;
    plan.sampleOptions = sampleoptions;
    VideoPassArguments pass(media, plan, myreporter, report.userLog);
    pass.startAndSize();

    if (eyeTV) {
      const ToolArguments mencoder =
          eyeTVPreconvertArguments(fileToConvertPath, preconverted, pass.bitrateKbps(), plan.quality);
      reportBoth(QStringLiteral("[BLUE]Doing EyeTV HD Preconvert"),
                 QStringLiteral("Doing EyeTV HD Preconvert"), 3);
      reportTo(myreporter, mencoder.text(), 4);
      // The pass after it reads the preconverted file or, without one, the source.
      (void)runMencoder(mencoderpath, mencoder, media, conversiondirectory, report, myreporter);
    }

    pass.finish();
    videotype = pass.pass().videotype;
    reportTo(myreporter, QStringLiteral("%1 %2").arg(ffmpegpath, pass.arguments().text()), 4);

    if (media->isDVD() && passindex == 0) {
      // The ripped title is the pass's video as it is.
      const QString target = QStringLiteral("%1/%2.m4v").arg(conversiondirectory, outboundname);
      const bool pair = media->ConversionFormat() == ConversionFormat::HDAndSD;
      if (pair) reportTo(myreporter, QStringLiteral("HD pass of HD/SD so making a copy of the file"), 3);
      QFile::remove(target);
      const bool made =
          pair ? QFile::copy(fileToConvertPath, target) : QFile::rename(fileToConvertPath, target);
      if (!made || !QFileInfo::exists(target))
        return failConversion(*this,
                              BCError::Code(ConversionCode::PlacingFile,
                                            pair ? QStringLiteral("Unable to copy file for SD pass")
                                                 : QStringLiteral("Unable to rename DVD file")),
                              {QStringLiteral("[RED] Canceling conversion.")});
    } else if (!EncodeFastMode(passindex) && !EncodeTurbo264(passindex)) {
      if (auto exit = encodeVideo(*this, pass)) return *exit;
    }

    if (auto exit = stopCheck(*this, pass, result)) return *exit;
    if (const BCError error = FinishPass(passindex); error.Error()) return error;
  }
  return FinishConversion(result);
}

}  // namespace zuvo
