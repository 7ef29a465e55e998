#include "convert/subtitles/AddSubtitle.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "convert/runners/ToolResources.h"
#include "convert/support/PreparationFixtures.h"
#include "media/MediaTestSupport.h"
#include "media/StreamAnalysis.h"
#include "mp4/Mp4Fixtures.h"
#include "platform/Paths.h"

using namespace zuvo;

namespace {

// An output file and the media object whose picture it shows.
struct Output {
  QString folder = test::freshFolder("work folder");  // a space, as a cache path may hold
  QString path = folder + "/Show - 1x02.m4v";
  MediaFilePtr media = std::make_shared<MediaFile>();
  Output() {
    test::makeTestVideo(path, 2, 320, 240, {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"});
    VideoTrack video = media->myvideotrack();
    video.setWidth(320);
    video.setHeight(240);
    media->setMyvideotrack(video);
  }
  void add(const QString& name, const QString& language, bool enabled, const Reporter& log = nullptr,
           const BCStringEncoding& encoding = UTF8Encoding()) {
    AddSubtitle(paths::toolPath(tools::kMP4Box), enabled, media, name, language, folder, path, false, {},
                encoding, log);
  }
};

// Cleaning alone: no MP4Box to add anything afterwards.
QByteArray cleaned(const QByteArray& srt, const BCStringEncoding& encoding = UTF8Encoding()) {
  const QString folder = test::freshFolder("clean");
  test::writeFile(folder + "/subtitle0.sub", srt);
  AddSubtitle("/nonexistent/mp4box", true, std::make_shared<MediaFile>(), "subtitle0.sub", "English", folder,
              folder + "/out.m4v", false, {}, encoding, nullptr);
  EXPECT_FALSE(QFileInfo::exists(folder + "/subtitle0.sub.temp"));
  return test::readFile(folder + "/subtitle0.sub");
}

// A one-cue subtitle file in an old code page, for a user of some language.
struct CodePageCase {
  const char* id;
  const char* text;
  const char* encoding;  // for iconv
  const char* userLanguage;
};

// The cue texts of a file's first subtitle track, read back by ffmpeg, without the font tags.
QStringList cueTexts(const QString& path) {
  const auto srt = test::runCommand("ffmpeg", {"-v", "error", "-i", path, "-map", "0:s:0", "-f", "srt", "-"});
  static const QRegularExpression tag("</?font[^>]*>");
  QStringList texts;
  for (const QString& line : QString::fromUtf8(srt.output).split('\n'))
    if (!line.isEmpty() && !line.contains("-->") && !line[0].isDigit()) texts << QString(line).remove(tag);
  return texts;
}

class SubtitleCodePages : public ::testing::TestWithParam<CodePageCase> {};

void PrintTo(const CodePageCase& c, std::ostream* os) { *os << c.id; }

}  // namespace

// The file found beside the video is detected, cleaned and added as the converter does;
// every letter must reach the track.
TEST_P(SubtitleCodePages, EveryLetterReachesTheTrack) {
  const CodePageCase& c = GetParam();
  test::ScopedSettings settings{};
  const QString text = QString::fromUtf8(c.text);
  const QString folder = test::freshFolder("code page");
  const QString utf8 =
      test::writeFile(folder + "/utf8.txt", "1\n00:00:01,000 --> 00:00:02,500\n" + text.toUtf8() + "\n");
  const test::CommandResult encoded = test::runCommand("iconv", {"-f", "UTF-8", "-t", c.encoding, utf8});
  ASSERT_EQ(encoded.exitCode, 0) << encoded.output.toStdString();
  const QString source = test::writeFile(folder + "/Film.srt", encoded.output);

  Output out;
  test::CapturedLog log;
  const std::optional<SubtitleTrack> track =
      addSutbtitleFile(*out.media, source, false, AnalysisContext{log.reporter, {}, c.userLanguage});
  ASSERT_TRUE(track.has_value());
  test::writeFile(out.folder + "/subtitle0.sub", encoded.output);
  out.add("subtitle0.sub", "English", true, log.reporter, track->encoding());

  EXPECT_EQ(cueTexts(out.path), QStringList{text})
      << c.id << " read as " << track->encoding().name.toStdString();
  EXPECT_FALSE(log.text().contains("has no letters for")) << log.text().toStdString();
  // A Czech user's Windows Latin 2 is read as code page 1250, however the detector named it.
  const bool czech1250 = QString(c.userLanguage) == "cs" && QString(c.encoding) == "WINDOWS-1250";
  EXPECT_EQ(track->encoding().name == "Windows Code Page 1250", czech1250) << c.id;
  EXPECT_EQ(log.text().contains("[BLUE]Changing code page to 1250 for czech user"), czech1250) << c.id;
}

// Short lines are where the detector guesses ISO-8859 for Windows text. Hungarian uses no
// byte of 0x80-0x9F in either code page.
const CodePageCase kCodePageCases[] = {
    {"CzechWindows1250", "Příliš žluťoučký kůň", "WINDOWS-1250", "en"},
    {"CzechWindows1250ForACzechUser", "Příliš žluťoučký kůň", "WINDOWS-1250", "cs"},
    {"CzechCapitalsWindows1250", "Šťastný nový rok, Šárko", "WINDOWS-1250", "cs"},
    {"CzechISO88592", "Příliš žluťoučký kůň", "ISO-8859-2", "cs"},
    {"PolishWindows1250", "Pchnąć w tę łódź jeża lub ośm skrzyń fig.", "WINDOWS-1250", "pl"},
    {"PolishISO88592", "Pchnąć w tę łódź jeża lub ośm skrzyń fig.", "ISO-8859-2", "pl"},
    {"HungarianWindows1250", "Árvíztűrő tükörfúrógép", "WINDOWS-1250", "hu"},
    {"HungarianISO88592", "Árvíztűrő tükörfúrógép", "ISO-8859-2", "hu"},
    {"RussianWindows1251", "Съешь же ещё этих мягких французских булок, да выпей чаю.", "WINDOWS-1251", "ru"},
};

INSTANTIATE_TEST_SUITE_P(OldCodePages, SubtitleCodePages, ::testing::ValuesIn(kCodePageCases),
                         [](const ::testing::TestParamInfo<CodePageCase>& info) {
                           return std::string(info.param.id);
                         });

TEST(AddSubtitle, ABytePlacedWhereItsEncodingHasNoLetterIsLogged) {
  const QString folder = test::freshFolder("no letter");
  const struct {
    QByteArray line;
    const char* encoding;
    const char* logged;
  } cases[] = {
      {"a\x81"
       "b",
       "Windows Latin 2",
       "[RED]Line 3 of the subtitle file holds bytes that Windows Latin 2 has no letters for"},
      {"Pr\xf8\xedli\x9a", "ISO Latin 2",
       "[RED]Line 3 of the subtitle file holds bytes that ISO Latin 2 has no letters for"},
      {"\xe1\xd2\xe2", "Windows Greek",
       "[RED]Line 3 of the subtitle file is not Windows Greek text and is left out"},
  };
  for (const auto& c : cases) {
    test::CapturedLog log;
    test::writeFile(folder + "/subtitle0.sub", "1\n00:00:01,000 --> 00:00:02,000\n" + c.line + "\n");
    AddSubtitle("/nonexistent/mp4box", true, std::make_shared<MediaFile>(), "subtitle0.sub", "English",
                folder, folder + "/out.m4v", false, {}, EncodingForName(c.encoding), log.reporter);
    EXPECT_TRUE(log.text().contains(c.logged)) << c.encoding << "\n" << log.text().toStdString();
  }
}

TEST(AddSubtitle, SubRipIsCleanedIntoUTF8InPlace) {
  const struct {
    const char* name;
    QByteArray in;
    QByteArray out;
    BCStringEncoding encoding;
  } cases[] = {
      {"CR LF and doubled blank lines",
       "1\r\n00:00:01,000 --> 00:00:02,000\r\nOne\r\n\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nTwo\r\n",
       "1\n00:00:01,000 --> 00:00:02,000\nOne\n\n2\n00:00:03,000 --> 00:00:04,000\nTwo\n\n", UTF8Encoding()},
      {"a clean file gains one blank line at its end", "1\n00:00:01,000 --> 00:00:02,000\nOne\n",
       "1\n00:00:01,000 --> 00:00:02,000\nOne\n\n", UTF8Encoding()},
      {"a blank line before text that is no cue number goes",
       "1\n00:00:01,000 --> 00:00:02,000\nOne\n\nmore\n", "1\n00:00:01,000 --> 00:00:02,000\nOne\nmore\n\n",
       UTF8Encoding()},
      {"a long run of blank lines does not end the file early",
       "1\n00:00:01,000 --> 00:00:02,000\nOne\n" + QByteArray(12, '\n') +
           "2\n00:00:03,000 --> 00:00:04,000\nTwo\n",
       "1\n00:00:01,000 --> 00:00:02,000\nOne\n\n2\n00:00:03,000 --> 00:00:04,000\nTwo\n\n", UTF8Encoding()},
      {"Latin-1 becomes UTF-8", "1\n00:00:01,000 --> 00:00:02,000\nd\xe9j\xe0 vu\n",
       "1\n00:00:01,000 --> 00:00:02,000\nd\xc3\xa9j\xc3\xa0 vu\n\n", EncodingForName("ISO Latin 1")},
  };
  for (const auto& c : cases) EXPECT_EQ(cleaned(c.in, c.encoding), c.out) << c.name;
}

TEST(AddSubtitle, SubRipAndASSBecomeTimedTextTracksOnlyTheFirstEnabled) {
  test::ScopedSettings settings{};
  Output out;
  test::CapturedLog log;
  test::writeFile(out.folder + "/subtitle0.sub", test::kSubRip.toUtf8());
  test::writeFile(out.folder + "/subtitle1.ass", test::kASS.toUtf8());
  out.add("subtitle0.sub", "English", true, log.reporter);
  out.add("subtitle1.ass", "French", false, log.reporter);

  EXPECT_EQ(test::streamSummary(out.path), (QStringList{"video h264 und", "audio aac und",
                                                        "subtitle mov_text eng", "subtitle mov_text fra"}));
  const QJsonArray streams = test::ffprobeStreams(out.path);
  EXPECT_EQ(streams[2].toObject()["disposition"].toObject()["default"].toInt(), 1);
  EXPECT_EQ(streams[3].toObject()["disposition"].toObject()["default"].toInt(), 0);
  const QJsonArray tracks = test::mediainfoTracks(out.path);
  ASSERT_EQ(tracks.size(), 5);
  EXPECT_EQ(tracks[3].toObject()["Title"].toString(), "eng");
  EXPECT_EQ(tracks[4].toObject()["Format"].toString(), "Timed Text");
  EXPECT_EQ(tracks[4].toObject()["Language"].toString(), "fr");

  // The cues themselves, read back from the output.
  const auto srt =
      test::runCommand("ffmpeg", {"-v", "error", "-i", out.path, "-map", "0:s:1", "-f", "srt", "-"});
  EXPECT_TRUE(
      srt.output.contains("00:00:00,200 --> 00:00:01,000\n<font face=\"Sans-Serif\" size=\"18\">Premier"))
      << srt.output.toStdString();
  // The text box lies across the HD picture, 100 pixels above its bottom.
  EXPECT_TRUE(
      test::readFile(out.folder + "/subtitle0.ttxt2")
          .contains(
              QStringLiteral("<TextStreamHeader width=\"%1\" height=\"60\" layer=\"0\" translation_x=\"0\" "
                             "translation_y=\"%2\">")
                  .arg(out.media->myvideotrack().HDWidth())
                  .arg(out.media->myvideotrack().HDHeight() - 100)
                  .toUtf8()));
}

TEST(AddSubtitle, NothingIsAddedForAMissingFileOrOneWithoutCues) {
  test::ScopedSettings settings{};
  Output out;
  test::CapturedLog log;
  out.add("subtitle0.sub", "English", true, log.reporter);
  EXPECT_TRUE(
      log.text().contains("AddSubtitle called for missing subtitle file : " + out.folder + "/subtitle0.sub"));
  test::writeFile(out.folder + "/subtitle1.ass", "[Script Info]\n\n[Events]\n");
  out.add("subtitle1.ass", "French", true, log.reporter);
  EXPECT_EQ(test::readFile(out.folder + "/subtitle1.sub"), "");
  EXPECT_EQ(test::streamSummary(out.path), (QStringList{"video h264 und", "audio aac und"}));
}
