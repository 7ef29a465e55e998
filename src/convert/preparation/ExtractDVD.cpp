#include "convert/preparation/PreparationSteps.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "media/LanguageRecord.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

QString x264Options(const Defaults& defaults, int quality) {
  QString options =
      quality == 3 || quality == 2
          ? QStringLiteral("bframes=3:subme=7:ref=4:me=umh:mixed-refs=1:8x8dct=1:trellis=1")
          : QStringLiteral("bframes=2:subme=6:ref=2:me=hex:mixed-refs=0:weightb=0:8x8dct=1:trellis=0");
  const bool appleTV = defaults.get(setting::SupportAppleTV);
  if (defaults.get(setting::SupportAppleTV2) && !appleTV) options += QStringLiteral(" -X 1280 ");
  if (appleTV)
    options += QStringLiteral(
        ":cabac=0:b-pyramid=none:b-adapt=2:weightb=0:weightp=0:vbv-maxrate=9500:vbv-bufsize=9500 -X 960 ");
  return options;
}

// " -a 1,2,2, -E faac,faac,copy:ac3," of the selected tracks, nothing without tracks.
QString audioLists(const QList<AudioTrack>& tracks) {
  if (tracks.isEmpty()) return {};
  QString streams = QStringLiteral(" -a "), encoders = QStringLiteral(" -E ");
  for (const AudioTrack& track : tracks) {
    if (!track.selected()) continue;
    const QString stream = QStringLiteral("%1,").arg(track.streamnumber());
    if (track.channels() == 6) {
      if (track.makeStereo()) {
        streams += stream;
        encoders += QStringLiteral("faac,");
      }
      encoders += QStringLiteral("copy:ac3,");
    } else {
      encoders += QStringLiteral("faac,");
    }
    streams += stream;
  }
  return streams + encoders;
}

QString subtitleOptions(const MediaFile& media, const Reporter& reporter) {
  auto forcedOnly = [&] {
    reportTo(reporter, QStringLiteral("Exporting only forced subtitles from selected subtitle track"), 3);
  };
  if (media.OnlyScanForForcedSubtitle()) {
    forcedOnly();
    const auto language = LanguageRecord::LanguageWithString(userLanguageName());
    return QStringLiteral(" -s scan -N %1 -F 1 ").arg(language ? language->threechar() : QString());
  }
  if (!media.SoftSubtitles()) {
    for (const SubtitleTrack& track : media.HardSubtitleTracks()) {
      if (!track.selected()) continue;
      QString options = QStringLiteral(" -s %1 --subtitle-burn ").arg(track.streamnumber());
      if (media.forcedsubtitles()) {
        forcedOnly();
        options += QStringLiteral(" -F 1 ");
      }
      return options;
    }
    return {};
  }
  QString streams = QStringLiteral(" -s "), forced = QStringLiteral(" -F ");
  int count = 0;
  for (const SubtitleTrack& track : media.SoftSubtitleTracks()) {
    if (!track.selected()) continue;
    streams += QStringLiteral("%1,").arg(track.streamnumber());
    forced += QStringLiteral("%1,").arg(++count);
  }
  if (count == 0) return {};
  if (!media.forcedsubtitles()) return streams;
  forcedOnly();
  return streams + forced;
}

}  // namespace

// Rips the DVD title with HandBrakeCLI into the work folder. Nothing makes DVD titles yet,
// so no conversion reaches this step.
BCError PreparationSteps::ExtractDVD() {
  MediaFile& media = *convideodata;
  const Defaults& defaults = Defaults::standard();
  media.setPassnumber(PassStage::ImportingDVD);
  reportBoth(QStringLiteral("Video is DVD"), QStringLiteral("Importing video from DVD"), 3);
  const DVDTrack title = media.DVDTrackInfo().value_or(DVDTrack(QString(), QString(), 0));
  const QString output = QStringLiteral("%1/%2.mp4").arg(conversiondirectory, outboundname);
  ToolArguments arguments(QStringLiteral(" -i \"%@\" -t %1 -o \"%@\" -v ").arg(title.tracknumber()),
                          {title.dvdpath(), output});

  const int quality =
      media.forcequality() != 0 ? media.forcequality() : defaults.get(setting::EncodingQuality);
  const bool sdOnly = media.ConversionFormat() == ConversionFormat::SDOnly;
  if (defaults.get(setting::SupportMobileDevices) && sdOnly) {
    arguments.append(QStringLiteral(" --preset=\"iPhone & iPod Touch\" "));
  } else {
    arguments.append(
        QStringLiteral("  -e x264  -q 20.0 -r 29.97 --pfr -a 1,1 -E faac,copy:ac3 -B 160,160 -6 dpl2,auto "
                       "-R Auto,Auto -D 0.0,0.0 -f mp4 -4 --loose-anamorphic -m -x %1  ")
            .arg(x264Options(defaults, quality)) +
        (sdOnly ? QStringLiteral(" -X 640 ") : QString()));
    arguments.append(audioLists(media.AudioTracks()));
  }
  if (defaults.get(setting::Deinterlace)) arguments.append(QStringLiteral(" -d "));
  reportTo(myreporter, QStringLiteral("Video is DVD - exporting video track"), 3);
  arguments.append(subtitleOptions(media, myreporter));

  reportTo(myreporter, arguments.text(), 4);
  const BCError result =
      runHandbrake(mencoderdvdpath, arguments, convideodata, conversiondirectory, report, myreporter);
  useAsSource(*this, output);
  media.setPassnumber(PassStage::ExportingAudio);
  return result;
}

}  // namespace zuvo
