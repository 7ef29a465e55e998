#include "media/BCDVDReader.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>

#include "media/DVDScanParser.h"
#include "media/LanguageRecord.h"
#include "media/RegisteredSettings.h"
#include "media/StringHelpers.h"
#include "media/TimeHelpers.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "platform/RunLoop.h"
#include "platform/ToolProcess.h"

namespace zuvo {
namespace {

using Field = DVDReaderPanel::Field;

constexpr int kScanSeconds = 300;
constexpr int kTitleReadSeconds = 120;
constexpr qsizetype kQuickScanOutputLimit = 1000000;
constexpr int kReadErrorLimit = 11;
const char* const kSearching = "Searching...";
const char* const kBadTrack = "BAD TRACK";

const char* const kVLCMessage =
    "It looks like you're trying to read a DVD which requires VLC to be installed. Aborting DVD scan.";
const char* const kUnreadableMessage =
    "Unable to read the DVD. Possible causes are:\n\n* A damaged DVD.\n\n* libdvdcss is not installed.\n\n"
    "* A region mismatch (certain Mac drives can only read DVDs from certain DVD regions).";
const char* const kNoDiscMessage =
    "Unable to read the DVD. Is there a DVD in the drive? If so please wait a few seconds and try again.";

// A tool's arguments from its template: cut first, then each "%@" filled whole, so a
// quote or a line break in the path never becomes another argument.
struct ToolCommand {
  QStringList arguments;
  QString text;
};

ToolCommand toolCommand(const QString& templateText, const QString& path) {
  ToolCommand command;
  for (QString piece : SplitArguments(templateText))
    command.arguments.append(piece.replace(QLatin1String("%@"), path));
  command.text = QString(templateText).replace(QLatin1String("%@"), path);
  return command;
}

QByteArray readAvailable(ToolProcess& tool) {
  QByteArray all;
  for (QByteArray chunk = tool.read(0); !chunk.isEmpty(); chunk = tool.read(0)) all += chunk;
  return all;
}

// The tool's current listing has no "AppleTV" preset; this is the one that took its place,
// and without a known preset the tool lists the presets instead of the title.
const char* const kTitleReadTemplate =
    "-i \"%@\" -t %1 -o /path/does/not/a/exist -v --preset=\"Apple 720p30 Surround\" ";

// The styled alert: Helvetica 11 points, black.
QString styled(const QString& text) {
  return QStringLiteral("<span style=\"font-family: Helvetica; font-size: 11pt; color: black;\">%1</span>")
      .arg(text.toHtmlEscaped().replace(QLatin1String("\n"), QLatin1String("<br>")));
}

}  // namespace

BCDVDReader::BCDVDReader(const QString& path, QObject* mainWindow, const QString& directory,
                         const QString& handbrakePath, Reporter reporter)
    : DVDPath_(path),
      myreporter(std::move(reporter)),
      conversiondirectorystring(directory),
      DVDName_(QFileInfo(path).fileName().replace(QLatin1Char('_'), QLatin1Char(' '))),
      HandbrakePath_(handbrakePath),
      MainWindow(mainWindow) {}

void BCDVDReader::report(const QString& message, quint32 level) {
  if (myreporter) myreporter->report(message, level);
}

void BCDVDReader::show(Field field, const QString& text) {
  if (panel_) panel_->setFieldText(field, text);
}

void BCDVDReader::activatePanel() {
  firstrun_ = false;
  if (panel_) panel_->beginSheet(MainWindow);
}

DVDTrack* BCDVDReader::getTrack(int number) {
  for (DVDTrack& track : DVDTracks_)
    if (track.tracknumber() == number) return &track;
  return nullptr;
}

DVDTrack& BCDVDReader::currentTitle(int number) {
  if (DVDTrack* found = getTrack(number)) return *found;
  DVDTracks_.append(DVDTrack(DVDName_, DVDPath_, number));
  return DVDTracks_.last();
}

void BCDVDReader::setTrackSelected(int number, bool value) {
  if (DVDTrack* track = getTrack(number)) track->setSelected(value);
}
void BCDVDReader::setTrackSeason(int number, int value) {
  if (DVDTrack* track = getTrack(number)) track->setSeason(value);
}
void BCDVDReader::setTrackEpisode(int number, int value) {
  if (DVDTrack* track = getTrack(number)) track->setEpisode(value);
}
void BCDVDReader::setTrackName(int number, const QString& value) {
  if (DVDTrack* track = getTrack(number)) track->setTrackname(value);
}
void BCDVDReader::setTrackMediaType(int number, const QString& value) {
  if (DVDTrack* track = getTrack(number)) track->setMediatype(value);
}

void BCDVDReader::markBadAndSelectLongest() {
  DVDTrack* longest = nullptr;
  for (DVDTrack& track : DVDTracks_) {
    if (track.tracklength() == 0) {
      track.setBadtrack(true);
      track.setTrackname(QString::fromLatin1(kBadTrack));
    }
    if (!longest || track.tracklength() > longest->tracklength()) longest = &track;
  }
  if (longest) longest->setSelected(true);
}

void BCDVDReader::failScan() {
  if (panel_) {
    panel_->closeWindow();
    panel_->showStyledAlert(styled(QString::fromLatin1(kUnreadableMessage)), MainWindow);
  }
  unabletoreaddisk_ = true;
}

void BCDVDReader::readTracks() {
  DVDTracks_.clear();
  report(QStringLiteral("Starting DVD Track read"));
  activatePanel();
  if (panel_) {
    panel_->setProgressVisible(true);
    panel_->setLevelVisible(false);
    panel_->setVOBFieldsVisible(false);
  }
  runloop::runFor(0.2);

  const ToolCommand command = toolCommand(QStringLiteral(" --scan -t 0 -v 5 -i \"%@\""), DVDPath_);
  report(command.text);
  ToolProcess tool;
  if (!tool.start({HandbrakePath_, command.arguments, conversiondirectorystring, {}})) {
    report(QStringLiteral("[RED]Unable to start %1").arg(HandbrakePath_));
    failScan();
    return;
  }
  QDeadlineTimer deadline(kScanSeconds * 1000);
  for (Field field : {Field::VideoResolution, Field::Duration, Field::AudioTracks, Field::SubtitleTracks})
    show(field, QString::fromLatin1(kSearching));

  DVDScanParser parser(false, panel_);
  int current = -1;  // index of the current title
  int keys = 0;
  int readErrors = 0;
  int titlesFound = 0;
  bool failed = false;
  auto makeCurrent = [&](int number) {
    currentTitle(number);
    for (int i = 0; i < DVDTracks_.size(); ++i)
      if (DVDTracks_[i].tracknumber() == number) current = i;
    deadline.setRemainingTime(kScanSeconds * 1000);
  };
  auto handle = [&](const QString& rawLine) {
    const QString line = rawLine.trimmed();
    report(line, 4);
    if (line.contains(QLatin1String("Get key for"))) {
      if (panel_) panel_->setVOBFieldsVisible(true);
      show(Field::NumberOfVOBs, QString::number(++keys));
      deadline.setRemainingTime(kScanSeconds * 1000);
    }
    if (line.contains(QLatin1String("scan: could not get a decoded picture")) && keys == 0) {
      if (panel_) panel_->showAlert(QString::fromLatin1(kVLCMessage), MainWindow);
      failed = true;
      return;
    }
    if (line.contains(QLatin1String("ERROR: dvdnav: Read Error, Error reading from DVD.")) &&
        ++readErrors >= kReadErrorLimit) {
      failed = true;
      return;
    }
    if (const auto count =
            StringBetween(line, QStringLiteral("scan: DVD has "), QStringLiteral(" title(s)"))) {
      report(QStringLiteral("[BLUE]DVD has %1 tracks").arg(*count));
      titlesFound = count->trimmed().toInt();
      show(Field::NumberOfTracks, QString::number(DVDTracks_.size()));
      if (panel_) {
        panel_->setLevel(0, titlesFound);
        panel_->setLevelVisible(true);
        panel_->setProgressVisible(false);
      }
    }
    const QString scanning = QStringLiteral("scan: scanning title ");
    if (const int at = line.indexOf(scanning); at >= 0) {
      const QString number = line.mid(at + scanning.size()).trimmed();
      makeCurrent(number.toInt());
      report(QStringLiteral("[BLUE]Found track %1").arg(number));
      show(Field::TrackNumber, number);
      if (panel_) panel_->setLevel(current, titlesFound);
    }
    if (const auto length = StringBetween(line, QStringLiteral("scan: duration is "), QStringLiteral("("));
        length && current >= 0)
      DVDTracks_[current].setTracklength(SecondsFromTimeString(length->trimmed()));
    if (line.size() >= 8 && !parser.discoveryEnded()) {
      if (const auto number = StringBetween(line, QStringLiteral("+ title "), QStringLiteral(":"))) {
        report(QStringLiteral("DVDimport::Found Title"));
        runloop::runFor(1.0);
        makeCurrent(number->toInt());
        show(Field::Duration, TimeStringFromSeconds(DVDTracks_[current].tracklength()));
        show(Field::TrackNumber, *number);
        for (Field field : {Field::VideoResolution, Field::AudioTracks, Field::SubtitleTracks})
          show(field, QString::fromLatin1(kSearching));
      }
    }
    parser.parseLine(line, current >= 0 ? &DVDTracks_[current] : nullptr);
  };

  // Only finished lines are parsed while the tool runs: a line cut by a read would
  // otherwise be read twice and add its stream twice.
  QByteArray pending;
  for (;;) {
    runloop::runFor(0.1);
    const QByteArray chunk = readAvailable(tool);
    pending += chunk;
    const int lastBreak = pending.lastIndexOf('\n');
    if (lastBreak >= 0) {
      for (const QByteArray& piece : pending.left(lastBreak).split('\n')) {
        handle(QString::fromUtf8(piece));
        if (failed) break;
      }
      pending.remove(0, lastBreak + 1);
    }
    if (!failed && deadline.hasExpired()) {
      report(QStringLiteral("[RED]Time expired on DVD Track read"));
      failed = true;
    }
    if (failed) {
      tool.terminate();
      break;
    }
    if (chunk.isEmpty() && !tool.isRunning()) break;
  }
  if (!failed && !pending.isEmpty()) handle(QString::fromUtf8(pending));
  runloop::runFor(1.0);

  if (failed) {
    failScan();
    return;
  }
  for (const DVDTrack& track : QList<DVDTrack>(DVDTracks_))
    setTrackAudioSubtitleSelection(track.tracknumber());
  markBadAndSelectLongest();
  if (panel_) panel_->endSheet();
  report(QStringLiteral("Finishing DVD Track read"));
}

void BCDVDReader::readTracksB() {
  report(QStringLiteral("[BLUE]DVD Read Track Plan B"));
  DVDTracks_.clear();
  if (panel_) panel_->showBusy(QStringLiteral("Reading DVD - Please Wait"), MainWindow);
  runloop::runFor(1.0);

  const ToolCommand command = toolCommand(
      QStringLiteral("dvd:// -msglevel identify=6 -dvd-device \"%@\" -vc copy -nosound "), DVDPath_);
  report(command.text);
  const QString mplayer = mplayerPath_.isEmpty() ? paths::toolPath(QStringLiteral("mplayer")) : mplayerPath_;
  QByteArray output;
  ToolProcess tool;
  if (tool.start({mplayer, command.arguments, conversiondirectorystring, {}})) {
    // Read while it runs, so that a large output never stalls the tool; keep the start.
    while (!tool.atEnd()) {
      const QByteArray chunk = tool.read(100);
      if (output.size() < kQuickScanOutputLimit) output += chunk.left(kQuickScanOutputLimit - output.size());
      if (chunk.isEmpty() && !tool.isRunning()) break;
    }
    tool.waitForExit();
  } else {
    report(QStringLiteral("[RED]Unable to start %1").arg(mplayer));
  }

  const QString infoPath = QStringLiteral("%1/dvdinfo.txt").arg(conversiondirectorystring);
  QFile info(infoPath);
  if (info.open(QIODevice::WriteOnly | QIODevice::Truncate)) info.write(output);
  info.close();
  QString text;
  if (info.open(QIODevice::ReadOnly))
    text = QString::fromUtf8(info.readAll());
  else
    text = QString::fromUtf8(output);

  const QString volume = QStringLiteral("ID_DVD_VOLUME_ID=");
  const QString titlePrefix = QStringLiteral("ID_DVD_TITLE_");
  const QString lengthMarker = QStringLiteral("_LENGTH=");
  for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
    const QString line = rawLine.trimmed();
    report(QStringLiteral("DVDScan::%1").arg(line), 4);
    if (line.contains(QLatin1String("Couldn't open DVD device:"))) {
      if (panel_) {
        panel_->showAlert(QString::fromLatin1(kNoDiscMessage), MainWindow);
        panel_->hideBusy();
      }
      return;
    }
    if (line.startsWith(volume))
      DVDName_ = line.mid(volume.size()).replace(QLatin1Char('_'), QLatin1Char(' '));
    if (line.startsWith(titlePrefix) && line.contains(lengthMarker)) {
      const int at = line.indexOf(lengthMarker);
      bool ok = false;
      const int number = line.mid(titlePrefix.size(), at - titlePrefix.size()).toInt(&ok);
      if (!ok) continue;
      DVDTrack track(DVDName_, DVDPath_, number);
      track.setTracklength(static_cast<int>(line.mid(at + lengthMarker.size()).toDouble()));
      track.setStartsubtitlenumber(1000);
      track.setMediatype(QStringLiteral("Movie"));
      track.setSeason(0);
      track.setEpisode(0);
      track.setSelected(false);
      track.setProgress(0);
      track.setPartialread(true);
      DVDTracks_.append(track);
    }
  }
  markBadAndSelectLongest();
  if (panel_) {
    panel_->centreOn(MainWindow);
    panel_->hideBusy();
  }
  report(QStringLiteral("Finishing DVD Track read"));
}

std::optional<DVDTrack> BCDVDReader::getTrackInfo(int number) {
  DVDTrack* found = getTrack(number);
  if (!found) {
    report(QStringLiteral("[RED]No DVD track %1").arg(number));
    return std::nullopt;
  }
  show(Field::TrackNumber, QString::number(number));
  show(Field::NumberOfTracks, QString::number(DVDTracks_.size()));
  show(Field::NumberOfVOBs, QStringLiteral("NA"));
  for (Field field : {Field::VideoResolution, Field::Duration, Field::AudioTracks, Field::SubtitleTracks})
    show(field, QString::fromLatin1(kSearching));
  found->setProgress(0);
  found->setBadtrack(false);
  // The read lists every stream again: start the lists afresh so none is counted twice.
  found->setAudioTracks({});
  found->setSubtitleTracks({});
  found->setChapters({});

  const ToolCommand command = toolCommand(QString::fromLatin1(kTitleReadTemplate).arg(number), DVDPath_);
  report(QStringLiteral("Launcing task"));
  report(command.text, 4);
  QByteArray output;
  ToolProcess tool;
  if (tool.start({HandbrakePath_, command.arguments, conversiondirectorystring, {}})) {
    QDeadlineTimer deadline(kTitleReadSeconds * 1000);
    for (;;) {
      runloop::runFor(0.1);
      const QByteArray chunk = readAvailable(tool);
      output += chunk;
      if (chunk.isEmpty() && !tool.isRunning()) break;
      if (deadline.hasExpired()) {
        report(QStringLiteral("[RED]Time expired on DVD Track read"));
        tool.terminate();
        break;
      }
    }
    report(QStringLiteral("Main loop ended"));
    output += readAvailable(tool);
  } else {
    report(QStringLiteral("[RED]Unable to start %1").arg(HandbrakePath_));
  }
  QFile info(conversiondirectorystring + QStringLiteral("/dvdinfo%1.txt").arg(number + 1));
  if (info.open(QIODevice::WriteOnly | QIODevice::Truncate)) info.write(output);

  // The list may not move while the title is parsed; `found` stays valid.
  DVDTrack& title = *found;
  DVDScanParser parser(true, panel_);
  if (output.isEmpty()) {
    title.setBadtrack(true);
    title.setTrackname(QString::fromLatin1(kBadTrack));
  }
  for (const QByteArray& piece : output.split('\n')) {
    const QString line = QString::fromUtf8(piece).trimmed();
    report(line, 4);
    parser.parseLine(line, &title);
  }
  if (parser.videoSectionSeen()) {
    const qsizetype audio = title.AudioTracks().size();
    const qsizetype subtitles = title.SubtitleTracks().size();
    show(Field::AudioTracks, audio > 0 ? QString::number(audio) : QStringLiteral("None"));
    show(Field::SubtitleTracks, subtitles > 0 ? QString::number(subtitles) : QStringLiteral("Unknown"));
    runloop::runFor(1.0);
    setTrackAudioSubtitleSelection(number);
  } else {
    title.setBadtrack(true);
    title.setTrackname(QString::fromLatin1(kBadTrack));
  }
  return *getTrack(number);
}

void BCDVDReader::setTrackAudioSubtitleSelection(int number) {
  DVDTrack* title = getTrack(number);
  if (!title) return;
  title->setTrackname(title->trackname().remove(QLatin1String(".dvdmedia")));

  const auto user = LanguageRecord::LanguageWithString(userLanguageName());
  const QString code = user ? user->twochar() : QString();
  auto inUserLanguage = [&](const AudioTrack& track) {
    const auto language = LanguageRecord::LanguageWithString(track.language());
    return language && !code.isEmpty() && language->twochar() == code;
  };

  QList<AudioTrack> tracks = title->AudioTracks();
  if (tracks.isEmpty()) return;
  auto first = [&](int channels) -> AudioTrack* {
    for (AudioTrack& track : tracks)
      if (track.channels() == channels && inUserLanguage(track)) return &track;
    return nullptr;
  };
  if (AudioTrack* surround = first(6)) {
    surround->setIsDefault(true);
    surround->setSelected(true);
    surround->setMakeStereo(true);
  } else if (AudioTrack* stereo = first(2)) {
    stereo->setIsDefault(true);
    stereo->setSelected(true);
  } else {
    AudioTrack& fallback = tracks.first();
    fallback.setIsDefault(true);
    fallback.setSelected(true);
    if (fallback.channels() == 6) fallback.setMakeStereo(true);
  }
  const bool addAll = Defaults::standard().get(setting::AddAllAudioTracks);
  for (AudioTrack& track : tracks)
    if (addAll || inUserLanguage(track)) track.setSelected(true);
  title->setAudioTracks(tracks);
}

}  // namespace zuvo
