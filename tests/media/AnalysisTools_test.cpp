// The analysis tools run on files made here with ffmpeg; their normalised output must carry
// the forms and values our stream and chapter readers take.
#include "media/AnalysisTools.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "support/TestSupport.h"

using namespace zuvo;

namespace {

struct Fixture {
  const char* name;
  const char* container;
  bool cabac;
  int referenceFrames;
  const char* videoRate;      // ffmpeg's rate
  const char* frameRateText;  // as our reader should see it
  const char* secondLanguage;
  const char* secondSamplingRate;
  const char* subtitleFormat;
};

const Fixture kFixtures[] = {
    {"mkv, CABAC, 4 refs", "mkv", true, 4, "25", "25.000 fps", "ger", "44.1 KHz", "UTF-8"},
    {"mp4, no CABAC, 2 refs", "mp4", false, 2, "24000/1001", "23.976 fps", "fre", "48.0 KHz", "Timed Text"},
    {"mkv, no CABAC, 1 ref", "mkv", false, 1, "30", "30.000 fps", "spa", "44.1 KHz", "UTF-8"},
    {"mp4, CABAC, 3 refs", "mp4", true, 3, "25", "25.000 fps", "ita", "48.0 KHz", "Timed Text"},
};

QString longLanguage(const QString& code) {
  static const QMap<QString, QString> names{
      {"eng", "English"}, {"ger", "German"}, {"fre", "French"}, {"spa", "Spanish"}, {"ita", "Italian"}};
  return names.value(code);
}

// Three seconds: H.264, stereo AAC in English, 5.1 AC-3 in a second language, an English
// soft subtitle and two chapters ("Part One" at 0 s, "Part Two" at 1 s).
QString makeFixture(const Fixture& fx) {
  const QString dir = test::freshFolder("fixture");
  const QString srt = dir + "/s.srt", chapters = dir + "/chapters.txt";
  test::writeFile(srt,
                  "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n2\n00:00:01,500 --> 00:00:02,500\nWorld\n");
  test::writeFile(chapters,
                  ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\ntitle=Part One\n"
                  "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\nEND=3000\ntitle=Part Two\n");
  const QString secondRate = QString(fx.secondSamplingRate).startsWith("44.1") ? "44100" : "48000";
  const QString path = dir + "/source." + fx.container;
  test::makeMedia(path, {"-f",
                         "lavfi",
                         "-i",
                         QString("testsrc=size=320x240:rate=%1:duration=3").arg(fx.videoRate),
                         "-f",
                         "lavfi",
                         "-i",
                         "sine=frequency=440:sample_rate=48000:duration=3",
                         "-f",
                         "lavfi",
                         "-i",
                         "sine=frequency=880:sample_rate=" + secondRate + ":duration=3",
                         "-i",
                         srt,
                         "-i",
                         chapters,
                         "-map",
                         "0:v",
                         "-map",
                         "1:a",
                         "-map",
                         "2:a",
                         "-map",
                         "3",
                         "-map_chapters",
                         "4",
                         "-c:v",
                         "libx264",
                         "-preset",
                         "ultrafast",
                         "-b:v",
                         "1500k",
                         "-x264-params",
                         QString("cabac=%1:ref=%2").arg(fx.cabac ? 1 : 0).arg(fx.referenceFrames),
                         "-c:a:0",
                         "aac",
                         "-ac:a:0",
                         "2",
                         "-c:a:1",
                         "ac3",
                         "-ac:a:1",
                         "6",
                         "-c:s",
                         QString(fx.container) == "mp4" ? "mov_text" : "srt",
                         "-metadata:s:a:0",
                         "language=eng",
                         "-metadata:s:a:1",
                         QString("language=") + fx.secondLanguage,
                         "-metadata:s:s:0",
                         "language=eng"});
  return path;
}

const QString& fixturePath(size_t i) {
  static QString paths[std::size(kFixtures)];
  if (paths[i].isEmpty()) paths[i] = makeFixture(kFixtures[i]);
  return paths[i];
}

QString cacheFolder() {
  static const QString folder = test::freshFolder("cache");
  return folder;
}

// mediainfo's report as sections: header, then its keys and values in order.
struct Section {
  QString header;
  QList<QPair<QString, QString>> values;
  QString value(const QString& key) const {
    for (const auto& kv : values)
      if (kv.first == key) return kv.second;
    return "<absent>";
  }
};

QList<Section> sections(const QString& report) {
  QList<Section> out;
  for (const QString& line : report.split('\n')) {
    if (line.trimmed().isEmpty()) continue;
    const qsizetype sep = line.indexOf(": ");
    if (sep < 0)
      out.append({line, {}});
    else if (!out.isEmpty())
      out.last().values.append({line.left(sep).trimmed(), line.mid(sep + 2).trimmed()});
  }
  return out;
}

const Section* section(const QList<Section>& all, const QString& header) {
  for (const Section& s : all)
    if (s.header == header) return &s;
  return nullptr;
}

// Seconds of a duration text read the older way: hours before the first "h", then minutes
// before "mn", and the integer rest as seconds when it holds "s"; -1 when a unit is unknown.
int secondsOf(const QString& text) {
  static const QRegularExpression older("^\\d+(h|mn|s|ms)( \\d+(h|mn|s|ms))?$");
  if (!older.match(text).hasMatch()) return -1;
  QString rest = text;
  int hours = 0, minutes = 0, seconds = 0;
  if (const qsizetype h = rest.indexOf('h'); h >= 0) {
    hours = rest.left(h).trimmed().toInt();
    rest = rest.mid(h + 1);
  }
  if (const qsizetype mn = rest.indexOf("mn"); mn >= 0) {
    minutes = rest.left(mn).trimmed().toInt();
    rest = rest.mid(mn + 2);
  }
  if (rest.contains('s')) seconds = QRegularExpression("^\\s*(\\d+)").match(rest).captured(1).toInt();
  return hours * 3600 + minutes * 60 + seconds;
}

QStringList trimmedLines(const QString& text) {
  QStringList out;
  for (const QString& line : text.split('\n')) out << line.trimmed();
  return out;
}

// Forms today's tools print that must not reach the readers.
const QRegularExpression kTodayMediaInfo(" (kb/s|Mb/s|b/s|kHz|FPS|min|h \\d)\\b|Reference frames|^Menu #\\d");
const QRegularExpression kTodayFFprobe("^\\s*(Chapter|Stream) #\\d+:\\d|^\\s*Chapters:");

void expectNone(const QRegularExpression& today, const QString& report, const std::string& name) {
  for (const QString& line : report.split('\n'))
    EXPECT_FALSE(today.match(line).hasMatch()) << name << ": " << line.toStdString();
}

}  // namespace

TEST(AnalysisTools, MediaInfoOfRealFilesReadsInTheOlderForms) {
  for (size_t i = 0; i < std::size(kFixtures); ++i) {
    const Fixture& fx = kFixtures[i];
    const std::string name = fx.name;
    const QString report = mediaInfoOutput(fixturePath(i), cacheFolder());
    expectNone(kTodayMediaInfo, report, name);
    const QList<Section> all = sections(report);

    const Section* general = section(all, "General");
    ASSERT_NE(general, nullptr) << name << "\n" << report.toStdString();
    EXPECT_EQ(secondsOf(general->value("Duration")), 3)
        << name << ": " << general->value("Duration").toStdString();

    const Section* video = section(all, "Video");
    ASSERT_NE(video, nullptr) << name;
    EXPECT_EQ(video->value("Format"), "AVC") << name;
    EXPECT_EQ(video->value("Format settings, CABAC"), fx.cabac ? "Yes" : "No") << name;
    EXPECT_EQ(video->value("Format settings, ReFrames"),
              fx.referenceFrames == 1 ? QString("1 frame") : QString("%1 frames").arg(fx.referenceFrames))
        << name;
    EXPECT_EQ(secondsOf(video->value("Duration")), 3)
        << name << ": " << video->value("Duration").toStdString();
    EXPECT_EQ(video->value("Frame rate"), fx.frameRateText) << name;
    EXPECT_EQ(video->value("Width"), "320 pixels") << name;
    EXPECT_EQ(video->value("Height"), "240 pixels") << name;
    if (QString(fx.container) == "mp4") {
      EXPECT_EQ(video->value("Nominal bit rate"), "1 500 Kbps") << name;
      EXPECT_TRUE(
          QRegularExpression("^\\d[\\d ]*(\\.\\d+)? Kbps$").match(video->value("Bit rate")).hasMatch())
          << name << ": " << video->value("Bit rate").toStdString();
    }

    const Section* stereo = section(all, "Audio #1");
    const Section* surround = section(all, "Audio #2");
    ASSERT_TRUE(stereo && surround) << name << "\n" << report.toStdString();
    EXPECT_EQ(stereo->value("Language"), "English") << name;
    EXPECT_EQ(stereo->value("Channel(s)"), "2 channels") << name;
    EXPECT_EQ(stereo->value("Sampling rate"), "48.0 KHz") << name;
    EXPECT_EQ(surround->value("Language"), longLanguage(fx.secondLanguage)) << name;
    EXPECT_EQ(surround->value("Channel(s)"), "6 channels") << name;
    EXPECT_EQ(surround->value("Sampling rate"), fx.secondSamplingRate) << name;
    EXPECT_EQ(surround->value("Bit rate"), "448 Kbps") << name;

    const Section* text = section(all, "Text");
    ASSERT_NE(text, nullptr) << name;
    EXPECT_EQ(text->value("Format"), fx.subtitleFormat) << name;
    EXPECT_EQ(text->value("Language"), "English") << name;

    // MP4 files get a chapter track and a chapter list: two menus, each headed "Menu".
    const Section* menu = section(all, "Menu");
    ASSERT_NE(menu, nullptr) << name;
    EXPECT_EQ(menu->value("00:00:01.000"), "Part Two") << name;
  }
}

TEST(AnalysisTools, FFprobeOfRealFilesGivesStreamsAndChaptersInTheOlderForms) {
  for (size_t i = 0; i < std::size(kFixtures); ++i) {
    const std::string name = kFixtures[i].name;
    const QString report = ffprobeOutput(fixturePath(i), cacheFolder());
    expectNone(kTodayFFprobe, report, name);
    const QStringList lines = trimmedLines(report);

    // The encoder's numbering: every stream line counts, audio lines take the count so far.
    QStringList streams;
    QList<int> audioNumbers;
    for (const QString& line : lines) {
      if (!line.contains("Stream #")) continue;
      if (line.contains("Audio:")) audioNumbers << int(streams.size());
      streams << line;
    }
    EXPECT_EQ(audioNumbers, (QList<int>{1, 2})) << name << "\n" << report.toStdString();
    ASSERT_GE(streams.size(), 4) << name;
    EXPECT_TRUE(streams[0].startsWith("Stream #0.0")) << name << ": " << streams[0].toStdString();
    EXPECT_TRUE(streams[1].startsWith("Stream #0.1")) << name << ": " << streams[1].toStdString();
    EXPECT_TRUE(streams[1].contains("(eng)")) << name;

    // Chapters: "Chapter #0.N: start S, end E" and the title line after it.
    QList<QStringList> chapters;  // number, start, title
    for (qsizetype l = 0; l < lines.size(); ++l) {
      if (!lines[l].startsWith("Chapter")) continue;
      const QRegularExpressionMatch m =
          QRegularExpression("^Chapter #0\\.(\\d+): start (\\d+)\\.\\d+, end ").match(lines[l]);
      ASSERT_TRUE(m.hasMatch()) << name << ": " << lines[l].toStdString();
      QString title = "<none>";
      for (qsizetype t = l + 1; t < lines.size() && !lines[t].startsWith("Chapter"); ++t)
        if (lines[t].contains("title    ")) {
          title = lines[t].section("title           : ", 1);
          break;
        }
      chapters << QStringList{m.captured(1), m.captured(2), title};
    }
    EXPECT_EQ(chapters, (QList<QStringList>{{"0", "0", "Part One"}, {"1", "1", "Part Two"}})) << name;
  }
}

TEST(AnalysisTools, AwkwardPathsAreOneArgumentAndAnalysedAlike) {
  const QString plain = fixturePath(0);
  const QString plainInfo = mediaInfoOutput(plain, cacheFolder());
  const QString plainProbe = ffprobeOutput(plain, cacheFolder());
  const auto withoutName = [](const QString& report, bool probe) {
    QStringList kept;
    for (const QString& line : report.split('\n'))
      if (!line.startsWith(probe ? "Input #" : "Complete name")) kept << line;
    return kept.join('\n');
  };

  const QString awkward[] = {
      QString::fromUtf8("Fïlm \"double\" 'single' $HOME $(true) `x` & ; * Видео 映画/it's a \"film\" $1.mkv"),
      QString::fromUtf8("line\nbreak Stream #0:1: Audio: x/two\nlines.mkv"),
      QString::fromUtf8("-starts with a dash.mkv"),
  };
  for (const QString& relative : awkward) {
    const std::string name = relative.toStdString();
    const QString dir = test::freshFolder("awkward") + "/" + QFileInfo(relative).path();
    ASSERT_TRUE(QDir().mkpath(dir)) << name;
    const QString path = QDir::cleanPath(dir + "/" + QFileInfo(relative).fileName());
    ASSERT_TRUE(QFile::copy(plain, path)) << name;

    const QString info = mediaInfoOutput(path, cacheFolder());
    EXPECT_EQ(withoutName(info, false), withoutName(plainInfo, false)) << name;
    QString shown = path;
    EXPECT_TRUE(info.contains("Complete name                            : " + shown.replace('\n', " / ")))
        << name << "\n"
        << info.toStdString();

    const QString probe = ffprobeOutput(path, cacheFolder());
    EXPECT_EQ(withoutName(probe, true), withoutName(plainProbe, true)) << name;
    EXPECT_TRUE(probe.contains("from '" + shown + "':")) << name << "\n" << probe.toStdString();
  }
}

TEST(AnalysisTools, RelativePathsMeanOurFolderNotTheCacheFolder) {
  const QString previous = QDir::currentPath();
  QDir::setCurrent(QFileInfo(fixturePath(0)).path());
  const QString info = mediaInfoOutput(QFileInfo(fixturePath(0)).fileName(), cacheFolder());
  const QString probe = ffprobeOutput(QFileInfo(fixturePath(0)).fileName(), cacheFolder());
  QDir::setCurrent(previous);
  EXPECT_TRUE(info.contains("\nVideo\n")) << info.toStdString();
  EXPECT_TRUE(probe.contains("Stream #0.0")) << probe.toStdString();
}

TEST(AnalysisTools, AMissingCacheFolderStillAnalyses) {
  const QString info = mediaInfoOutput(fixturePath(0), test::testHome() + "/no such cache");
  EXPECT_TRUE(info.contains("\nVideo\n")) << info.toStdString();
}

TEST(AnalysisTools, AToolThatCannotStartGivesNothing) {
  EXPECT_EQ(runAnalysisTool("no-such-analysis-tool", fixturePath(0), cacheFolder()), QString());
}

TEST(AnalysisTools, OutputThatIsNotUtf8IsStillRead) {
  // A Latin-1 title tag reaches ffprobe's output as raw bytes; the rest must still be read.
  const QString dir = test::freshFolder("latin1");
  const QString tags = test::writeFile(dir + "/tags.txt", ";FFMETADATA1\ntitle=caf\xe9\n");
  const QString path = dir + "/source.mkv";
  test::makeMedia(path, {"-f", "lavfi", "-i", "testsrc=size=64x48:rate=25:duration=1", "-i", tags, "-map",
                         "0", "-map_metadata", "1", "-c:v", "libx264", "-preset", "ultrafast"});
  const QString probe = ffprobeOutput(path, cacheFolder());
  EXPECT_TRUE(probe.contains(QString::fromUtf8("title           : caf\uFFFD"))) << probe.toStdString();
  EXPECT_TRUE(probe.contains("Stream #0.0: Video: h264")) << probe.toStdString();
}
