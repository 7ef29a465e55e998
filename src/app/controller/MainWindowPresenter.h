#pragma once
// The main window's own commands: where the queue shows (its window or the pane, full
// screen), the toolbar's enabling, the preview, the about panel and the web links, the
// preferences window, the on-line lights, the status item and the window icons, the
// rating prompt. It owns the preferences window and the status item; what the lists and
// the tables must do about a command it says through its signals. GUI thread only.
#include <QObject>
#include <memory>

#include "app/controller/MainWindowShell.h"
#include "app/shared/ControllerHooks.h"
#include "app/shared/ControllerState.h"
#include "platform/NotificationCenter.h"

class QAction;
class QImage;
class QSystemTrayIcon;

namespace zuvo {

class BCPreferencePanel;

class MainWindowPresenter : public QObject {
  Q_OBJECT

 public:
  // `hooks` is read when a command runs: its owner may fill it later.
  MainWindowPresenter(ControllerState& state, MainWindowShell& windows, const ControllerHooks& hooks,
                      QObject* parent = nullptr);
  ~MainWindowPresenter() override;

  // Makes the preferences window, once the cache folder and the logs are known.
  void makePreferencesPanel();

  void ShowMainWindow();
  bool applicationShouldHandleReopen();
  bool isFullScreen() const;
  void splitview();
  void collapseRightView();
  void uncollapseRightView();
  void windowDidEnterFullScreen();
  void windowDidExitFullScreen();
  // `validateToolbarItem:` for one of the main toolbar's items, and for all of them.
  bool validateToolbarItem(const QAction* item) const;
  void validateVisibleToolbarItems();
  void showQueue();
  // A window opens over the main window the first time; later where the user left it.
  void placeOverMainWindowOnce(QWidget* window);

  void showPreview();
  void openViewer(const QString& path, bool isDVD, int track);  // clears viewerOpen on close
  void AboutMenuPress();
  void AboutCloseButtonPress();
  void LaunchHelp();
  void showReleaseNotes();
  void LaunchSupport();
  void LaunchTwitter();
  void OpenDVDPanel();
  void emailLog();

  // The preferences window (modal over the main window).
  void PreferencesMenuPress(const QAction* sender = nullptr);
  void activatePreferencesPane(int pane);
  void closePreferencesWindow();

  void ChangeFASTMode(int number);
  HelperInfo ScanForTurbo264(const QString& cacheFolder);
  void UpdateTurboLabel();

  // The on-line lights; the notice that changed one says on it what its look-up came to.
  void TVOffline();
  void MovieOffline();
  void TVOnline();
  void MovieOnline();
  void explainLookUp(QWidget* box, const QString& light, const Notification& notice);

  void activateStatusMenu();
  void deactivateStatusMenu();
  void hideStatusMenu();
  // The queue drawn on the window and tray icons.
  void showDockIcon(const QImage& image);

  void showRatingPrompt();
  void rateZuvo();

 signals:
  // The queue moved between its window and the pane: that table is the one in use now.
  void queueMoved(QueueTableView* table);
  // Entering or leaving full screen closes the tag editors' windows.
  void tagsWindowsClosing();
  void refreshRequested();
  // A files table column was shown or hidden.
  void columnsChanged();

 private:
  void connectCommands();
  void fullScreenChanged(bool entered);
  void showOnline(QWidget* box, bool& offlineFlag, bool online);

  ControllerState& state_;
  MainWindowShell& windows_;
  const ControllerHooks& hooks_;
  std::unique_ptr<BCPreferencePanel> myPreferencesPanel_;
  std::unique_ptr<QSystemTrayIcon> statusItem_;
};

}  // namespace zuvo
