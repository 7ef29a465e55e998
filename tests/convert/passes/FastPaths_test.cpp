// The two quick ways to a pass's video on real files: the pass-through copy of an H.264
// source, and the hardware-encoder export through the built helper with the test framework
// plug-in beside it. Each falls back to the regular encode when it fails.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "convert/converter/BCConverter.h"
#include "convert/support/PreparationFixtures.h"
#include "helper264/Helper264Install.h"
#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"
#include "platform/Paths.h"

using namespace zuvo;
using test::CapturedLog;
using test::ScopedSettings;

namespace {

// The video stream's packets, as ffmpeg hashes them without decoding.
QByteArray videoPackets(const QString& path) {
  const test::CommandResult r = test::runCommand("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-map",
                                                            "0:v:0", "-c", "copy", "-f", "framemd5", "-"});
  QByteArrayList lines = r.output.split('\n');
  lines.removeIf([](const QByteArray& line) { return line.startsWith('#'); });
  return lines.join('\n');
}

QJsonObject probe(const QString& path) {
  return QJsonDocument::fromJson(test::runCommand("ffprobe", {"-v", "error", "-show_streams", "-show_format",
                                                              "-of", "json", path})
                                     .output)
      .object();
}

QStringList codecs(const QJsonObject& probed) {
  QStringList names;
  for (const QJsonValue& s : probed["streams"].toArray()) names << s.toObject()["codec_name"].toString();
  return names;
}

// A libexec folder like the build's, with the helper copied in (and the framework plug-in
// beside it when asked) and every other program linked.
QString libexecWithHelper(bool withFramework) {
  const QString folder = test::installHelper264(withFramework);
  const QDir built(QFileInfo(paths::toolPath("Zuvo264Helper")).path());
  for (const QString& name : built.entryList(QDir::Files | QDir::System))
    if (!QFileInfo::exists(folder + "/" + name)) QFile::link(built.filePath(name), folder + "/" + name);
  return folder;
}

class FastPaths : public testing::Test {
 protected:
  // A source that could be copied: H.264 and AAC in MP4, or `videoCodec` in Matroska.
  void prepare(const QStringList& videoCodec = {}) {
    source = test::freshFolder("source") + (videoCodec.isEmpty() ? "/Source.mp4" : "/Source.mkv");
    test::makeTestVideo(source, 2, 320, 180, videoCodec);
    media = std::make_shared<MediaFile>();
    media->setMediatype(MediaType::Movie);
    media->setType(kSourceTypeFile);
    media->setFullpath(source);
    media->setFilename(QFileInfo(source).fileName());
    media->setSeriesname("Test Movie");
    media->setConversionFormat(ConversionFormat::HDOnly);
    VideoTrack video;
    video.setWidth(320);
    video.setHeight(180);
    video.setBitrate("500");
    video.setFramerate("25 fps");
    video.setDuration(2);
    media->setMyvideotrack(video);
    media->setFastmode(true);
  }

  BCError convert(const HelperInfo& turbo = {}, const QString& helperFolder = {}) {
    converter = BCConverter::init(media, "[7]", turbo, log.reporter, {.userLog = userLog.reporter});
    media->setState(MediaState::Converting);
    // The tools are found when the converter is made; the helper when it is started.
    if (!helperFolder.isEmpty())
      paths::setResourceRoots(QFileInfo(paths::resourcePath("x")).path(), helperFolder);
    const BCError result = converter->Convert();
    paths::setResourceRoots({}, {});
    return result;
  }

  QString work = test::freshFolder("work");
  QString out = test::freshFolder("converted");
  ScopedSettings settings{{"ConversionDirectory", work}, {"MovieDestination", out},
                          {"VideoSourcesFileAction", 0}, {"EncodingQuality", 1},
                          {"ConversionThreads", 2},      {"EnableFASTMode", true}};
  CapturedLog log;
  CapturedLog userLog;
  QString source;
  MediaFilePtr media;
  std::unique_ptr<BCConverter> converter;
};

}  // namespace

TEST_F(FastPaths, AnH264SourceIsCopiedAndTheRestOfTheConversionFollows) {
  prepare();
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << log.text().toStdString();
  const QString output = out + "/Test Movie.m4v";
  const QJsonObject probed = probe(output);
  EXPECT_EQ(codecs(probed), (QStringList{"h264", "aac"}));
  EXPECT_EQ(videoPackets(output), videoPackets(source));
  EXPECT_FALSE(videoPackets(output).isEmpty());
  EXPECT_EQ(probed["format"].toObject()["tags"].toObject()["title"].toString(), "Test Movie");
  EXPECT_TRUE(log.text().contains("[BLUE]Encoding Video in Fast Mode with Audio"));
  EXPECT_TRUE(userLog.text().contains("Encoding Video in PASS THRU with Audio"));
  EXPECT_FALSE(log.text().contains("Single Pass Encoding"));
  EXPECT_TRUE(media->fastmode());
}

TEST_F(FastPaths, ARotatedPhoneVideoIsCopiedWithItsTurn) {
  prepare();
  source = test::freshFolder("phone") + "/Phone Video.mov";
  test::makeRotatedVideo(source, 2, 320, 180, 90);
  const MediaFilePtr probedSource = test::probed(source);
  media->setFullpath(source);
  media->setFilename(QFileInfo(source).fileName());
  media->setMyvideotrack(probedSource->myvideotrack());
  media->setAudioTracks(probedSource->AudioTracks());
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << log.text().toStdString();
  const QString output = out + "/Test Movie.m4v";
  EXPECT_TRUE(media->fastmode()) << "copied";
  EXPECT_EQ(videoPackets(output), videoPackets(source));
  const QJsonObject video = probe(output)["streams"].toArray()[0].toObject();
  EXPECT_EQ(video["width"].toInt(), 320);
  EXPECT_EQ(video["height"].toInt(), 180);
  EXPECT_TRUE(video["sample_aspect_ratio"].toString().isEmpty() ||
              video["sample_aspect_ratio"].toString() == "1:1")
      << video["sample_aspect_ratio"].toString().toStdString();
  EXPECT_EQ(test::displayRotation(output), test::displayRotation(source))
      << "the players turn the copy as the phone did";
  EXPECT_LT(test::pictureDistance(output, source, 1), 5);
}

TEST_F(FastPaths, AVideoAnMP4CannotHoldFallsBackToTheEncode) {
  prepare({"-c:v", "ffvhuff", "-c:a", "flac"});
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << log.text().toStdString();
  EXPECT_TRUE(log.text().contains(
      QRegularExpression(R"(\[RED\]File (does not exist|too small) after FAST mode going with FULL mode)")))
      << log.text().toStdString();
  EXPECT_TRUE(userLog.text().contains("PASS THRU failed attempting regular conversion"));
  EXPECT_TRUE(log.text().contains("Single Pass Encoding"));
  EXPECT_FALSE(media->fastmode());
  EXPECT_EQ(codecs(probe(out + "/Test Movie.m4v")), (QStringList{"h264", "aac"}));
}

TEST_F(FastPaths, WithoutTheFastVerdictThePassIsEncoded) {
  prepare();
  media->setFastmode(false);
  ASSERT_FALSE(convert().Error()) << log.text().toStdString();
  EXPECT_FALSE(log.text().contains("Fast Mode"));
  EXPECT_TRUE(log.text().contains("Single Pass Encoding"));
  EXPECT_NE(videoPackets(out + "/Test Movie.m4v"), videoPackets(source));
}

class HardwareEncoder : public FastPaths {
 protected:
  HardwareEncoder() { qunsetenv("ZUVO_FAKE_TURBO"); }
  ~HardwareEncoder() override { qunsetenv("ZUVO_FAKE_TURBO"); }
  ScopedSettings turbo{{"EnableTurbo264", true}, {"EnableFASTMode", false}};
  const HelperInfo device{true, 12, true, false};
};

TEST_F(HardwareEncoder, TheHelperExportsThePassThroughTheFramework) {
  prepare();
  const BCError result = convert(device, libexecWithHelper(true));
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << log.text().toStdString();
  const QString text = log.text();
  EXPECT_TRUE(text.contains("[BLUE]Changing container for Turbo 264 with Audio"));
  EXPECT_TRUE(userLog.text().contains("Changing video container to supoprt Turbo 264"));
  // A framework newer than 0 without an HD device: no preset option, read as preset 0.
  EXPECT_TRUE(text.contains("The best we can do with the old Turbo264 is Apple TV"));
  EXPECT_FALSE(text.contains("-preset"));
  EXPECT_TRUE(text.contains(" -keepaudio YES"));
  EXPECT_TRUE(text.contains("Encode Complete"));
  EXPECT_FALSE(text.contains("Single Pass Encoding"));
  const QString output = out + "/Test Movie.m4v";
  EXPECT_EQ(codecs(probe(output)), (QStringList{"h264", "aac"}));
  EXPECT_EQ(videoPackets(output), videoPackets(source));
  EXPECT_TRUE(QDir(work).entryList({"*Turbo*"}, QDir::Files).isEmpty());
  // The export's stages are over: the pass's own stage is back.
  EXPECT_EQ(media->passnumber(), PassStage::HDPass);
}

TEST_F(HardwareEncoder, AFailedExportFallsBackToTheEncode) {
  prepare();
  qputenv("ZUVO_FAKE_TURBO", "fail=The device was removed");
  ASSERT_FALSE(convert(device, libexecWithHelper(true)).Error()) << log.text().toStdString();
  EXPECT_TRUE(log.text().contains("Error during export: The device was removed"));
  EXPECT_TRUE(log.text().contains("Single Pass Encoding"));
  EXPECT_NE(videoPackets(out + "/Test Movie.m4v"), videoPackets(source));
  EXPECT_TRUE(QDir(work).entryList({"*Turbo*"}, QDir::Files).isEmpty());
}

TEST_F(HardwareEncoder, WithoutTheFrameworkTheHelperSaysSoAndTheEncodeRuns) {
  prepare();
  ASSERT_FALSE(convert(device, libexecWithHelper(false)).Error()) << log.text().toStdString();
  EXPECT_TRUE(log.text().contains("No Turbo.264 Framework Installed"));
  EXPECT_TRUE(log.text().contains("Single Pass Encoding"));
}
