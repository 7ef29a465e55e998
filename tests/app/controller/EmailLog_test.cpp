#include "app/controller/EmailLog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "platform/Paths.h"
#include "platform/RunLoop.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

// An xdg-email stand-in that writes its arguments, one a line, next to itself.
QString fakeMailProgram(const QString& folder) {
  const QString path = folder + "/xdg-email";
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(
      "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$(dirname \"$0\")/arguments.part\"\n"
      "mv \"$(dirname \"$0\")/arguments.part\" \"$(dirname \"$0\")/arguments\"\n");
  f.close();
  f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return path;
}

QString readText(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return QString::fromUtf8(f.readAll());
}

}  // namespace

TEST(EmailLog, OpensAMessageToSupportWithTheLogAttached) {
  const QString libexec = test::freshFolder("libexec");
  fakeMailProgram(libexec);
  paths::setResourceRoots(test::freshFolder("share"), libexec);
  const QString userLogPath = test::freshFolder("logs") + "/user.log";
  Reporter userLog = BCCReporter::path(userLogPath);

  QFile::remove(mainLogPath());
  emailLog(userLog);
  runloop::runFor(0.5);
  EXPECT_FALSE(QFile::exists(libexec + "/arguments")) << "no log file: nothing is mailed";
  EXPECT_FALSE(readText(userLogPath).contains("emailed"));

  QDir().mkpath(paths::applicationSupportFolder());
  QFile log(mainLogPath());
  ASSERT_TRUE(log.open(QIODevice::WriteOnly));
  log.write("Creating Log File\n");
  log.close();
  emailLog(userLog);
  ASSERT_TRUE(runloop::waitUntil([&] { return QFile::exists(libexec + "/arguments"); }, 10, 10));
  EXPECT_EQ(readText(libexec + "/arguments").split('\n', Qt::SkipEmptyParts),
            (QStringList{"--utf8", "--subject", "Support Log For User : ", "--attach", mainLogPath(),
                         "support@kelvane.example"}));
  EXPECT_TRUE(
      readText(userLogPath).contains(QRegularExpression("\n3 \\S+ Zuvo log emailed to Kelvane Support\n")));
  paths::setResourceRoots({}, {});
}
