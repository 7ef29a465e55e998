// Whole video passes on real files made here: the converter runs our ffmpeg adapter (and
// mencoder for EyeTV recordings) over Debian's tools, and ffprobe reads what came out.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QThread>
#include <atomic>
#include <thread>

#include "convert/converter/BCConverter.h"
#include "convert/converter/SamplePlayer.h"
#include "convert/report/ConversionCodes.h"
#include "convert/report/ConversionLog.h"
#include "convert/support/FakeTool.h"
#include "convert/support/PreparationFixtures.h"
#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"
#include "media/StringHelpers.h"
#include "platform/Paths.h"

using namespace zuvo;
using test::CapturedLog;
using test::ScopedSettings;

namespace {

struct Source {
  int width = 640;
  int height = 360;
  double seconds = 3;
  bool interlaced = false;
  bool mpegTS = false;  // an EyeTV recording's stream
};

QString makeSource(const Source& s) {
  const QString path = test::freshFolder("source") + (s.mpegTS ? "/Recording.ts" : "/Source Video.mkv");
  if (s.interlaced) {
    // A bar moving fast, two moments woven into each frame.
    test::makeMedia(
        path, {"-f", "lavfi", "-i",
               QStringLiteral("color=c=black:s=%1x%2:r=50:d=%3[bg];color=c=white:s=40x%2:r=50[bar];"
                              "[bg][bar]overlay=x='mod(t*400,%4)':y=0:shortest=1,"
                              "tinterlace=mode=interleave_top,setfield=tff[out0]")
                   .arg(s.width)
                   .arg(s.height)
                   .arg(s.seconds)
                   .arg(s.width - 40),
               "-f", "lavfi", "-i", QStringLiteral("sine=duration=%1").arg(s.seconds), "-c:v", "libx264",
               "-flags", "+ildct+ilme", "-x264opts", "tff=1"});
  } else {
    test::makeTestVideo(
        path, s.seconds, s.width, s.height,
        s.mpegTS ? QStringList{"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "mpegts"} : QStringList{});
  }
  return path;
}

// The media object as probing leaves it for such a source.
MediaFilePtr mediaFor(const QString& path, const Source& s, ConversionFormat format, const QString& bitrate) {
  auto media = std::make_shared<MediaFile>();
  media->setMediatype(MediaType::Movie);
  media->setType(kSourceTypeFile);
  media->setFullpath(path);
  media->setFilename(QFileInfo(path).fileName());
  media->setSeriesname("Test Movie");
  media->setConversionFormat(format);
  VideoTrack video;
  video.setWidth(s.width);
  video.setHeight(s.height);
  video.setBitrate(bitrate);
  video.setFramerate("25 fps");
  video.setDuration(static_cast<int>(s.seconds));
  media->setMyvideotrack(video);
  media->setState(MediaState::Converting);
  return media;
}

struct Probed {
  QJsonObject video;
  QJsonObject audio;
  double duration = 0;
};

Probed probe(const QString& path) {
  const test::CommandResult r =
      test::runCommand("ffprobe", {"-v", "error", "-show_streams", "-show_format", "-of", "json", path});
  const QJsonObject all = QJsonDocument::fromJson(r.output).object();
  Probed probed;
  for (const QJsonValue& stream : all["streams"].toArray()) {
    const QJsonObject s = stream.toObject();
    (s["codec_type"].toString() == "video" ? probed.video : probed.audio) = s;
  }
  probed.duration = all["format"].toObject()["duration"].toString().toDouble();
  return probed;
}

struct VideoExpect {
  const char* name;  // in the destination folder
  int width;
  int height;
  const char* frameRate;
  const char* profile;
  int kbps;       // the -b value
  int maxKbps;    // the -maxrate value
  int audioKbps;  // 0: no sound
};

void expectVideo(const QString& folder, const VideoExpect& e) {
  const QString path = folder + "/" + e.name;
  ASSERT_TRUE(QFileInfo::exists(path)) << e.name << " missing; the folder holds "
                                       << QDir(folder).entryList(QDir::Files).join(", ").toStdString();
  const Probed p = probe(path);
  EXPECT_EQ(p.video["codec_name"].toString(), "h264") << e.name;
  EXPECT_EQ(p.video["width"].toInt(), e.width) << e.name;
  EXPECT_EQ(p.video["height"].toInt(), e.height) << e.name;
  EXPECT_EQ(p.video["r_frame_rate"].toString(), e.frameRate) << e.name;
  EXPECT_EQ(p.video["profile"].toString(), e.profile) << e.name;
  EXPECT_EQ(p.video["pix_fmt"].toString(), "yuv420p") << e.name;
  // x264's own record of the rate it was asked for.
  const QByteArray data = test::readFile(path);
  const QByteArray options = data.mid(data.indexOf("options: "), 2000);
  EXPECT_TRUE(options.contains(" bitrate=" + QByteArray::number(e.kbps) + " ")) << e.name;
  EXPECT_TRUE(options.contains(" vbv_maxrate=" + QByteArray::number(e.maxKbps) + " ")) << e.name;
  // A short clip of a synthetic picture may undershoot; the 2 Mbit buffer lets a 3-second
  // clip pass the cap by at most 2000/3 kbit/s.
  const double kbps = p.video["bit_rate"].toString().toDouble() / 1000;
  EXPECT_GT(kbps, e.kbps * 0.2) << e.name;
  EXPECT_LT(kbps, std::min(e.kbps * 1.35, e.maxKbps + 2000.0 / 3)) << e.name;
  if (e.audioKbps) {
    EXPECT_EQ(p.audio["codec_name"].toString(), "aac") << e.name;
    EXPECT_EQ(p.audio["channels"].toInt(), 2) << e.name;
    EXPECT_EQ(p.audio["sample_rate"].toString(), "48000") << e.name;
    EXPECT_NEAR(p.audio["bit_rate"].toString().toDouble() / 1000, e.audioKbps, e.audioKbps * 0.15) << e.name;
  } else {
    EXPECT_TRUE(p.audio.isEmpty()) << e.name;
  }
}

struct Case {
  const char* id;
  Source source;
  ConversionFormat format;
  int quality;
  std::initializer_list<std::pair<const char*, QVariant>> settings;
  const char* bitrate;  // the probed source bit rate, kbit/s
  QList<VideoExpect> outputs;
  ConversionFormat formatAfter;
  int twopassnumber;
};

const Case kCases[] = {
    {"HDOnlyNormal",
     {640, 360},
     ConversionFormat::HDOnly,
     1,
     {},
     "600",
     {{"Test Movie.m4v", 640, 360, "30000/1001", "High", 600, 3500, 160}},
     ConversionFormat::HDOnly,
     0},
    {"HDOnlyHighAppleTV720p",
     {1280, 720},
     ConversionFormat::HDOnly,
     2,
     {{"SupportAppleTV", true}},
     "0",
     {{"Test Movie.m4v", 1280, 720, "24/1", "High", 3500, 3500, 160}},
     ConversionFormat::HDOnly,
     0},
    {"HDOnlyHighestTwoPasses",
     {320, 180},
     ConversionFormat::HDOnly,
     3,
     {{"FrameRateType", "PAL"}},
     "250",
     {{"Test Movie.m4v", 320, 180, "25/1", "High", 250, 3500, 160}},
     ConversionFormat::HDOnly,
     2},
    {"HDOnlyOriginalQuality",
     {320, 180},
     ConversionFormat::HDOnly,
     4,
     {{"FrameRateType", "24"}},
     "400",
     {{"Test Movie.m4v", 320, 180, "24/1", "Main", 400, 3500, 160}},
     ConversionFormat::HDOnly,
     0},
    {"SDOnly",
     {1280, 720},
     ConversionFormat::SDOnly,
     1,
     {{"FrameRateType", "As Source"}},
     "900",
     {{"Test Movie.m4v", 640, 360, "25/1", "High", 900, 3500, 160}},
     ConversionFormat::SDOnly,
     0},
    {"HDAndSD",
     {640, 360},
     ConversionFormat::HDAndSD,
     1,
     {{"SDBitrate2", "0.4"}},
     "700",
     {{"Test Movie HD.m4v", 640, 360, "30000/1001", "High", 700, 3500, 160},
      {"Test Movie.m4v", 640, 360, "30000/1001", "Constrained Baseline", 400, 400, 128}},
     ConversionFormat::HDAndSD,
     0},
    {"SDOnlyForMobileDevices",
     {640, 360},
     ConversionFormat::SDOnly,
     2,
     {{"SupportMobileDevices", true}},
     "700",
     {{"Test Movie.m4v", 640, 360, "30000/1001", "Constrained Baseline", 1500, 1500, 128}},
     ConversionFormat::HDAndSD,
     0},
    {"OriginalFormat",
     {640, 360},
     ConversionFormat::Original,
     2,
     {},
     "500",
     {{"Test Movie.m4v", 640, 360, "30000/1001", "Constrained Baseline", 500, 3500, 160}},
     ConversionFormat::Original,
     0},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.id; }

// A conversion on a thread of its own, as the queue runs it.
class Running {
 public:
  explicit Running(BCConverter& converter)
      : thread_([this, &converter] {
          result_ = converter.Convert();
          done_ = true;
        }) {}
  ~Running() { thread_.join(); }
  bool done() const { return done_; }
  BCError result() const { return result_; }

 private:
  BCError result_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// The process group of the encoder writing into `work` (read from /proc); 0 when none runs.
qint64 encoderGroup(const QString& work) {
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    QFile cmdline("/proc/" + entry + "/cmdline");
    if (!cmdline.open(QIODevice::ReadOnly) || !cmdline.readAll().contains(work.toUtf8())) continue;
    QFile stat("/proc/" + entry + "/stat");
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 2) return fields[2].toLongLong();
  }
  return 0;
}

QStringList videosIn(const QString& work) { return QDir(work).entryList({"*.m4v", "*.mp4"}, QDir::Files); }

}  // namespace

class ConvertFormats : public testing::TestWithParam<Case> {};

TEST_P(ConvertFormats, EachFormatAndQualityGivesTheFilesItsSettingsAskFor) {
  const Case& c = GetParam();
  const QString work = test::freshFolder("work");
  const QString out = test::freshFolder("converted");
  ScopedSettings base{
      {"ConversionDirectory", work},  {"MovieDestination", out},  {"VideoSourcesFileAction", 0},
      {"EncodingQuality", c.quality}, {"AudioBitrate", 160},      {"HDBitrate2", "3.5"},
      {"SDBitrate2", "1.5"},          {"PercentageBitrate", 100}, {"ConversionThreads", 2}};
  ScopedSettings settings(c.settings);
  const MediaFilePtr media = mediaFor(makeSource(c.source), c.source, c.format, c.bitrate);
  CapturedLog log;
  const auto converter = BCConverter::init(media, "[2]", {}, log.reporter, {});
  media->setState(MediaState::Converting);
  const BCError result = converter->Convert();
  EXPECT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << log.text().toStdString();
  for (const VideoExpect& output : c.outputs) expectVideo(out, output);
  EXPECT_EQ(videosIn(out).size(), c.outputs.size()) << videosIn(out).join(", ").toStdString();
  EXPECT_TRUE(videosIn(work).isEmpty()) << videosIn(work).join(", ").toStdString();
  EXPECT_EQ(media->ConversionFormat(), c.formatAfter);
  EXPECT_EQ(media->twopassnumber(), c.twopassnumber);
  EXPECT_EQ(media->state(), MediaState::Ended);
  EXPECT_TRUE(media->conversionfinished());
}

INSTANTIATE_TEST_SUITE_P(Convert, ConvertFormats, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.id); });

namespace {

// A phone held upright: 1920x1080 stored, turned by 90 degrees when shown.
struct PortraitCase {
  const char* id;
  ConversionFormat format;
  int width;
  int height;
};

void PrintTo(const PortraitCase& c, std::ostream* os) { *os << c.id; }

class PortraitVideo : public testing::TestWithParam<PortraitCase> {};

}  // namespace

TEST_P(PortraitVideo, ComesOutUprightWithSquarePixelsFillingTheSizeBox) {
  const PortraitCase& c = GetParam();
  const QString work = test::freshFolder("work");
  const QString out = test::freshFolder("converted");
  ScopedSettings settings{{"ConversionDirectory", work}, {"MovieDestination", out},
                          {"VideoSourcesFileAction", 0}, {"EncodingQuality", 1},
                          {"ConversionThreads", 2},      {"AudioBitrate", 128}};
  const QString source = test::freshFolder("source") + "/Phone Video.mov";
  test::makeRotatedVideo(source, 1, 1920, 1080, 90);
  ASSERT_NE(test::displayRotation(source), 0) << "the source carries no display matrix";
  const MediaFilePtr media = test::probed(source);
  media->setMediatype(MediaType::Movie);
  media->setSeriesname("Test Movie");
  media->setConversionFormat(c.format);
  media->setFastmode(false);
  EXPECT_EQ(media->myvideotrack().rotation(), 270) << "mediainfo's reading of the matrix";
  CapturedLog log;
  const auto converter = BCConverter::init(media, "[4]", {}, log.reporter, {});
  media->setState(MediaState::Converting);
  const BCError result = converter->Convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << log.text().toStdString();

  const QString output = out + "/Test Movie.m4v";
  const Probed p = probe(output);
  EXPECT_EQ(p.video["width"].toInt(), c.width) << c.id;
  EXPECT_EQ(p.video["height"].toInt(), c.height) << c.id;
  const QString sar = p.video["sample_aspect_ratio"].toString();
  EXPECT_TRUE(sar.isEmpty() || sar == "1:1") << c.id << ": SAR " << sar.toStdString();
  EXPECT_EQ(test::displayRotation(output), 0) << c.id << ": written upright, so no turn is left to make";
  EXPECT_LT(test::pictureDistance(output, source, 0.5), 10) << c.id << ": not the picture the phone showed";
}

INSTANTIATE_TEST_SUITE_P(Convert, PortraitVideo,
                         testing::Values(PortraitCase{"HD", ConversionFormat::HDOnly, 406, 720},
                                         PortraitCase{"SD", ConversionFormat::SDOnly, 270, 480},
                                         PortraitCase{"Original", ConversionFormat::Original, 1080, 1920}),
                         [](const testing::TestParamInfo<PortraitCase>& info) {
                           return std::string(info.param.id);
                         });

class Convert : public testing::Test {
 protected:
  Convert() : work(test::freshFolder("work")), out(test::freshFolder("converted")) {
    // A finished sample is played: here by a program that does nothing.
    qputenv(kSamplePlayerVariable, "true");
  }
  ~Convert() override { qunsetenv(kSamplePlayerVariable); }

  MediaFilePtr prepare(const Source& source, ConversionFormat format = ConversionFormat::HDOnly) {
    media = mediaFor(makeSource(source), source, format, "800");
    converter = BCConverter::init(media, "[3]", {}, log.reporter, {});
    media->setState(MediaState::Converting);
    return media;
  }

  QString work;
  QString out;
  ScopedSettings settings{{"ConversionDirectory", work},
                          {"MovieDestination", out},
                          {"VideoSourcesFileAction", 0},
                          {"EncodingQuality", 1},
                          {"ConversionThreads", 2}};
  CapturedLog log;
  MediaFilePtr media;
  std::unique_ptr<BCConverter> converter;
};

TEST_F(Convert, ASampleIsAMinuteFromTheMiddle) {
  prepare({320, 180, 4});
  media->setIsSample(true);
  const BCError result = converter->Convert();
  ASSERT_FALSE(result.Error()) << log.text().toStdString();
  // From second 2 of a 4-second source: what is left of the minute is 2 seconds.
  EXPECT_NEAR(probe(paths::desktopFolder() + "/Test Movie.m4v").duration, 2.0, 0.3);
  EXPECT_TRUE(log.text().contains(" -ss 2 -t 60 "));
}

TEST_F(Convert, DeinterlacingTakesTheCombingOut) {
  ScopedSettings deinterlace{{"Deinterlace", true}};
  prepare({320, 180, 2, true});
  const QString source = media->fullpath();
  ASSERT_FALSE(converter->Convert().Error()) << log.text().toStdString();
  // ffmpeg's own interlace detector, as an independent reader.
  auto detect = [](const QString& path) {
    const test::CommandResult r =
        test::runCommand("ffmpeg", {"-nostdin", "-i", path, "-vf", "idet", "-f", "null", "-"});
    const QString text = QString::fromUtf8(r.output);
    const QString multi = StringBetween(text, "Multi frame detection:", "\n").value_or("");
    return std::pair{
        IntegerValue(StringBetween(multi, "TFF:", "BFF").value_or("0").trimmed()),
        IntegerValue(StringBetween(multi, "Progressive:", "Undetermined").value_or("0").trimmed())};
  };
  const auto [sourceTff, sourceProgressive] = detect(source);
  const auto [outputTff, outputProgressive] = detect(out + "/Test Movie.m4v");
  EXPECT_GT(sourceTff, sourceProgressive) << "the source is not combed";
  EXPECT_GT(outputProgressive, outputTff * 4);
}

TEST_F(Convert, AnEyeTVRecordingIsPreconvertedByMencoder) {
  ScopedSettings eyeTV{{"ElgatoEyeTVDevice", 1}};
  prepare({320, 180, 3, false, true});
  media->setType(kSourceTypeEyeTV);
  ASSERT_FALSE(converter->Convert().Error()) << log.text().toStdString();
  EXPECT_TRUE(log.text().contains("[BLUE]Doing EyeTV HD Preconvert"));
  // The recording's sound stays behind in the pre-conversion.
  expectVideo(out, {"Test Movie.m4v", 320, 180, "30000/1001", "High", 800, 3500, 0});
}

TEST_F(Convert, AnEncodeThatEndsAtOnceWithoutAFileFailsTheConversion) {
  const QString garbage = test::writeFile(test::freshFolder("bad") + "/broken.mkv", QByteArray(4000, 'x'));
  media = mediaFor(garbage, {}, ConversionFormat::HDOnly, "800");
  converter = BCConverter::init(media, "[4]", {}, log.reporter, {});
  media->setState(MediaState::Converting);
  const BCError result = converter->Convert();
  EXPECT_EQ(result.Code(), ConversionCode::VideoTrack);
  EXPECT_EQ(result.Description(), "Unable to convert video track");
  EXPECT_EQ(media->state(), MediaState::Ended);
  EXPECT_EQ(media->progress(), 100);
  EXPECT_FALSE(media->conversionfinished());
  EXPECT_TRUE(log.text().contains("Conversion finished too soon. Checking target file size"));
  EXPECT_TRUE(log.text().contains("[RED]Output file missing, failing conversion."));
}

TEST_F(Convert, ProgressAndTimeLeftMoveDuringThePass) {
  ScopedSettings appleTV{{"SupportAppleTV", true}, {"EncodingQuality", 2}};
  // ffmpeg shows its progress twice a second: the pass must last a few seconds even on a
  // fast, idle machine (five seconds of video took barely one).
  prepare({1280, 720, 10});
  QSet<int> progress;
  bool timeLeftShown = false;
  {
    Running running(*converter);
    while (!running.done()) {
      progress.insert(media->progress());
      if (media->timeleftinconversion() > 0 && media->progress() < 100) timeLeftShown = true;
      QThread::msleep(20);
    }
    EXPECT_FALSE(running.result().Error());
  }
  progress.remove(0);
  progress.remove(100);
  EXPECT_GE(progress.size(), 2) << "progress seen: " << progress.size();
  EXPECT_TRUE(timeLeftShown);
}

TEST_F(Convert, StopEndsThePassQuicklyAndLeavesNoOutput) {
  ScopedSettings highest{{"EncodingQuality", 3}, {"SupportAppleTV", true}};
  prepare({1280, 720, 5});
  Running running(*converter);
  ASSERT_TRUE(test::waitFor([&] { return media->progress() > 0 || running.done(); }, 30000));
  ASSERT_FALSE(running.done()) << "the encode ended before it could be stopped";
  QElapsedTimer clock;
  clock.start();
  media->setStopbuttonpressed(true);
  media->setState(MediaState::Ended);
  ASSERT_TRUE(test::waitFor([&] { return running.done(); }, 30000));
  EXPECT_LT(clock.elapsed(), 5000) << "the pass was not stopped at once";
  EXPECT_EQ(running.result().Code(), ConversionCode::Stopped);
  EXPECT_EQ(media->progress(), 100);
  EXPECT_FALSE(media->conversionfinished());
  EXPECT_TRUE(videosIn(work).isEmpty()) << videosIn(work).join(", ").toStdString();
  // A killed process lingers until the scheduler lets it run its exit.
  EXPECT_TRUE(test::waitFor([&] { return encoderGroup(work) == 0; }, 10000))
      << "the encoder survived the stop";
}

TEST_F(Convert, PauseSuspendsTheEncoder) {
  ScopedSettings highest{{"EncodingQuality", 3}, {"SupportAppleTV", true}};
  prepare({1280, 720, 5});
  Running running(*converter);
  ASSERT_TRUE(test::waitFor([&] { return media->progress() > 0 || running.done(); }, 30000));
  ASSERT_FALSE(running.done()) << "the encode ended before it could be paused";
  const qint64 group = encoderGroup(work);
  ASSERT_NE(group, 0);
  media->setPause(true);
  // The runner suspends at its next read, which a loaded machine may delay.
  ASSERT_TRUE(test::waitFor([&] { return test::groupStopped(group); }, 20000))
      << "the encoder was not paused";
  const int progressAtPause = media->progress();
  const qint64 before = test::groupCpuTicks(group);
  QThread::msleep(1200);
  EXPECT_LE(test::groupCpuTicks(group) - before, 2) << "the encoder ran on while paused";
  EXPECT_EQ(media->progress(), progressAtPause);
  media->setPause(false);
  ASSERT_TRUE(test::waitFor([&] { return running.done(); }, 60000));
  EXPECT_FALSE(running.result().Error());
  EXPECT_TRUE(QFileInfo::exists(out + "/Test Movie.m4v"));
}

TEST_F(Convert, TagsOnlyIsRefusedWithoutAPassAndTheOriginalStays) {
  // An original that a finished conversion would move to the Trash.
  ScopedSettings trash{{"VideoSourcesFileAction", 1}, {"SucessfulConversions", 0}};
  prepare({320, 180, 2}, ConversionFormat::TagsOnly);
  const QString original = media->fullpath();
  const QByteArray before = test::readFile(original);

  const BCError result = converter->Convert();

  EXPECT_TRUE(result.Error());
  EXPECT_EQ(result.Code(), ConversionCode::VideoTrack);
  EXPECT_EQ(result.Description(), "Tags only items are updated in place, not converted");
  EXPECT_EQ(test::readFile(original), before);
  EXPECT_TRUE(QDir(out).isEmpty());
  EXPECT_TRUE(QDir(work).isEmpty());
  EXPECT_FALSE(media->conversionfinished());
  EXPECT_EQ(Defaults::standard().integerForKey("SucessfulConversions"), 0);
  EXPECT_FALSE(log.text().contains("Starting HD Conversion"));
}
