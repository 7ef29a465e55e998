#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <thread>
#include <vector>

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
const QByteArray kStamp = "2011-05-01 10:00:00.000 Zuvo264Helper[123:903] ";
QByteArray handbrake(const char* task, const char* percent) {
  return QByteArray("Encoding: task ") + task + ", " + percent +
         " % (45.67 fps, avg 50.12 fps, ETA 00h01m02s)\r";
}
}  // namespace

struct MarkerCase {
  const char* runner;
  QList<OutputPiece> output;
  int progress;
  QStringList logged;
};

const MarkerCase kMarkerCases[] = {
    {"runMencoder",
     {{"Pos:   1.0s     25f (  3%)  9.1fps Trem:   0min\r"},
      {"VIDEO:  [MP4V]  320x240  24bpp  25.000 fps  200.0 kbps (24.4 kbyte/s)\nPos:   2.0s     50f ( 40%)\r"},
      {"Pos:   3.0s     75f ( 30%)\r"}},
     40,
     {"MENCODER at 40%"}},
    {"runAacgain",
     {{" 20% done\n"}, {"Applying gain\n"}, {"Analysing\n 60% done\n"}, {" 30% done\n"}},
     30,
     // A message read together with a progress line is logged all the same.
     {"[BLUE]aacgain called with command", "aacgain::Applying gain", "aacgain::Analysing"}},
    {"runMP4Box",
     {{"Importing AAC: |====                | (20/100)\r"},
      {"Saving out.m4v: 0.500 secs Interleaving\n"},
      {"Writing: |==============     | (70/100)\r"},
      {"Writing: |==========         | (50/100)\r"}},
     50,
     {"[BLUE]mp4box called with command", "MP4Box::Saving out.m4v"}},
    {"runMkvextract", {{"Progress: 0%\r"}, {"Progress: 4"}, {"2%\r"}, {"progress: 30%\r"}}, 42, {}},
    {"runMkvmerge",
     {{"mkvmerge v74.0.0\n"}, {"Progress: 10%\r"}, {"Progress: 6"}, {"0%\r"}, {"Progress: 20%\r"}},
     60,
     {"[BLUE]MKVMERGE called with :", "MKVMERGE:mkvmerge v74.0.0"}},
    {"run264Helper",
     {{kStamp + "Start Tracks\n"},
      {kStamp + "progress:0%\n"},
      {kStamp + "progress:45%\n"},
      {kStamp + "progress:150%\n"}},
     100,
     {"[BLUE]run264Helper called with :", "run264Helper: " + kStamp + "Start Tracks"}},
    {"runHandbrake",
     {{"HandBrake 1.6.1\n"},
      {handbrake("1 of 2", "80.00")},
      {handbrake("2 of 2", "20.50")},
      {handbrake("2 of 2", "10.00")}},
     20,
     {"HANDBRAKE:HandBrake 1.6.1", "Handbrake at 80%", "Handbrake at 20%"}},
    {"runAvimerge", {{"file 1 of 2 [##########] 50%\n"}}, 0, {"[BLUE]AVIMERGE called with :"}},
};

class RunnerMarker : public testing::TestWithParam<MarkerCase> {};

TEST_P(RunnerMarker, MovesTheBarByTheToolsRules) {
  const MarkerCase& c = GetParam();
  CapturedLog log;
  const MediaFilePtr media = test::convertingMedia();
  // Each piece its own read, as the tools write one line at a time.
  QList<OutputPiece> output = c.output;
  for (OutputPiece& piece : output) piece.pauseAfterMs = 150;
  const test::RunnerOutcome outcome =
      test::runTool(c.runner, test::fakeTool("tool", output), media, log.reporter);
  EXPECT_TRUE(!outcome.result || !outcome.result->Error());
  EXPECT_TRUE(!outcome.answer || *outcome.answer);
  EXPECT_EQ(media->progress(), c.progress);
  for (const QString& line : c.logged) EXPECT_TRUE(log.text().contains(line)) << line.toStdString();
}

INSTANTIATE_TEST_SUITE_P(EachTool, RunnerMarker, testing::ValuesIn(kMarkerCases),
                         [](const testing::TestParamInfo<MarkerCase>& info) {
                           return std::string(info.param.runner);
                         });

TEST(RunnerProgress, HandBrakeSetsTheStageOfEachTaskAndTheDockPercentage) {
  const MediaFilePtr media = test::convertingMedia();
  float percent = -1;
  const ConversionReport report{.progress = [&](float done) { percent = done; }};
  test::runTool("runHandbrake", test::fakeTool("HandBrakeCLI", {{handbrake("1 of 2", "0.00")}}), media);
  EXPECT_EQ(media->passnumber(), 18);
  EXPECT_EQ(media->progress(), 1) << "0 counts as 1";
  test::runTool("runHandbrake", test::fakeTool("HandBrakeCLI", {{handbrake("1 of 1", "33.10")}}), media,
                nullptr, report);
  EXPECT_EQ(media->passnumber(), 18) << "a single task leaves the stage";
  EXPECT_EQ(percent, 33.0f);
  test::runTool("runHandbrake", test::fakeTool("HandBrakeCLI", {{handbrake("2 of 2", "12.00")}}), media);
  EXPECT_EQ(media->passnumber(), 7);
}

TEST(RunnerProgress, TimeLeftIsTheElapsedTimeScaledByWhatRemains) {
  struct Case {
    const char* runner;
    QByteArray marker;  // a quarter done, or nothing yet
    double scale;       // what remains over what is done
  } cases[] = {
      {"runMencoder", "Pos:   1.0s     25f ( 25%)\r", 3},
      {"runMkvextract", "Progress: 25%\r", 3},
      {"runMkvmerge", "Progress: 25%\r", 3},
      {"run264Helper", kStamp + "progress:25%\n", 3},
      {"runHandbrake", handbrake("1 of 1", "25.00"), 3},
      {"runMP4Box", "Writing: |=====  | (25/100)\r", 3},
      // Nothing done yet counts as a tenth of a percent.
      {"runAacgain", " 0% done\n", 999},
  };
  // All at once: each tool waits a second before its marker, so at least a second has
  // passed when it is read, and at most the whole run; each run is timed on its own,
  // as a loaded machine stretches them all.
  std::vector<MediaFilePtr> media;
  std::vector<QString> tools;
  // Every script is written before any tool starts: a child forked meanwhile would hold
  // the script open for writing until its own exec, and starting that script would then
  // fail as a busy text file.
  for (const Case& c : cases) {
    media.push_back(test::convertingMedia());
    tools.push_back(test::fakeTool("tool", {{"starting\n", 1000}, {c.marker, 100}}));
  }
  std::vector<double> runSeconds(std::size(cases));
  std::vector<std::thread> runs;
  for (size_t i = 0; i < std::size(cases); ++i) {
    runs.emplace_back([run = test::runnerNamed(cases[i].runner), tool = tools[i], item = media[i],
                       folder = test::freshFolder("work"), seconds = &runSeconds[i]] {
      QElapsedTimer clock;
      clock.start();
      run(tool, ToolArguments(), item, folder, {}, nullptr);
      *seconds = clock.elapsed() / 1000.0;
    });
  }
  for (std::thread& run : runs) run.join();
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_GT(media[i]->timeleftinconversion(), cases[i].scale * 0.97) << cases[i].runner;
    EXPECT_LT(media[i]->timeleftinconversion(), cases[i].scale * runSeconds[i]) << cases[i].runner;
  }
  // At 0 the mencoder bar shows no time left.
  const MediaFilePtr atZero = test::convertingMedia();
  test::runTool("runMencoder", test::fakeTool("mencoder", {{"Pos: 0.1s 1f (  0%)\r", 300}}), atZero);
  EXPECT_EQ(atZero->timeleftinconversion(), 0);
}

TEST(RunnerProgress, FatalMessagesEndTheToolWithTheirResult) {
  struct Case {
    const char* runner;
    QByteArray message;
    int code;  // -1: run264Helper's false
    const char* description;
  } cases[] = {
      {"runHandbrake", "ERROR: No title found.\n", ConversionCode::MissingDVDTitle,
       "Trying to Import Missing or Damaged DVD"},
      {"runHandbrake", "Invalid audio input track 3\n", ConversionCode::DVDAudioTrack,
       "Zuvo is unable to import audio from this DVD"},
      {"runMkvmerge", "Error: The track parameters do not match.\n", ConversionCode::JoinFailed,
       "Video Join Failed due to mismatched track properties"},
      {"run264Helper", kStamp + "Error opening movie : The file is damaged\n", -1, ""},
  };
  for (const Case& c : cases) {
    const QString tool = test::fakeTool("tool", {{c.message}}, "sleep 30");
    QElapsedTimer clock;
    clock.start();
    const test::RunnerOutcome outcome = test::runTool(c.runner, tool, test::convertingMedia());
    // Well short of the tool's half minute, with room for a loaded machine.
    EXPECT_LT(clock.elapsed(), 15000) << c.runner << ": the tool was waited for";
    if (c.code >= 0) {
      ASSERT_TRUE(outcome.result) << c.runner;
      EXPECT_EQ(outcome.result->Code(), c.code) << c.runner;
      EXPECT_EQ(outcome.result->Description(), QString(c.description)) << c.runner;
    } else {
      EXPECT_EQ(outcome.answer, false) << c.runner;
    }
    EXPECT_TRUE(test::groupEnds(test::fakeToolPid(tool))) << c.runner;
  }
}

TEST(RunnerProgress, AnEchoedPathHoldingErrorIsNoHelperFailure) {
  const QString tool = test::fakeTool(
      "Zuvo264Helper",
      {{kStamp + "input arg   = /videos/Error.Show.S1.E2.m4v\n"}, {kStamp + "progress:100%\n"}});
  EXPECT_EQ(test::runTool("run264Helper", tool, test::convertingMedia()).answer, true);
}

TEST(RunnerProgress, AToolThatCannotStartIsReported) {
  for (const char* runner : {"runHandbrake", "runMencoder", "runAacgain", "runMP4Box", "runMkvextract",
                             "runMkvmerge", "run264Helper", "runFFMpeg", "runAvimerge"}) {
    CapturedLog log;
    const test::RunnerOutcome outcome =
        test::runTool(runner, test::testHome() + "/no such tool", test::convertingMedia(), log.reporter);
    EXPECT_EQ(outcome.result ? outcome.result->Code() : ConversionCode::ToolLaunch,
              ConversionCode::ToolLaunch)
        << runner;
    EXPECT_FALSE(outcome.answer.value_or(false)) << runner;
    EXPECT_TRUE(log.text().contains("[RED]Unable to start " + test::testHome() + "/no such tool")) << runner;
  }
  EXPECT_EQ(test::runTool("runFFMpeg", "", test::convertingMedia()).result->Code(),
            ConversionCode::ToolLaunch)
      << "a tool we do not have";
}

TEST(RunnerProgress, ProgressRedrawsTheGivenTableWithoutWaitingForIt) {
  int reloads = 0;
  const TableRedraw table([&] { ++reloads; });
  test::runTool("runMkvmerge",
                test::fakeTool("mkvmerge", {{"Progress: 10%\r", 100}, {"Progress: 20%\r", 100}}),
                test::convertingMedia(), nullptr, {.changed = [table] { table.send(); }});
  EXPECT_EQ(reloads, 0) << "the reload runs on the GUI thread's next turn";
  QCoreApplication::processEvents();
  EXPECT_EQ(reloads, 1);
  table.send();
  QCoreApplication::processEvents();
  EXPECT_EQ(reloads, 2) << "a request after the reload is a new one";
}

TEST(RunnerProgress, DebiansMkvextractProgressIsRead) {
  const QString work = test::freshFolder("work dir");
  const QString source = work + "/source.mkv";
  test::makeMedia(source,
                  {"-f", "lavfi", "-i", "testsrc=duration=2:size=160x120:rate=25", "-c:v", "libx264"});
  const MediaFilePtr media = test::convertingMedia();
  runMkvextract(paths::toolPath(tools::kMkvextract),
                ToolArguments(" tracks \"%@\" 0:%@", {source, work + "/video 0.h264"}), media, work, {},
                nullptr);
  EXPECT_GT(QFileInfo(work + "/video 0.h264").size(), 1000);
  EXPECT_EQ(media->progress(), 100) << "\"Progress: N%\" was not read";
}
