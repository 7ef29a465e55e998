#pragma once
// The application's windows as the controller reaches them: the main window, the queue
// window, the news panel and the rating window, each control under its outlet name. The
// controller puts its models on the files and queue tables. GUI thread only.
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
class QTableView;
class QTableWidget;
class QTextBrowser;
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

  std::unique_ptr<QMainWindow> MainWindow;
  std::unique_ptr<QWidget> QueuePanel;
  std::unique_ptr<QWidget> NewsPanel;
  std::unique_ptr<QWidget> RateZuvoWindow;

  QWidget* MainView = nullptr;
  QSplitter* MainSplitView = nullptr;
  QWidget* RightPane = nullptr;  // the pane that can hold the queue
  BCTableView* FilesTableView = nullptr;
  QTableView* Queue1TableView = nullptr;
  QTableView* Queue2TableView = nullptr;
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
