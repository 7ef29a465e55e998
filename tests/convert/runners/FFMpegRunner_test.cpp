#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include "convert/report/ConversionCodes.h"
#include "convert/report/TableRedraw.h"
#include "convert/runners/ToolResources.h"
#include "convert/runners/ToolRunners.h"
#include "convert/support/FakeTool.h"
#include "media/MediaTestSupport.h"
#include "platform/Paths.h"

using namespace zuvo;
using test::CapturedLog;
using test::OutputPiece;

namespace {
const QByteArray kDuration100 = "  Duration: 00:01:40.00, start: 0.000000, bitrate: 5 kb/s\n";
QByteArray at(const QByteArray& time) {
  return "frame=  25 fps=0.0 q=28.0 size=  1kB time=" + time + " bitrate= 8.1kbits/s\r";
}
}  // namespace

TEST(FFMpegRunner, ProgressIsTheTimeMarkerOverTheTotalDuration) {
  struct Case {
    const char* name;
    QList<OutputPiece> output;
    int trackDuration;
    bool sample;
    int progress;
    QStringList logged;
  } cases[] = {
      {"duration line, then progress",
       {{kDuration100}, {at("50.00")}},
       0,
       false,
       50,
       {"runFFMpeg:: Total duration of video file in seconds is : 100", "FFMPEG at 50%"}},
      {"Debian's clock form of the time", {{kDuration100}, {at("00:00:50.00")}}, 0, false, 50, {}},
      {"progress line split between reads",
       {{kDuration100 + "frame= 1 time=5", 300}, {"0.00 bitrate= 1k\r"}},
       0,
       false,
       50,
       {}},
      {"no duration line, track without duration",
       {{at("360.00")}},
       0,
       false,
       10,
       {"Missed the duration somewhere", "Going with a duration of 60 minutes"}},
      {"no duration line, the track's duration",
       {{at("50.00")}},
       200,
       false,
       25,
       {"Going with a default duration of 200"}},
      {"no duration line, unknown track duration",
       {{at("360.00")}},
       -1,
       false,
       10,
       {"Going with a duration of 60 minutes"}},
      {"duration without three parts",
       {{"  Duration: N/A, bitrate: N/A\n"}, {at("360.00")}},
       0,
       false,
       10,
       {"runFFMpeg:: Duration reported : N/A", "Missed the duration somewhere"}},
      {"zero duration takes the fall-back",
       {{"  Duration: 00:00:00.00, start: 0\n"}, {at("360.00")}},
       0,
       false,
       10,
       {"Going with a duration of 60 minutes"}},
      {"times of 0 and 300000 show nothing",
       {{kDuration100}, {at("0.00")}, {at("300000.00")}},
       0,
       false,
       0,
       {}},
      {"a sample is 60 seconds long",
       {{"  Duration: 01:00:00.00, start: 0\n"}, {at("30.00")}},
       0,
       true,
       50,
       {"[BLUE]Is sample, setting ffmpeg duration to 60s",
        "Total duration of video file in seconds is : 60"}},
      {"a sample without a duration line",
       {{at("30.00")}},
       3600,
       true,
       50,
       {"[BLUE]Is sample, setting ffmpeg duration to 60s"}},
      {"header and progress lines in one read",
       {{"Input #0\n" + kDuration100 + "Output #0\n" + at("10.00") + at("20.00") + at("30.00") +
         at("40.00")}},
       0,
       false,
       40,
       {"FFMPEG:Input #0", "Total duration of video file in seconds is : 100"}},
      {"a bad byte spoils no line", {{"  Duration: 00:01:40.00, \xff\n" + at("50.00")}}, 0, false, 50, {}},
  };
  for (const Case& c : cases) {
    CapturedLog log;
    const MediaFilePtr media = test::convertingMedia();
    VideoTrack video;
    video.setDuration(c.trackDuration);
    media->setMyvideotrack(video);
    media->setIsSample(c.sample);
    float percent = -1;
    const ConversionReport report{.progress = [&](float done) { percent = done; }};
    const BCError result = runFFMpeg(test::fakeTool("ffmpeg", c.output), ToolArguments(), media,
                                     test::freshFolder("work"), report, log.reporter);
    EXPECT_FALSE(result.Error()) << c.name;
    EXPECT_EQ(media->progress(), c.progress) << c.name;
    if (c.progress > 0) {
      EXPECT_EQ(percent, float(c.progress)) << c.name;
    }
    for (const QString& line : c.logged)
      EXPECT_TRUE(log.text().contains(line)) << c.name << ": " << line.toStdString();
    EXPECT_FALSE(log.text().contains("FFMPEG:frame=")) << c.name << ": progress lines are not logged";
  }
}

TEST(FFMpegRunner, TimeLeftIsTheElapsedTimeScaledByWhatRemains) {
  const MediaFilePtr media = test::convertingMedia();
  // At least a second in (at most the whole run, which a loaded machine stretches), a
  // quarter done: three times as long again.
  const QString tool = test::fakeTool("ffmpeg", {{kDuration100, 1000}, {at("25.00"), 200}});
  QElapsedTimer clock;
  clock.start();
  (void)runFFMpeg(tool, ToolArguments(), media, test::freshFolder("work"), {}, nullptr);
  const double runSeconds = clock.elapsed() / 1000.0;
  EXPECT_GT(media->timeleftinconversion(), 2.9);
  EXPECT_LT(media->timeleftinconversion(), 3 * runSeconds);

  // Past the expected end nothing is left, never a negative time.
  (void)runFFMpeg(test::fakeTool("ffmpeg", {{kDuration100}, {at("150.00")}}), ToolArguments(), media,
                  test::freshFolder("work"), {}, nullptr);
  EXPECT_EQ(media->progress(), 100);
  EXPECT_EQ(media->timeleftinconversion(), 0);
}

TEST(FFMpegRunner, BrokenTimeStampsEndTheToolWithCode4) {
  CapturedLog log;
  const QString tool = test::fakeTool(
      "ffmpeg", {{kDuration100 + "[mp4] error, non monotone timestamps 5 >= 3\nlater\n"}}, "sleep 30");
  QElapsedTimer clock;
  clock.start();
  const BCError result =
      runFFMpeg(tool, ToolArguments(), test::convertingMedia(), test::freshFolder("work"), {}, log.reporter);
  EXPECT_LT(clock.elapsed(), 15000) << "the tool was waited for (it sleeps half a minute)";
  EXPECT_EQ(result.Code(), ConversionCode::BrokenTimeStamps);
  EXPECT_EQ(result.Description(), "File contains broken time stamps.");
  EXPECT_TRUE(log.text().contains("[RED]Monotone Timestamps Error"));
  EXPECT_FALSE(log.text().contains("FFMPEG:later"));
  EXPECT_TRUE(test::groupEnds(test::fakeToolPid(tool)));
}

// The output of a whole run, then the tool's end: a status or a signal that says it failed
// makes the run a failure, with the reason, for ffmpeg and for MP4Box alike.
TEST(FFMpegRunner, AToolEndedByASignalOrAFailingStatusHasNotFinished) {
  struct Case {
    const char* name;
    QByteArray end;
    std::optional<QString> failure;  // %1: the tool's name
  } cases[] = {
      {"status 0", "exit 0", std::nullopt},
      {"a failing status (a full disk)", "exit 1", QStringLiteral("%1 ended with status 1")},
      {"SIGTERM", "kill -TERM $$", QStringLiteral("%1 was ended by a signal")},
      {"SIGKILL", "kill -KILL $$", QStringLiteral("%1 was ended by a signal")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CapturedLog log;
    const QString ffmpeg = test::fakeTool("ffmpeg", {{kDuration100}, {at("00:01:40.00") + "\n"}}, c.end);
    const BCError result = runFFMpeg(ffmpeg, ToolArguments(), test::convertingMedia(),
                                     test::freshFolder("work"), {}, log.reporter);
    if (c.failure) {
      EXPECT_EQ(result.Code(), kToolFailedCode);
      EXPECT_EQ(result.Description(), c.failure->arg("ffmpeg"));
      EXPECT_TRUE(log.text().contains("[RED]" + c.failure->arg("ffmpeg"))) << log.text().toStdString();
    } else {
      EXPECT_FALSE(result.Error()) << result.Description().toStdString();
    }
    const QString mp4box = test::fakeTool("mp4box", {{"Importing AAC: |=====| (100/100)\n"}}, c.end);
    const std::optional<QString> failed = runMP4Box(mp4box, ToolArguments(), test::convertingMedia(),
                                                    test::freshFolder("work"), {}, log.reporter);
    EXPECT_EQ(failed, c.failure ? std::optional<QString>(c.failure->arg("mp4box")) : std::nullopt);
  }
}

TEST(FFMpegRunner, ProgressRedrawsTheQueueTableWithoutWaitingForIt) {
  int reloads = 0;
  const TableRedraw table([&] { ++reloads; });
  const ConversionReport report{.changed = [table] { table.send(); }};
  const MediaFilePtr media = test::convertingMedia();
  (void)runFFMpeg(
      test::fakeTool("ffmpeg", {{kDuration100}, {at("10.00"), 100}, {at("20.00"), 100}, {at("30.00")}}),
      ToolArguments(), media, test::freshFolder("work"), report, nullptr);
  EXPECT_EQ(reloads, 0) << "the reload runs on the GUI thread's next turn";
  QCoreApplication::processEvents();
  EXPECT_EQ(reloads, 1) << "requests sent while one was pending are one reload";
}

TEST(FFMpegRunner, OurFfmpegReachesTheEndOfARealEncode) {
  const QString work = test::freshFolder("work dir");
  const QString source = work + "/Say \"Hi\".mkv";
  test::makeTestVideo(source, 4, 320, 240);
  const MediaFilePtr media = test::convertingMedia();
  CapturedLog log;
  const BCError result =
      runFFMpeg(paths::toolPath(tools::kFfmpeg),
                ToolArguments(" -y -v 5  -i \"%@\"  -threads 2 -f mp4  -vcodec libx264 -an \"%@/%@%@\"",
                              {source, work, "-Show", ".m4v"}),
                media, work, {}, log.reporter);
  EXPECT_FALSE(result.Error()) << result.Description().toStdString();
  EXPECT_GT(QFileInfo(work + "/-Show.m4v").size(), 10000);
  // The last time marker of a 4-second encode is 3.88: whole seconds make it 75%.
  EXPECT_GE(media->progress(), 75) << log.text().toStdString();
  EXPECT_GT(media->timeleftinconversion(), 0);
  EXPECT_TRUE(log.text().contains("runFFMpeg:: Total duration of video file in seconds is : 4"));
}
