#pragma once
// The controller's pieces wired together without a display and without real tools: a
// GNTP daemon nobody runs (notices fail fast, logged), logs in files, hooks that record
// what they were asked, scripted converters and tag writers on manual executors.
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <deque>
#include <map>
#include <memory>

#include "app/controller/TimedActivities.h"
#include "app/files/AddingPaths.h"
#include "app/files/FileLists.h"
#include "app/files/SourceScanner.h"
#include "app/notices/GNTPClient.h"
#include "app/notices/Notices.h"
#include "app/queue/QueueRunner.h"
#include "app/shared/ControllerHooks.h"
#include "app/shared/ControllerState.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/RunLoop.h"
#include "support/TestSupport.h"

// Each test program includes this once. The Dock badge is drawn with fonts, and test
// discovery runs the program outside ctest's environment: stay off any display.
QCoreApplication* zuvo::test::makeApplication(int& argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return new QGuiApplication(argc, argv);
}

namespace zuvo::test {

// What a scripted conversion does when run: its result and whether it finished.
struct Script {
  BCError result;
  bool finished = true;
};

class ScriptedConverter : public ConversionTask {
 public:
  ScriptedConverter(MediaFilePtr media, Script script, int* converts)
      : media_(std::move(media)), script_(std::move(script)), converts_(converts) {}
  BCError Convert() override {
    ++*converts_;
    media_->setConversionfinished(script_.finished);
    return script_.result;
  }
  QString outputBaseName() const override { return QStringLiteral("Converting Show"); }

 private:
  MediaFilePtr media_;
  Script script_;
  int* converts_;
};

// Log lines without their level and time ("3 12:00:00 text" -> "text").
inline QStringList logLines(const QString& path) {
  QStringList lines;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return lines;
  for (const QString& line : QString::fromUtf8(f.readAll()).split('\n'))
    if (line.size() > 11 && line[1] == ' ') lines << line.mid(11);
  return lines;
}

struct ControllerFixture {
  ControllerFixture() {
    registerSettingDefaults();
    qputenv(gntp::kPortVariable, QByteArray::number(portNobodyListensOn()));
    const QString folder = freshFolder("controller");
    mainLogPath = folder + "/main.log";
    userLogPath = folder + "/user.log";
    state.mainLog = BCCReporter::path(mainLogPath);
    state.userLog = BCCReporter::path(userLogPath);
    state.systemMinor = 8;
    notices = std::make_unique<Notices>(state.mainLog, state.userLog, SystemVersion{10, 7, 3});
    notices->setStatusSink([this](const QString& text) { statusTexts << text; });

    hooks.runFor = [](double) {};
    hooks.reloadFilesTable = [this] { ++filesReloads; };
    hooks.reloadQueueTable = [this] { ++queueReloads; };
    hooks.showAlert = [this](const QString& text) { alerts << text; };
    hooks.showNotice = [this](const QString& text) { timedNotices << text; };
    hooks.conversionFinished = [this](const MediaFile& media) { scanner->sourceConverted(media); };
    hooks.showQueue = [this] { ++queueShown; };
    hooks.highlightedRows = [this] { return highlighted; };
    hooks.showPaused = [this](bool paused) { pauseTitles << paused; };
    hooks.invalidateRestorableState = [this] { ++invalidations; };

    lists = std::make_unique<FileLists>(state, hooks);
    lists->setProbeStarter([this](const MediaFilePtr& media, bool autoprocess) {
      probed << media->fullpath();
      probedAutoprocess << autoprocess;
    });
    ConversionJobs jobs;
    jobs.makeConverter = [this](const MediaFilePtr& media, const QString& identifier, const HelperInfo&,
                                const Reporter&, const ConversionReport&) -> std::unique_ptr<ConversionTask> {
      identifiers << identifier;
      const auto found = scripts.find(media.get());
      return std::make_unique<ScriptedConverter>(media, found == scripts.end() ? Script{} : found->second,
                                                 &converts);
    };
    jobs.writeTags = [this](const QString& path, const MediaFile&, const Reporter&) {
      taggedPaths << path;
      return tagOutcome;
    };
    jobs.runConversion = [this](std::function<void()> job) { conversionJobs.push_back(std::move(job)); };
    jobs.runTagsJob = [this](std::function<void()> job) { tagsJobs.push_back(std::move(job)); };
    runner = std::make_unique<QueueRunner>(state, *notices, hooks, *lists, std::move(jobs));
    scanner = std::make_unique<SourceScanner>(state, *notices, hooks, *lists);
    adding = std::make_unique<AddingPaths>(state, hooks, *lists, *scanner);
  }
  ~ControllerFixture() {
    runner.reset();
    notices.reset();
    qunsetenv(gntp::kPortVariable);
  }

  // Runs every job sent so far (in order) and delivers what they hand the GUI thread.
  void runJobs(std::deque<std::function<void()>>& queue) {
    while (!queue.empty()) {
      auto job = std::move(queue.front());
      queue.pop_front();
      job();
    }
    QCoreApplication::sendPostedEvents();
  }
  void runConversions() { runJobs(conversionJobs); }
  void runTagsJobs() { runJobs(tagsJobs); }

  // A queued item whose look-up has ended.
  MediaFilePtr queued(const QString& name, ConversionFormat format = ConversionFormat::HDOnly,
                      bool lookedUp = true) {
    auto media = std::make_shared<MediaFile>();
    media->setFullpath("/videos/" + name);
    media->setFilename(name);
    media->setState(MediaState::Queued);
    media->setDidlookup(lookedUp);
    media->setConversionFormat(format);
    state.queue.append(media);
    return media;
  }

  // Runs the event loop until every path handed to `adding` has been taken.
  bool added() {
    return runloop::waitUntil([this] { return !adding->busy(); }, 30, 1);
  }

  QStringList mainLog() const { return logLines(mainLogPath); }
  QStringList userLog() const { return logLines(userLogPath); }

  ControllerState state;
  QString mainLogPath;
  QString userLogPath;
  std::unique_ptr<Notices> notices;
  ControllerHooks hooks;
  std::unique_ptr<FileLists> lists;
  std::unique_ptr<QueueRunner> runner;
  std::unique_ptr<SourceScanner> scanner;
  std::unique_ptr<AddingPaths> adding;

  std::map<const MediaFile*, Script> scripts;
  BCError tagOutcome;
  std::deque<std::function<void()>> conversionJobs;
  std::deque<std::function<void()>> tagsJobs;
  QStringList identifiers;
  QStringList taggedPaths;
  int converts = 0;

  QStringList probed;
  QList<bool> probedAutoprocess;
  QStringList statusTexts;
  QStringList alerts;        // modal
  QStringList timedNotices;  // shown without waiting
  QList<int> highlighted;
  QList<bool> pauseTitles;
  int filesReloads = 0;
  int queueReloads = 0;
  int queueShown = 0;
  int invalidations = 0;
};

}  // namespace zuvo::test
