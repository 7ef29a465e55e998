#pragma once
// The application's one controller: start-up, the windows it owns, the notices, the
// 10-second timer, the saved lists and quitting. The queue runner and the timed work
// operate on its `ControllerState`; the members under "Queue and timed work" are where
// they are called. GUI thread only, except where a member says otherwise.
#include "app/ControllerState.h"
#include "app/MainWindowShell.h"
#include "platform/NotificationCenter.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QSystemTrayIcon;
class QTableWidget;
class QTimer;

namespace zuvo {

class BCAlertPanel;
class Notices;

class Controller : public QObject {
 public:
  // Registers the defaults of every setting; call once before the first controller.
  static void initialize();

  explicit Controller(QObject* parent = nullptr);
  ~Controller() override;

  // The start-up sequence. False when the program must end at once (no cache folder
  // could be made): the quit sequence has run and there is no event loop to stop.
  bool awakeFromNib();
  // After start-up: brings back the saved lists, then adds the paths the program was
  // opened with.
  void applicationDidFinishLaunching(const QStringList& openedPaths = {});
  // The quit sequence; ends the event loop, or marks the program finished when the
  // loop has not started.
  void QuitButtonPress();
  bool terminated() const { return terminated_; }
  bool startupFinished() const { return startupFinished_; }

  // Saved lists: the main window's state is written afresh whenever a list changes
  // (callable from any thread; writes are gathered on the GUI thread).
  void invalidateRestorableState();
  void windowWillEncodeRestorableState();
  void windowDidDecodeRestorableState();

  // Notices (any thread).
  void TextMessage(const QString& text);
  void GeneralMessage(const QString& title, const QString& message, int type, bool sticky);
  void GeneralMessage(const QString& title, const QString& message, int type);
  void GrowlMessage(const QString& title, const QString& message, int type);
  void GrowlMessage(const QString& title, const QString& message, int type, bool sticky);
  // The queue drawn on the window and tray icons (timer tick).
  void setZuvoIcon(float progress, int pending, int convertedsucess, int convertedfail);
  void emailLog();

  // The on-line indicators.
  void TVOffline();
  void MovieOffline();
  void TVOnline();
  void MovieOnline();

  void activateStatusMenu();
  void deactivateStatusMenu();
  HelperInfo ScanForTurbo264(const QString& cacheFolder);
  void UpdateTurboLabel();
  bool isFullScreen() const;
  void rateZuvo();

  // Queue and timed work. Each tick does nothing before start-up has finished or once
  // quitting has begun.
  void timedactivities();
  // The table rebuild: moves items between the lists by their state, then redraws.
  void makefilestable();
  // Redraws both tables from the lists.
  void RefreshWindow();
  void checksources(bool timed);
  // Opened documents: video files are added, folders scanned (one level down).
  void openFiles(const QStringList& paths);
  // Adds one path to the files list unless it is there already.
  void addfiletotable(const QString& path, bool drop, bool autoprocess);
  void checksubdirectory(const QString& folder, int depth, bool drop, bool timed);

  // Windows and commands that other windows carry out.
  void PreferencesMenuPress();
  void collapseRightView();
  void uncollapseRightView();
  void sizeWindow();
  void closeTagsPanel();
  void editClick();
  void deleteClick();
  void ChangeFASTMode(int number);
  void ChangeShowDetails();
  void NextShow();
  void PreviousShow();

  ControllerState& state() { return state_; }
  MainWindowShell& windows() { return windows_; }
  QTableWidget* queueTableInUse() const { return queueTable_; }
  QTimer* timer() const { return timer_; }
  Notices* notices() const { return notices_.get(); }
  BCAlertPanel* alertPanel() const { return myAlertPanel_.get(); }
  QSystemTrayIcon* statusItem() const { return statusItem_.get(); }

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void registerObservers();
  // Runs `work` on the GUI thread: at once there, queued from any other thread.
  void onGUIThread(std::function<void()> work);
  void showFolderAlert(const QString& message, const QString& informative);
  void showRatingPrompt();
  void checkNews();
  void layOutWindows();
  void writeQuitArchives();
  void waitForRunningJobs();
  void showOnline(QWidget* box, bool& offlineFlag, bool online);
  bool restorationOn() const { return state_.systemMinor >= 7; }

  ControllerState state_;
  MainWindowShell windows_;
  QTableWidget* queueTable_ = nullptr;
  QTimer* timer_ = nullptr;
  std::unique_ptr<Notices> notices_;
  std::unique_ptr<BCAlertPanel> myAlertPanel_;
  std::unique_ptr<QSystemTrayIcon> statusItem_;
  std::vector<NotificationCenter::Token> observers_;
  bool startupFinished_ = false;
  bool quitting_ = false;
  bool terminated_ = false;
  bool stateWritePending_ = false;
  bool restoreRead_ = false;  // the saved lists have been read back
};

}  // namespace zuvo
