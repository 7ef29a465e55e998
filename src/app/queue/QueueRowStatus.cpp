#include "app/queue/QueueRowStatus.h"

#include <cmath>

#include "app/shared/Localized.h"
#include "media/MediaLabels.h"
#include "media/MediaValues.h"
#include "media/StringHelpers.h"

namespace zuvo {
namespace {

QString twoPass(int twopassnumber, const char* first, const char* second, const char* single) {
  if (twopassnumber == 1) return QLatin1String(first);
  if (twopassnumber == 2) return QLatin1String(second);
  return QLatin1String(single);
}

}  // namespace

QVariantList QueueRowStatus::toList() const {
  return {progress,   passLabel,     colourWord, timeText, title,
          secondLine, codeOf(state), finished,   detailed, details};
}

QueueRowStatus QueueRowStatus::fromList(const QVariantList& values) {
  QueueRowStatus s;
  const auto at = [&values](int i) { return i < values.size() ? values[i] : QVariant(); };
  s.progress = at(0).toInt();
  s.passLabel = at(1).toString();
  s.colourWord = at(2).toString();
  s.timeText = at(3).toString();
  s.title = at(4).toString();
  s.secondLine = at(5).toString();
  s.state = mediaStateFromCode(at(6).toInt(), MediaState::Removed);
  s.finished = at(7).toBool();
  s.detailed = at(8).toBool();
  s.details = at(9).toString();
  return s;
}

QString passLabel(int passnumber, int twopassnumber, ConversionFormat conversionFormat) {
  switch (passnumber) {
    case 0:
      return QString();
    case 1:
      return twoPass(twopassnumber, "HD (1st Pass)", "HD (2nd Pass)", "HD");
    case 2:
      if (conversionFormat == ConversionFormat::HDAndSD) return QStringLiteral("HD/SD");
      return twoPass(twopassnumber, "SD (1st Pass)", "SD (2nd Pass)", "SD");
    case 3:
      return localizedString("Exporting Audio");
    case 4:
      return localizedString("Burning Subtitle");
    case 5:
      return localizedString("Adding Audio");
    case 6:
      return localizedString("Exporting File");
    case 7:
      return localizedString("Extracting Video");
    case 8:
      return localizedString("Set Show Info");
    case 9:
      return QStringLiteral("Original");
    case 10:
      return localizedString("Exporting Subtitle");
    case 11:
      return localizedString("Adding Subtitle");
    case 12:
      return localizedString("Normalizing Audio");
    case 13:
      return QStringLiteral("HD (Turbo264)");
    case 14:
      return QStringLiteral("SD (Turbo264)");
    case 15:
      return QStringLiteral("Preparing for Turbo264");
    case 16:
      return QStringLiteral("Joining Video");
    case 17:
      return QStringLiteral("Preparing To Join Video");
    case 18:
      return QStringLiteral("Scanning for Forced Subtitles");
    default:
      return QStringLiteral("Err");
  }
}

QString durationText(const QString& label, double seconds) {
  // A duration that is not a number (a rate of zero) reads as no estimate.
  if (!std::isfinite(seconds)) seconds = 0;
  const int h = int(seconds / 3600);
  const int m = int((seconds - 3600.0 * h) / 60);
  const int s = int(seconds - 3600.0 * h - 60.0 * m);
  if (h <= 0 && m <= 0 && s <= 0) return QString();
  return label + QString::asprintf(" : %02d:%02d:%02d", h, m, s);
}

QString calculatingTimeText() { return localizedString("  Calculating Time"); }

QString pausedText() { return localizedString("Paused"); }

QString queuedText() { return localizedString("Queued"); }

QString queueDetailsText(const MediaFile& item, bool fastModeOn) {
  QString text = VideoFormatName(item.ConversionFormat());
  if (item.fastmode() && fastModeOn) text += QStringLiteral(" : PASS THRU");

  int subtitles = 0;
  for (const SubtitleTrack& track : item.HardSubtitleTracks()) subtitles += track.selected() ? 1 : 0;
  for (const SubtitleTrack& track : item.SoftSubtitleTracks()) subtitles += track.selected() ? 1 : 0;
  if (subtitles == 1) text += QStringLiteral(" : Subtitle");
  if (subtitles >= 2) text += QStringLiteral(" : %1 subtitles").arg(subtitles);

  int audio = 0;
  bool surround = false;
  for (const AudioTrack& track : item.AudioTracks()) {
    audio += track.selected() ? 1 : 0;
    surround = surround || track.channels() == 6;
  }
  if (audio == 1) text += QStringLiteral(" : Audio");
  if (audio >= 2) text += QStringLiteral(" : %1 audio tracks").arg(audio);
  if (surround) text += QStringLiteral(" : AC3");

  if (item.filesize() > 0) text += QStringLiteral(" : %1").arg(HumanReadableSize(item.filesize()));
  return text;
}

QueueRowStatus queueRowStatus(const MediaFile& item, bool detailed, bool fastModeOn) {
  QueueRowStatus s;
  s.state = item.state();
  s.finished = item.conversionfinished();
  s.progress = item.progress();
  s.passLabel = passLabel(item.passnumber(), item.twopassnumber(), item.ConversionFormat());

  const bool ended = s.state == MediaState::Ended;
  if (ended && !s.finished)
    s.colourWord = item.stopbuttonpressed() ? QStringLiteral("AMBER") : QStringLiteral("RED");
  else
    s.colourWord = QStringLiteral("OK");

  if (s.state == MediaState::Converting && item.pause()) {
    // Nothing is left to count down while the tool is held.
    s.timeText = pausedText();
  } else if (s.state == MediaState::Converting) {
    s.timeText = durationText(localizedString("Time Left"), item.timeleftinconversion());
    if (s.timeText.isEmpty()) s.timeText = calculatingTimeText();
  } else if (ended) {
    // A run with no recorded time (or under a second) reads as 00:00:00.
    const double t = item.conversiontime();
    s.timeText = durationText(localizedString("Conversion finished in "), t);
    if (s.timeText.isEmpty())
      s.timeText = QStringLiteral("%1 : 00:00:00").arg(localizedString("Conversion finished in "));
  }

  if (item.mediatype() == MediaType::TVShow) {
    s.title = QStringLiteral("%1: %2").arg(item.seriesname(), item.episodename());
    s.secondLine =
        QStringLiteral("%1 season:%2 episode:%3")
            .arg(item.filename(), QString::number(int(item.season())), QString::number(int(item.show())));
  } else {
    s.title = item.seriesname();
    s.secondLine = item.filename();
  }
  s.detailed = detailed;
  s.details = queueDetailsText(item, fastModeOn);
  return s;
}

}  // namespace zuvo
