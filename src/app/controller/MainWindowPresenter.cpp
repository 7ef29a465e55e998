#include "app/controller/MainWindowPresenter.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QTime>
#include <QToolBar>
#include <QUrl>
#include <QWindow>
#include <algorithm>

#include "app/controller/EmailLog.h"
#include "app/notices/ApplicationIcon.h"
#include "app/panels/PanelPlacement.h"
#include "app/preferences/BCPreferencePanel.h"
#include "app/preview/Viewer.h"
#include "app/shared/Feed.h"
#include "app/tables/BCTableView.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "platform/ServiceAddresses.h"

namespace zuvo {
namespace {

constexpr int kQueuePaneWidth = 435;
constexpr int kFilesPaneMinimum = 725;
constexpr int kQueuePaneMargin = 437;
constexpr const char* kPlacedProperty = "zuvoPlacedOverMainWindow";

const QString kRateEnglish = QStringLiteral(
    "Dear Customer,\n\nWe hope you are enjoying Zuvo and it's working well for you. If it is would you mind "
    "doing "
    "us a favor and rating Zuvo in the Mac App Store? It's the best way to help new customers find us and "
    "therefore "
    "ensure we can continue to develop Zuvo into the future. Any help you can provide is very much "
    "appreciated!\n\n"
    "Many thanks - The Kelvane Team & Quillan the Penguin");
const QString kRateGerman = QStringLiteral(
    "Lieber Kunde,\n\nWir hoffen, Sie genießen Zuvo und es gefällt Ihnen. Wenn das so ist, würden Sie uns "
    "einen "
    "Gefallen tun und Zuvo im Mac App Store bewerten? Dies ist der beste Weg neuen Kunden zu helfen und "
    "sicher zu "
    "stellen, dass wir Zuvo auch in Zukunft weiter entwickeln können. Jede Hilfe, die Sie uns geben, wird "
    "sehr "
    "geschätzt.\n\nDanke – Das Team von Kelvane");
const QString kRateFrench = QStringLiteral(
    "Cher Client,\n\nNous espérons que vous aimez Zuvo et qu'il marche bien pour vous.  Si oui, nous "
    "apprécierions énormément vos notes et avis dans l'App Store.  Votre opinion et vos commentaires là sont "
    "la "
    "meilleur chemin pour que des nouveaux clients puissent trouver Zuvo et cela assure que nous pouvons "
    "continuer "
    "de developer Zuvo pour vous.  N'hesitez pas de nous contacter aussi avec vos questions et idées pour "
    "des "
    "versions d'Zuvo à venir.\n\nMerci beaucoup, L'équipe de Kelvane Software");

void openLink(const QString& address) {
  // A page that cannot be opened is ignored.
  QDesktopServices::openUrl(QUrl(address));
}

}  // namespace

MainWindowPresenter::MainWindowPresenter(ControllerState& state, MainWindowShell& windows,
                                         const ControllerHooks& hooks, QObject* parent)
    : QObject(parent), state_(state), windows_(windows), hooks_(hooks) {
  connectCommands();
}

MainWindowPresenter::~MainWindowPresenter() = default;

void MainWindowPresenter::connectCommands() {
  MainWindowShell& w = windows_;
  const std::pair<QAction*, void (MainWindowPresenter::*)()> commands[] = {
      {w.PreviewToolbarItem, &MainWindowPresenter::showPreview},
      {w.AboutMenuItem, &MainWindowPresenter::AboutMenuPress},
      {w.ImportDVDMenuItem, &MainWindowPresenter::OpenDVDPanel},
      {w.HelpMenuItem, &MainWindowPresenter::LaunchHelp},
      {w.ReleaseNotesMenuItem, &MainWindowPresenter::showReleaseNotes},
      {w.SupportMenuItem, &MainWindowPresenter::LaunchSupport},
      {w.TwitterMenuItem, &MainWindowPresenter::LaunchTwitter},
      {w.EmailLogMenuItem, &MainWindowPresenter::emailLog},
      {w.MainWindowMenuItem, &MainWindowPresenter::ShowMainWindow},
      {w.ShowQueueMenuItem, &MainWindowPresenter::showQueue},
  };
  for (const auto& [item, command] : commands) connect(item, &QAction::triggered, this, command);
  for (QAction* item : {w.PreferencesMenuItem, w.AddVideoSourcesToolbarItem})
    connect(item, &QAction::triggered, this, [this, item] { PreferencesMenuPress(item); });
  connect(w.SplitViewButton, &QPushButton::clicked, this, &MainWindowPresenter::splitview);
  connect(w.AboutCloseButton, &QPushButton::clicked, this, &MainWindowPresenter::AboutCloseButtonPress);
  connect(w.RateZuvoButton, &QPushButton::clicked, this, &MainWindowPresenter::rateZuvo);
}

void MainWindowPresenter::makePreferencesPanel() {
  myPreferencesPanel_ = std::make_unique<BCPreferencePanel>(state_.mainLog);
  myPreferencesPanel_->setCacheFolder(state_.cacheFolder);
  // Every later converter takes the answer of the window's encoder check.
  myPreferencesPanel_->setHelperInfoSink([this](const HelperInfo& info) { state_.helperAnswer = info; });
}

void MainWindowPresenter::ShowMainWindow() {
  QMainWindow* window = windows_.MainWindow.get();
  // A minimised window is brought back as it was before.
  if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  bringWindowForward(window);
}

bool MainWindowPresenter::applicationShouldHandleReopen() {
  if (windows_.QueuePanel->isVisible()) bringWindowForward(windows_.QueuePanel.get());
  ShowMainWindow();
  return true;
}

// ---------------------------------------------------------------- the queue's place

void MainWindowPresenter::splitview() {
  MainWindowShell& w = windows_;
  if (state_.queueInPane && !isFullScreen()) {
    collapseRightView();
    state_.queueInPane = false;
    emit queueMoved(w.Queue1TableView);
    w.SplitViewButton->setText(QStringLiteral("Queue"));
    showQueue();
  } else {
    w.QueuePanel->close();
    uncollapseRightView();
    state_.queueInPane = true;
    emit queueMoved(w.Queue2TableView);
    w.SplitViewButton->setText(QStringLiteral("No Queue"));
  }
}

void MainWindowPresenter::collapseRightView() {
  windows_.RightPane->hide();
  windows_.FilesTableView->setMinimumWidth(0);
}

void MainWindowPresenter::uncollapseRightView() {
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

void MainWindowPresenter::windowDidEnterFullScreen() { fullScreenChanged(true); }

void MainWindowPresenter::windowDidExitFullScreen() { fullScreenChanged(false); }

void MainWindowPresenter::fullScreenChanged(bool entered) {
  // The flag is set against the window's new state, so that `splitview` moves the queue:
  // into the pane on entering, back to its window on leaving.
  state_.queueInPane = !entered;
  emit tagsWindowsClosing();
  closePreferencesWindow();
  splitview();
  emit refreshRequested();
}

void MainWindowPresenter::ChangeFASTMode(int) {
  const bool on = Defaults::standard().get(setting::EnableFASTMode);
  windows_.FilesTableView->setColumnHidden(MainWindowShell::SpeedColumn, !on);
  state_.mainLog->report(on ? QStringLiteral("FAST mode on") : QStringLiteral("FAST mode off"), 3);
  emit columnsChanged();
}

// ---------------------------------------------------------------- toolbar

bool MainWindowPresenter::validateToolbarItem(const QAction* item) const {
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
    return std::any_of(state_.files.begin(), state_.files.end(),
                       [](const MediaFilePtr& m) { return m->selected(); });
  return true;
}

void MainWindowPresenter::validateVisibleToolbarItems() {
  for (QAction* item : windows_.MainToolbar->actions()) item->setEnabled(validateToolbarItem(item));
}

// ---------------------------------------------------------------- windows asked for

void MainWindowPresenter::PreferencesMenuPress(const QAction* sender) {
  state_.mainLog->report(QStringLiteral("Opening Preferences"), 4);
  activatePreferencesPane(sender && sender == windows_.AddVideoSourcesToolbarItem ? 3 : 0);
  UpdateTurboLabel();
  // The window may have added or removed the video sources.
  validateVisibleToolbarItems();
}

void MainWindowPresenter::showPreview() {
  if (state_.viewerOpen) {
    ControllerHooks::call(hooks_.showAlert, QStringLiteral("Only one Viewer window can be open at a time"));
    return;
  }
  const QList<int> rows = hooks_.highlightedRows();
  if (rows.isEmpty()) return;
  const MediaFilePtr& item = state_.files[rows.last()];
  const std::optional<DVDTrack> dvd = item->DVDTrackInfo();
  const bool isDVD = item->type() == QLatin1String("DVD") && dvd;
  state_.viewerOpen = true;
  if (isDVD)
    openViewer(dvd->dvdpath(), true, dvd->tracknumber());
  else
    openViewer(item->fullpath(), false, 1);
}

// ---------------------------------------------------------------- about panel and links

void MainWindowPresenter::AboutMenuPress() {
  MainWindowShell& w = windows_;
  w.VersionNumber->setText(QCoreApplication::applicationVersion());
  w.SucessfulConversionsTextField->setText(
      QString::number(Defaults::standard().get(setting::SucessfulConversions)));
  w.AboutPanel->adjustSize();
  centreWindowOnWindow(w.AboutPanel.get(), w.MainWindow.get());
  w.AboutPanel->show();
  bringWindowForward(w.AboutPanel.get());
}

void MainWindowPresenter::AboutCloseButtonPress() { windows_.AboutPanel->hide(); }

void MainWindowPresenter::LaunchHelp() {
  openLink(serviceBaseURL(Service::Homepage) + QStringLiteral("/Zuvo/ZuvoFAQ.php"));
}
void MainWindowPresenter::showReleaseNotes() {
  openLink(serviceBaseURL(Service::Homepage) + QStringLiteral("/Zuvo/notes/Notes0300.html"));
}
void MainWindowPresenter::LaunchSupport() {
  openLink(serviceBaseURL(Service::Homepage) + QStringLiteral("/support.php"));
}
void MainWindowPresenter::LaunchTwitter() { openLink(serviceBaseURL(Service::Social)); }

void MainWindowPresenter::OpenDVDPanel() {
  state_.mainLog->report(QStringLiteral("Import DVD Menu Option Clicked"), 5);
}

// ---------------------------------------------------------------- windows built elsewhere

void MainWindowPresenter::activatePreferencesPane(int pane) {
  if (myPreferencesPanel_) myPreferencesPanel_->activatePanel(pane, windows_.MainWindow.get());
}
void MainWindowPresenter::closePreferencesWindow() {
  if (myPreferencesPanel_ && myPreferencesPanel_->window()->isVisible()) myPreferencesPanel_->hidePanel();
}
void MainWindowPresenter::placeOverMainWindowOnce(QWidget* window) {
  // A window opens over the main window the first time; later where the user left it.
  if (window->property(kPlacedProperty).toBool()) return;
  if (!window->testAttribute(Qt::WA_Resized)) window->adjustSize();
  centreWindowOnWindow(window, windows_.MainWindow.get());
  window->setProperty(kPlacedProperty, true);
}

void MainWindowPresenter::openViewer(const QString& path, bool isDVD, int track) {
  // The window lives until its player has gone; then the next preview may open.
  auto* viewer = new Viewer(path, isDVD, track, {}, nullptr, windows_.MainWindow.get());
  viewer->setPlayerEnded([this, viewer] {
    state_.viewerOpen = false;
    viewer->deleteLater();
  });
}

// ---------------------------------------------------------------- on-line indicators

void MainWindowPresenter::showOnline(QWidget* box, bool& offlineFlag, bool online) {
  // Offline is a solid red; online a translucent green.
  const QColor colour =
      online ? QColor::fromRgbF(0.53f, 1.0f, 0.4f, 0.75f) : QColor::fromRgbF(0.93f, 0.57f, 0.57f, 1);
  QPalette palette = box->palette();
  palette.setColor(QPalette::Window, colour);
  box->setPalette(palette);
  offlineFlag = !online;
}

void MainWindowPresenter::explainLookUp(QWidget* box, const QString& light, const Notification& notice) {
  QString text = notice.userInfo.value(QStringLiteral("text")).toString();
  // A plug-in only says which colour to show.
  if (text.isEmpty())
    text = QStringLiteral("%1 at %2")
               .arg(notice.name.endsWith(QLatin1String("Offline")) ? QStringLiteral("Offline")
                                                                   : QStringLiteral("Online"),
                    QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
  const QString line = QStringLiteral("%1 look-up: %2").arg(light, text);
  box->setToolTip(line);
  box->setAccessibleDescription(line);
  state_.userLog->report(line, 3);
}

void MainWindowPresenter::TVOffline() { showOnline(windows_.TVInfoOnline, state_.tvOffline, false); }
void MainWindowPresenter::MovieOffline() { showOnline(windows_.MovieInfoOnline, state_.movieOffline, false); }
void MainWindowPresenter::TVOnline() { showOnline(windows_.TVInfoOnline, state_.tvOffline, true); }
void MainWindowPresenter::MovieOnline() { showOnline(windows_.MovieInfoOnline, state_.movieOffline, true); }

// ---------------------------------------------------------------- status item, helper

void MainWindowPresenter::activateStatusMenu() {
  state_.mainLog->report(QStringLiteral("[BLUE]Activating status bar item"), 2);
  QString iconPath = paths::resourcePath(QStringLiteral("toolbar.png"));
  if (!QFileInfo::exists(iconPath)) iconPath = applicationIconPath();
  state_.mainLog->report(QStringLiteral("Loading Status Icon Image from %1").arg(iconPath), 3);
  statusItem_ = std::make_unique<QSystemTrayIcon>(QIcon(iconPath));
  statusItem_->setContextMenu(windows_.StatusItemMenu.get());
  // Without a tray (a bare X server, offscreen) there is nothing to show it in.
  if (QSystemTrayIcon::isSystemTrayAvailable()) statusItem_->show();
  state_.statusItemShown = true;
}

void MainWindowPresenter::hideStatusMenu() {
  if (statusItem_) statusItem_->hide();
}

void MainWindowPresenter::deactivateStatusMenu() {
  state_.mainLog->report(QStringLiteral("[BLUE]Deactivating status bar item"), 2);
  statusItem_.reset();
  state_.statusItemShown = false;
}

HelperInfo MainWindowPresenter::ScanForTurbo264(const QString& cacheFolder) {
  const QString helper = paths::toolPath(QStringLiteral("Zuvo264Helper"));
  state_.helperAnswer = run264HelperInfo(helper, cacheFolder, state_.mainLog);
  UpdateTurboLabel();
  // The QuickTime codec component exists only on the Mac; ffmpeg reads those formats here.
  state_.mainLog->report(QStringLiteral("[RED] Perian not installed"), 4);
  return state_.helperAnswer;
}

void MainWindowPresenter::UpdateTurboLabel() {
  QLabel* label = windows_.Turbo264TextField;
  if (state_.helperAnswer.HDDeviceAvailable)
    label->setText(QStringLiteral("Turbo HD"));
  else if (state_.helperAnswer.DeviceAvailable)
    label->setText(QStringLiteral("Turbo"));
  label->setVisible(state_.helperAnswer.DeviceAvailable || state_.helperAnswer.HDDeviceAvailable);
}

bool MainWindowPresenter::isFullScreen() const { return windows_.MainWindow->isFullScreen(); }

void MainWindowPresenter::showRatingPrompt() {
  Defaults& defaults = Defaults::standard();
  if (defaults.get(setting::SucessfulConversions) < 20 || defaults.get(setting::HaveShownReviewDialog2))
    return;
  state_.mainLog->report(QStringLiteral("Showing Rate-Me message"), 3);
  const QString& code = state_.userLanguageCode;
  const QString& text = code == QLatin1String("de")   ? kRateGerman
                        : code == QLatin1String("fr") ? kRateFrench
                                                      : kRateEnglish;
  windows_.RateZuvoTextField->setFont(QFont(QStringLiteral("Lucida Grande"), 12));
  windows_.RateZuvoTextField->setText(text);
  defaults.set(setting::HaveShownReviewDialog2, true);
  QWidget* window = windows_.RateZuvoWindow.get();
  window->adjustSize();
  // At start-up the window manager may not have placed the main window yet: until then
  // its place is unknown here, and the window manager puts the prompt over it.
  const QWindow* main = windows_.MainWindow->windowHandle();
  if (main && main->isExposed()) centreWindowOnWindow(window, windows_.MainWindow.get());
  window->show();
  bringWindowForward(window);
}

void MainWindowPresenter::rateZuvo() {
  QDesktopServices::openUrl(QUrl(serviceBaseURL(Service::Homepage)));
  windows_.RateZuvoWindow->hide();
}

void MainWindowPresenter::showDockIcon(const QImage& image) {
  if (image.isNull()) return;
  const QIcon icon(QPixmap::fromImage(image));
  windows_.MainWindow->setWindowIcon(icon);
  if (statusItem_) statusItem_->setIcon(icon);
}

void MainWindowPresenter::emailLog() { zuvo::emailLog(state_.userLog); }

void MainWindowPresenter::showQueue() {
  state_.mainLog->report(QStringLiteral("Showing Queue Window"), 4);
  if (state_.queueInPane) {
    uncollapseRightView();
    return;
  }
  QWidget* panel = windows_.QueuePanel.get();
  // Floating means above the main window only: the window manager keeps a dialog above the
  // window it is transient for, and modal windows (transient for the main window too, and
  // opened later) above both. A stays-on-top window would cover them and every other program.
  const bool floating = Defaults::standard().get(setting::QueueAlwaysOntop);
  const Qt::WindowType type = floating ? Qt::Dialog : Qt::Window;
  if (panel->windowType() != type)
    panel->setWindowFlags((panel->windowFlags() & ~Qt::WindowType_Mask) | type);
  panel->winId();
  windows_.MainWindow->winId();
  panel->windowHandle()->setTransientParent(floating ? windows_.MainWindow->windowHandle() : nullptr);
  placeOverMainWindowOnce(panel);
  panel->show();
  bringWindowForward(panel);
}

}  // namespace zuvo
