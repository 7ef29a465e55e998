#pragma once
// The zuvo program itself, started with a home of its own (settings, logs, caches), off any
// session bus and display, with every online service pointed at a loopback port nobody
// listens on; told to quit once start-up has finished, or left running until the test ends
// it through its quit sequence (SIGTERM).
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <algorithm>
#include <memory>

#include "app/controller/RestorableState.h"
#include "platform/RunLoop.h"
#include "support/TestSupport.h"

namespace zuvo::test {

struct Outcome {
  int exitCode = -1;
  QString errors;  // standard error
};

class ZuvoProgram : public ::testing::Test {
 protected:
  static constexpr const char* kTickVariable = "ZUVO_TICK_MS";

  void SetUp() override {
    // A "W" in every logged path: scrambled, it is stored as a line-feed byte.
    home = freshFolder(QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                       "-W");
    setting("EnableLogging", true);
    setting("FirstRunWithDevices", false);
    environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home);
    environment.insert("XDG_CONFIG_HOME", home + "/.config");
    environment.insert("XDG_DATA_HOME", home + "/.local/share");
    environment.insert("XDG_CACHE_HOME", home + "/.cache");
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("ZUVO_QUIT_AFTER_STARTUP", "1");
    const QString nobody = QStringLiteral("http://127.0.0.1:%1").arg(portNobodyListensOn());
    for (const char* service : {"ZUVO_NEWS_URL", "ZUVO_TVDB_URL", "ZUVO_TVDB_BANNERS_URL", "ZUVO_TMDB_URL",
                                "ZUVO_TAGCHIMP_URL", "ZUVO_TVRAGE_URL"})
      environment.insert(service, nobody);
    environment.insert("LANGUAGE", "en_GB");
    // A test waits on every tick it runs through: a 2 s tick instead of the program's own
    // 10 s keeps it quick (a test that wants the real tick removes the variable).
    environment.insert(kTickVariable, "2000");
    environment.remove("ZUVO_BUILD_DIR");
    // Off any session bus: a zuvo of another test (or the desktop's) must not be handed
    // this one's paths.
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home + "/no-bus");
  }

  void setting(const QString& key, const QVariant& value) {
    QSettings settings(home + "/.config/Zuvo/Zuvo.conf", QSettings::IniFormat);
    settings.setValue(key, value);
  }
  QVariant storedSetting(const QString& key) const {
    return QSettings(home + "/.config/Zuvo/Zuvo.conf", QSettings::IniFormat).value(key);
  }

  Outcome run(const QStringList& arguments = {}, const QString& wrapper = {}) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    if (wrapper.isEmpty()) {
      process.start(program(), arguments);
    } else {
      process.start(wrapper, QStringList{"-a", program()} + arguments);
    }
    EXPECT_TRUE(process.waitForFinished(60000)) << "zuvo did not end";
    Outcome r;
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.errors = QString::fromUtf8(process.readAllStandardError());
    return r;
  }

  QString program() const { return qEnvironmentVariable("ZUVO_BUILD_DIR") + "/bin/zuvo"; }

  // A run that stays until `end` (SIGTERM: the quit sequence).
  std::unique_ptr<QProcess> launch(const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment staying = environment;
    staying.remove("ZUVO_QUIT_AFTER_STARTUP");
    process->setProcessEnvironment(staying);
    process->setWorkingDirectory(workingDirectory);
    process->start(program(), arguments);
    EXPECT_TRUE(process->waitForStarted());
    return process;
  }
  Outcome end(QProcess& process) {
    process.terminate();
    EXPECT_TRUE(process.waitForFinished(30000)) << "zuvo did not end";
    Outcome r;
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.errors = QString::fromUtf8(process.readAllStandardError());
    return r;
  }
  // Waits until every named file's probe has logged the end of its look-up.
  bool waitForProbes(const QStringList& names) {
    return runloop::waitUntil(
        [&] {
          const QStringList log = mainLog();
          return std::all_of(names.begin(), names.end(), [&](const QString& name) {
            return log.contains("File " + name + " completed lookup");
          });
        },
        30, 100);
  }
  // The files list as the quit sequence saved it.
  QList<MediaFilePtr> savedFiles() const {
    return RestorableState(support()).read(BCCReporter::dummy()).FileTable.value_or(QList<MediaFilePtr>());
  }

  QString support() const { return home + "/.local/share/Zuvo"; }
  QStringList mainLog() const { return logMessages(support() + "/log.bclog2"); }
  QStringList userLog() const { return logMessages(support() + "/userlog.txt"); }

  QString home;
  QProcessEnvironment environment;
  QString workingDirectory;  // empty: the test's own
};

}  // namespace zuvo::test
