#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdlib>

#include "convert/report/ConversionCodes.h"
#include "convert/support/PreparationFixtures.h"
#include "media/BCStringEncoding.h"
#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"

using namespace zuvo;

namespace {

struct Burn : test::StepFolders {
  test::ScopedSettings bitrates{{"PercentageBitrate", 80}, {"HDBitrate2", "5"}};
  QString source;
  MediaFilePtr media;
  explicit Burn(const QString& name = "Film.mkv") : source(sources + "/" + name) {
    if (name.endsWith(".mkv"))
      test::makeMatroska(source);
    else
      test::makeTestVideo(source, 2, 160, 120, {"-c:v", "mpeg4", "-c:a", "libmp3lame"});
    media = test::probed(source);
    media->setSoftSubtitles(false);
  }
  // The text tracks offered for burning in, `selected` chosen.
  void choose(qsizetype selected, QList<SubtitleTrack> extra = {}) {
    QList<SubtitleTrack> tracks = media->SoftSubtitleTracks() + extra;
    for (qsizetype i = 0; i < tracks.size(); ++i) tracks[i].setSelected(i == selected);
    media->setHardSubtitleTracks(tracks);
  }
};

}  // namespace

TEST(BurnInSubtitle, ATrackOfTheSourceIsBurntIntoANewH264Source) {
  Burn b;
  b.choose(1);  // the French ASS track: the second subtitle stream
  VideoTrack video = b.media->myvideotrack();
  video.setBitrate("4000");
  b.media->setMyvideotrack(video);
  b.media->setFastmode(true);
  auto converter = test::converterFor(b.media, b.work, b.log.reporter);
  converter->soundexported = true;  // the conversion exports the sound before it burns in
  const BCError result = converter->BurnInSubtitle();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << b.log.text().toStdString();

  EXPECT_EQ(converter->fileToConvertPath, b.work + "/subtitlevideo.avi");
  EXPECT_EQ(test::streamSummary(converter->fileToConvertPath), QStringList{"video h264"});
  const QString log = b.log.text();
  EXPECT_TRUE(
      log.contains("bitrate=3200:nocabac:me=hex:subq=6:frameref=2:trellis=0:level_idc=30:global_header"));
  EXPECT_TRUE(log.contains(" -sid 1 "));
  EXPECT_TRUE(log.contains("DejaVuSans.ttf"));
  EXPECT_FALSE(b.media->fastmode());
  EXPECT_FALSE(b.media->HardSubtitleTracks()[1].selected());
  EXPECT_EQ(b.media->passnumber(), PassStage::BurningSubtitle);
}

TEST(BurnInSubtitle, AFileBesideTheVideoIsBurntAndTheSoundCopied) {
  Burn b("Film.avi");
  SubtitleTrack file;
  file.setLocation(SubtitleLocation::ExternalFile);
  file.setPath(test::writeFile(b.sources + "/Film.srt", test::kSubRip.toUtf8()));
  b.choose(0, {file});
  auto converter = test::converterFor(b.media, b.work, b.log.reporter);
  const BCError result = converter->BurnInSubtitle();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString();
  EXPECT_EQ(test::streamSummary(converter->fileToConvertPath), (QStringList{"video h264", "audio mp3"}));
  EXPECT_TRUE(b.log.text().contains("-sub \"" + b.sources + "/Film.srt\""));
}

// mencoder does not read the display matrix: the burnt copy must be turned upright by it.
TEST(BurnInSubtitle, APhoneVideoIsBurntUpright) {
  // Turned only, and turned then scaled into the HD box (720x1280 shown, 406x720 made).
  for (const int width : {320, 1280}) {
    SCOPED_TRACE(width);
    test::StepFolders folders;
    const QString source = folders.sources + "/Phone.mov";
    test::makeRotatedVideo(source, 1, width, width * 9 / 16, 90);
    const MediaFilePtr media = test::probed(source);
    SubtitleTrack file;
    file.setLocation(SubtitleLocation::ExternalFile);
    file.setPath(test::writeFile(folders.sources + "/Phone.srt", test::kSubRip.toUtf8()));
    file.setSelected(true);
    media->setSoftSubtitles(false);
    media->setHardSubtitleTracks({file});
    auto converter = test::converterFor(media, folders.work, folders.log.reporter);
    converter->soundexported = true;  // mencoder cannot copy the phone's AAC into AVI
    const BCError result = converter->BurnInSubtitle();
    ASSERT_FALSE(result.Error()) << result.Description().toStdString() << folders.log.text().toStdString();
    const QString burnt = converter->fileToConvertPath;
    ASSERT_EQ(burnt, folders.work + "/subtitlevideo.avi");
    EXPECT_EQ(test::displayRotation(burnt), 0);
    EXPECT_EQ(test::streamSummary(burnt), QStringList{"video h264"});
    // Before the first cue, so only the picture is compared.
    EXPECT_LT(test::pictureDistance(burnt, source, 0.1), 10) << "not the picture the phone showed";
  }
}

TEST(BurnInSubtitle, TheSourceRateInTheFormsTheAnalysisWritesSetsTheBurnRate) {
  Burn b("Film.avi");
  // The analysis writes kbit/s with its unit, and megabits as a plain number of kbit/s.
  const QRegularExpressionMatch probed =
      QRegularExpression("^(\\d+)Kbps$").match(b.media->myvideotrack().bitrate());
  ASSERT_TRUE(probed.hasMatch()) << b.media->myvideotrack().bitrate().toStdString();
  const struct {
    QString bitrate;
    int kbps;  // 80 % of it, at most the 5 Mbit/s maximum
  } cases[] = {
      {probed.captured(0), int(probed.captured(1).toInt() * 0.8)},
      {"2002Kbps", 1601},
      {"2500.000000", 2000},
      {"9000Kbps", 5000},
      {"Unknown", 5000},
  };
  SubtitleTrack file;
  file.setLocation(SubtitleLocation::ExternalFile);
  file.setPath(test::writeFile(b.sources + "/Film.srt", test::kSubRip.toUtf8()));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bitrate.toStdString());
    VideoTrack video = b.media->myvideotrack();
    video.setBitrate(c.bitrate);
    b.media->setMyvideotrack(video);
    b.choose(0, {file});
    test::CapturedLog log;
    auto converter = test::converterFor(b.media, b.work, log.reporter);
    ASSERT_FALSE(converter->BurnInSubtitle().Error()) << log.text().toStdString();
    EXPECT_TRUE(log.text().contains(QStringLiteral("threads=0:bitrate=%1:").arg(c.kbps)))
        << log.text().toStdString();
  }
}

namespace {

// The bottom half of the frame at 1 s, grey, as bytes.
QByteArray subtitleRegion(const QString& video) {
  return test::runCommand("ffmpeg", {"-v", "error", "-ss", "1", "-i", video, "-frames:v", "1", "-vf",
                                     "crop=iw:ih/2:0:ih/2,format=gray", "-f", "rawvideo", "-"})
      .output;
}

double meanDifference(const QByteArray& a, const QByteArray& b) {
  if (a.isEmpty() || a.size() != b.size()) return 255;
  double sum = 0;
  for (qsizetype i = 0; i < a.size(); ++i) sum += std::abs(int(uchar(a[i])) - int(uchar(b[i])));
  return sum / double(a.size());
}

}  // namespace

TEST(BurnInSubtitle, AFileInAnotherCharacterSetBurnsInItsOwnLetters) {
  const QByteArray text = "1\n00:00:00,000 --> 00:00:02,000\nPříliš žluťoučký kůň\núpěl ďábelské ódy\n\n";
  // The same picture and text: once as a Central European file beside the video, once as UTF-8.
  const auto burn = [&](const char* folder, const QStringList& iconv, bool forgetEncoding) {
    Burn b("Film.avi");
    const QString srt = b.sources + "/Film.srt";
    if (iconv.isEmpty()) {
      test::writeFile(srt, text);
    } else {
      test::writeFile(b.sources + "/utf8.txt", text);
      const test::CommandResult r =
          test::runCommand("iconv", iconv + QStringList{"-o", srt, b.sources + "/utf8.txt"});
      EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
      QFile::remove(b.sources + "/utf8.txt");
    }
    b.media = test::probed(b.source);
    b.media->setSoftSubtitles(false);
    QList<SubtitleTrack> tracks = b.media->HardSubtitleTracks();
    EXPECT_EQ(tracks.size(), 1) << folder;
    if (tracks.isEmpty()) return QByteArray();
    if (forgetEncoding) tracks[0].setEncoding(NotFoundEncoding());
    tracks[0].setSelected(true);
    b.media->setHardSubtitleTracks(tracks);
    auto converter = test::converterFor(b.media, b.work, b.log.reporter);
    EXPECT_FALSE(converter->BurnInSubtitle().Error()) << folder << b.log.text().toStdString();
    return subtitleRegion(converter->fileToConvertPath);
  };
  const QByteArray utf8 = burn("UTF-8", {}, false);
  const QByteArray centralEuropean = burn("cp1250", {"-f", "UTF-8", "-t", "CP1250"}, false);
  const QByteArray unknownEncoding = burn("cp1250 as it stands", {"-f", "UTF-8", "-t", "CP1250"}, true);
  ASSERT_FALSE(utf8.isEmpty());

  // Read without its encoding the file burns in other letters; read with it, the same ones.
  const double wrongLetters = meanDifference(unknownEncoding, utf8);
  EXPECT_GT(wrongLetters, 1.0);
  EXPECT_LT(meanDifference(centralEuropean, utf8), wrongLetters / 4)
      << "other letters differ by " << wrongLetters;
}

TEST(BurnInSubtitle, NoOutputIsCode9) {
  Burn b;
  b.choose(0);
  test::writeFile(b.source, "damaged");
  auto converter = test::converterFor(b.media, b.work, b.log.reporter);
  const BCError result = converter->BurnInSubtitle();
  EXPECT_EQ(result.Code(), ConversionCode::BurnInSubtitle);
  EXPECT_EQ(result.Description(), "Unable to burn in subtitle");
  EXPECT_EQ(converter->fileToConvertPath, b.source);
  EXPECT_FALSE(QFileInfo::exists(b.work + "/subtitlevideo.avi"));
}
