// The user's post-conversion script within its bounds: one that never ends is stopped at
// its time limit and the conversion goes on, one that floods its output is read with the
// memory it takes capped, and the user's stop ends it at once.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <csignal>
#include <thread>

#include "convert/converter/BCConverter.h"
#include "convert/report/ConversionCodes.h"
#include "convert/support/PreparationFixtures.h"
#include "media/MediaValues.h"
#include "platform/RunLoop.h"

using namespace zuvo;
using test::CapturedLog;
using test::ScopedSettings;

namespace {

constexpr int kMoveOriginal = 2;

// A script that writes its process group into `group` and then does `body`.
QString script(const QString& folder, const QString& group, const QByteArray& body) {
  const QString path =
      test::writeFile(folder + "/after conversion", "#!/bin/sh\necho $$ > '" + group.toUtf8() + "'\n" + body);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
  return path;
}

qint64 groupOf(const QString& file) { return test::readFile(file).trimmed().toLongLong(); }

// The most memory this process has held so far (kB).
qint64 peakMemoryKB() {
  for (const QByteArray& line : test::readFile("/proc/self/status").split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLongLong();
  return -1;
}

// A two-second movie found in a watched folder, converted into `out` with the script run
// after it and the original moved to `converted`.
struct ScriptedConversion {
  QString sources = test::freshFolder("sources");
  QString out = test::freshFolder("out");
  QString converted = test::freshFolder("converted");
  QString group = sources + "/group";
  QString source = sources + "/Test Movie.mkv";
  CapturedLog log;
  CapturedLog userLog;
  std::unique_ptr<ScopedSettings> settings;
  MediaFilePtr media;
  std::unique_ptr<BCConverter> converter;

  explicit ScriptedConversion(const QByteArray& body) {
    test::makeTestVideo(source, 2);
    settings = std::make_unique<ScopedSettings>(std::initializer_list<std::pair<const char*, QVariant>>{
        {"ConversionDirectory", test::freshFolder("work")},
        {"MovieDestination", "Use Default"},
        {"ShowDestination", out},
        {"RunPostConversionAppleScript", true},
        {"PostConversionApplescriptPath", script(sources, group, body)},
        {"VideoSourcesFileAction", kMoveOriginal},
        {"ConvertedFilesDirectory", converted},
        {"ConversionThreads", 2}});
    media = test::probed(source);
    media->setMediatype(MediaType::Movie);
    media->setSeriesname("Test Movie");
    media->setConversionFormat(ConversionFormat::HDOnly);
    converter = BCConverter::init(media, "[1]", {}, log.reporter, {.userLog = userLog.reporter});
  }
};

}  // namespace

TEST(PostConversionScript, AScriptThatNeverEndsIsStoppedAtItsTimeLimitAndTheConversionGoesOn) {
  // It ignores the polite signal, as a hung script may.
  ScriptedConversion c("trap '' TERM\nwhile :; do sleep 1; done\n");
  c.converter->postscripttimelimit = 1;
  QElapsedTimer took;
  took.start();
  const BCError result = c.converter->Convert();
  EXPECT_LT(took.elapsed(), 15000);

  EXPECT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << c.log.text().toStdString();
  EXPECT_TRUE(c.media->conversionfinished());
  EXPECT_TRUE(QFileInfo::exists(c.out + "/Test Movie.m4v"));
  // The step after the script: the original's action.
  EXPECT_TRUE(QFileInfo::exists(c.converted + "/Test Movie.mkv"));
  EXPECT_FALSE(QFileInfo::exists(c.source));
  const QString cut = "The post-conversion script " + c.sources +
                      "/after conversion did not end within 1 seconds "
                      "and was stopped";
  EXPECT_TRUE(c.userLog.text().contains(cut)) << c.userLog.text().toStdString();
  EXPECT_FALSE(c.log.text().contains("Script ran successfully"));
  const qint64 group = groupOf(c.group);
  ASSERT_GT(group, 0);
  EXPECT_TRUE(test::groupEnds(group)) << "the script's group outlived it";
}

TEST(PostConversionScript, AStopDuringTheScriptEndsItAtOnceAndLeavesTheOriginal) {
  ScriptedConversion c("while :; do sleep 1; done\n");
  std::atomic_bool done = false;
  BCError result;
  std::thread conversion([&] {
    result = c.converter->Convert();
    done = true;
  });
  // The user presses Stop once the script runs.
  const bool scriptRan = runloop::waitUntil([&] { return groupOf(c.group) > 0 || done; }, 30, 20);
  QElapsedTimer took;
  took.start();
  c.media->setStopbuttonpressed(true);
  const bool ended = runloop::waitUntil([&] { return bool(done); }, 10, 20);
  const qint64 stopTook = took.elapsed();
  conversion.join();
  ASSERT_TRUE(scriptRan);
  EXPECT_TRUE(ended);
  EXPECT_LT(stopTook, 5000);

  EXPECT_EQ(result.Code(), ConversionCode::Stopped) << result.Description().toStdString() << "\n"
                                                    << c.log.text().toStdString();
  EXPECT_FALSE(c.media->conversionfinished());
  // The output was placed whole before the script began; the original stays where it was.
  EXPECT_TRUE(QFileInfo::exists(c.out + "/Test Movie.m4v"));
  EXPECT_TRUE(QFileInfo::exists(c.source));
  EXPECT_FALSE(QFileInfo::exists(c.converted + "/Test Movie.mkv"));
  EXPECT_TRUE(c.userLog.text().contains("The post-conversion script was stopped"))
      << c.userLog.text().toStdString();
  EXPECT_TRUE(test::groupEnds(groupOf(c.group)));
}

TEST(PostConversionScript, AScriptThatFloodsItsOutputIsReadWithinBoundedMemory) {
  const QString folder = test::freshFolder("flood");
  const QString group = folder + "/group";
  // 400 MB of output, then a failure, so that what was kept reaches the log.
  ScopedSettings settings{{"PostConversionApplescriptPath",
                           script(folder, group, "head -c 400000000 /dev/zero | tr '\\0' x\nexit 1\n")}};
  const MediaFilePtr media = std::make_shared<MediaFile>();
  media->setSeriesname("Brazil");
  CapturedLog log;
  const auto converter = BCConverter::init(media, "[1]", {}, log.reporter, {});
  const qint64 before = peakMemoryKB();
  QElapsedTimer took;
  took.start();
  EXPECT_FALSE(converter->finalAppleScript(*media, "/out/Brazil.m4v"));
  EXPECT_LT(took.elapsed(), 20000);
  ASSERT_GT(before, 0);
  EXPECT_LT(peakMemoryKB() - before, 100 * 1024) << "the output was kept whole";
  const QString text = log.text();
  EXPECT_TRUE(text.contains("finalAppleScript::Error is exit status 1 xxxx")) << text.left(300).toStdString();
  EXPECT_LT(text.size(), 1024 * 1024);
}

TEST(PostConversionScript, WhatTheScriptLeavesWritingInTheBackgroundDoesNotHoldTheConversion) {
  const QString folder = test::freshFolder("background");
  const QString group = folder + "/group";
  ScopedSettings settings{{"PostConversionApplescriptPath", script(folder, group, "yes &\necho started\n")}};
  const MediaFilePtr media = std::make_shared<MediaFile>();
  CapturedLog log;
  const auto converter = BCConverter::init(media, "[1]", {}, log.reporter, {});
  QElapsedTimer took;
  took.start();
  EXPECT_FALSE(converter->finalAppleScript(*media, "/out/Brazil.m4v"));
  EXPECT_LT(took.elapsed(), 5000);
  EXPECT_TRUE(log.text().contains("finalAppleScript::Script ran successfully"))
      << log.text().left(300).toStdString();
  // The player-like child is the user's to keep; this test ends it.
  ::kill(-pid_t(groupOf(group)), SIGKILL);
}
