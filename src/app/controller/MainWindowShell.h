#pragma once
// The application's windows as the controller reaches them: the main window with its menu
// bar and the panels that belong to it (news, rating, about), and the queue window; each
// control under its outlet name. The controller puts its models on the files and queue
// tables. GUI thread only.
#include <QPointer>
#include <memory>

#include "app/queue/QueueTableView.h"

class QAction;
class QFrame;
class QLabel;
class QMainWindow;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTableView;
class QTableWidget;
class QTextBrowser;
class QToolBar;
class QWidget;

namespace zuvo {

class BCTableView;

struct MainWindowShell {
  MainWindowShell();
  ~MainWindowShell();
  MainWindowShell(const MainWindowShell&) = delete;
  MainWindowShell& operator=(const MainWindowShell&) = delete;

  // Columns of the files table that settings show or hide: "FileName" and "Speed".
  static constexpr int DetailsColumn = 3;
  static constexpr int SpeedColumn = 7;
  static constexpr int VideoColumn = 2;  // "Summary"

  std::unique_ptr<QMainWindow> MainWindow;
  std::unique_ptr<QWidget> QueuePanel;
  std::unique_ptr<QWidget> NewsPanel;
  std::unique_ptr<QWidget> RateZuvoWindow;
  std::unique_ptr<QWidget> AboutPanel;
  QLabel* VersionNumber = nullptr;
  QLabel* SucessfulConversionsTextField = nullptr;

  QWidget* MainView = nullptr;
  QSplitter* MainSplitView = nullptr;
  QWidget* RightPane = nullptr;  // the pane that can hold the queue
  BCTableView* FilesTableView = nullptr;
  QueueTableView* Queue1TableView = nullptr;
  QueueTableView* Queue2TableView = nullptr;
  QTableWidget* FeedsTableView = nullptr;
  QProgressBar* LookUpProgressIndicator = nullptr;
  QLabel* DropVideoImage = nullptr;
  QLabel* MessageTextField = nullptr;
  QFrame* TVInfoOnline = nullptr;
  QFrame* MovieInfoOnline = nullptr;
  QPushButton* SplitViewButton = nullptr;
  QPushButton* QueuePauseButton = nullptr;
  QPushButton* QueuePauseButton2 = nullptr;
  // `ClearCompletedButtonPress:` beside each queue table's pause button.
  QPushButton* ClearCompletedButton = nullptr;
  QPushButton* ClearCompletedButton2 = nullptr;
  QLabel* Turbo264TextField = nullptr;
  QLabel* ZUVOVersionTextField = nullptr;
  QLabel* RateZuvoTextField = nullptr;
  QPushButton* RateZuvoButton = nullptr;
  QTextBrowser* NewsWebView = nullptr;
  QMenuBar* MainMenu = nullptr;
  QAction* checkForUpdatesMenuItem = nullptr;
  QAction* QuitMenuItem = nullptr;
  std::unique_ptr<QMenu> StatusItemMenu;
  QAction* StatusQuitMenuItem = nullptr;

  QToolBar* MainToolbar = nullptr;
  QAction* AddVideoSourcesToolbarItem = nullptr;
  QAction* EditToolbarItem = nullptr;
  QAction* DeleteToolbarItem = nullptr;
  QAction* LookUpToolbarItem = nullptr;
  QAction* ConvertToolbarItem = nullptr;
  QAction* PreviewToolbarItem = nullptr;
  QAction* CreateSampleToolbarItem = nullptr;
  QAction* CheckSourcesToolbarItem = nullptr;
  QAction* ConvertAllToolbarItem = nullptr;
  QAction* ConvertSelectedToolbarItem = nullptr;

  // The files table's context menus and the main menu's video menu with its commands.
  std::unique_ptr<QMenu> VideoContextMenu;
  std::unique_ptr<QMenu> MutipleVideoContextMenu;
  QMenu* VideoMainMenu = nullptr;
  QAction* SelectTVShowMenuItem = nullptr;
  QAction* ToSDHDMenuItem = nullptr;
  QAction* ToSDMenuItem = nullptr;
  QAction* ToHDMenuItem = nullptr;
  QAction* ToOriginalMenuItem = nullptr;
  QAction* ToInfoMenuItem = nullptr;
  QAction* SearchMenuItem = nullptr;
  QAction* EditMenuItem = nullptr;
  QAction* DeleteDuplicatesMenuItem = nullptr;
  QAction* PreferencesMenuItem = nullptr;
  QAction* AboutMenuItem = nullptr;
  QAction* ImportDVDMenuItem = nullptr;
  QAction* HelpMenuItem = nullptr;
  QAction* ReleaseNotesMenuItem = nullptr;
  QAction* SupportMenuItem = nullptr;
  QAction* TwitterMenuItem = nullptr;
  QAction* EmailLogMenuItem = nullptr;        // `emailLog:`
  QAction* OpenFolderMenuItem = nullptr;      // `LoadDirectory:`
  QAction* MainWindowMenuItem = nullptr;      // `ShowMainWindow:`
  QAction* ShowQueueMenuItem = nullptr;       // `showQueue:`
  QAction* ClearCompletedMenuItem = nullptr;  // `ClearCompletedButtonPress:`
  QPushButton* AboutCloseButton = nullptr;
};

}  // namespace zuvo
