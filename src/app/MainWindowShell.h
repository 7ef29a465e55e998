#pragma once
// The application's windows as the controller reaches them: the main window, the queue
// window, the news panel and the rating window, each control under its outlet name. The
// files and queue tables are simple lists of names for now. GUI thread only.
#include <QPointer>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QMainWindow;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTableWidget;
class QTextBrowser;
class QWidget;

namespace zuvo {

struct MainWindowShell {
  MainWindowShell();
  ~MainWindowShell();
  MainWindowShell(const MainWindowShell&) = delete;
  MainWindowShell& operator=(const MainWindowShell&) = delete;

  // Columns of the files table.
  static constexpr int kNameColumn = 0;
  static constexpr int DetailsColumn = 1;
  static constexpr int SpeedColumn = 2;

  std::unique_ptr<QMainWindow> MainWindow;
  std::unique_ptr<QWidget> QueuePanel;
  std::unique_ptr<QWidget> NewsPanel;
  std::unique_ptr<QWidget> RateZuvoWindow;

  QWidget* MainView = nullptr;
  QSplitter* MainSplitView = nullptr;
  QWidget* RightPane = nullptr;  // the pane that can hold the queue
  QTableWidget* FilesTableView = nullptr;
  QTableWidget* Queue1TableView = nullptr;
  QTableWidget* Queue2TableView = nullptr;
  QTableWidget* FeedsTableView = nullptr;
  QProgressBar* LookUpProgressIndicator = nullptr;
  QLabel* DropVideoImage = nullptr;
  QLabel* MessageTextField = nullptr;
  QFrame* TVInfoOnline = nullptr;
  QFrame* MovieInfoOnline = nullptr;
  QPushButton* SplitViewButton = nullptr;
  QPushButton* QueuePauseButton = nullptr;
  QPushButton* QueuePauseButton2 = nullptr;
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
};

}  // namespace zuvo
