#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include "convert/converter/BCConverter.h"
#include "convert/core/ConversionState.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "media/FileHelpers.h"
#include "media/MediaValues.h"
#include "platform/MadeFiles.h"

namespace zuvo {
namespace {

// Past this many streams the Matroska source is rewritten without its subtitles.
constexpr int kMostStreamsWithSubtitles = 15;

// mediainfo numbers the tracks of a Matroska file from 1, mkvtoolnix from 0.
int matroskaTrackId(int mediainfoId) { return mediainfoId - 1; }

QString destination(const QString& folder, qsizetype position, bool ass) {
  return folder + QStringLiteral("/subtitle%1.%2")
                      .arg(QString::number(position), ass ? QStringLiteral("ass") : QStringLiteral("sub"));
}

bool isASS(const SubtitleTrack& track) { return track.format().toLower() == QLatin1StringView("ass"); }

// A file operation that failed goes to the system console; the step goes on.
void consoleOnFailure(bool ok, const QFile& file) {
  if (!ok) qWarning().noquote() << "Error Domain=ZuvoError Code=0" << file.fileName() << file.errorString();
}

void copyExternalFiles(const QList<SubtitleTrack>& tracks, const QString& folder, const Reporter& reporter) {
  for (qsizetype i = 0; i < tracks.size(); ++i) {
    const SubtitleTrack& track = tracks[i];
    if (!track.selected() || track.location() != SubtitleLocation::ExternalFile) continue;
    const QString extension = PathExtension(track.path()).toLower();
    // SubStation Alpha has the events of its successor, so it converts the same way.
    const bool ass = extension == QLatin1StringView("ass") || extension == QLatin1StringView("ssa");
    if (!ass && extension != QLatin1StringView("srt")) {
      reportTo(reporter,
               QStringLiteral("[RED]Subtitle file %1 is no SubRip or ASS file, not used").arg(track.path()),
               3);
      continue;
    }
    const QString target = destination(folder, i, ass);
    QFile existing(target);
    if (existing.exists()) consoleOnFailure(existing.remove(), existing);
    reportTo(reporter, QStringLiteral("Copying subtitle file %1 to %2").arg(track.path(), target), 4);
    QFile source(track.path());
    consoleOnFailure(source.copy(target), source);
  }
}

}  // namespace

BCError BCConverter::ExtractSubtitles() {
  MediaFile& media = *convideodata;
  const QList<SubtitleTrack> tracks =
      media.SoftSubtitles() ? media.SoftSubtitleTracks() : media.HardSubtitleTracks();
  copyExternalFiles(tracks, conversiondirectory, myreporter);

  const QString extension = PathExtension(tfiletype);
  const bool matroska = extension == QLatin1StringView("mkv");
  if (extension == QLatin1StringView("mp4") || extension == QLatin1StringView("m4v") ||
      extension == QLatin1StringView("avi")) {
    media.setPassnumber(PassStage::ExtractingSubtitles);
    reportTo(myreporter, QStringLiteral("Video is MP4 - exporting subtitle tracks"), 3);
    for (qsizetype i = 0; i < tracks.size(); ++i) {
      const SubtitleTrack& track = tracks[i];
      if (!track.selected() || track.location() != SubtitleLocation::InSource) continue;
      // mediainfo's ID of an MP4 track is the track's own ID, which MP4Box takes. MP4Box
      // writes into its current folder, the work folder, never beside the user's file.
      const int id = track.streamnumber();
      const QString exported =
          QFileInfo(fileToConvertPath).completeBaseName() + QStringLiteral("_%1_text.srt").arg(id);
      const QString written = workPath(exported);
      if (QFileInfo::exists(written)) {
        reportTo(
            myreporter,
            QStringLiteral("[RED]The work folder already holds %1, the track is not exported").arg(written),
            3);
        continue;
      }
      // Named before MP4Box writes it, so that an export cut short is left to the clean-up.
      madefiles::add(conversiondirectory, {exported});
      runMP4Box(mp4boxpath, ToolArguments(QStringLiteral(" -srt %1 \"%@\"").arg(id), {fileToConvertPath}),
                convideodata, conversiondirectory, report, myreporter);
      const QString target = destination(conversiondirectory, i, isASS(track));
      QFile::remove(target);
      // The export is ours alone: it never stays behind under its own name.
      if (!QFile::rename(written, target)) QFile::remove(written);
      madefiles::forget(conversiondirectory, {exported});
    }
  } else if (matroska) {
    media.setPassnumber(PassStage::ExtractingSubtitles);
    reportTo(myreporter, QStringLiteral("Video is MKV - exporting subtitle tracks"), 3);
    for (qsizetype i = 0; i < tracks.size(); ++i) {
      const SubtitleTrack& track = tracks[i];
      if (!track.selected() || track.location() != SubtitleLocation::InSource) continue;
      runMkvextract(
          mkvextractpath,
          ToolArguments(QStringLiteral(" tracks \"%@\" %1:%@").arg(matroskaTrackId(track.streamnumber())),
                        {fileToConvertPath, destination(conversiondirectory, i, isASS(track))}),
          convideodata, conversiondirectory, report, myreporter);
    }
  }

  const QList<AudioTrack> audio = media.AudioTracks();
  const QList<SubtitleTrack> hard = media.HardSubtitleTracks();
  if (matroska &&
      audio.size() + media.SoftSubtitleTracks().size() + hard.size() > kMostStreamsWithSubtitles) {
    reportTo(myreporter, QStringLiteral("[RED] More than 20 streams so removing subtitles from MKV"), 3);
    QStringList audioIds;
    for (const AudioTrack& track : audio) audioIds << QString::number(matroskaTrackId(track.streamnumber()));
    // The one subtitle kept is the one BurnInSubtitle burns: the first selected hard track.
    QString keep = QStringLiteral(" -S ");
    for (const SubtitleTrack& track : hard)
      if (track.selected() && track.location() == SubtitleLocation::InSource) {
        keep = QStringLiteral(" -s %1 ").arg(matroskaTrackId(track.streamnumber()));
        break;
      }
    const QString stripped = conversiondirectory + QStringLiteral("/filewithoutsubtitles.mkv");
    ToolArguments strip(
        QStringLiteral(" -o \"%@\" -d %1 ").arg(matroskaTrackId(media.myvideotrack().videostreamnumber())),
        {stripped});
    if (!audioIds.isEmpty()) strip.append(QStringLiteral(" -a ") + audioIds.join(u','));
    strip.append(keep + QStringLiteral("\"%@\""), {fileToConvertPath});
    (void)runMkvmerge(mkvmergepath, strip, convideodata, conversiondirectory, report,
                      myreporter);  // the file is judged
    if (QFileInfo::exists(stripped)) {
      useAsSource(*this, stripped);
      subtitlesstripped = true;
    } else {
      reportTo(myreporter, QStringLiteral("[RED]Unable to remove subtitles from MKV, converting it as it is"),
               3);
    }
  }
  return BCError::NoError();
}

}  // namespace zuvo
