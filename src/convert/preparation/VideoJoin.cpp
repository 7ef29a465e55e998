#include <QFile>
#include <QFileInfo>

#include "convert/preparation/PreparationSteps.h"
#include "convert/report/ConversionCodes.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "media/FileHelpers.h"
#include "media/MediaValues.h"

namespace zuvo {
namespace {

bool isMatroska(const QString& path) { return PathExtension(path).toLower() == QLatin1StringView("mkv"); }

// Every part but the first is appended to the first by a join; the output must exist.
BCError joinFailed(MediaFile& media, const Reporter& reporter, const BCError& error) {
  media.setState(MediaState::Ended);
  reportTo(reporter, QStringLiteral("[RED]Failing conversion on Video Join Error"), 3);
  return error;
}

const BCError kNoJoinedFile = BCError::Code(ConversionCode::JoinFailed, QStringLiteral("Video Join Failed"));

}  // namespace

BCError PreparationSteps::VideoJoin() {
  MediaFile& media = *convideodata;
  reportTo(report.userLog, QStringLiteral("Joining video segements"), 3);
  media.setPassnumber(PassStage::JoiningVideo);
  const QStringList parts = media.VideoJoinPaths();

  if (PathExtension(tfiletype) == QLatin1StringView("avi")) {
    const QString joined = conversiondirectory + QStringLiteral("/mergedavifile.avi");
    QFile::remove(joined);  // a join left by an earlier conversion is no proof of this one
    ToolArguments arguments(QStringLiteral(" -o mergedavifile.avi "));
    arguments.append(QStringLiteral(" -i \"%@\" "), {fileToConvertPath});
    for (const QString& part : parts) arguments.append(QStringLiteral(" \"%@\" "), {part});
    runAvimerge(avimergepath, arguments, convideodata, conversiondirectory, report, myreporter);
    if (!QFileInfo::exists(joined)) return joinFailed(media, myreporter, kNoJoinedFile);
    useAsSource(*this, joined);
    return BCError::NoError();
  }

  // mkvmerge joins Matroska files only: the others are re-wrapped first, streams copied.
  // A Matroska source keeps its Matroska parts as they are.
  const QString extraAudio = QStringLiteral(" -acodec copy -newaudio ")
                                 .repeated(std::max<qsizetype>(0, media.AudioTracks().size() - 1));
  const bool matroskaSource = isMatroska(tfiletype);
  const QStringList inputs = QStringList{fileToConvertPath} + parts;
  QStringList joinFiles, made;
  for (qsizetype n = 0; n < inputs.size(); ++n) {
    if (matroskaSource && isMatroska(inputs[n])) {
      joinFiles << inputs[n];
      continue;
    }
    const QString wrapped = workPath(QStringLiteral("intermediate%1.mkv").arg(n));
    ToolArguments rewrap(QStringLiteral("-y -i \"%@\" -vcodec copy -acodec copy -sn \"%@\""),
                         {inputs[n], wrapped});
    rewrap.append(extraAudio);
    made << wrapped;
    joinFiles << wrapped;
    const BCError wrapError =
        runFFMpeg(ffmpegpath, rewrap, convideodata, conversiondirectory, report, myreporter);
    if (wrapError.Error()) {
      for (const QString& file : made) QFile::remove(file);
      return joinFailed(media, myreporter, wrapError);
    }
  }

  media.setPassnumber(PassStage::JoiningMatroska);
  const QString joined = conversiondirectory + QStringLiteral("/mergedmkvfile.mkv");
  QFile::remove(joined);
  ToolArguments join(QStringLiteral("-o mergedmkvfile.mkv "));
  join.append(QStringLiteral(" \"%@\" "), {joinFiles.first()});
  for (qsizetype n = 1; n < joinFiles.size(); ++n) join.append(QStringLiteral(" +\"%@\" "), {joinFiles[n]});
  const BCError result =
      runMkvmerge(mkvmergepath, join, convideodata, conversiondirectory, report, myreporter);

  useAsSource(*this, joined);
  for (const QString& file : made) {
    reportTo(myreporter, QStringLiteral("Cleaning up file %1").arg(file), 4);
    QFile::remove(file);
  }
  if (result.Error()) return joinFailed(media, myreporter, result);
  if (!QFileInfo::exists(joined)) return joinFailed(media, myreporter, kNoJoinedFile);
  return BCError::NoError();
}

}  // namespace zuvo
