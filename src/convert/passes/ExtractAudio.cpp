#include <QFile>
#include <QFileInfo>

#include "convert/passes/PassSteps.h"
#include "convert/passes/StreamStarts.h"
#include "convert/passes/VideoPasses.h"
#include "convert/report/ConversionCodes.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "media/MediaValues.h"
#include "media/StringHelpers.h"

namespace zuvo {
namespace {

bool isSurround(int channels) { return channels == 6 || channels == 7; }

// The SD pass of a pair replaces the first default track, when it is a chosen surround
// track, by its stereo version (enabled): that version is exported whether or not the
// user asked for stereo, or the SD file would carry only disabled tracks.
qsizetype surroundTrackTheSDPassMakesStereo(const MediaFile& media, const QList<AudioTrack>& tracks) {
  if (!plannedPasses(media).contains(1)) return -1;
  for (qsizetype i = 0; i < tracks.size(); ++i) {
    if (!tracks[i].isDefault()) continue;
    return tracks[i].selected() && isSurround(tracks[i].channels()) ? i : -1;
  }
  return -1;
}

}  // namespace

BCError PassSteps::ExtractAudio() {
  MediaFile& media = *convideodata;
  media.setPassnumber(PassStage::ExportingAudio);
  reportBoth(QStringLiteral("Exporting audio tracks"), 3);
  const bool forceSync = media.audiosync() == 0 && media.ForceAudioSync();
  const QString syncOption = forceSync ? QStringLiteral(" -async 1 ") : QString();
  const int videoStream = media.myvideotrack().videostreamnumber();

  QList<AudioTrack> tracks = media.AudioTracks();
  const qsizetype sdStereo = surroundTrackTheSDPassMakesStereo(media, tracks);
  // Each track goes into a file of its own, which keeps no start time: the files are laid
  // against the first picture here, and the video pass starts that picture at zero. The
  // pass-through (tried at pass 0 only) starts at the first keyframe it copies.
  const bool copied = media.fastmode() && plannedPasses(media).contains(0);
  const StreamStart picture =
      videoStart(fileToConvertPath, copied ? PictureStart::Copied : PictureStart::Decoded);
  for (qsizetype i = 0; i < tracks.size(); ++i) {
    AudioTrack& track = tracks[i];
    if (track.ffmpegstreamnumber() == -1) {
      track.setFfmpegstreamnumber(track.streamnumber() - (videoStream == 1 ? 1 : 0));
      reportTo(myreporter,
               QStringLiteral(
                   "[RED] FFPROBE didn't identify ffmpeg stream number so assuming %1 for track number %2")
                   .arg(QString::number(track.ffmpegstreamnumber()), QString::number(track.streamnumber())),
               3);
      media.setAudioTracks(tracks);
    }
    QString alignment;
    if (track.selected() || (isSurround(track.channels()) && (track.makeStereo() || i == sdStereo))) {
      const std::optional<double> start = firstFrameTime(fileToConvertPath, track.ffmpegstreamnumber());
      if (start && picture.video)
        reportTo(myreporter,
                 QStringLiteral("Audio track %1 starts %2 ms after the picture")
                     .arg(i)
                     .arg(qRound64((*start - *picture.video) * 1000)),
                 4);
      alignment = alignmentFilter(start, picture.video);
    }
    const QString base =
        QStringLiteral(" -y   -i  \"%@\" -map 0.%1:0.%2 %3 %4 ")
            .arg(QString::number(track.ffmpegstreamnumber()),
                 QString::number(picture.videoStream < 0 ? 0 : picture.videoStream), sampleoptions,
                 alignment.isEmpty() ? QString() : QStringLiteral("-af ") + alignment) +
        (media.type() == QLatin1StringView(kSourceTypeEyeTV) || forceSync ? QStringLiteral(" -async 1 ")
                                                                          : QString());
    // The output of the run in progress: a stop deletes it.
    QString current;
    // Runs one export; the error ending the step when its file is missing.
    auto exportTo = [&](const QString& output, const ToolArguments& command, const QString& logLine,
                        const QString& description) -> std::optional<BCError> {
      current = output;
      reportTo(myreporter, command.text(), 4);
      (void)runFFMpeg(ffmpegpath, command, convideodata, conversiondirectory, report,
                      myreporter);                        // the file is judged
      if (conversionStopped(media)) return std::nullopt;  // handled below, after the track
      if (QFileInfo::exists(output)) {
        soundexported = true;
        return std::nullopt;
      }
      markFailed(media);
      reportTo(myreporter, logLine, 3);
      return BCError::Code(ConversionCode::AudioTrack, description.arg(track.streamnumber()));
    };

    const bool surround = isSurround(track.channels());
    const bool stereoVersion = surround && (track.makeStereo() || i == sdStereo);
    std::optional<BCError> failure;
    if (track.selected() || stereoVersion) {
      const QString rate =
          IntegerValue(track.samplingfrequency()) > 0 ? track.samplingfrequency() : QStringLiteral("48000");
      const QString ac3 = workPath(QStringLiteral("audio%1.ac3").arg(i));
      const QString m4a = workPath(QStringLiteral("audio%1.m4a").arg(i));
      if ((track.channels() == 1 || track.channels() == 2) && !conversionStopped(media)) {
        if (track.channels() == 1) {
          track.setChannels(2);
          media.setAudioTracks(tracks);
          reportTo(myreporter, QStringLiteral("[BLUE]Changing Mono Track to Stereo"), 3);
        }
        ToolArguments command(base, {fileToConvertPath});
        command.append(
            QStringLiteral(" -ab %1k -ar 48000 -ac 2 -vn -acodec libfaac -f mp4 %@").arg(audiobitrate),
            {m4a});
        failure =
            exportTo(m4a, command, QStringLiteral("[RED]Unable to convert surround track to AAC stereo"),
                     QStringLiteral("Unable to create AAC stereo sound for audio track %1"));
      }
      if (!failure && surround && track.selected() && !conversionStopped(media)) {
        ToolArguments command(base, {fileToConvertPath});
        command.append(QStringLiteral(" -ab 384k -ar %1 -ac 6  -vn -f mp4 -acodec ac3 %@").arg(rate), {ac3});
        failure =
            exportTo(ac3, command, QStringLiteral("[RED]Unable to convert surround track to AC3 surround"),
                     QStringLiteral("Unable to create AC3 surround sound for audio track %1"));
      }
      if (!failure && stereoVersion && !conversionStopped(media)) {
        // An unselected track has no AC3 file of its own: its stereo version comes from the source.
        ToolArguments command;
        if (track.selected())
          command.append(
              QStringLiteral(" -y -i %@  -ab %1k -ar 48000 -ac 2 -vn -f mp4 -acodec ac3 ").arg(audiobitrate),
              {ac3});
        else
          command.append(
              base + QStringLiteral(" -ab %1k -ar 48000 -ac 2 -vn -f mp4 -acodec ac3 ").arg(audiobitrate),
              {fileToConvertPath});
        command.append(syncOption + QStringLiteral(" %@ "), {m4a});
        failure = exportTo(m4a, command,
                           QStringLiteral("[RED]Unable to create AC3 stero version of surround track"),
                           QStringLiteral("Unable to create stereo version of surround track %1"));
      }
    }
    if (failure) return *failure;

    if (conversionStopped(media)) {
      reportTo(myreporter,
               QStringLiteral("[RED]Conversion failed either due to stop button press FFMPEG fail."), 3);
      markFailed(media);
      if (!current.isEmpty()) QFile::remove(current);
      reportTo(myreporter, QStringLiteral("Deleting Apple TV Version of File."), 3);
      QFile::remove(workPath(outboundname + videotype));
      report.itemChanged();
      // Like every other stop: code 2, which the queue does not report as an error.
      return BCError::Code(ConversionCode::Stopped, QStringLiteral("Cancel Button Pressed"));
    }
  }
  return BCError::NoError();
}

}  // namespace zuvo
