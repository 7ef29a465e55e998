#pragma once
// The application's one controller: start-up, the notices, the 10-second timer, the saved
// lists and quitting, and the wiring of the windows' presenters (the main window's own
// commands are MainWindowPresenter's). It owns the two lists, the queue runner, the scans,
// the ways sources come in and the tick, all working on its `ControllerState` and reaching
// the windows through the hooks it fills. GUI thread only, except where a member says
// otherwise.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/controller/MainWindowShell.h"
#include "app/queue/ConversionJobs.h"
#include "app/shared/ControllerHooks.h"
#include "app/shared/ControllerState.h"
#include "platform/NotificationCenter.h"

class QAction;
class QMessageBox;
class QSystemTrayIcon;
class QTableView;
class QTimer;

namespace zuvo {

class AddingPaths;
class BCAlertPanel;
class BCBusyPanel;
class BCPreferencePanel;
class FileLists;
class ListsSaver;
class MainWindowPresenter;
struct RestoredLists;
class FilesTablePresenter;
class QueueRowsPresenter;
class TagEditors;
class Notices;
class QueueRunner;
class SourceScanner;
class TimedActivities;
class WindowManagerClose;
class ModalQuitKey;

class Controller : public QObject {
 public:
  // Registers the defaults of every setting; call once before the first controller.
  static void initialize();

  explicit Controller(QObject* parent = nullptr);
  // With converters and tag writers of the caller's choosing (tests); the default runs the
  // real ones.
  explicit Controller(ConversionJobs jobs, QObject* parent = nullptr);
  ~Controller() override;

  // The start-up sequence. False when the program must end at once (no cache folder
  // could be made): the quit sequence has run and there is no event loop to stop.
  bool awakeFromNib();
  // After start-up: brings back the saved lists, then adds the paths the program was
  // opened with and those handed over meanwhile.
  void applicationDidFinishLaunching(const QStringList& openedPaths = {});
  // Paths handed over by a second launch (`service` false: opened documents) or by the
  // Services entry. Kept until the launch has finished, so that the restored lists
  // cannot drop them and nothing is added before the tables exist.
  void handOver(const QStringList& paths, bool service);
  // The quit sequence; ends the event loop, or marks the program finished when the
  // loop has not started.
  void QuitButtonPress();
  bool terminated() const { return terminated_; }
  // Start-up could not make a cache folder: the program ends without running.
  bool startupFailed() const { return startupFailed_; }
  bool startupFinished() const { return startupFinished_; }

  // Saved lists: the main window's state is written afresh, in the background, soon after
  // a list changes (callable from any thread; changes close together make one write).
  void invalidateRestorableState();
  void windowWillEncodeRestorableState();
  // Reads the saved lists on another thread; they replace the lists when they arrive.
  void windowDidDecodeRestorableState();
  // The saved lists have been read back (or there were none); the launch has finished.
  bool launched() const { return launched_; }
  // No write of the saved lists is waiting or under way (also when there is no saver).
  bool listsWritten() const;

  // A notice, as the queue sends them (any thread).
  void GeneralMessage(const QString& title, const QString& message, int type, bool sticky);
  void GrowlMessage(const QString& title, const QString& message, int type, bool sticky);

  // The timer tick. It does nothing before start-up has finished or once quitting has
  // begun.
  void timedactivities();
  // The table rebuild and the redraw of both tables.
  void makefilestable();
  void RefreshWindow();

  // Starts an item's look-up again (the multiple search and the episode picker); the
  // default runs it on the probe threads.
  void setLookUpStarter(std::function<void(const MediaFilePtr&)> start) { startLookUp_ = std::move(start); }

  // The lists and the windows' state, to read.
  const ControllerState& state() const { return state_; }
  // A list replaced whole, as a restore or a rebuild leaves it; the tables show it at the
  // next redraw.
  void setFiles(const QList<MediaFilePtr>& files) { state_.files = files; }
  void setQueue(const QList<MediaFilePtr>& queue) { state_.queue = queue; }
  // Starts an item's probe (the default runs it on the probe threads).
  void setProbeStarter(std::function<void(const MediaFilePtr&, bool autoprocess)> start);
  // Conversions and tag rewrites under way, and whether dropped or opened paths are still
  // being added.
  int runningJobs() const;
  bool addingPaths() const;

 private:
  Controller(std::optional<ConversionJobs> jobs, QObject* parent);
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The start-up steps, in the order awakeFromNib runs them. The two that answer false
  // end the start-up: the program is quitting.
  void startLogs();
  void startNotices();
  bool checkFolders();
  void workOutLanguage();
  void applyTableSettings();
  void makePanels();
  void dressWindows();
  void startTimer();
  void checkForHelper();
  bool runFirstPreferences();
  void finishStartUp();
  void registerObservers();
  // Shows the refused-key alerts one after the other, never one inside another.
  void showKeyAlerts();
  void makeQueueAndTimedWork();
  void addHandedOver();
  void fillHooks();
  // Runs `work` on the GUI thread: at once there, queued from any other thread.
  void onGUIThread(std::function<void()> work);
  void showFolderAlert(const QString& message, const QString& informative);
  void showTimedNotice(const QString& text);
  void checkNews();
  void layOutWindows();
  void useQueueTable(QTableView* table);
  void reloadFiles();
  void reloadQueue();
  void writeRestorableState();
  void restoreLists(const RestoredLists& restored);
  // A warning over the main window that does not wait for an answer; logged in both logs.
  void tellUser(const QString& message, const QString& informative);
  void finishLaunching(const QStringList& openedPaths);
  void connectTables();
  void connectCommands();
  // The main window's, for the tables' commands.
  void ShowMainWindow();
  void validateVisibleToolbarItems();
  void placeOverMainWindowOnce(QWidget* window);
  void writeQuitArchives();
  bool restorationOn() const { return state_.systemMinor >= 7; }

  ControllerState state_;
  MainWindowShell windows_;
  ControllerHooks hooks_;
  std::unique_ptr<MainWindowPresenter> mainWindow_;
  std::optional<ConversionJobs> jobs_;  // until the runner takes them
  std::unique_ptr<FileLists> lists_;
  std::unique_ptr<QueueRunner> runner_;
  std::unique_ptr<SourceScanner> scanner_;
  std::unique_ptr<AddingPaths> adding_;
  std::unique_ptr<TimedActivities> ticks_;
  std::unique_ptr<BCBusyPanel> busyPanel_;
  // Children: they go after the windows, as the tables' models always did.
  FilesTablePresenter* filesTable_ = nullptr;
  QueueRowsPresenter* queueRows_ = nullptr;
  QTimer* timer_ = nullptr;
  std::unique_ptr<Notices> notices_;
  std::unique_ptr<BCAlertPanel> myAlertPanel_;
  QStringList pendingKeyAlerts_;
  bool showingKeyAlerts_ = false;
  // Gone before the windows: the multiple-item editor's window is the main window's child.
  std::unique_ptr<TagEditors> tagEditors_;
  std::vector<NotificationCenter::Token> observers_;
  bool startupFinished_ = false;
  bool quitting_ = false;
  bool terminated_ = false;
  bool startupFailed_ = false;
  bool restoreRead_ = false;                        // the saved lists have been read back
  bool launched_ = false;                           // applicationDidFinishLaunching has run
  QList<std::pair<QStringList, bool>> handedOver_;  // waiting for the launch or their turn
  bool handingOver_ = false;
  // A redraw or a table rebuild that a notification asked for waits to run on the GUI thread.
  std::atomic<bool> refreshWaiting_ = false;
  std::atomic<bool> rebuildWaiting_ = false;
  QPointer<QMessageBox> timedNotice_;  // the alerts of timed work
  std::function<void(const MediaFilePtr&)> startLookUp_;
  std::function<void(const MediaFilePtr&, bool)> startProbe_;
  std::unique_ptr<WindowManagerClose> windowManagerClose_;
  std::unique_ptr<ModalQuitKey> modalQuitKey_;
  // Last, so that it is gone before what its write hands to the GUI thread.
  std::unique_ptr<ListsSaver> saver_;
};

}  // namespace zuvo
