#include "media/DVDScanParser.h"

#include "media/LanguageRecord.h"
#include "media/StringHelpers.h"
#include "media/TimeHelpers.h"

namespace zuvo {

int DVDStreamNumber(const QString& line) {
  const int plus = line.indexOf(QLatin1Char('+'));
  const int comma = line.indexOf(QLatin1Char(','), plus + 1);
  if (plus < 0 || comma < 0) return -1;
  bool ok = false;
  const int number = line.mid(plus + 1, comma - plus - 1).trimmed().toInt(&ok);
  return ok ? number : -1;
}

std::optional<QString> DVDStreamLanguage(const QString& line) {
  const std::optional<QString> code = StringBetween(line, QStringLiteral("(iso639-2: "), QStringLiteral(")"));
  if (!code) return std::nullopt;
  const QString trimmed = code->trimmed();
  const auto record = LanguageRecord::LanguageWithString(trimmed);
  return record ? record->longname() : trimmed;
}

void DVDScanParser::show(DVDReaderPanel::Field field, const QString& text) {
  if (panel_) panel_->setFieldText(field, text);
}

void DVDScanParser::parseLine(const QString& line, DVDTrack* title) {
  if (line.startsWith(QLatin1String("starting job"))) discoveryEnded_ = true;
  if (!discoveryEnded_) {
    if (line.contains(QLatin1String("+ title"))) {
      section_ = Section::Video;
      videoSeen_ = true;
      inChapters_ = false;
    } else if (line.startsWith(QLatin1String("+ audio tracks"))) {
      section_ = Section::Audio;
      inChapters_ = false;
    } else if (line.startsWith(QLatin1String("+ subtitle tracks"))) {
      section_ = Section::Subtitle;
      inChapters_ = false;
    } else if (section_ == Section::Subtitle && line.size() >= 4 && !line.at(2).isDigit()) {
      section_ = Section::None;
    }
  }

  const QString durationMarker = QStringLiteral("+ duration: ");
  const int duration = line.indexOf(durationMarker);
  if (duration >= 0 && title) {
    const QString text = line.mid(duration + durationMarker.size());
    title->setTracklength(SecondsFromTimeString(text.trimmed()));
    show(DVDReaderPanel::Field::Duration, text);
  }
  if (discoveryEnded_ || !title) return;

  switch (section_) {
    case Section::Video:
      parseVideo(line, *title);
      break;
    case Section::Audio:
      parseAudio(line, *title);
      break;
    case Section::Subtitle:
      parseSubtitle(line, *title);
      break;
    case Section::None:
      break;
  }
}

void DVDScanParser::parseVideo(const QString& line, DVDTrack& title) {
  if (line.startsWith(QLatin1String("+ bitrate "))) title.setBitrate(line.mid(10));
  if (line.startsWith(QLatin1String("+ size: ")) && line.contains(QLatin1Char(','))) {
    const QStringList size = line.mid(8, line.indexOf(QLatin1Char(',')) - 8).split(QLatin1Char('x'));
    title.setWidth(size.value(0).toInt());
    title.setHeight(size.value(1).toInt());
    show(DVDReaderPanel::Field::VideoResolution, QStringLiteral("%1x%2").arg(size.value(0), size.value(1)));
    if (inDepth_) {
      const QString tail = line.mid(line.lastIndexOf(QLatin1Char(',')) + 1);
      title.setFramerate(tail.left(tail.indexOf(QLatin1String(" fps"))).trimmed());
    }
  }
  if (!inDepth_) return;
  if (line.startsWith(QLatin1String("+ chapters:"))) {
    inChapters_ = true;
    chapterStart_ = 0;
    title.setChapters({});
    return;
  }
  if (inChapters_) parseChapter(line, title);
}

// A chapter line: "+ 1: cells 0->0, 131072 blocks, duration 00:04:14", or in the
// tool's current listing "+ 1: duration 00:04:14".
void DVDScanParser::parseChapter(const QString& line, DVDTrack& title) {
  if (!line.startsWith(QLatin1String("+ ")) || !line.contains(QLatin1String("duration"))) return;
  const bool cells = line.contains(QLatin1String("cells")) && line.contains(QLatin1String("blocks"));
  const QString numberEnd = cells ? QStringLiteral(": cells") : QStringLiteral(": duration");
  if (!line.contains(numberEnd)) return;
  bool ok = false;
  const int number = line.mid(2, line.indexOf(numberEnd) - 2).trimmed().toInt(&ok);
  if (!ok) return;
  ChapterTrack chapter;
  chapter.setTitle(QString());
  chapter.setChapternumber(number);
  chapter.setStarttime(TimeStringFromSeconds(chapterStart_));
  QList<ChapterTrack> chapters = title.Chapters();
  chapters.append(chapter);
  title.setChapters(chapters);
  const QString lengthMarker = QStringLiteral("duration");
  chapterStart_ += qMax(
      0, SecondsFromTimeString(line.mid(line.lastIndexOf(lengthMarker) + lengthMarker.size()).trimmed()));
}

void DVDScanParser::parseAudio(const QString& line, DVDTrack& title) {
  if (!line.contains(QLatin1Char(','))) return;
  AudioTrack track;
  track.setStreamnumber(DVDStreamNumber(line));
  track.setAudioid(track.streamnumber());
  const bool surround = line.contains(QLatin1String("(5.1 ch)"));
  track.setChannels(surround ? 6 : 2);
  track.setName(surround ? QStringLiteral("Surround Sound") : QStringLiteral("Stereo Sound"));
  if (line.contains(QLatin1String("(AC3)"))) track.setEncoding(QStringLiteral("AC3"));
  if (line.contains(QLatin1String("(DTS)"))) track.setEncoding(QStringLiteral("DTS"));
  if (const auto language = DVDStreamLanguage(line)) track.setLanguage(*language);
  track.setIsDefault(false);
  track.setSelected(false);
  track.setMakeStereo(false);
  QList<AudioTrack> tracks = title.AudioTracks();
  tracks.append(track);
  title.setAudioTracks(tracks);
  show(DVDReaderPanel::Field::AudioTracks, QString::number(tracks.size()));
}

void DVDScanParser::parseSubtitle(const QString& line, DVDTrack& title) {
  if (!line.contains(QLatin1Char(','))) return;
  SubtitleTrack track;
  track.setFormat(QStringLiteral("DVD"));
  if (line.contains(QLatin1String("(Bitmap)(VOBSUB)"))) track.setFormat(QStringLiteral("VobSub"));
  if (line.contains(QLatin1String("(Text)(CC)"))) track.setFormat(QStringLiteral("Text"));
  track.setSelected(false);
  track.setStreamnumber(DVDStreamNumber(line));
  if (const auto language = DVDStreamLanguage(line)) {
    track.setLanguage(*language);
    track.setSubtitlesummary(*language);
  }
  QList<SubtitleTrack> tracks = title.SubtitleTracks();
  tracks.append(track);
  title.setSubtitleTracks(tracks);
  show(DVDReaderPanel::Field::SubtitleTracks, QString::number(tracks.size()));
}

}  // namespace zuvo
