#include <QFile>
#include <QFileInfo>

#include "convert/passes/VideoPassArguments.h"
#include "convert/preparation/PreparationSteps.h"
#include "convert/report/ConversionCodes.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "media/BCStringEncoding.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

// The font the subtitles are drawn with: one that every installation has (fonts-dejavu-core).
constexpr const char* kBurnInFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// kbit/s: the source's rate scaled by "PercentageBitrate", at most the "HDBitrate2" maximum.
int burnInBitrate(const VideoTrack& video, const Defaults& defaults, const Reporter& reporter) {
  const int maximum = int(defaults.getAs<double>(setting::HDBitrate2) * 1000);
  // The analysis writes the rate with its unit ("2002Kbps").
  const double source = leadingNumber(video.bitrate());
  if (source <= 0) {
    reportTo(reporter, QStringLiteral("Unknown file bit rate so going with max"), 3);
    return maximum;
  }
  const double target = source * defaults.get(setting::PercentageBitrate) / 100;
  if (target >= maximum) {
    reportTo(
        reporter,
        QStringLiteral(
            "Source file multiplied by % bitrate is higher than maximum allowed bitrate so going with max"),
        3);
    return maximum;
  }
  reportTo(reporter,
           QStringLiteral("File bit rate mutiplied by %% is lower then maximum so going with a value of %1")
               .arg(int(target)),
           3);
  return int(target);
}

// mencoder's filter that turns a picture stored at `rotation` degrees clockwise of how it
// is shown back upright; empty for none.
QString uprightFilter(int rotation) {
  switch (rotation) {
    case 90:
      return QStringLiteral("rotate=1");
    case 180:
      return QStringLiteral("flip,mirror");
    case 270:
      return QStringLiteral("rotate=2");
    default:
      return {};
  }
}

QString x264Options(int bitrate, int quality) {
  const char* motion = quality == 3   ? "me=hex:subq=7:frameref=4:trellis=1"
                       : quality == 2 ? "me=umh:subq=7:frameref=4:trellis=1"
                                      : "me=hex:subq=6:frameref=2:trellis=0";
  return QStringLiteral("threads=0:bitrate=%1:nocabac:%2:level_idc=30:global_header")
      .arg(bitrate)
      .arg(motion);
}

}  // namespace

// Burns the first selected hard subtitle: a second burn would read and write one file at once.
BCError PreparationSteps::BurnInSubtitle() {
  MediaFile& media = *convideodata;
  if (media.SoftSubtitles() || media.isDVD()) return BCError::NoError();
  QList<SubtitleTrack> tracks = media.HardSubtitleTracks();
  qsizetype position = -1;
  int subtitleId = 0;  // mencoder counts only the subtitle streams inside the source
  for (qsizetype i = 0; i < tracks.size() && position < 0; ++i) {
    if (tracks[i].selected())
      position = i;
    else if (tracks[i].location() == SubtitleLocation::InSource)
      ++subtitleId;
  }
  if (position < 0) return BCError::NoError();
  SubtitleTrack& track = tracks[position];
  if (subtitlesstripped) subtitleId = 0;

  reportTo(myreporter, QStringLiteral("[BLUE]Burning in Subtitle"), 3);
  reportTo(report.userLog, QStringLiteral("Burning in Subtitle"), 3);
  media.setPassnumber(PassStage::BurningSubtitle);
  const Defaults& defaults = Defaults::standard();
  const VideoTrack video = media.myvideotrack();
  const QString options = x264Options(burnInBitrate(video, defaults, myreporter), passQuality(media));

  ToolArguments command(QStringLiteral("\"%@\" -vf harddup "), {fileToConvertPath});
  // mencoder leaves a display matrix unread: it turns the picture upright itself, and the
  // passes that read its result find no turn left to make.
  const QString turn = uprightFilter(video.rotation());
  if (soundexported) {
    const bool hdKnown = video.HDWidth() > 0 && video.HDHeight() > 0;
    if (hdKnown && (video.height() > quint32(video.HDHeight()) || video.width() > quint32(video.HDWidth())))
      command.append(QStringLiteral(" -vf %1scale=%2:%3 -ni ")
                         .arg(turn.isEmpty() ? QString() : turn + u',')
                         .arg(video.HDWidth())
                         .arg(video.HDHeight()));
    else if (!turn.isEmpty())
      command.append(QStringLiteral(" -vf-add %1 ").arg(turn));
    command.append(QStringLiteral(" -ovc x264 -x264encopts %1 -nosound -of avi").arg(options));
  } else {
    if (!turn.isEmpty()) command.append(QStringLiteral(" -vf-add %1 ").arg(turn));
    command.append(QStringLiteral(" -ovc x264 -x264encopts %1 -oac copy -of avi").arg(options));
  }
  // A subtitle file beside the video is not among the source's streams, whichever way the sound goes.
  if (track.location() == SubtitleLocation::ExternalFile) {
    command.append(QStringLiteral(" -sub \"%@\" "), {track.path()});
    // mencoder reads a subtitle file as it finds it: without its encoding any letter
    // beyond ASCII burns in as garbage.
    if (const std::optional<QString> charset = iconvCharsetName(track.encoding()))
      command.append(QStringLiteral(" -subcp %@ "), {*charset});
    reportTo(report.userLog, QStringLiteral("Burining in subtitle track from file %1").arg(track.path()), 4);
  } else {
    command.append(QStringLiteral(" -sid %1 ").arg(subtitleId));
    reportTo(report.userLog, QStringLiteral("Burining in subtitle track %1 from original file").arg(position),
             4);
  }
  const QString output = conversiondirectory + QStringLiteral("/subtitlevideo.avi");
  command.append(QStringLiteral(" -font \"%@\" -subpos 95 -o \"%@\""),
                 {QString::fromLatin1(kBurnInFont), output});
  reportTo(myreporter, command.text(), 4);
  QFile::remove(output);
  const BCError result =
      runMencoder(mencoderpath2, command, convideodata, conversiondirectory, report, myreporter);

  media.setFastmode(false);
  if (result.Error()) return result;
  track.setSelected(false);
  media.setHardSubtitleTracks(tracks);
  if (!QFileInfo::exists(output)) {
    markFailed(media);
    reportTo(myreporter, QStringLiteral("[RED]Unable to burn in subtitle"), 3);
    return BCError::Code(ConversionCode::BurnInSubtitle, QStringLiteral("Unable to burn in subtitle"));
  }
  useAsSource(*this, output);
  return BCError::NoError();
}

}  // namespace zuvo
