#include "app/controller/Controller.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTableWidget>
#include <QTextBrowser>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <algorithm>

#include "app/controller/CriticalFolders.h"
#include "app/controller/EmailLog.h"
#include "app/controller/ListsSaver.h"
#include "app/controller/MainWindowPresenter.h"
#include "app/controller/ModalQuitKey.h"
#include "app/controller/NewsFile.h"
#include "app/controller/RestorableState.h"
#include "app/controller/TimedActivities.h"
#include "app/controller/UserLanguage.h"
#include "app/controller/WindowManagerClose.h"
#include "app/files/AddingPaths.h"
#include "app/files/FileLists.h"
#include "app/files/FilesTablePresenter.h"
#include "app/files/SourceScanner.h"
#include "app/notices/ApplicationIcon.h"
#include "app/notices/DockIcon.h"
#include "app/notices/Notices.h"
#include "app/panels/BCAlertPanel.h"
#include "app/panels/BCBusyPanel.h"
#include "app/panels/PanelPlacement.h"
#include "app/preferences/BCPreferencePanel.h"
#include "app/queue/QueueRowsPresenter.h"
#include "app/queue/QueueRunner.h"
#include "app/shared/FileDropTarget.h"
#include "app/tables/BCTableView.h"
#include "app/tables/TableImages.h"
#include "app/tags/TagEditors.h"
#include "convert/destination/DuplicateChecks.h"
#include "media/BCDownloader.h"
#include "media/LanguageRecord.h"
#include "media/MediaValues.h"
#include "media/ProbeMediaFile.h"
#include "media/ProbeSteps.h"
#include "media/RegisteredSettings.h"
#include "metadata/BCLookUpShow.h"
#include "metadata/MetadataProbeSteps.h"
#include "metadata/live/LiveKeys.h"
#include "metadata/live/RefusedKeys.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "platform/PreferredLanguages.h"
#include "platform/RunLoop.h"
#include "platform/ServiceAddresses.h"
#include "platform/SystemVersion.h"
#include "platform/ToolProcess.h"

namespace zuvo {
namespace {

constexpr int kTimerMs = 10000;
// A tags-only job rewrites the user's own file in place: quitting waits this long for
// the one under way to finish.
constexpr double kTagsJobQuitWait = 30;
// A stopped conversion ends its tool within a second or two.
constexpr double kConversionQuitWait = 10;
constexpr double kQuitPauseWait = 2;
// Writing the lists takes well under a second; a slow disk gets this long before the
// program ends anyway.
constexpr double kListsQuitWait = 60;
// The notices still on their way at quit (each GNTP one waits a second for its answer).
constexpr double kNoticesQuitWait = 5;
constexpr const char* kQueueRunning = "Pause";
constexpr const char* kQueuePaused = "Resume";

void both(const Reporter& mainLog, const Reporter& userLog, const QString& text, quint32 level) {
  mainLog->report(text, level);
  userLog->report(text, level);
}

}  // namespace

void Controller::initialize() {
  registerSettingDefaults();
  // The probe's steps from the higher libraries: tags, chapters and the look-up, and the
  // library's duplicate checks.
  installMetadataProbeSteps();
  ProbeSteps steps = probeSteps();
  steps.tvShowExistsIniTunes = [](const QString& series, quint32 season, quint32 episode,
                                  const Reporter& log) {
    return tvShowExistsIniTunes(series, qint32(season), qint32(episode), log);
  };
  steps.movieExistsIniTunes = [](const QString& title, const Reporter& log) {
    return movieExistsIniTunes(title, log);
  };
  setProbeSteps(steps);
}

Controller::Controller(QObject* parent) : Controller(std::nullopt, parent) {}

Controller::Controller(ConversionJobs jobs, QObject* parent)
    : Controller(std::optional(std::move(jobs)), parent) {}

Controller::Controller(std::optional<ConversionJobs> jobs, QObject* parent)
    : QObject(parent), jobs_(std::move(jobs)) {
  const auto startLookUp = [this](const MediaFilePtr& item) {
    if (startLookUp_) startLookUp_(item);
  };
  MainWindowShell& w = windows_;
  filesTable_ = new FilesTablePresenter(
      state_, hooks_,
      {w.FilesTableView, w.MainWindow.get(), w.DropVideoImage, w.VideoMainMenu, w.SelectTVShowMenuItem,
       w.VideoContextMenu.get(), w.MutipleVideoContextMenu.get()},
      startLookUp, this);
  queueRows_ = new QueueRowsPresenter(
      state_, w.Queue1TableView, w.Queue2TableView,
      [this](const MediaFilePtr& item, int row) { return adding_ && adding_->acceptQueueDrop(item, row); },
      this);
  tagEditors_ = std::make_unique<TagEditors>(
      state_, hooks_, w.MainWindow.get(), [this](QWidget* window) { placeOverMainWindowOnce(window); },
      startLookUp);
  // The look-up logs its own failures and leaves its outcome on the item.
  startLookUp_ = [](const MediaFilePtr& item) {
    probeThreadPool().start([item] { (void)LookUpShow(*item); });
  };
  startProbe_ = [](const MediaFilePtr& media, bool autoprocess) {
    media->setAutoprocess(autoprocess);
    startProbe(media);
  };
  mainWindow_ = std::make_unique<MainWindowPresenter>(state_, windows_, hooks_);
  connect(mainWindow_.get(), &MainWindowPresenter::queueMoved, this, [this](QueueTableView* table) {
    useQueueTable(table);
    reloadQueue();
  });
  connect(mainWindow_.get(), &MainWindowPresenter::tagsWindowsClosing, this,
          [this] { tagEditors_->closeTagsWindow(); });
  connect(mainWindow_.get(), &MainWindowPresenter::refreshRequested, this, [this] { RefreshWindow(); });
  connect(mainWindow_.get(), &MainWindowPresenter::columnsChanged, this,
          [this] { filesTable_->sizeWindow(); });
  connectTables();
  connectCommands();
  QGuiApplication::setQuitOnLastWindowClosed(false);
  windows_.MainWindow->installEventFilter(this);
  // Closing the main window quits even while a modal window blocks it.
  windowManagerClose_ = std::make_unique<WindowManagerClose>(windows_.MainWindow.get(), [this] {
    if (!terminated_) QuitButtonPress();
  });
  connect(windows_.QuitMenuItem, &QAction::triggered, this, [this] { QuitButtonPress(); });
  modalQuitKey_ = std::make_unique<ModalQuitKey>([this] {
    if (!terminated_) QuitButtonPress();
  });
  connect(windows_.StatusQuitMenuItem, &QAction::triggered, this, [this] { QuitButtonPress(); });
}

Controller::~Controller() {
  for (NotificationCenter::Token token : observers_)
    NotificationCenter::defaultCenter().removeObserver(token);
  state_.ConvertQueue.clear();
  state_.ConvertQueue.waitForDone();
}

void Controller::fillHooks() {
  MainWindowShell& w = windows_;
  hooks_.reloadFilesTable = [this] { reloadFiles(); };
  hooks_.reloadQueueTable = [this] { reloadQueue(); };
  hooks_.closeTagPanel = [this] { tagEditors_->closeTagsPanel(); };
  hooks_.showQueue = [this] { mainWindow_->showQueue(); };
  hooks_.highlightedRows = [&w] {
    QList<int> rows;
    for (const QModelIndex& index : w.FilesTableView->selectionModel()->selectedRows()) rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
  };
  hooks_.invalidateRestorableState = [this] { invalidateRestorableState(); };
  hooks_.showPaused = [this, &w](bool paused) {
    const QString title = QString::fromLatin1(paused ? kQueuePaused : kQueueRunning);
    w.QueuePauseButton->setText(title);
    w.QueuePauseButton2->setText(title);
    w.QueuePanel->setWindowTitle(paused ? QStringLiteral("Conversion Queue (Paused)")
                                        : QStringLiteral("Conversion Queue"));
  };
  hooks_.showMainWindow = [this] { mainWindow_->ShowMainWindow(); };
  hooks_.showAlert = [this](const QString& text) {
    if (myAlertPanel_) myAlertPanel_->ShowAlertPanel(text, windows_.MainWindow.get());
  };
  hooks_.showNotice = [this](const QString& text) { showTimedNotice(text); };
  hooks_.conversionFinished = [this](const MediaFile& media) {
    if (scanner_) scanner_->sourceConverted(media);
  };
  hooks_.showBusySheet = [this](const QString& text) {
    busyPanel_->activateBusyPanel(text, windows_.MainWindow.get());
  };
  hooks_.setBusyText = [this](const QString& text) {
    if (busyPanel_->window() && busyPanel_->window()->isVisible())
      busyPanel_->activateBusyPanel(text, windows_.MainWindow.get());
    else
      busyPanel_->setMessage(text);
  };
  hooks_.hideBusySheet = [this] { busyPanel_->hideBusyPanel(); };
  hooks_.showLookUpProgress = [&w](bool shown) { w.LookUpProgressIndicator->setVisible(shown); };
  hooks_.setWindowTitle = [&w](const QString& title) { w.MainWindow->setWindowTitle(title); };
  hooks_.activateStatusMenu = [this] { mainWindow_->activateStatusMenu(); };
  hooks_.deactivateStatusMenu = [this] { mainWindow_->deactivateStatusMenu(); };
  hooks_.clearOnlineBox = [&w](bool tv) {
    QWidget* box = tv ? static_cast<QWidget*>(w.TVInfoOnline) : static_cast<QWidget*>(w.MovieInfoOnline);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Window, w.MainWindow->palette().color(QPalette::Window));
    box->setPalette(palette);
  };
  hooks_.showDockIcon = [this](const QImage& image) { mainWindow_->showDockIcon(image); };
  hooks_.chooseFolders = [&w] {
    const QString folder = QFileDialog::getExistingDirectory(w.MainWindow.get());
    return folder.isEmpty() ? QStringList() : QStringList(folder);
  };
  // A Qt table repaints once control is back in the event loop: a pause here would only
  // nest one event loop per refresh posted meanwhile.
  hooks_.runFor = [](double) {};
}

void Controller::makeQueueAndTimedWork() {
  fillHooks();
  busyPanel_ = std::make_unique<BCBusyPanel>(QStringLiteral("Zuvo"));
  lists_ = std::make_unique<FileLists>(state_, hooks_, this);
  lists_->setProbeStarter(startProbe_);
  lists_->setDVDLookUpStarter([](const MediaFilePtr& media, bool autoprocess) {
    media->setAutoprocess(autoprocess);
    startDVDLookUp(media);
  });
  ConversionJobs jobs = jobs_ ? std::move(*jobs_) : ConversionJobs::real(state_.ConvertQueue);
  jobs_.reset();
  runner_ = std::make_unique<QueueRunner>(state_, *notices_, hooks_, *lists_, std::move(jobs), this);
  queueRows_->watch(runner_->queueJobs());
  scanner_ = std::make_unique<SourceScanner>(state_, *notices_, hooks_, *lists_);
  adding_ = std::make_unique<AddingPaths>(state_, hooks_, *lists_, *scanner_);
  // Files and folders dragged from the desktop onto the files table or the drop image.
  new FileDropTarget(windows_.FilesTableView->viewport(),
                     [this](const QString& text) { adding_->acceptFilesDrop(text); });
  new FileDropTarget(windows_.DropVideoImage, [this](const QString& text) { adding_->processdrop(text); });
  ticks_ = std::make_unique<TimedActivities>(state_, hooks_, *runner_, *scanner_, *lists_);
}

void Controller::connectTables() {
  FilesTablePresenter* files = filesTable_;
  TagEditors* tags = tagEditors_.get();
  connect(files, &FilesTablePresenter::singleSelected, tags,
          qOverload<const MediaFilePtr&>(&TagEditors::showSelected));
  connect(files, &FilesTablePresenter::multipleSelected, tags,
          qOverload<const QList<MediaFilePtr>&>(&TagEditors::showSelected));
  connect(files, &FilesTablePresenter::closeTagsPanelWanted, tags, &TagEditors::closeTagsPanel);
  connect(files, &FilesTablePresenter::tagsPanelRequested, tags, &TagEditors::showTagsPanel);
  connect(files, &FilesTablePresenter::multipleEditRequested, tags, &TagEditors::MultipleEditClick);
  connect(files, &FilesTablePresenter::toolbarChanged, this, &Controller::validateVisibleToolbarItems);
  connect(files, &FilesTablePresenter::listsChanged, this, &Controller::invalidateRestorableState);
  connect(files, &FilesTablePresenter::rebuildWanted, this, &Controller::makefilestable);
  connect(tags, &TagEditors::writtenBack, files, &FilesTablePresenter::showWrittenBack);
  connect(queueRows_, &QueueRowsPresenter::rowStopped, this, [this] {
    reloadFiles();
    makefilestable();
  });
  connect(queueRows_, &QueueRowsPresenter::queueReordered, this, &Controller::invalidateRestorableState);
  for (QTableView* queue : {windows_.Queue1TableView, windows_.Queue2TableView})
    connect(queue->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { validateVisibleToolbarItems(); });
}

bool Controller::eventFilter(QObject* watched, QEvent* event) {
  if (watched == windows_.MainWindow.get() && event->type() == QEvent::WindowStateChange) {
    const bool was = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowFullScreen;
    if (was != mainWindow_->isFullScreen()) {
      if (was)
        mainWindow_->windowDidExitFullScreen();
      else
        mainWindow_->windowDidEnterFullScreen();
    }
  }
  // Whatever changed while another window was in front (the preferences' video sources),
  // the toolbar follows it when the main window comes back.
  if (watched == windows_.MainWindow.get() && event->type() == QEvent::WindowActivate && startupFinished_)
    validateVisibleToolbarItems();
  // Closing the main window quits, through the quit sequence.
  if (watched == windows_.MainWindow.get() && event->type() == QEvent::Close && !terminated_) {
    event->ignore();
    QTimer::singleShot(0, this, [this] { QuitButtonPress(); });
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void Controller::onGUIThread(std::function<void()> work) {
  if (QThread::currentThread() == thread()) {
    work();
    return;
  }
  QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

bool Controller::awakeFromNib() {
  windows_.LookUpProgressIndicator->hide();
  startLogs();
  startNotices();
  makeQueueAndTimedWork();
  if (!checkFolders()) return false;
  workOutLanguage();
  state_.mainLog->report(QStringLiteral("Setting up notification center"), 3);
  registerObservers();
  applyTableSettings();
  makePanels();
  dressWindows();
  startTimer();
  checkForHelper();
  // The waits above keep events flowing: the user may have quit meanwhile.
  if (terminated_) return false;
  layOutWindows();
  mainWindow_->showRatingPrompt();
  if (!runFirstPreferences()) return false;
  checkNews();
  if (terminated_) return false;
  finishStartUp();
  startupFinished_ = !terminated_;
  return startupFinished_;
}

void Controller::startLogs() {
  Defaults& defaults = Defaults::standard();
  // Logs, in the support folder.
  state_.homeFolder = paths::homeFolder();
  state_.supportFolder = paths::applicationSupportFolder();
  QDir().mkpath(state_.supportFolder);
  saver_ = std::make_unique<ListsSaver>(state_.supportFolder, [this] {
    return ListsSaver::Lists{state_.files, state_.queue};
  });
  if (defaults.get(setting::EnableLogging)) {
    state_.mainLog = BCCReporter::path(state_.supportFolder + QStringLiteral("/log.bclog2"));
    state_.userLog = BCCReporter::path(state_.supportFolder + QStringLiteral("/userlog.txt"));
  } else {
    state_.mainLog = BCCReporter::dummy();
    state_.userLog = BCCReporter::dummy();
  }
  state_.mainLog->setEncrypt(true);
  const Reporter& mainLog = state_.mainLog;
  const Reporter& userLog = state_.userLog;
  mainLog->report(QStringLiteral("Log starting..."), 1);
  userLog->report(QStringLiteral("Log starting..."), 3);
  mainLog->report(QStringLiteral("[BLUE]User home directory is %1").arg(state_.homeFolder), 3);
}

void Controller::startNotices() {
  const Reporter& mainLog = state_.mainLog;
  const SystemVersion version = systemVersion();
  state_.systemMinor = version.minor;
  state_.systemBugfix = version.bugfix;
  mainLog->report(QStringLiteral("[BLUE]Mac OS Version is %1").arg(version.text()), 2);
  notices_ = std::make_unique<Notices>(mainLog, state_.userLog, version);
  notices_->setStatusSink([this](const QString& text) { windows_.MessageTextField->setText(text); });
  // A desktop notice the user activates brings the queue forward.
  notices_->setActivated([this] {
    if (!quitting_) mainWindow_->showQueue();
  });
}

bool Controller::checkFolders() {
  const Reporter& mainLog = state_.mainLog;
  const Reporter& userLog = state_.userLog;
  mainLog->report(QStringLiteral("Checking for critical directories..."), 3);
  const CriticalFolders folders = checkCriticalFolders(
      mainLog, userLog,
      [this](const QString& message, const QString& informative) { showFolderAlert(message, informative); });
  if (folders.fatal) {
    startupFailed_ = true;
    QuitButtonPress();
    return false;
  }
  state_.cacheFolder = folders.cacheFolder;
  return true;
}

void Controller::workOutLanguage() {
  const Reporter& mainLog = state_.mainLog;
  const UserLanguage language = workOutUserLanguage(preferredLanguages(), mainLog);
  state_.userLanguageCode = language.code;
  state_.userLanguageName = language.name;
  // Unlabelled tracks of every later probe take this name (setting
  // "DefaultUnlabledTracksToUsersLanguage"), so it is set before the first item is made.
  setUserLanguageName(language.name);
  setProbeContext(ProbeContext{mainLog, state_.userLog, state_.cacheFolder, state_.userLanguageCode});
}

void Controller::applyTableSettings() {
  Defaults& defaults = Defaults::standard();
  if (!IsDefaultVideoFormatCode(defaults.get(setting::DefaultVideoFormat)))
    defaults.set(setting::DefaultVideoFormat, 0);
  windows_.FilesTableView->setColumnHidden(MainWindowShell::SpeedColumn,
                                           !defaults.get(setting::EnableFASTMode));
  windows_.FilesTableView->setColumnHidden(MainWindowShell::DetailsColumn,
                                           !defaults.get(setting::ShowFileDetails));
}

void Controller::makePanels() {
  const Reporter& mainLog = state_.mainLog;
  mainLog->report(QStringLiteral("Creating Busy, Tags, Preferences and Alert Panel"), 3);
  myAlertPanel_ = std::make_unique<BCAlertPanel>(QStringLiteral("Zuvo Alert"));
  tagEditors_->makeEditors();
  mainWindow_->makePreferencesPanel();
  windows_.checkForUpdatesMenuItem->setVisible(false);
}

// The version, the icons and the row heights; then the first table rebuild.
void Controller::dressWindows() {
  const QString bundleVersion = QCoreApplication::applicationVersion();
  state_.mainLog->report(QStringLiteral("[BLUE]Zuvo Version Number is %1").arg(bundleVersion), 1);
  windows_.ZUVOVersionTextField->setText(QStringLiteral("Zuvo %1").arg(bundleVersion));
  windows_.MainWindow->setWindowTitle(QStringLiteral("Zuvo"));
  myAlertPanel_->setImage(applicationIcon());
  // Every window carries the application's icon; the main window's also shows the queue.
  QApplication::setWindowIcon(QIcon(applicationIconPath()));
  windows_.MainWindow->setWindowIcon(QIcon(applicationIconPath()));

  windows_.Queue1TableView->verticalHeader()->setDefaultSectionSize(60);
  windows_.Queue2TableView->verticalHeader()->setDefaultSectionSize(60);
  windows_.FeedsTableView->verticalHeader()->setDefaultSectionSize(30);
  // The files table keeps the palette's base colours: a tiled image behind the rows reads
  // as a missing picture and shows through the alternate rows' lighter colours.
  windows_.FilesTableView->verticalHeader()->setDefaultSectionSize(70);
  makefilestable();
}

void Controller::startTimer() {
  Defaults& defaults = Defaults::standard();
  state_.mainLog->report(QStringLiteral("Creating LookUp object"), 3);
  state_.nextScan =
      QDateTime::currentDateTime().addSecs(qint64(defaults.get(setting::AutomateEveryMinutes)) * 60);
  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("TimedActivitiesTimer"));
  // Tests that run the program through several ticks shorten them; nobody else sets it.
  const int tickMs = qEnvironmentVariableIntValue("ZUVO_TICK_MS");
  timer_->setInterval(tickMs > 0 ? tickMs : kTimerMs);
  connect(timer_, &QTimer::timeout, this, [this] { timedactivities(); });
  timer_->start();

  if (defaults.get(setting::ShowStatusItem)) mainWindow_->activateStatusMenu();
  defaults.synchronize();
}

void Controller::checkForHelper() {
  const Reporter& mainLog = state_.mainLog;
  const Reporter& userLog = state_.userLog;
  both(mainLog, userLog, QStringLiteral("Checking for Turbo.264"), 4);
  state_.helperAnswer = mainWindow_->ScanForTurbo264(state_.cacheFolder);
  if (state_.helperAnswer.FrameworkInstalled)
    both(mainLog, userLog, QStringLiteral("Found Turbo Framework"), 4);
  else
    userLog->report(QStringLiteral("No Turbo Framework"), 4);
}

bool Controller::runFirstPreferences() {
  Defaults& defaults = Defaults::standard();
  if (defaults.get(setting::FirstRunWithDevices)) {
    mainWindow_->PreferencesMenuPress();
    defaults.set(setting::FirstRunWithDevices, false);
    // The window runs modally: the user may have quit from it.
    if (terminated_) return false;
  }
  return true;
}

void Controller::finishStartUp() {
  Defaults& defaults = Defaults::standard();
  if (defaults.get(setting::CheckVideoSourcesOnStartUp)) scanner_->checksources(false);
  makefilestable();
  filesTable_->sizeWindow();
  const QString unreadableSettings = defaults.takeSetAsideFile();
  if (!unreadableSettings.isEmpty())
    tellUser(QStringLiteral("The settings file could not be read whole"),
             QStringLiteral("Its unreadable lines were left out and the file as it was is kept as %1")
                 .arg(unreadableSettings));
}

void Controller::applicationDidFinishLaunching(const QStringList& openedPaths) {
  if (terminated_) return;
  // The opened paths wait for the saved lists, which would otherwise replace them.
  if (restorationOn() && QFileInfo::exists(RestorableState(state_.supportFolder).path()) && saver_) {
    saver_->readInBackground(state_.mainLog, [this, openedPaths](RestoredLists restored) {
      if (terminated_ || quitting_) return;
      restoreLists(restored);
      finishLaunching(openedPaths);
    });
    return;
  }
  restoreRead_ = true;
  finishLaunching(openedPaths);
}

void Controller::finishLaunching(const QStringList& openedPaths) {
  launched_ = true;
  // The paths handed over during start-up follow those the program was started with.
  handedOver_.prepend({openedPaths, false});
  addHandedOver();
}

void Controller::handOver(const QStringList& paths, bool service) {
  if (terminated_ || quitting_) return;
  // A later launch with nothing to open is the user asking for the program again.
  if (paths.isEmpty() && !service) {
    if (launched_) mainWindow_->applicationShouldHandleReopen();
    return;
  }
  handedOver_.append({paths, service});
  addHandedOver();
}

void Controller::addHandedOver() {
  // A scan keeps events flowing, so a later hand-over can arrive in the middle of one:
  // it waits its turn, and the paths go in in the order they were handed over.
  if (!launched_ || handingOver_) return;
  handingOver_ = true;
  while (!handedOver_.isEmpty() && !quitting_) {
    const auto [handed, fromService] = handedOver_.takeFirst();
    if (fromService)
      adding_->handleService(handed);
    else
      adding_->openFiles(handed);
  }
  handingOver_ = false;
}

void Controller::showTimedNotice(const QString& text) {
  // One window gathers the alerts of timed work until the user closes it; nothing waits on it.
  if (timedNotice_ && timedNotice_->isVisible()) {
    if (!timedNotice_->text().split(u'\n').contains(text))
      timedNotice_->setText(timedNotice_->text() + u'\n' + text);
    return;
  }
  delete timedNotice_;
  timedNotice_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Zuvo Alert"), text, QMessageBox::Ok,
                                 windows_.MainWindow.get());
  timedNotice_->setObjectName(QStringLiteral("TimedNotice"));
  timedNotice_->setWindowModality(Qt::NonModal);
  timedNotice_->setAttribute(Qt::WA_DeleteOnClose);
  timedNotice_->show();
}

void Controller::showFolderAlert(const QString& message, const QString& informative) {
  QMessageBox alert(QMessageBox::Warning, QStringLiteral("Zuvo"), message, QMessageBox::Ok);
  alert.setInformativeText(informative);
  alert.exec();
}

void Controller::registerObservers() {
  struct Row {
    const char* name;
    std::function<void(Controller&, const Notification&)> handler;
  };
  // The online notices colour their light and say on it what the look-up came to.
  const auto light = [](void (MainWindowPresenter::*colour)(), QFrame* MainWindowShell::*box,
                        const char* name) {
    return [colour, box, name](Controller& c, const Notification& n) {
      (c.mainWindow_.get()->*colour)();
      c.mainWindow_->explainLookUp(c.windows_.*box, QLatin1String(name), n);
    };
  };
  const Row rows[] = {
      {"CloseTagPanel", [](Controller& c, const Notification&) { c.tagEditors_->closeTagsPanel(); }},
      {"EditClick", [](Controller& c, const Notification&) { c.filesTable_->editClick(); }},
      {"DeleteClick", [](Controller& c, const Notification&) { c.filesTable_->deleteClick(); }},
      {"ChangeFASTMode",
       [](Controller& c, const Notification& n) {
         c.mainWindow_->ChangeFASTMode(n.userInfo.value(QStringLiteral("number")).toInt());
       }},
      {"RefreshWindow", [](Controller& c, const Notification&) { c.RefreshWindow(); }},
      {"ChangeShowDetails", [](Controller& c, const Notification&) { c.filesTable_->ChangeShowDetails(); }},
      {"NextShow", [](Controller& c, const Notification&) { c.filesTable_->NextShow(); }},
      {"PreviousShow", [](Controller& c, const Notification&) { c.filesTable_->PreviousShow(); }},
      {"MakeFileTable", [](Controller& c, const Notification&) { c.makefilestable(); }},
      {"TVOffline", light(&MainWindowPresenter::TVOffline, &MainWindowShell::TVInfoOnline, "TV")},
      {"MovieOffline",
       light(&MainWindowPresenter::MovieOffline, &MainWindowShell::MovieInfoOnline, "Movies")},
      {"TVOnline", light(&MainWindowPresenter::TVOnline, &MainWindowShell::TVInfoOnline, "TV")},
      {"MovieOnline", light(&MainWindowPresenter::MovieOnline, &MainWindowShell::MovieInfoOnline, "Movies")},
  };
  // Posters include probes and look-ups on worker threads; the handlers change lists
  // and windows, so their work always runs on the GUI thread. A redraw or a rebuild asked
  // for while one waits to run is that one: every probe asks for them, and each reads the
  // lists as they are when it runs.
  for (const Row& row : rows) {
    const QLatin1String name(row.name);
    std::atomic<bool>* waiting = name == QLatin1String(kRefreshWindow)   ? &refreshWaiting_
                                 : name == QLatin1String(kMakeFileTable) ? &rebuildWaiting_
                                                                         : nullptr;
    observers_.push_back(NotificationCenter::defaultCenter().addObserver(
        name, [this, handler = row.handler, waiting](const Notification& n) {
          if (waiting && waiting->exchange(true)) return;
          onGUIThread([this, handler, n, waiting] {
            if (waiting) *waiting = false;
            handler(*this, n);
          });
        }));
  }
  // A refused key keeps the look-ups offline: the user is told where to correct it. The
  // alert waits for the event loop, so that a look-up never stops inside its modal run.
  observers_.push_back(NotificationCenter::defaultCenter().addObserver(
      live::kLiveKeyRefusedNotification, [this](const Notification& n) {
        QMetaObject::invokeMethod(
            this,
            [this, text = live::refusedKeyAlertText(n.userInfo)] {
              pendingKeyAlerts_ << text;
              showKeyAlerts();
            },
            Qt::QueuedConnection);
      }));
}

void Controller::showKeyAlerts() {
  if (showingKeyAlerts_) return;  // the running loop below shows it next
  showingKeyAlerts_ = true;
  while (!pendingKeyAlerts_.isEmpty()) hooks_.showAlert(pendingKeyAlerts_.takeFirst());
  showingKeyAlerts_ = false;
}

void Controller::layOutWindows() {
  if (mainWindow_->isFullScreen()) {
    mainWindow_->uncollapseRightView();
    state_.queueInPane = true;
    windows_.QueuePanel->close();
    useQueueTable(windows_.Queue2TableView);
  } else {
    state_.queueInPane = false;
    mainWindow_->collapseRightView();
    windows_.MainWindow->show();
    bringWindowForward(windows_.MainWindow.get());
    useQueueTable(windows_.Queue1TableView);
  }
}

void Controller::checkNews() {
  both(state_.mainLog, state_.userLog, QStringLiteral("Checking for News"), 4);
  const QString address = serviceBaseURL(Service::News) + QLatin1String(kNewsPath);
  const QString file = state_.cacheFolder + QLatin1Char('/') + QLatin1String(kNewsFileName);
  // A file left by an earlier launch must not pass for this launch's news.
  QFile::remove(file);
  BCDownloader downloader;
  downloader.setMyreporter(state_.mainLog);
  downloader.downloadFileFromURL(address, file, kNewsTimeout, BCDownloader::kMostNewsBytes);
  const std::optional<NewsAlert> alert = readNewsAlert(file);
  if (!alert) return;
  state_.mainLog->report(QStringLiteral("News of number %1").arg(alert->field), 3);
  Defaults& defaults = Defaults::standard();
  if (alert->number <= defaults.get(setting::AlertNumber)) {
    state_.userLog->report(QStringLiteral("No news"), 3);
    return;
  }
  state_.mainLog->report(QStringLiteral("[BLUE]New News!"), 3);
  // The page is the file just fetched from the news address; the browser shows it
  // with that address as its base for relative links.
  QFile page(file);
  if (page.open(QIODevice::ReadOnly)) {
    windows_.NewsWebView->document()->setBaseUrl(QUrl(address));
    windows_.NewsWebView->setHtml(QString::fromUtf8(page.readAll()));
  }
  windows_.NewsPanel->show();
  bringWindowForward(windows_.NewsPanel.get());
  defaults.set(setting::AlertNumber, alert->number);
}

// ---------------------------------------------------------------- notices

void Controller::GeneralMessage(const QString& title, const QString& message, int type, bool sticky) {
  if (notices_) notices_->GeneralMessage(title, message, type, sticky);
}

void Controller::GrowlMessage(const QString& title, const QString& message, int type, bool sticky) {
  if (notices_) notices_->GrowlMessage(title, message, type, sticky);
}

// ---------------------------------------------------------------- saved lists

void Controller::invalidateRestorableState() {
  onGUIThread([this] {
    // Nothing is written before the saved lists have been read back: it would replace
    // them with what the launch has found so far. Once quitting has begun, the lists are
    // saved once, as they stand before the conversions are stopped.
    if (!restorationOn() || !restoreRead_ || quitting_ || !saver_) return;
    saver_->changed();
  });
}

bool Controller::listsWritten() const { return !saver_ || saver_->idle(); }

void Controller::setProbeStarter(std::function<void(const MediaFilePtr&, bool)> start) {
  startProbe_ = std::move(start);
  if (lists_) lists_->setProbeStarter(startProbe_);
}

int Controller::runningJobs() const { return runner_ ? runner_->runningJobs() : 0; }

bool Controller::addingPaths() const { return adding_ && adding_->busy(); }

void Controller::windowWillEncodeRestorableState() {
  if (quitting_) return;
  writeRestorableState();
}

void Controller::writeRestorableState() {
  if (!restorationOn() || !restoreRead_ || !saver_) return;
  saver_->saveNow();
}

void Controller::windowDidDecodeRestorableState() {
  if (!saver_ || saver_->reading()) return;
  saver_->readInBackground(state_.mainLog, [this](RestoredLists restored) {
    if (!terminated_ && !quitting_) restoreLists(restored);
  });
}

void Controller::tellUser(const QString& message, const QString& informative) {
  both(state_.mainLog, state_.userLog, message + QStringLiteral(": ") + informative, 1);
  // Over the window without holding up the launch.
  auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Zuvo Alert"), message, QMessageBox::Ok,
                              windows_.MainWindow.get());
  box->setInformativeText(informative);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::WindowModal);
  box->open();
}

void Controller::restoreLists(const RestoredLists& restored) {
  restoreRead_ = true;
  if (!restored.setAside.isEmpty()) {
    const QString told = QStringLiteral(
                             "The saved lists were damaged: %1 items were read back, and the damaged file "
                             "was kept as %2")
                             .arg((restored.FileTable ? restored.FileTable->size() : 0) +
                                  (restored.QueueTable ? restored.QueueTable->size() : 0))
                             .arg(restored.setAside);
    tellUser(QStringLiteral("Some of the saved lists could not be read"), told);
  }
  const QList<MediaFilePtr> noList;
  if (restored.FileTable) {
    state_.files = mergeRestoredList(*restored.FileTable, state_.files, restored.QueueTable.value_or(noList));
    reloadFiles();
  }
  if (restored.QueueTable) {
    state_.queue = mergeRestoredList(*restored.QueueTable, state_.queue, restored.FileTable.value_or(noList));
    reloadQueue();
  }
}

void Controller::writeQuitArchives() {
  const auto write = [](const QString& path, const QList<MediaFilePtr>& list) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(archiveMediaFiles(list));
    file.commit();
  };
  write(state_.supportFolder + QStringLiteral("/filetable"), state_.files);
  write(state_.supportFolder + QStringLiteral("/queuetable"), state_.queue);
}

// ---------------------------------------------------------------- quitting

void Controller::QuitButtonPress() {
  if (quitting_) return;
  quitting_ = true;
  // A scan or a drop that the quit interrupted stops, and adds nothing more.
  state_.quitting = true;
  const Reporter& mainLog = state_.mainLog;
  both(mainLog, state_.userLog, QStringLiteral("Quit button pressed"), 2);
  if (windows_.MainWindow->isVisible()) bringWindowForward(windows_.MainWindow.get());
  // What is saved is the lists as they stand now, before anything is waited for: an item
  // still converting or rewriting its tags comes back queued and is done again. The
  // stopped jobs ending below change nothing saved.
  state_.files.removeIf([](const MediaFilePtr& item) { return !item->didlookup(); });
  if (state_.systemMinor < 7)
    writeQuitArchives();
  else
    writeRestorableState();  // in the background, while the jobs below are stopped
  // No tags-only job begins once quitting has begun; the one under way is rewriting a
  // file in place and is let finish, bounded.
  if (runner_) runner_->finishTagsJobs(kTagsJobQuitWait);

  if (runner_) {
    // Every pause is lifted, whatever the paused flag says, so that no tool is left
    // suspended and each one sees its stop request.
    mainLog->report(QStringLiteral("Taking any tasks of off Pause"), 2);
    runner_->liftPause();
    state_.paused = false;
    if (runner_->runningJobs() > 0) runloop::runFor(kQuitPauseWait);
    mainLog->report(QStringLiteral("Setting all tasks to Stop Buton Pressed"), 2);
    runner_->stopAll();
    runner_->waitForJobs(kConversionQuitWait);
  }
  // The probes' tools (and anything they started) end with us, even one that ignores SIGTERM.
  ToolProcess::endAll();

  if (saver_) saver_->waitUntilWritten(kListsQuitWait);
  if (notices_) notices_->waitForDelivered(kNoticesQuitWait);
  both(mainLog, state_.userLog, QStringLiteral("Program Terminating Normally"), 2);
  if (timer_) timer_->stop();
  mainWindow_->hideStatusMenu();
  terminated_ = true;
  // Every running event loop ends: the program's and those of modal windows inside it
  // (the first-run preferences, an alert), wherever the quit came from. Before the
  // program's loop has started, the caller sees terminated().
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

// ---------------------------------------------------------------- queue and timed work

void Controller::timedactivities() {
  // Start-up waits on downloads and the helper with events flowing: no tick may touch
  // the lists or the tables before it has finished, nor once quitting has begun.
  if (!startupFinished_ || quitting_) return;
  ticks_->timedactivities();
}

void Controller::makefilestable() {
  if (lists_) lists_->makefilestable();
}

void Controller::RefreshWindow() {
  if (lists_) lists_->RefreshWindow();
}

void Controller::ShowMainWindow() { mainWindow_->ShowMainWindow(); }

void Controller::validateVisibleToolbarItems() { mainWindow_->validateVisibleToolbarItems(); }

void Controller::placeOverMainWindowOnce(QWidget* window) { mainWindow_->placeOverMainWindowOnce(window); }

void Controller::useQueueTable(QTableView* table) { queueRows_->useQueueTable(table); }

void Controller::reloadFiles() { filesTable_->reloadFiles(); }

void Controller::reloadQueue() { queueRows_->reloadQueue(); }

}  // namespace zuvo
