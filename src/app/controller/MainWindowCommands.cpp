// The main window's commands: the queue's place and full screen, the column switches, the
// selection moves, toolbar enabling, the commands on the highlighted rows, duplicate
// deletion, the preview and episode picker requests, the about panel and the web links.
#include "app/controller/Controller.h"
#include "app/files/AddingPaths.h"
#include "app/preferences/BCPreferencePanel.h"
#include "app/tables/BCTableView.h"
#include "app/files/FilesTablePresenter.h"
#include "app/tags/TagEditors.h"

#include "app/files/FileLists.h"
#include "app/panels/PanelPlacement.h"
#include "app/preferences/BCPreferencePanel.h"
#include "app/preview/Viewer.h"
#include "app/queue/QueueRunner.h"
#include "app/shared/Feed.h"
#include "app/shared/Localized.h"
#include "media/MediaValues.h"
#include "media/ProbeMediaFile.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/ServiceAddresses.h"

#include <QDialog>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QUrl>

namespace zuvo {
namespace {

constexpr int kQueuePaneWidth = 435;
constexpr int kFilesPaneMinimum = 725;
constexpr int kQueuePaneMargin = 437;
constexpr const char* kPlacedProperty = "zuvoPlacedOverMainWindow";

void openLink(const QString& address) {
  // A page that cannot be opened is ignored.
  QDesktopServices::openUrl(QUrl(address));
}

}  // namespace

void Controller::connectCommands() {
  MainWindowShell& w = windows_;
  // The files table's commands, on its highlighted rows.
  const std::pair<QAction*, void (FilesTablePresenter::*)()> fileCommands[] = {
      {w.EditToolbarItem, &FilesTablePresenter::editClick},
      {w.DeleteToolbarItem, &FilesTablePresenter::deleteClick},
      {w.LookUpToolbarItem, &FilesTablePresenter::MultipleSearchClick},
      {w.EditMenuItem, &FilesTablePresenter::editClick},
      {w.SearchMenuItem, &FilesTablePresenter::MultipleSearchClick},
      {w.ToSDHDMenuItem, &FilesTablePresenter::MultipleToSDHDClick},
      {w.ToSDMenuItem, &FilesTablePresenter::MultipleToSDClick},
      {w.ToHDMenuItem, &FilesTablePresenter::MultipleToHDClick},
      {w.ToOriginalMenuItem, &FilesTablePresenter::MultipleToOriginalClick},
      {w.ToInfoMenuItem, &FilesTablePresenter::MultipleToInfoClick},
      {w.DeleteDuplicatesMenuItem, &FilesTablePresenter::DeleteDuplicatesButtonPress},
  };
  for (const auto& [item, command] : fileCommands) connect(item, &QAction::triggered, filesTable_, command);
  connect(w.SelectTVShowMenuItem, &QAction::triggered, tagEditors_.get(), [this] {
    const QList<MediaFilePtr> items = filesTable_->highlightedItems();
    tagEditors_->MenuRunEpisodePicker(items.isEmpty() ? nullptr : items.last());
  });
  const std::pair<QAction*, void (Controller::*)()> commands[] = {
      {w.PreviewToolbarItem, &Controller::showPreview},
      {w.AboutMenuItem, &Controller::AboutMenuPress},
      {w.ImportDVDMenuItem, &Controller::OpenDVDPanel},
      {w.HelpMenuItem, &Controller::LaunchHelp},
      {w.ReleaseNotesMenuItem, &Controller::showReleaseNotes},
      {w.SupportMenuItem, &Controller::LaunchSupport},
      {w.TwitterMenuItem, &Controller::LaunchTwitter},
  };
  for (const auto& [item, command] : commands)
    connect(item, &QAction::triggered, this, [this, command = command] { (this->*command)(); });
  for (QAction* item : {w.PreferencesMenuItem, w.AddVideoSourcesToolbarItem})
    connect(item, &QAction::triggered, this, [this, item] { PreferencesMenuPress(item); });
  // The queue runner's and the sources' commands.
  connect(w.ConvertToolbarItem, &QAction::triggered, this, [this] { runner_->ConvertButtonPress(); });
  connect(w.ConvertAllToolbarItem, &QAction::triggered, this, [this] { runner_->ConvertAllButtonPress(); });
  connect(w.ConvertSelectedToolbarItem, &QAction::triggered, this, [this] { runner_->ConvertSelectedButtonPress(); });
  connect(w.CreateSampleToolbarItem, &QAction::triggered, this, [this] { runner_->MakeSample(); });
  connect(w.CheckSourcesToolbarItem, &QAction::triggered, this, [this] { adding_->RefreshFilesTableButtonPress(); });
  connect(w.OpenFolderMenuItem, &QAction::triggered, this, [this] { adding_->LoadDirectory(); });
  for (QPushButton* button : {w.QueuePauseButton, w.QueuePauseButton2})
    connect(button, &QPushButton::clicked, this, [this] { runner_->QueuePauseButtonPress(); });
  for (QPushButton* button : {w.ClearCompletedButton, w.ClearCompletedButton2})
    connect(button, &QPushButton::clicked, this, [this] { runner_->ClearCompletedButtonPress(); });
  connect(w.ClearCompletedMenuItem, &QAction::triggered, this, [this] { runner_->ClearCompletedButtonPress(); });
  connect(w.EmailLogMenuItem, &QAction::triggered, this, [this] { emailLog(); });
  connect(w.MainWindowMenuItem, &QAction::triggered, this, [this] { ShowMainWindow(); });
  connect(w.ShowQueueMenuItem, &QAction::triggered, this, [this] { showQueue(); });
  connect(w.SplitViewButton, &QPushButton::clicked, this, [this] { splitview(); });
  connect(w.AboutCloseButton, &QPushButton::clicked, this, [this] { AboutCloseButtonPress(); });
}

void Controller::ShowMainWindow() {
  QMainWindow* window = windows_.MainWindow.get();
  // A minimised window is brought back as it was before.
  if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  bringWindowForward(window);
}

bool Controller::applicationShouldHandleReopen() {
  if (windows_.QueuePanel->isVisible()) bringWindowForward(windows_.QueuePanel.get());
  ShowMainWindow();
  return true;
}

// ---------------------------------------------------------------- the queue's place

void Controller::splitview() {
  MainWindowShell& w = windows_;
  if (state_.queueInPane && !isFullScreen()) {
    collapseRightView();
    state_.queueInPane = false;
    useQueueTable(w.Queue1TableView);
    reloadQueue();
    w.SplitViewButton->setText(QStringLiteral("Queue"));
    showQueue();
  } else {
    w.QueuePanel->close();
    uncollapseRightView();
    state_.queueInPane = true;
    useQueueTable(w.Queue2TableView);
    reloadQueue();
    w.SplitViewButton->setText(QStringLiteral("No Queue"));
  }
}

void Controller::collapseRightView() {
  windows_.RightPane->hide();
  windows_.FilesTableView->setMinimumWidth(0);
}

void Controller::uncollapseRightView() {
  QSplitter* split = windows_.MainSplitView;
  const int divider = split->handleWidth();
  // The divider stays at least 725 points from the left and 437 from the right edge; a
  // window too narrow for both panes widens.
  windows_.FilesTableView->setMinimumWidth(kFilesPaneMinimum);
  windows_.RightPane->setMinimumWidth(kQueuePaneMargin - divider);
  windows_.RightPane->show();
  const int wanted = kFilesPaneMinimum + divider + kQueuePaneWidth;
  QMainWindow* window = windows_.MainWindow.get();
  if (split->width() < wanted && !isFullScreen())
    window->resize(window->width() + wanted - split->width(), window->height());
  const int total = std::max(split->width(), wanted);
  split->setSizes({total - kQueuePaneWidth - divider, kQueuePaneWidth});
}

void Controller::windowDidEnterFullScreen() { fullScreenChanged(true); }

void Controller::windowDidExitFullScreen() { fullScreenChanged(false); }

void Controller::fullScreenChanged(bool entered) {
  // The flag is set against the window's new state, so that `splitview` moves the queue:
  // into the pane on entering, back to its window on leaving.
  state_.queueInPane = !entered;
  tagEditors_->closeTagsWindow();
  closePreferencesWindow();
  splitview();
  RefreshWindow();
}

// ---------------------------------------------------------------- columns and selection moves

void Controller::ChangeFASTMode(int) {
  const bool on = Defaults::standard().get(setting::EnableFASTMode);
  windows_.FilesTableView->setColumnHidden(MainWindowShell::SpeedColumn, !on);
  state_.mainLog->report(on ? QStringLiteral("FAST mode on") : QStringLiteral("FAST mode off"), 3);
  filesTable_->sizeWindow();
}

// ---------------------------------------------------------------- toolbar

bool Controller::validateToolbarItem(const QAction* item) const {
  const MainWindowShell& w = windows_;
  const qsizetype highlighted = w.FilesTableView->selectionModel()->selectedRows().size();
  if (item == w.EditToolbarItem || item == w.DeleteToolbarItem || item == w.LookUpToolbarItem ||
      item == w.ConvertToolbarItem || item == w.CreateSampleToolbarItem)
    return highlighted >= 1;
  if (item == w.PreviewToolbarItem) return highlighted == 1;
  if (item == w.CheckSourcesToolbarItem)
    return !loadVideoSources().isEmpty();  // asked on every reload: damage is logged by the scans
  if (item == w.ConvertAllToolbarItem) return !state_.files.isEmpty();
  if (item == w.ConvertSelectedToolbarItem)
    return std::any_of(state_.files.begin(), state_.files.end(), [](const MediaFilePtr& m) { return m->selected(); });
  return true;
}

void Controller::validateVisibleToolbarItems() {
  for (QAction* item : windows_.MainToolbar->actions()) item->setEnabled(validateToolbarItem(item));
}

// ---------------------------------------------------------------- windows asked for

void Controller::PreferencesMenuPress(const QAction* sender) {
  state_.mainLog->report(QStringLiteral("Opening Preferences"), 4);
  activatePreferencesPane(sender && sender == windows_.AddVideoSourcesToolbarItem ? 3 : 0);
  UpdateTurboLabel();
  // The window may have added or removed the video sources.
  validateVisibleToolbarItems();
}

void Controller::showPreview() {
  if (state_.viewerOpen) {
    ControllerHooks::call(hooks_.showAlert, QStringLiteral("Only one Viewer window can be open at a time"));
    return;
  }
  const QList<MediaFilePtr> items = filesTable_->highlightedItems();
  if (items.isEmpty()) return;
  const MediaFilePtr& item = items.last();
  const std::optional<DVDTrack> dvd = item->DVDTrackInfo();
  const bool isDVD = item->type() == QLatin1String("DVD") && dvd;
  state_.viewerOpen = true;
  if (isDVD) openViewer(dvd->dvdpath(), true, dvd->tracknumber());
  else openViewer(item->fullpath(), false, 1);
}

// ---------------------------------------------------------------- about panel and links

void Controller::AboutMenuPress() {
  MainWindowShell& w = windows_;
  w.VersionNumber->setText(QCoreApplication::applicationVersion());
  w.SucessfulConversionsTextField->setText(
      QString::number(Defaults::standard().get(setting::SucessfulConversions)));
  w.AboutPanel->adjustSize();
  centreWindowOnWindow(w.AboutPanel.get(), w.MainWindow.get());
  w.AboutPanel->show();
  bringWindowForward(w.AboutPanel.get());
}

void Controller::AboutCloseButtonPress() { windows_.AboutPanel->hide(); }

void Controller::LaunchHelp() { openLink(serviceBaseURL(Service::Homepage) + QStringLiteral("/Zuvo/ZuvoFAQ.php")); }
void Controller::showReleaseNotes() {
  openLink(serviceBaseURL(Service::Homepage) + QStringLiteral("/Zuvo/notes/Notes0300.html"));
}
void Controller::LaunchSupport() { openLink(serviceBaseURL(Service::Homepage) + QStringLiteral("/support.php")); }
void Controller::LaunchTwitter() { openLink(serviceBaseURL(Service::Social)); }

void Controller::OpenDVDPanel() { state_.mainLog->report(QStringLiteral("Import DVD Menu Option Clicked"), 5); }

// ---------------------------------------------------------------- windows built elsewhere

void Controller::activatePreferencesPane(int pane) {
  if (myPreferencesPanel_) myPreferencesPanel_->activatePanel(pane, windows_.MainWindow.get());
}
void Controller::closePreferencesWindow() {
  if (myPreferencesPanel_ && myPreferencesPanel_->window()->isVisible()) myPreferencesPanel_->hidePanel();
}
void Controller::placeOverMainWindowOnce(QWidget* window) {
  // A window opens over the main window the first time; later where the user left it.
  if (window->property(kPlacedProperty).toBool()) return;
  if (!window->testAttribute(Qt::WA_Resized)) window->adjustSize();
  centreWindowOnWindow(window, windows_.MainWindow.get());
  window->setProperty(kPlacedProperty, true);
}

void Controller::openViewer(const QString& path, bool isDVD, int track) {
  // The window lives until its player has gone; then the next preview may open.
  auto* viewer = new Viewer(path, isDVD, track, {}, nullptr, windows_.MainWindow.get());
  viewer->setPlayerEnded([this, viewer] {
    state_.viewerOpen = false;
    viewer->deleteLater();
  });
}

}  // namespace zuvo
