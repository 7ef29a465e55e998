#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <thread>

#include "convert/report/ConversionCodes.h"
#include "convert/support/FakeTool.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

struct ControlCase {
  const char* runner;
  QByteArray progressLine;  // printf format of one progress line, taking 0 to 99
  bool pauses;
  int stopCode;  // the BCError code after a stop; -1: none (run264Helper answers true)
};

const ControlCase kControlCases[] = {
    {"runFFMpeg", "frame= 1 time=%d.00 bitrate= 1k\\r", true, 2},
    {"runHandbrake", "Encoding: task 1 of 1, %d.00 %% (1 fps)\\r", true, 2},
    {"runMencoder", "Pos: 1.0s 1f (%d%%)\\r", true, 2},
    {"runMkvmerge", "Progress: %d%%\\r", true, 2},
    {"runAacgain", " %d%% done\\n", false, -1},
    {"runMP4Box", "Writing: |===  | (%d/100)\\r", false, -1},
    {"runMkvextract", "Progress: %d%%\\r", false, -1},
    {"run264Helper", "progress:%d%%\\n", false, -1},
};

// A runner on a thread of its own, as on the conversion's worker.
class RunningTool {
 public:
  RunningTool(const QString& runner, const QString& tool, const MediaFilePtr& media)
      : run_(test::runnerNamed(runner)), folder_(test::freshFolder("work")) {
    thread_ = std::thread([this, tool, media] {
      outcome_ = run_(tool, ToolArguments(), media, folder_, {}, nullptr);
      returned_ = true;
    });
  }
  ~RunningTool() {
    if (thread_.joinable()) thread_.join();
  }
  bool returned() const { return returned_; }
  // Waits for the runner to return.
  const test::RunnerOutcome& outcome() {
    if (thread_.joinable()) thread_.join();
    return outcome_;
  }

 private:
  test::Runner run_;
  QString folder_;
  std::thread thread_;
  test::RunnerOutcome outcome_;
  std::atomic<bool> returned_{false};
};

// Processor time the tool's group uses over `ms`.
qint64 cpuTicksOver(qint64 group, int ms) {
  const qint64 before = test::groupCpuTicks(group);
  QThread::msleep(ms);
  return test::groupCpuTicks(group) - before;
}

}  // namespace

class RunnerControl : public testing::TestWithParam<ControlCase> {};

TEST_P(RunnerControl, PauseHoldsTheToolAndStopEndsIt) {
  const ControlCase& c = GetParam();
  const MediaFilePtr media = test::convertingMedia();
  VideoTrack video;
  video.setDuration(100);
  media->setMyvideotrack(video);
  const QString tool = test::busyTool("tool", c.progressLine);
  RunningTool running(c.runner, tool, media);
  ASSERT_TRUE(test::waitFor([&] { return test::fakeToolPid(tool) > 0 && media->progress() > 0; }, 20000))
      << "no progress seen";
  const qint64 group = test::fakeToolPid(tool);

  media->setPause(true);
  if (c.pauses) {
    // The runner looks between reads; a loaded machine may take a while to get there.
    ASSERT_TRUE(test::waitFor([&] { return test::groupStopped(group); }, 20000)) << "the tool was not paused";
    EXPECT_EQ(cpuTicksOver(group, 1000), 0) << "the tool ran on while paused";
    const qint64 atResume = test::groupCpuTicks(group);
    media->setPause(false);
    // The pause is looked at once a second.
    EXPECT_TRUE(test::waitFor([&] { return test::groupCpuTicks(group) > atResume; }, 20000))
        << "the tool was not resumed";
  } else {
    QThread::msleep(400);  // the runner looks between reads
    EXPECT_GT(cpuTicksOver(group, 1000), 0) << "this tool runs on while paused";
  }

  QElapsedTimer clock;
  clock.start();
  media->setStopbuttonpressed(true);
  ASSERT_TRUE(test::waitFor([&] { return running.returned(); }, 20000)) << "the stop was not seen";
  // Seen at the next read, long before the once-a-second pause poll could add up; the
  // bound leaves room for a loaded machine.
  EXPECT_LT(clock.elapsed(), 5000);
  const test::RunnerOutcome& outcome = running.outcome();
  if (c.stopCode >= 0) {
    ASSERT_TRUE(outcome.result);
    EXPECT_EQ(outcome.result->Code(), c.stopCode);
  } else {
    EXPECT_TRUE(!outcome.result);
    EXPECT_TRUE(!outcome.answer || *outcome.answer) << "the helper answers YES after a stop";
  }
  EXPECT_TRUE(test::groupEnds(group)) << "a member of the tool's group survived";
}

INSTANTIATE_TEST_SUITE_P(EachTool, RunnerControl, testing::ValuesIn(kControlCases),
                         [](const testing::TestParamInfo<ControlCase>& info) {
                           return std::string(info.param.runner);
                         });

TEST(RunnerControlStop, StoppingAPausedToolEndsIt) {
  const MediaFilePtr media = test::convertingMedia();
  const QString tool = test::busyTool("ffmpeg", "frame= 1 time=%d.00 bitrate= 1k\\r");
  RunningTool running("runFFMpeg", tool, media);
  ASSERT_TRUE(test::waitFor([&] { return test::fakeToolPid(tool) > 0; }, 20000));
  const qint64 group = test::fakeToolPid(tool);
  media->setPause(true);
  ASSERT_TRUE(test::waitFor([&] { return test::groupStopped(group); }, 20000)) << "the tool was not paused";
  media->setStopbuttonpressed(true);  // the pause stays set, as when the queue is paused
  ASSERT_TRUE(test::waitFor([&] { return running.returned(); }, 20000)) << "a paused tool cannot be stopped";
  EXPECT_EQ(running.outcome().result->Code(), ConversionCode::Stopped);
  EXPECT_TRUE(test::groupEnds(group));
}

TEST(RunnerControlStop, AvimergeRunsToItsEndWhateverIsAsked) {
  const MediaFilePtr media = test::convertingMedia();
  media->setStopbuttonpressed(true);
  media->setPause(true);
  const QString tool = test::fakeTool("avimerge", {{"merging\n", 800}}, "echo done > \"$0.done\"");
  QElapsedTimer clock;
  clock.start();
  test::runTool("runAvimerge", tool, media);
  EXPECT_GE(clock.elapsed(), 700);
  EXPECT_EQ(test::readFile(tool + ".done"), "done\n");
}

// The time left is estimated from the time the tool ran: a pause of several seconds
// between a tenth and a half of the work does not show up as time still to come.
TEST(RunnerControlPause, TheTimeLeftLeavesThePausedTimeOut) {
  const MediaFilePtr media = test::convertingMedia();
  const QString tool = test::fakeTool("HandBrakeCLI", {{"Encoding: task 1 of 1, 10.00 % (1 fps)\r", 1000},
                                                       {"Encoding: task 1 of 1, 50.00 % (1 fps)\r", 100}});
  RunningTool running("runHandbrake", tool, media);
  ASSERT_TRUE(test::waitFor([&] { return media->progress() >= 10; }, 20000)) << "no progress seen";
  media->setPause(true);
  const qint64 group = test::fakeToolPid(tool);
  ASSERT_TRUE(test::waitFor([&] { return test::groupStopped(group); }, 20000)) << "the tool was not paused";
  QThread::msleep(4000);
  media->setPause(false);
  ASSERT_TRUE(test::waitFor([&] { return running.returned(); }, 20000));
  EXPECT_EQ(media->progress(), 50);
  // At half way the time left is the time run so far: at most the tool's second (its sleep
  // may end while it is held), where the pause would have added its four.
  EXPECT_GT(media->timeleftinconversion(), 0);
  EXPECT_LT(media->timeleftinconversion(), 3.5);
}
