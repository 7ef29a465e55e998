// The ffmpeg argument string of a pass: which pieces each format, quality and setting
// adds, and the bit-rate rule. The real encodes are in Convert_test.
#include "convert/passes/VideoPassArguments.h"

#include <gtest/gtest.h>

#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"

using namespace zuvo;
using test::CapturedLog;
using test::ScopedSettings;

namespace {

MediaFilePtr source(int width, int height, const QString& bitrate) {
  auto media = std::make_shared<MediaFile>();
  media->setState(MediaState::Converting);
  VideoTrack video;
  video.setWidth(width);
  video.setHeight(height);
  video.setBitrate(bitrate);
  video.setFramerate("23.976 fps");
  media->setMyvideotrack(video);
  return media;
}

VideoPass plan(ConversionFormat format, int passindex, int quality) {
  VideoPass pass;
  pass.passindex = passindex;
  pass.format = format;
  pass.quality = quality;
  pass.threads = 2;
  pass.source = "/videos/My \"odd\" show.mkv";
  pass.workFolder = "/work";
  pass.baseName = "Show";
  pass.videotype = ".m4v";
  pass.audiocodec = " -acodec libfaac ";
  pass.audiobitrate = 160;
  return pass;
}

QString built(const MediaFilePtr& media, const VideoPass& pass, const Reporter& reporter = nullptr,
              QStringList* list = nullptr, QString* output = nullptr) {
  VideoPassArguments arguments(media, pass, reporter);
  arguments.startAndSize();
  arguments.finish();
  if (list) *list = arguments.arguments().list();
  if (output) *output = arguments.outputPath();
  return arguments.arguments().text();
}

}  // namespace

TEST(VideoPassArguments, EachFormatAndPassTakesItsSizeStageAndEncoderSettings) {
  struct Case {
    const char* name;
    ConversionFormat format;
    int passindex;
    int quality;
    QStringList pieces;
    QStringList absent;
    int stage;
    const char* output;
  } cases[] = {
      {"HD only, normal",
       ConversionFormat::HDOnly,
       0,
       1,
       {" -s 1280x720 ", "-me_method hex -subq 6", "+wpred+fastpskip+dct8x8+bpyramid  -coder 1 ",
        " -acodec libfaac  -ab 160k -ar 48000 -ac 2"},
       {"-level 30", "-pass"},
       PassStage::HDPass,
       "/work/Show.m4v"},
      {"SD only, high",
       ConversionFormat::SDOnly,
       0,
       2,
       {" -s 640x360 ", "-me_method umh -subq 7 "},
       {},
       PassStage::SDPass,
       "/work/Show.m4v"},
      {"HD pass of a pair, highest",
       ConversionFormat::HDAndSD,
       0,
       3,
       {" -s 1280x720 ", "-bf 3 -refs 4"},
       {},
       PassStage::HDPass,
       "/work/Show.m4v"},
      {"SD pass of a pair",
       ConversionFormat::HDAndSD,
       1,
       3,
       {" -threads 2 -s 640x360  -vcodec libx264 ", " -b 1.5M  -bt 1.5M  -maxrate 1.5M -bufsize 2M ",
        "-me_method umh -subq 5 -trellis 1 -refs 1 -coder 0", "-level 30",
        " -acodec libfaac  -ar 48000 -ac 2 -ab 128k "},
       {"-f mp4", "-bf 3", "-flags2", "-aspect"},
       PassStage::SDPass,
       "/work/Show.SD.mp4"},
      {"original format, original quality",
       ConversionFormat::Original,
       0,
       4,
       {" -s 1920x1080 ", "-level 30", " -coder 0 -me_range 16"},
       {"-bf 16"},
       PassStage::OriginalPass,
       "/work/Show.m4v"},
      {"HD only, original quality",
       ConversionFormat::HDOnly,
       0,
       4,
       {"-bf 16 -coder 1 -refs 6 -flags +loop -deblockalpha 0", "-qcomp 0.60  -coder 0 "},
       {"bpyramid"},
       PassStage::HDPass,
       "/work/Show.m4v"},
  };
  for (const Case& c : cases) {
    ScopedSettings settings{{"HDBitrate2", "3.5"}, {"SDBitrate2", "1.5"}, {"SupportAppleTV", false}};
    const MediaFilePtr media = source(1920, 1080, "0");
    media->setForce169(true);
    QStringList list;
    QString output;
    const QString text = built(media, plan(c.format, c.passindex, c.quality), nullptr, &list, &output);
    for (const QString& piece : c.pieces)
      EXPECT_TRUE(text.contains(piece))
          << c.name << ": " << piece.toStdString() << " in " << text.toStdString();
    for (const QString& piece : c.absent)
      EXPECT_FALSE(text.contains(piece)) << c.name << ": " << piece.toStdString();
    EXPECT_EQ(media->passnumber(), c.stage) << c.name;
    EXPECT_EQ(output, c.output) << c.name;
    EXPECT_EQ(list.last(), c.output) << c.name;
    EXPECT_TRUE(list.contains("/videos/My \"odd\" show.mkv")) << c.name << ": the source is one argument";
  }
}

TEST(VideoPassArguments, TheBitRateIsTheSourceShareUpToTheCap) {
  struct Case {
    const char* bitrate;
    int percentage;
    const char* expected;
    int kbps;
    const char* log;
  } cases[] = {
      {"3000", 100, " -b 3000k  -bt 3000k  -maxrate 3.5M", 3000,
       "File bit rate mutiplied by % is lower then maximum so going with a value of 3000"},
      {"5000", 100, " -b 3.5M  -bt 3.5M  -maxrate 3.5M", 3500,
       "Source file multiplied by % bitrate is higher than maximum allowed bitrate so going with max"},
      {"3500", 100, " -b 3.5M ", 3500, "higher than maximum"},
      {"2001", 50, " -b 1000k ", 1000, "going with a value of 1000"},
      {"0", 100, " -b 3.5M ", 3500, "Unknown file bit rate so going with max"},
      {"Not Initialized", 100, " -b 3.5M ", 3500, "Unknown file bit rate so going with max"},
  };
  for (const Case& c : cases) {
    ScopedSettings settings{{"HDBitrate2", "3.5"}, {"PercentageBitrate", c.percentage}};
    CapturedLog log;
    CapturedLog userLog;
    VideoPassArguments arguments(source(640, 360, c.bitrate), plan(ConversionFormat::HDOnly, 0, 1),
                                 log.reporter, userLog.reporter);
    arguments.startAndSize();
    EXPECT_TRUE(arguments.arguments().text().contains(c.expected))
        << c.bitrate << ": " << arguments.arguments().text().toStdString();
    EXPECT_EQ(arguments.bitrateKbps(), c.kbps) << c.bitrate;
    EXPECT_TRUE(log.text().contains(c.log)) << c.bitrate;
    EXPECT_TRUE(userLog.text().contains(c.log)) << c.bitrate;
  }
}

TEST(VideoPassArguments, FrameRateFollowsTheSettingUnlessAppleTVNeeds24) {
  struct Case {
    const char* type;
    bool appleTV;
    int width;
    int height;
    const char* framerate;
    const char* piece;  // nullptr: no -r at all
  } cases[] = {
      {"As Source", false, 640, 360, "23.976 fps", " -r 23.976 "},
      {"As Source", false, 640, 360, "", nullptr},
      {"PAL", false, 640, 360, "25 fps", " -r pal "},
      {"24", false, 640, 360, "25 fps", " -r 24 "},
      {"NTSC", false, 640, 360, "25 fps", " -r ntsc "},
      {"PAL", true, 1280, 720, "25 fps", " -r 24 "},
      {"PAL", true, 960, 540, "25 fps", " -r pal "},
      {"PAL", true, 720, 576, "25 fps", " -r 24 "},
  };
  for (const Case& c : cases) {
    ScopedSettings settings{{"FrameRateType", c.type}, {"SupportAppleTV", c.appleTV}};
    const MediaFilePtr media = source(c.width, c.height, "1000");
    VideoTrack video = media->myvideotrack();
    video.setFramerate(c.framerate);
    media->setMyvideotrack(video);
    QStringList list;
    const QString text = built(media, plan(ConversionFormat::HDOnly, 0, 1), nullptr, &list);
    if (c.piece) {
      EXPECT_TRUE(text.contains(c.piece)) << c.type << " " << c.width << ": " << text.toStdString();
      EXPECT_EQ(list.count("-r"), 1);
    } else {
      EXPECT_FALSE(list.contains("-r")) << text.toStdString();
    }
  }
}

TEST(VideoPassArguments, FiltersSampleAndExportedSound) {
  ScopedSettings settings{{"Deinterlace", true}, {"SupportAppleTV", true}};
  const MediaFilePtr media = source(640, 360, "1000");
  media->setForceVideoSync(true);
  media->setNoisereduction(300);
  media->setIsSample(true);
  VideoPass pass = plan(ConversionFormat::HDOnly, 0, 2);
  pass.sampleOptions = " -ss 200 -t 60 ";
  pass.soundexported = true;
  const QString text = built(media, pass);
  for (const char* piece :
       {" -deinterlace ", " -vsync 2 ", " -nr 300 ", "dct8x8 -coder 0 ", " -ss 200 -t 60 ", " -an "})
    EXPECT_TRUE(text.contains(piece)) << piece << " in " << text.toStdString();
  EXPECT_FALSE(text.contains("-acodec"));
  EXPECT_FALSE(text.contains("bpyramid"));

  // An audio offset turns the forced video sync off.
  media->setAudiosync(0.5);
  EXPECT_FALSE(built(media, pass).contains("-vsync"));
}

TEST(VideoPassArguments, NoSizeOrBitRateOnceTheConversionIsNoLongerRunning) {
  const MediaFilePtr media = source(640, 360, "1000");
  media->setState(MediaState::Ended);
  VideoPassArguments arguments(media, plan(ConversionFormat::HDOnly, 0, 1), nullptr);
  arguments.startAndSize();
  EXPECT_FALSE(arguments.arguments().text().contains(" -s "));
  EXPECT_FALSE(arguments.arguments().text().contains(" -b "));
}
