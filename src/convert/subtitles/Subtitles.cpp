// The chosen subtitle tracks of a pass added to its output as timed text.
#include "convert/converter/ConversionTail.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "convert/subtitles/AddSubtitle.h"
#include "media/MediaValues.h"

namespace zuvo {

void addSubtitleTracks(BCConverter& converter, int passindex, const QString& output) {
  MediaFile& media = *converter.convideodata;
  if (media.isDVD()) return;
  const QList<SubtitleTrack> soft = media.SoftSubtitleTracks();
  const QList<SubtitleTrack> hard = media.HardSubtitleTracks();
  if (soft.isEmpty() && hard.isEmpty()) return;
  media.setPassnumber(PassStage::Subtitles);
  reportTo(converter.report.userLog, QStringLiteral("Importing subtitles"), 3);
  const QList<SubtitleTrack> tracks = media.SoftSubtitles() ? soft : hard;
  const bool sd = passindex == 1 || media.ConversionFormat() == ConversionFormat::SDOnly;
  bool first = true;
  for (qsizetype i = 0; i < tracks.size(); ++i) {
    const SubtitleTrack& track = tracks[i];
    if (!track.selected()) continue;
    const bool ass = track.format().compare(QLatin1String("ass"), Qt::CaseInsensitive) == 0;
    const QString name =
        QStringLiteral("subtitle%1.%2").arg(i).arg(ass ? QStringLiteral("ass") : QStringLiteral("sub"));
    AddSubtitle(converter.mp4boxpath, first, converter.convideodata, name, track.language(),
                converter.conversiondirectory, output, sd, converter.report, track.encoding(),
                converter.myreporter);
    first = false;
  }
}

}  // namespace zuvo
