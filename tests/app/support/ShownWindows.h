#pragma once
// The main window, the queue window and the panels that belong to them as a user finds
// them: each control by its object name among the program's windows.
#include <QAction>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>

#include "app/queue/QueueTableView.h"
#include "app/support/TopLevelWindows.h"
#include "app/tables/BCTableView.h"

namespace zuvo::test {

struct ShownWindows {
  ShownWindows() = default;
  // Finds them all; call once the controller has made its windows.
  static ShownWindows find() {
    ShownWindows w;
    w.MainWindow = topLevel<QMainWindow>(QStringLiteral("MainWindow"));
    w.QueuePanel = topLevel(QStringLiteral("QueuePanel"));
    w.NewsPanel = topLevel(QStringLiteral("NewsPanel"));
    w.RateZuvoWindow = topLevel(QStringLiteral("RateZuvoWindow"));
    w.AboutPanel = topLevel(QStringLiteral("AboutPanel"));
    w.MainView = anywhere(QStringLiteral("MainView"));
    w.MainSplitView = anywhere<QSplitter>(QStringLiteral("MainSplitView"));
    w.RightPane = anywhere(QStringLiteral("RightPane"));
    w.FilesTableView = dynamic_cast<BCTableView*>(anywhere<QTableView>(QStringLiteral("FilesTableView")));
    w.Queue1TableView =
        dynamic_cast<QueueTableView*>(anywhere<QTableView>(QStringLiteral("Queue1TableView")));
    w.Queue2TableView =
        dynamic_cast<QueueTableView*>(anywhere<QTableView>(QStringLiteral("Queue2TableView")));
    w.DropVideoImage = anywhere<QLabel>(QStringLiteral("DropVideoImage"));
    w.MessageTextField = anywhere<QLabel>(QStringLiteral("MessageTextField"));
    w.VersionNumber = anywhere<QLabel>(QStringLiteral("VersionNumber"));
    w.SucessfulConversionsTextField = anywhere<QLabel>(QStringLiteral("SucessfulConversionsTextField"));
    w.RateZuvoTextField = anywhere<QLabel>(QStringLiteral("RateZuvoTextField"));
    w.TVInfoOnline = anywhere<QFrame>(QStringLiteral("TVInfoOnline"));
    w.MovieInfoOnline = anywhere<QFrame>(QStringLiteral("MovieInfoOnline"));
    w.NewsWebView = anywhere<QTextBrowser>(QStringLiteral("NewsWebView"));
    w.SplitViewButton = anywhere<QPushButton>(QStringLiteral("SplitViewButton"));
    w.QueuePauseButton = anywhere<QPushButton>(QStringLiteral("QueuePauseButton"));
    w.QueuePauseButton2 = anywhere<QPushButton>(QStringLiteral("QueuePauseButton2"));
    w.ClearCompletedButton = anywhere<QPushButton>(QStringLiteral("ClearCompletedButton"));
    w.ClearCompletedButton2 = anywhere<QPushButton>(QStringLiteral("ClearCompletedButton2"));
    w.AboutCloseButton = anywhere<QPushButton>(QStringLiteral("AboutCloseButton"));
    w.MainMenu = anywhere<QMenuBar>(QStringLiteral("MainMenu"));
    w.VideoMainMenu = anywhere<QMenu>(QStringLiteral("VideoMainMenu"));
    w.MainToolbar = anywhere<QToolBar>(QStringLiteral("MainToolbar"));
    const auto action = [](const char* name) { return anywhere<QAction>(QLatin1String(name)); };
    w.AddVideoSourcesToolbarItem = action("AddVideoSourcesToolbarItem");
    w.EditToolbarItem = action("EditToolbarItem");
    w.DeleteToolbarItem = action("DeleteToolbarItem");
    w.LookUpToolbarItem = action("LookUpToolbarItem");
    w.ConvertToolbarItem = action("ConvertToolbarItem");
    w.PreviewToolbarItem = action("PreviewToolbarItem");
    w.CreateSampleToolbarItem = action("CreateSampleToolbarItem");
    w.CheckSourcesToolbarItem = action("CheckSourcesToolbarItem");
    w.ConvertAllToolbarItem = action("ConvertAllToolbarItem");
    w.ConvertSelectedToolbarItem = action("ConvertSelectedToolbarItem");
    w.SelectTVShowMenuItem = action("SelectTVShowMenuItem");
    w.ToHDMenuItem = action("ToHDMenuItem");
    w.EditMenuItem = action("EditMenuItem");
    w.SearchMenuItem = action("SearchMenuItem");
    w.ToSDHDMenuItem = action("ToSDHDMenuItem");
    w.ToSDMenuItem = action("ToSDMenuItem");
    w.ToOriginalMenuItem = action("ToOriginalMenuItem");
    w.ToInfoMenuItem = action("ToInfoMenuItem");
    w.DeleteDuplicatesMenuItem = action("DeleteDuplicatesMenuItem");
    w.PreferencesMenuItem = action("PreferencesMenuItem");
    w.ClearCompletedMenuItem = action("ClearCompletedMenuItem");
    w.AboutMenuItem = action("AboutMenuItem");
    w.ShowQueueMenuItem = action("ShowQueueMenuItem");
    return w;
  }

  QMainWindow* MainWindow = nullptr;
  QWidget* QueuePanel = nullptr;
  QWidget* NewsPanel = nullptr;
  QWidget* RateZuvoWindow = nullptr;
  QWidget* AboutPanel = nullptr;
  QWidget* MainView = nullptr;
  QSplitter* MainSplitView = nullptr;
  QWidget* RightPane = nullptr;
  BCTableView* FilesTableView = nullptr;
  QueueTableView* Queue1TableView = nullptr;
  QueueTableView* Queue2TableView = nullptr;
  QLabel* DropVideoImage = nullptr;
  QLabel* MessageTextField = nullptr;
  QLabel* VersionNumber = nullptr;
  QLabel* SucessfulConversionsTextField = nullptr;
  QLabel* RateZuvoTextField = nullptr;
  QFrame* TVInfoOnline = nullptr;
  QFrame* MovieInfoOnline = nullptr;
  QTextBrowser* NewsWebView = nullptr;
  QPushButton* SplitViewButton = nullptr;
  QPushButton* QueuePauseButton = nullptr;
  QPushButton* QueuePauseButton2 = nullptr;
  QPushButton* ClearCompletedButton = nullptr;
  QPushButton* ClearCompletedButton2 = nullptr;
  QPushButton* AboutCloseButton = nullptr;
  QMenuBar* MainMenu = nullptr;
  QMenu* VideoMainMenu = nullptr;
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
  QAction* SelectTVShowMenuItem = nullptr;
  QAction* ToHDMenuItem = nullptr;
  QAction* EditMenuItem = nullptr;
  QAction* SearchMenuItem = nullptr;
  QAction* ToSDHDMenuItem = nullptr;
  QAction* ToSDMenuItem = nullptr;
  QAction* ToOriginalMenuItem = nullptr;
  QAction* ToInfoMenuItem = nullptr;
  QAction* DeleteDuplicatesMenuItem = nullptr;
  QAction* PreferencesMenuItem = nullptr;
  QAction* ClearCompletedMenuItem = nullptr;
  QAction* AboutMenuItem = nullptr;
  QAction* ShowQueueMenuItem = nullptr;
};

// The preferences window and the program's alert, once made.
inline QDialog* preferencesWindow() { return topLevel<QDialog>(QStringLiteral("BCPreferencePanel")); }
inline QDialog* alertWindow() { return topLevel<QDialog>(QStringLiteral("BCAlertPanel")); }

// The controller's 10-second timer, once start-up has made it.
inline QTimer* tickTimer(const QObject& controller) {
  return controller.findChild<QTimer*>(QStringLiteral("TimedActivitiesTimer"));
}

}  // namespace zuvo::test
