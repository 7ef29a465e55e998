#include "media/HelperInfo.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <limits>

#include "MediaTestSupport.h"
#include "platform/Paths.h"

using namespace zuvo;
using test::CapturedLog;

namespace {
HelperInfo parse(const QStringList& lines) {
  HelperInfo info;
  for (const QString& line : lines) examineHelperInfoLine(line, info, nullptr);
  return info;
}

// A stand-in helper that prints the given lines the way the real one logs them.
QString fakeHelper(const QByteArray& body) {
  const QString path = test::writeFile(test::freshFolder("helper") + "/Zuvo264Helper", "#!/bin/sh\n" + body);
  QFile(path).setPermissions(QFile(path).permissions() | QFile::ExeOwner);
  return path;
}
}  // namespace

TEST(HelperInfo, TheAnswerLinesSetTheFlagsAndTheVersion) {
  const QString stamp = "2011-05-01 10:00:00.000 Zuvo264Helper[123:903] ";
  struct Case {
    const char* name;
    QStringList lines;
    HelperInfo info;
  } cases[] = {
      {"no framework", {stamp + "No Turbo.264 Framework Installed"}, {false, 0, false, false}},
      {"device without HD",
       {stamp + "Framework Version :12<<<", stamp + "Turbo.264 Device is Available",
        stamp + "Turbo.264 HD Device is Not Available"},
       {false, 12, true, false}},
      {"everything",
       {stamp + "Framework Version :14<<<",
        stamp + "Info:", stamp + "Turbo 264 Framework Is Available on version 14",
        stamp + "Turbo.264 Device is Available", stamp + "Turbo.264 HD Device is Available"},
       {true, 14, true, true}},
      {"old framework goes on",
       {stamp + "Framework Version :11<<<",
        stamp + "Turbo.264 Framework Version 11 installed. Zuvo requires Turbo.264 Framework version 12 or "
                "higher.",
        stamp + "Turbo 264 Framework Is Available on version 11",
        stamp + "Turbo.264 Device is Not Available"},
       {true, 11, false, false}},
      {"version without end marker", {"Framework Version :12"}, {false, 0, false, false}},
      {"flags stay set",
       {"Turbo.264 Device is Available", "Turbo.264 Device is Not Available"},
       {false, 0, true, false}},
      {"nothing", {}, {false, 0, false, false}},
  };
  for (const Case& c : cases) {
    const HelperInfo info = parse(c.lines);
    EXPECT_EQ(info.FrameworkInstalled, c.info.FrameworkInstalled) << c.name;
    EXPECT_EQ(info.FrameworkVersion, c.info.FrameworkVersion) << c.name;
    EXPECT_EQ(info.DeviceAvailable, c.info.DeviceAvailable) << c.name;
    EXPECT_EQ(info.HDDeviceAvailable, c.info.HDDeviceAvailable) << c.name;
  }
}

TEST(HelperInfo, TheCheckRunsTheHelperAndReadsItsLog) {
  // Lines written in pieces, on standard error, the last one without a line feed.
  const QString helper = fakeHelper(
      "[ \"$1 $2\" = \"-info 1\" ] || exit 0\n"
      "printf 'x Framework Vers' >&2; sleep 0.15; printf 'ion :12<<<\\n' >&2\n"
      "echo 'x Turbo.264 Device is Available' >&2\n"
      "pwd\n"
      "printf 'x Turbo 264 Framework Is Available on version 12' >&2\n");
  CapturedLog log;
  const QString folder = test::freshFolder("cache");
  const HelperInfo info = run264HelperInfo(helper, folder, log.reporter);
  EXPECT_EQ(info, (HelperInfo{true, 12, true, false}));
  const QString text = log.text();
  EXPECT_TRUE(text.contains("[BLUE]run264HelperInfo called"));
  EXPECT_TRUE(text.contains("Helper264Info: x Framework Version :12<<<")) << text.toStdString();
  EXPECT_TRUE(text.contains("Helper264Info: " + folder)) << "runs in the given folder";
}

TEST(HelperInfo, TheWaitEndsWhenTheHelperHasEnded) {
  // The helper notes the moment it ends; the check must not wait on after it.
  const QString ended = test::freshFolder("ended") + "/at";
  const QString helper =
      fakeHelper("echo 'Turbo.264 Device is Available' >&2\ndate +%s%N > '" + ended.toUtf8() + "'\n");
  qint64 shortest = std::numeric_limits<qint64>::max();
  for (int run = 0; run < 3; ++run) {
    QFile::remove(ended);
    EXPECT_TRUE(run264HelperInfo(helper, "/", {}).DeviceAvailable);
    const qint64 returned = QDateTime::currentMSecsSinceEpoch();
    const qint64 helperEnded = test::readFile(ended).trimmed().toLongLong() / 1000000;
    ASSERT_GT(helperEnded, 0);
    shortest = std::min(shortest, returned - helperEnded);
  }
  // The least of three runs: a loaded machine may delay any one of them.
  EXPECT_LT(shortest, 100) << "ms after the helper ended";
}

TEST(HelperInfo, AMissingHelperGivesTheNotInstalledRecord) {
  for (const QString& path :
       {QString(), paths::toolPath("Zuvo264Helper-absent"), test::testHome() + "/nohelper"}) {
    CapturedLog log;
    EXPECT_EQ(run264HelperInfo(path, "/", log.reporter), HelperInfo());
    EXPECT_TRUE(log.text().contains("Zuvo264Helper is not installed")) << path.toStdString();
  }
}

TEST(HelperInfo, AHelperThatHangsIsStoppedAndItsAnswerSoFarStands) {
  const QString helper = fakeHelper("echo 'Turbo.264 Device is Available' >&2\nexec sleep 60\n");
  CapturedLog log;
  QElapsedTimer clock;
  clock.start();
  const HelperInfo info = run264HelperInfo(helper, "/", log.reporter, 1);
  EXPECT_LT(clock.elapsed(), 10000);
  EXPECT_TRUE(info.DeviceAvailable);
  EXPECT_TRUE(log.text().contains("did not answer in time")) << log.text().toStdString();
}
