#include "app/controller/Controller.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "app/controller/MainWindowShell.h"
#include "app/controller/RestorableState.h"
#include "app/controller/UserLanguage.h"
#include "app/files/FileLists.h"
#include "app/files/FilesTableModel.h"
#include "app/files/SourceScanner.h"
#include "app/preferences/BCPreferencePanel.h"
#include "app/queue/QueueRunner.h"
#include "app/queue/QueueTableModel.h"
#include "app/shared/Feed.h"
#include "app/support/ControllerStart.h"
#include "app/support/MainWindowFixture.h"
#include "app/support/WidgetApplication.h"
#include "app/tables/BCTableView.h"
#include "media/AnalysisTools.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "metadata/live/LiveKeys.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/RunLoop.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

// Answers every warning box as soon as it is shown, noting what it said.
class WarningAnswerer {
 public:
  WarningAnswerer() {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        seen.append(box->text() + " | " + box->informativeText());
        box->accept();
      }
    });
    poll_.start(20);
  }
  QStringList seen;

 private:
  QTimer poll_;
};

// A conversion that runs until it is asked to stop and is not paused, then takes a moment
// to end its tool; on a thread of its own, as the real ones run.
class StoppableConversion : public ConversionTask {
 public:
  explicit StoppableConversion(MediaFilePtr media) : media_(std::move(media)) {}
  BCError Convert() override {
    QElapsedTimer waited;
    waited.start();
    while ((!media_->stopbuttonpressed() || media_->pause()) && waited.elapsed() < 20000) QThread::msleep(10);
    QThread::msleep(300);
    return BCError::Code(2, "Stopped");
  }
  QString outputBaseName() const override { return "Converting"; }

 private:
  MediaFilePtr media_;
};

struct StoppableJobs {
  ConversionJobs jobs() {
    ConversionJobs j;
    j.makeConverter = [this](const MediaFilePtr& media, const QString& identifier, const HelperInfo&,
                             const Reporter&, const ConversionReport&) -> std::unique_ptr<ConversionTask> {
      identifiers.append(identifier);
      return std::make_unique<StoppableConversion>(media);
    };
    j.writeTags = [](const QString&, const MediaFile&, const Reporter&) { return BCError::NoError(); };
    j.runConversion = [this](std::function<void()> job) { threads.emplace_back(std::move(job)); };
    j.runTagsJob = [](std::function<void()> job) { job(); };
    return j;
  }
  ~StoppableJobs() {
    for (std::thread& thread : threads) thread.join();
  }
  // Filled on the GUI thread only (the factory runs on the worker): read after joining.
  QStringList identifiers;
  std::vector<std::thread> threads;
};

MediaFilePtr lookedUpItem(const QString& path, MediaState state) {
  auto item = std::make_shared<MediaFile>();
  item->setFullpath(path);
  item->setFilename(QFileInfo(path).fileName());
  item->setDidlookup(true);
  item->setState(state);
  return item;
}

class ControllerTest : public ::testing::Test {
 protected:
  void SetUp() override { root = test::prepareControllerStart(); }
  void TearDown() override {
    for (const char* v : {"ZUVO_NEWS_URL", "ZUVO_SYSTEM_VERSION", "ZUVO_GNTP_PORT", "LANGUAGE"}) qunsetenv(v);
  }

  std::unique_ptr<Controller> start(std::optional<ConversionJobs> jobs = std::nullopt) {
    auto controller = jobs ? std::make_unique<Controller>(std::move(*jobs)) : std::make_unique<Controller>();
    EXPECT_TRUE(controller->awakeFromNib());
    return controller;
  }
  QString support() const { return root + "/data/Zuvo"; }
  QStringList mainLog() const { return test::logMessages(support() + "/log.bclog2"); }
  QStringList userLog() const { return test::logMessages(support() + "/userlog.txt"); }

  QString root;
};

}  // namespace

TEST(UserLanguage, FirstPreferredLanguageGivesTheCodeAndItsName) {
  struct Case {
    QStringList preferred;
    const char* code;
    const char* name;  // nullptr: whatever the table says
  } cases[] = {
      {{"en-GB", "de"}, "en", "English"}, {{"en"}, "en", "English"},
      {{"de", "en"}, "de", "German"},     {{"nb"}, "no", nullptr},
      {{"pt-BR"}, "pt", "Portuguese"},    {{"pt-PT"}, "pt", "Portuguese"},
      {{"zh-Hant"}, "zh", "Chinese"},     {{}, "", "Unknown"},
      {{"qq"}, "qq", "Unknown"},
  };
  for (const Case& c : cases) {
    const UserLanguage language = workOutUserLanguage(c.preferred, BCCReporter::dummy());
    EXPECT_EQ(language.code, QString::fromUtf8(c.code)) << c.preferred.join(',').toStdString();
    if (c.name) {
      EXPECT_EQ(language.name, c.name) << c.preferred.join(',').toStdString();
    }
  }
}

TEST_F(ControllerTest, StartUpLogsEachStepAndMakesTheFolders) {
  auto controller = start();
  EXPECT_TRUE(QFileInfo(root + "/cache/org.zuvo.Zuvo").isDir());
  EXPECT_TRUE(QFileInfo(root + "/Videos").isDir());
  EXPECT_EQ(controller->state().cacheFolder, root + "/cache/org.zuvo.Zuvo");
  const QStringList main = mainLog();
  const QStringList expected = {"Log starting...",
                                "[BLUE]User home directory is " + paths::homeFolder(),
                                "[BLUE]Mac OS Version is 10.8.0",
                                "Checking for critical directories...",
                                "Setting up notification center",
                                "Creating Busy, Tags, Preferences and Alert Panel",
                                "Creating LookUp object",
                                "Checking for Turbo.264",
                                "[RED] Perian not installed",
                                "Checking for News"};
  qsizetype at = -1;
  for (const QString& line : expected) {
    const qsizetype found = main.indexOf(line, at + 1);
    EXPECT_GT(found, at) << line.toStdString() << " missing or out of order";
    at = std::max(at, found);
  }
  EXPECT_TRUE(userLog().contains("No Turbo Framework"));
  const test::ShownWindows w = test::ShownWindows::find();
  EXPECT_TRUE(w.MainWindow->isVisible());
  // The queue window's table is the one in use.
  EXPECT_TRUE(dynamic_cast<QueueTableModel&>(*w.Queue1TableView->model()).inUse());
  EXPECT_FALSE(dynamic_cast<QueueTableModel&>(*w.Queue2TableView->model()).inUse());
  EXPECT_TRUE(test::tickTimer(*controller)->isActive());
  EXPECT_EQ(test::tickTimer(*controller)->interval(), 10000);
}

TEST_F(ControllerTest, LoggingSwitchedOffWritesNoLogs) {
  Defaults::standard().setBool(false, "EnableLogging");
  auto controller = start();
  EXPECT_FALSE(QFile::exists(support() + "/log.bclog2"));
  EXPECT_FALSE(QFile::exists(support() + "/userlog.txt"));
  EXPECT_TRUE(QFileInfo(support()).isDir());
}

TEST_F(ControllerTest, StartUpKeepsAChosenDefaultFormatAndResetsAnythingElse) {
  const int cases[][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {4, 4}, {5, 0}, {-1, 0}};
  for (const auto& c : cases) {
    Defaults::standard().setInteger(c[0], "DefaultVideoFormat");
    auto controller = start();
    EXPECT_EQ(Defaults::standard().integerForKey("DefaultVideoFormat"), c[1]) << "stored " << c[0];
  }
}

// The user opens the preferences from the menu, picks a default format and presses OK;
// after a restart the choice is still there and a new item takes the format it names.
TEST_F(ControllerTest, ADefaultFormatChosenInThePreferencesSurvivesARestartAndNamesTheFormat) {
  const struct {
    const char* row;
    ConversionFormat format;  // with mobile devices chosen
  } cases[] = {{"VersionFormatMatrix_0", ConversionFormat::HDAndSD},
               {"VersionFormatMatrix_1", ConversionFormat::SDOnly},
               {"VersionFormatMatrix_2", ConversionFormat::HDOnly},
               {"VersionFormatMatrix_3", ConversionFormat::Original}};
  Defaults::standard().setBool(true, "SupportMobileDevices");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    {
      auto controller = start();
      QDialog* window = nullptr;
      QTimer poll;
      QObject::connect(&poll, &QTimer::timeout, [&] {
        window = test::preferencesWindow();
        if (!window || QApplication::activeModalWidget() != window) return;
        poll.stop();
        window->findChild<QRadioButton*>(c.row)->click();
        window->findChild<QPushButton*>("UpdateButton")->click();
      });
      poll.start(20);
      test::ShownWindows::find().PreferencesMenuItem->trigger();
      ASSERT_NE(window, nullptr);
      EXPECT_FALSE(window->isVisible());
    }
    auto restarted = start();
    EXPECT_EQ(MediaFile().ConversionFormat(), c.format);
    // Opened again, the window shows the stored choice.
    bool checked = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
      QDialog* window = test::preferencesWindow();
      if (!window || QApplication::activeModalWidget() != window) return;
      look.stop();
      checked = window->findChild<QRadioButton*>(c.row)->isChecked();
      window->findChild<QPushButton*>("CancelButton")->click();
    });
    look.start(20);
    test::ShownWindows::find().PreferencesMenuItem->trigger();
    EXPECT_TRUE(checked);
  }
}

TEST_F(ControllerTest, SpeedAndDetailsColumnsFollowTheirSettings) {
  for (bool fast : {false, true})
    for (bool details : {false, true}) {
      Defaults::standard().setBool(fast, "EnableFASTMode");
      Defaults::standard().setBool(details, "ShowFileDetails");
      auto controller = start();
      QTableView* files = test::ShownWindows::find().FilesTableView;
      EXPECT_EQ(files->isColumnHidden(MainWindowShell::SpeedColumn), !fast);
      EXPECT_EQ(files->isColumnHidden(MainWindowShell::DetailsColumn), !details);
    }
}

TEST_F(ControllerTest, UnusableCacheFolderFallsBackToTheDefaultAfterAnAlert) {
  const QString file = test::writeFile(root + "/plain-file", "x");
  const QString fallback = paths::defaultCacheFolder();
  for (const QString& cache : {file + "/cache", file}) {
    Defaults::standard().setString(cache, "ConversionDirectory");
    WarningAnswerer answerer;
    auto controller = start();
    EXPECT_EQ(answerer.seen, QStringList("Missing Cache Directory | Cache Directory " + cache +
                                         " is missing reventing to default of " + fallback));
    EXPECT_EQ(controller->state().cacheFolder, fallback);
    EXPECT_EQ(Defaults::standard().stringForKey("ConversionDirectory"), fallback);
    EXPECT_TRUE(userLog().contains("Cache directory still does not exist reverting to default."));
  }
}

TEST_F(ControllerTest, NoUsableCacheFolderAtAllEndsStartUpBeforeTheEventLoop) {
  const QString file = test::writeFile(root + "/plain-file", "x");
  Defaults::standard().setString(file + "/cache", "ConversionDirectory");
  qputenv("XDG_CACHE_HOME", file.toLocal8Bit());
  WarningAnswerer answerer;
  Controller controller;
  EXPECT_FALSE(controller.awakeFromNib());
  EXPECT_TRUE(controller.terminated());
  ASSERT_EQ(answerer.seen.size(), 2);
  EXPECT_EQ(answerer.seen[1], "Unable to create default cache directory | Program will abort.");
  const QStringList main = mainLog();
  EXPECT_TRUE(main.contains("Program Terminating Normally"));
  EXPECT_FALSE(main.contains("Setting up notification center"));
  EXPECT_EQ(test::tickTimer(controller), nullptr);
}

TEST_F(ControllerTest, ConvertedFilesFolderThatCannotBeMadeFallsBackToMoviesWithoutAnAlert) {
  const QString file = test::writeFile(root + "/plain-file", "x");
  Defaults::standard().setString(file + "/out", "ConvertedFilesDirectory");
  WarningAnswerer answerer;
  auto controller = start();
  EXPECT_TRUE(answerer.seen.isEmpty());
  EXPECT_EQ(Defaults::standard().stringForKey("ConvertedFilesDirectory"), paths::moviesFolder());
  EXPECT_TRUE(mainLog().contains(
      "[RED]Original files directory still does not exist. Defaulting back to Movies directory"));
  EXPECT_FALSE(userLog().contains("Original files directory exists"));
}

TEST_F(ControllerTest, NewsPanelShowsTheNewsPageOnceAndStoresItsNumber) {
  test::LoopbackHttpServer server;
  server.route("/Zuvo/ZuvoNews.php",
               {200, "Zuvo ALERT:5:Spring\n<p>Spring release notes</p>\n", "text/html"});
  qputenv("ZUVO_NEWS_URL", server.baseURL().toLocal8Bit());
  {
    auto controller = start();
    EXPECT_TRUE(test::ShownWindows::find().NewsPanel->isVisible());
    EXPECT_TRUE(test::ShownWindows::find().NewsWebView->toPlainText().contains("Spring release notes"));
    EXPECT_EQ(Defaults::standard().integerForKey("AlertNumber"), 5);
    EXPECT_TRUE(mainLog().contains("News of number 5"));
    EXPECT_TRUE(mainLog().contains("[BLUE]New News!"));
  }
  auto again = start();
  EXPECT_FALSE(test::ShownWindows::find().NewsPanel->isVisible());
  EXPECT_TRUE(userLog().contains("No news"));
}

TEST_F(ControllerTest, NewsWithoutAThirdFieldOrWithoutAnAnswerShowsAndLogsNothing) {
  test::LoopbackHttpServer server;
  server.route("/Zuvo/ZuvoNews.php", {200, "Zuvo ALERT:9\n", "text/html"});
  qputenv("ZUVO_NEWS_URL", server.baseURL().toLocal8Bit());
  // A news file left by an earlier launch does not count for this one.
  QDir().mkpath(root + "/cache/org.zuvo.Zuvo");
  test::writeFile(root + "/cache/org.zuvo.Zuvo/newsfile", "Zuvo ALERT:7:old\n");
  for (int status : {200, 404}) {
    server.route("/Zuvo/ZuvoNews.php", {status, "Zuvo ALERT:9\n", "text/html"});
    auto controller = start();
    EXPECT_FALSE(test::ShownWindows::find().NewsPanel->isVisible()) << status;
    EXPECT_EQ(Defaults::standard().integerForKey("AlertNumber"), 1) << status;
    for (const QString& line : mainLog()) EXPECT_FALSE(line.startsWith("News of number")) << status;
    EXPECT_FALSE(userLog().contains("No news")) << status;
  }
}

TEST_F(ControllerTest, RatingPromptFromTwentyConversionsOnceInTheUsersLanguage) {
  struct Case {
    int conversions;
    const char* language;
    bool shown;
    const char* opening;
  } cases[] = {{19, "en_US.UTF-8", false, ""},
               {20, "de_DE.UTF-8", true, "Lieber Kunde,"},
               {20, "fr_FR.UTF-8", false, ""},  // shown once already
               {25, "fr_FR.UTF-8", false, ""}};
  for (const Case& c : cases) {
    Defaults::standard().setInteger(c.conversions, "SucessfulConversions");
    // The user's locale; no other variable overrides it.
    for (const char* v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) qunsetenv(v);
    qputenv("LANG", c.language);
    auto controller = start();
    EXPECT_EQ(test::ShownWindows::find().RateZuvoWindow->isVisible(), c.shown) << c.conversions << c.language;
    if (c.shown) {
      EXPECT_TRUE(test::ShownWindows::find().RateZuvoTextField->text().startsWith(c.opening));
    }
  }
  EXPECT_TRUE(Defaults::standard().boolForKey("HaveShownReviewDialog2"));
}

TEST_F(ControllerTest, SavedListsComeBackWithoutDroppingWhatTheLaunchAdded) {
  QDir().mkpath(support());
  const RestorableState saved(support());
  ASSERT_TRUE(saved.write({lookedUpItem("/videos/a.mkv", MediaState::InFilesTable)},
                          {lookedUpItem("/videos/b.mkv", MediaState::Converting)}));
  const QByteArray before = test::readFile(saved.path());

  auto controller = start();
  controller->setProbeStarter({});
  // Found at launch, before the saved lists are read: one new, one already saved.
  for (const char* path : {"/videos/new.mkv", "/videos/b.mkv"}) {
    QList<MediaFilePtr> files = controller->state().files;
    files.append(lookedUpItem(path, MediaState::InFilesTable));
    files.last()->setDidlookup(false);
    controller->setFiles(files);
    controller->invalidateRestorableState();
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(test::readFile(saved.path()), before) << "the saved lists were overwritten before being read";

  controller->applicationDidFinishLaunching();
  // They are read on another thread while the window goes on.
  ASSERT_TRUE(runloop::waitUntil([&] { return controller->launched(); }, 60, 10));
  const ControllerState& state = controller->state();
  ASSERT_EQ(state.files.size(), 2);
  EXPECT_EQ(state.files[0]->fullpath(), "/videos/a.mkv");
  EXPECT_TRUE(state.files[0]->didlookup());
  EXPECT_EQ(state.files[1]->fullpath(), "/videos/new.mkv");
  ASSERT_EQ(state.queue.size(), 1);
  EXPECT_EQ(state.queue[0]->fullpath(), "/videos/b.mkv");
  EXPECT_EQ(state.queue[0]->state(), MediaState::Queued);
  EXPECT_EQ(test::ShownWindows::find().FilesTableView->model()->rowCount(), 2);
  EXPECT_EQ(test::ShownWindows::find().Queue1TableView->model()->rowCount(), 1);
}

TEST_F(ControllerTest, TickStartsTheQueueRunnerOnceStartUpHasFinished) {
  StoppableJobs conversions;
  Controller controller(conversions.jobs());
  controller.timedactivities();  // before start-up: nothing exists to run yet
  ASSERT_TRUE(controller.awakeFromNib());
  controller.applicationDidFinishLaunching();
  const ControllerState& state = controller.state();
  const MediaFilePtr waiting = lookedUpItem("/videos/w.mkv", MediaState::Queued);
  const MediaFilePtr unprobed = lookedUpItem("/videos/u.mkv", MediaState::Queued);
  unprobed->setDidlookup(false);
  controller.setQueue({unprobed, waiting});

  controller.timedactivities();
  EXPECT_EQ(waiting->state(), MediaState::Converting);
  EXPECT_EQ(unprobed->state(), MediaState::Queued) << "an item still being probed is not taken";
  EXPECT_EQ(controller.runningJobs(), 1);
  EXPECT_TRUE(mainLog().contains("Starting conversion thread for : /videos/w.mkv"));
  // The next tick starts nothing beside the running conversion.
  controller.timedactivities();
  EXPECT_EQ(conversions.threads.size(), 1u);

  controller.QuitButtonPress();
  EXPECT_TRUE(waiting->stopbuttonpressed());
  EXPECT_EQ(controller.runningJobs(), 0);
}

TEST_F(ControllerTest, QuitLetsTheTagRewriteFinishDropsJobsNotBegunAndStopsConversions) {
  StoppableJobs conversions;
  auto controller = start(conversions.jobs());
  controller->applicationDidFinishLaunching();
  const ControllerState& state = controller->state();
  MediaFilePtr converting = lookedUpItem("/videos/c.mkv", MediaState::Queued);
  MediaFilePtr waiting = lookedUpItem("/videos/w.mkv", MediaState::Queued);
  controller->setQueue({converting});
  controller->timedactivities();
  ASSERT_EQ(converting->state(), MediaState::Converting);
  test::ShownWindows::find().QueuePauseButton->click();
  ASSERT_TRUE(state.paused);
  controller->setQueue(QList<MediaFilePtr>(state.queue) << waiting);
  controller->setFiles(
      {lookedUpItem("/videos/done.mkv", MediaState::InFilesTable), std::make_shared<MediaFile>()});

  // The rewrite under way lasts until the quit has dropped the job queued behind it: the
  // pool deletes a dropped job, and with it what it holds.
  std::atomic_bool rewriteBegan = false, rewriteFinished = false, laterJobRan = false, laterJobGone = false;
  // The serial queue the real tag writer sends its rewrites to (these jobs run no writer).
  QThreadPool& serial = const_cast<QThreadPool&>(state.ConvertQueue);
  serial.start([&] {
    rewriteBegan = true;
    QElapsedTimer clock;
    clock.start();
    while (!laterJobGone && clock.elapsed() < 10000) QThread::msleep(10);
    rewriteFinished = true;
  });
  struct Held {
    explicit Held(std::atomic_bool& gone) : gone(gone) {}
    ~Held() { gone = true; }
    std::atomic_bool& gone;
  };
  serial.start([&, held = std::make_shared<Held>(laterJobGone)] { laterJobRan = true; });
  ASSERT_TRUE(runloop::waitUntil([&] { return rewriteBegan.load(); }, 10, 10)) << "the rewrite did not begin";

  controller->QuitButtonPress();
  EXPECT_TRUE(rewriteFinished);
  EXPECT_FALSE(laterJobRan);
  EXPECT_EQ(controller->runningJobs(), 0) << "the stopped conversion has ended";
  EXPECT_FALSE(converting->pause());
  EXPECT_TRUE(converting->stopbuttonpressed());
  EXPECT_FALSE(waiting->stopbuttonpressed());
  EXPECT_EQ(state.files.size(), 1) << "files whose look-up never finished are dropped";
  EXPECT_TRUE(controller->terminated());
  EXPECT_FALSE(test::tickTimer(*controller)->isActive());
  const RestoredLists saved = RestorableState(support()).read(BCCReporter::dummy());
  ASSERT_TRUE(saved.QueueTable);
  EXPECT_EQ(saved.QueueTable->size(), 2);
  const QStringList main = mainLog();
  EXPECT_LT(main.indexOf("Taking any tasks of off Pause"),
            main.indexOf("Setting all tasks to Stop Buton Pressed"));
  EXPECT_EQ(main.last(), "Program Terminating Normally");
}

TEST_F(ControllerTest, AProbeToolThatIgnoresSIGTERMIsGoneWithItsChildAfterAQuit) {
  auto controller = start();
  // A stand-in mediainfo that ignores SIGTERM and starts a child that does too.
  const QString stubs = test::freshFolder("stubborn tools");
  const QString pids = stubs + "/pids";
  const QString tool = test::writeFile(
      stubs + "/mediainfo", "#!/bin/sh\ntrap '' TERM\nsh -c \"trap '' TERM; echo \\$\\$ >> '" +
                                pids.toUtf8() + "'; while true; do sleep 1; done\" &\necho $$ >> '" +
                                pids.toUtf8() + "'\nwhile true; do sleep 1; done\n");
  QFile::setPermissions(tool, QFile::permissions(tool) | QFileDevice::ExeOwner);
  paths::setResourceRoots(QString(), stubs);
  std::atomic_bool probed = false;
  std::thread probe([&] {
    mediaInfoOutput(test::writeFile(stubs + "/video.mkv", "x"), stubs);
    probed = true;
  });
  QElapsedTimer clock;
  clock.start();
  while (test::readFile(pids).count('\n') < 2 && clock.elapsed() < 30000) QThread::msleep(20);
  paths::setResourceRoots(QString(), QString());
  ASSERT_EQ(test::readFile(pids).count('\n'), 2) << "the stand-in did not start";

  controller->QuitButtonPress();
  probe.join();
  EXPECT_TRUE(probed);
  for (const QByteArray& pid : test::readFile(pids).split('\n')) {
    if (pid.isEmpty()) continue;
    clock.restart();
    const QString stat = QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid));
    // Gone, or a zombie waiting for whoever adopted it.
    const auto lives = [&] {
      const QByteArray line = test::readFile(stat);
      return !line.isEmpty() && line[line.lastIndexOf(')') + 2] != 'Z';
    };
    while (lives() && clock.elapsed() < 10000) QThread::msleep(20);
    EXPECT_FALSE(lives()) << pid.toStdString();
  }
}

TEST_F(ControllerTest, QuittingOnOlderSystemsWritesTheTwoArchives) {
  for (const char* version : {"10.6.8", "10.8.0"}) {
    qputenv("ZUVO_SYSTEM_VERSION", version);
    QFile::remove(support() + "/filetable");
    QFile::remove(support() + "/queuetable");
    auto controller = start();
    controller->setQueue({lookedUpItem("/videos/q.mkv", MediaState::Queued)});
    controller->QuitButtonPress();
    const bool older = QByteArray(version) == "10.6.8";
    EXPECT_EQ(QFile::exists(support() + "/filetable"), older) << version;
    ASSERT_EQ(QFile::exists(support() + "/queuetable"), older) << version;
    if (older) {
      const auto queue = unarchiveMediaFiles(test::readFile(support() + "/queuetable"), BCCReporter::dummy());
      ASSERT_TRUE(queue);
      EXPECT_EQ(queue->size(), 1);
    }
  }
}

TEST_F(ControllerTest, OnlineNotificationsFromAWorkerColourTheBoxesOnTheGUIThread) {
  auto controller = start();
  std::thread poster([] {
    NotificationCenter::defaultCenter().post("TVOffline");
    NotificationCenter::defaultCenter().post("MovieOffline");
  });
  poster.join();
  const ControllerState& state = controller->state();
  EXPECT_FALSE(state.tvOffline) << "handled on the posting thread";
  EXPECT_TRUE(runloop::waitUntil([&] { return state.tvOffline && state.movieOffline; }, 2, 10));
  EXPECT_EQ(test::ShownWindows::find().TVInfoOnline->palette().color(QPalette::Window),
            QColor::fromRgbF(0.93f, 0.57f, 0.57f, 1));
  NotificationCenter::defaultCenter().post("TVOnline");
  EXPECT_FALSE(state.tvOffline);
  EXPECT_TRUE(state.movieOffline);
  EXPECT_EQ(test::ShownWindows::find().TVInfoOnline->palette().color(QPalette::Window),
            QColor::fromRgbF(0.53f, 1.0f, 0.4f, 0.75f));
}

TEST_F(ControllerTest, ARefusedKeyIsAlertedOnceNamingWhereToCorrectIt) {
  auto controller = start();
  test::AlertCloser alerts;
  // Probe threads meet the refusal, several at once.
  const auto refuse = [](live::LiveHost host, live::LiveKey key) {
    live::LiveSession session(5, {});
    live::keyRefused(session, host, key);
  };
  std::thread first(refuse, live::LiveHost::TMDB, live::LiveKey::TheMovieDB);
  std::thread second(refuse, live::LiveHost::TMDB, live::LiveKey::TheMovieDB);
  first.join();
  second.join();
  qputenv("ZUVO_TVDB_KEY", "from-the-environment");
  refuse(live::LiveHost::TheTVDB, live::LiveKey::TheTVDB);

  ASSERT_TRUE(runloop::waitUntil([&] { return alerts.seen.size() == 2; }, 10, 10));
  qunsetenv("ZUVO_TVDB_KEY");
  EXPECT_EQ(alerts.seen[0],
            "TheMovieDB refused the key set in Preferences, Metadata, the \"TheMovieDB key\" field. "
            "Movie look-ups stay offline until it is corrected, or cleared to use the iTunes Store.");
  EXPECT_EQ(alerts.seen[1],
            "TheTVDB refused the key set in the environment variables ZUVO_TVDB_KEY and "
            "ZUVO_TVDB_PIN. TV look-ups stay offline until it is corrected, or cleared to use TVmaze.");
  refuse(live::LiveHost::TMDB, live::LiveKey::TheMovieDB);
  runloop::runFor(0.3);
  EXPECT_EQ(alerts.seen.size(), 2);
}

// A GNTP daemon on loopback that the program's notices go to; it answers each one when
// `answers` is set.
struct GNTPDaemon {
  explicit GNTPDaemon(bool answers = false) {
    EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server, &QTcpServer::newConnection, [this, answers] {
      QTcpSocket* socket = server.nextPendingConnection();
      QObject::connect(socket, &QTcpSocket::readyRead, [this, socket, answers] {
        received += socket->readAll();
        if (answers) socket->write("GNTP/1.0 -OK NONE\r\n\r\n");
      });
    });
    qputenv("ZUVO_SYSTEM_VERSION", "10.7.3");
    qputenv("ZUVO_GNTP_PORT", QByteArray::number(server.serverPort()));
  }
  QTcpServer server;
  QByteArray received;
};

TEST_F(ControllerTest, NoticeGoesOutOverGNTPWithoutBlockingTheWindow) {
  GNTPDaemon daemon;
  QByteArray& received = daemon.received;
  Defaults::standard().setBool(true, "GrowlSticky");
  auto controller = start();

  QElapsedTimer clock;
  clock.start();
  controller->GeneralMessage("Zuvo Conversion", "Converted Caf\u00e9\r\nX-Injected: 1.mkv", 1, true);
  EXPECT_LT(clock.elapsed(), 800) << "the window waited for the exchange";
  EXPECT_EQ(test::ShownWindows::find().MessageTextField->text(), "Converted Caf\u00e9\r\nX-Injected: 1.mkv");
  const QByteArray expected =
      QStringLiteral(
          "GNTP/1.0 NOTIFY NONE\r\nApplication-Name: Zuvo Pro\r\nNotification-Name: Conversion\r\n"
          "Notification-Title: Zuvo Conversion\r\nNotification-Text: Converted Caf\u00e9 "
          "X-Injected: 1.mkv\r\nNotification-Sticky: True\r\n\r\n")
          .toUtf8();
  EXPECT_TRUE(runloop::waitUntil([&] { return received.size() >= expected.size(); }, 5, 10));
  EXPECT_EQ(received, expected);
}

TEST_F(ControllerTest, AlertsOfTimedScansGatherInOneWindowThatHoldsNothing) {
  // Every tick is due for a timed scan.
  Defaults::standard().setBool(true, "ScanVideoSourcesEveryMinutes");
  Defaults::standard().setInteger(0, "AutomateEveryMinutes");
  auto controller = start();
  controller->applicationDidFinishLaunching();
  Feed first, second;
  first.setPath(root + "/gone-1");
  second.setPath(root + "/gone-2");
  storeVideoSources({first, second});
  for (int scan = 0; scan < 3; ++scan) controller->timedactivities();

  // The scans returned without anyone at the screen; one window says what they met.
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  QList<QMessageBox*> shown;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) shown << box;
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(shown[0]->text(),
            QString("Video Source %1/gone-1 is missing, please check video sources in Preferences.\n"
                    "Video Source %1/gone-2 is missing, please check video sources in Preferences.")
                .arg(root));
  // Once closed, the next scan opens it afresh.
  shown[0]->button(QMessageBox::Ok)->click();
  QApplication::processEvents();
  controller->timedactivities();
  int visible = 0;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) ++visible;
  EXPECT_EQ(visible, 1);
  Defaults::standard().removeObjectForKey(kSourcesKey);
  controller->QuitButtonPress();
}

namespace {

// Items whose files exist: the table rebuild drops the others.
QList<MediaFilePtr> filesIn(const QString& folder, const QStringList& names, MediaState state) {
  QDir().mkpath(folder);
  QList<MediaFilePtr> out;
  for (const QString& name : names) out << lookedUpItem(test::writeFile(folder + "/" + name, "video"), state);
  return out;
}

QStringList fileNames(const QList<MediaFilePtr>& list) {
  QStringList out;
  for (const MediaFilePtr& m : list) out << m->filename();
  return out;
}

void clickTickBox(QTableView* table, int row) {
  const QModelIndex index = table->model()->index(row, FilesTableModel::column("MediaSelected"));
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(index).center());
}

}  // namespace

TEST_F(ControllerTest, DamagedSavedListsAreKeptAsideTheUserIsToldOnceAndTheWholeItemsComeBack) {
  QDir().mkpath(support());
  const RestorableState saved(support());
  ASSERT_TRUE(saved.write(filesIn(root + "/videos", {"a.mkv", "b.mkv", "c.mkv"}, MediaState::InFilesTable),
                          filesIn(root + "/videos", {"q.mkv"}, MediaState::Queued)));
  QByteArray bytes = test::readFile(saved.path());
  const qsizetype at = bytes.indexOf("b.mkv");
  ASSERT_GT(at, 0);
  bytes[at] = char(bytes[at] ^ 0x20);
  test::writeFile(saved.path(), bytes);

  QString aside;
  {
    WarningAnswerer answerer;
    auto controller = start();
    controller->applicationDidFinishLaunching();
    ASSERT_TRUE(runloop::waitUntil([&] { return controller->launched(); }, 60, 10));
    EXPECT_EQ(fileNames(controller->state().files), (QStringList{"a.mkv", "c.mkv"}));
    EXPECT_EQ(fileNames(controller->state().queue), QStringList{"q.mkv"});
    EXPECT_EQ(test::ShownWindows::find().FilesTableView->model()->rowCount(), 2);
    ASSERT_TRUE(runloop::waitUntil([&] { return !answerer.seen.isEmpty(); }, 10, 10));
    const QDir folder(support());
    const QStringList kept = folder.entryList({"MainWindow (unreadable*"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    aside = folder.absoluteFilePath(kept.first());
    EXPECT_EQ(test::readFile(aside), bytes);
    ASSERT_EQ(answerer.seen.size(), 1);
    EXPECT_TRUE(answerer.seen.first().startsWith("Some of the saved lists could not be read | "));
    EXPECT_TRUE(answerer.seen.first().contains(aside));
    EXPECT_TRUE(userLog().join('\n').contains(aside));
    controller->QuitButtonPress();
  }
  WarningAnswerer again;
  auto controller = start();
  controller->applicationDidFinishLaunching();
  ASSERT_TRUE(runloop::waitUntil([&] { return controller->launched(); }, 60, 10));
  EXPECT_EQ(fileNames(controller->state().files), (QStringList{"a.mkv", "c.mkv"}));
  QCoreApplication::processEvents();
  EXPECT_TRUE(again.seen.isEmpty()) << again.seen.join('\n').toStdString();
  EXPECT_EQ(test::readFile(aside), bytes);
}

TEST_F(ControllerTest, ABrokenSettingsLineIsKeptAsideTheUserToldAndTheRestStillRead) {
  const QString settings = root + "/Zuvo.conf";
  Defaults::standard().synchronize();
  const QByteArray text =
      test::readFile(settings) + "[broken\nMovieDestination=Desktop\nAssumeMediaType=Movie\n";
  test::writeFile(settings, text);
  Defaults::standard().setStorageFile(settings);

  WarningAnswerer answerer;
  auto controller = start();
  EXPECT_EQ(Defaults::standard().stringForKey("MovieDestination"), "Desktop");
  EXPECT_EQ(Defaults::standard().stringForKey("AssumeMediaType"), "Movie");
  EXPECT_TRUE(Defaults::standard().boolForKey("EnableLogging")) << "the keys before the line";
  ASSERT_TRUE(runloop::waitUntil([&] { return !answerer.seen.isEmpty(); }, 10, 10));
  const QStringList kept = QDir(root).entryList({"Zuvo (unreadable*"}, QDir::Files);
  ASSERT_EQ(kept.size(), 1);
  EXPECT_EQ(test::readFile(root + "/" + kept.first()), text);
  ASSERT_EQ(answerer.seen.size(), 1);
  EXPECT_TRUE(answerer.seen.first().startsWith("The settings file could not be read whole | "));
  EXPECT_TRUE(answerer.seen.first().contains(kept.first()));
  EXPECT_TRUE(userLog().join('\n').contains(kept.first()));
  controller->QuitButtonPress();
  EXPECT_FALSE(test::readFile(settings).contains("[broken"));
}

// The user ticks a box and quits at once: the change is not waiting to be gathered when
// the program ends.
TEST_F(ControllerTest, TheListsSurviveAQuitRightAfterAChange) {
  auto controller = start();
  controller->applicationDidFinishLaunching();
  ASSERT_TRUE(controller->launched());
  controller->setFiles(filesIn(root + "/videos", {"a.mkv", "b.mkv"}, MediaState::InFilesTable));
  controller->RefreshWindow();
  QTableView* table = test::ShownWindows::find().FilesTableView;
  ASSERT_EQ(table->model()->rowCount(), 2);
  ASSERT_FALSE(controller->state().files[1]->selected());
  clickTickBox(table, 1);
  ASSERT_TRUE(controller->state().files[1]->selected());
  controller->QuitButtonPress();

  const RestoredLists saved = RestorableState(support()).read(BCCReporter::dummy());
  ASSERT_TRUE(saved.FileTable);
  ASSERT_EQ(fileNames(*saved.FileTable), (QStringList{"a.mkv", "b.mkv"}));
  EXPECT_TRUE(saved.FileTable->at(1)->selected());
  EXPECT_FALSE(saved.FileTable->at(0)->selected());
}

// A click's write happens on another thread once the changes have settled.
TEST_F(ControllerTest, AChangeIsSavedSoonWithoutAQuit) {
  auto controller = start();
  controller->applicationDidFinishLaunching();
  controller->setFiles(filesIn(root + "/videos", {"a.mkv"}, MediaState::InFilesTable));
  controller->RefreshWindow();
  clickTickBox(test::ShownWindows::find().FilesTableView, 0);
  ASSERT_TRUE(controller->state().files[0]->selected());
  EXPECT_TRUE(runloop::waitUntil(
      [&] {
        const RestoredLists saved = RestorableState(support()).read(BCCReporter::dummy());
        return saved.FileTable && saved.FileTable->size() == 1 && saved.FileTable->first()->selected();
      },
      30, 50));
}

// Notices still on their way when the program quits go out before it ends.
TEST_F(ControllerTest, NoticesQueuedAtQuitStillGoOut) {
  GNTPDaemon daemon(true);
  const QByteArray& received = daemon.received;
  auto controller = start();
  // The sender takes them one at a time, each waiting for its answer: the second is still
  // queued when the quit comes.
  controller->GrowlMessage("Zuvo Conversion", "Finished first.m4v", 1, false);
  controller->GrowlMessage("Zuvo Conversion", "Finished second.m4v", 1, false);
  controller->QuitButtonPress();
  controller.reset();
  EXPECT_TRUE(runloop::waitUntil([&] { return received.contains("Finished second.m4v"); }, 10, 10))
      << received.toStdString();
  EXPECT_TRUE(received.contains("Finished first.m4v"));
}
