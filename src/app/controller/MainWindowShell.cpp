#include "app/controller/MainWindowShell.h"

#include <QAction>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/notices/ApplicationIcon.h"
#include "app/panels/WindowAccessible.h"
#include "app/tables/BCTableView.h"
#include "metadata/live/ServiceCredits.h"

namespace zuvo {
namespace {

template <class W>
W* named(W* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QTableWidget* table(const char* name, const QStringList& headers, QWidget* parent) {
  auto* t = named(new QTableWidget(0, int(headers.size()), parent), name);
  t->setHorizontalHeaderLabels(headers);
  t->horizontalHeader()->setStretchLastSection(true);
  t->verticalHeader()->hide();
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  return t;
}

QAction* action(QObject* parent, const char* name, const QString& text) {
  auto* a = new QAction(text, parent);
  a->setObjectName(QLatin1String(name));
  return a;
}

QFrame* onlineBox(const char* name, const QString& label, QWidget* parent) {
  auto* box = named(new QFrame(parent), name);
  box->setFrameShape(QFrame::StyledPanel);
  box->setAutoFillBackground(true);
  // As wide as its label: the drop hint beside it comes and goes.
  box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->addWidget(new QLabel(label, box));
  return box;
}

// The buttons under a queue table: clearing the ended rows and pausing.
QHBoxLayout* queueButtons(QWidget* parent, const char* clearName, const char* pauseName, QPushButton*& clear,
                          QPushButton*& pause) {
  auto* row = new QHBoxLayout;
  clear = named(new QPushButton(QStringLiteral("Clear Completed"), parent), clearName);
  pause = named(new QPushButton(QStringLiteral("Pause"), parent), pauseName);
  row->addWidget(clear);
  row->addStretch(1);
  row->addWidget(pause);
  return row;
}

}  // namespace

MainWindowShell::MainWindowShell() {
  MainWindow = std::make_unique<QMainWindow>();
  MainWindow->setObjectName(QStringLiteral("MainWindow"));
  MainWindow->resize(1100, 600);

  MainView = named(new QWidget(MainWindow.get()), "MainView");
  auto* column = new QVBoxLayout(MainView);

  auto* top = new QHBoxLayout;
  DropVideoImage = named(new QLabel(QStringLiteral("Drop videos here"), MainView), "DropVideoImage");
  TVInfoOnline = onlineBox("TVInfoOnline", QStringLiteral("TV"), MainView);
  MovieInfoOnline = onlineBox("MovieInfoOnline", QStringLiteral("Movies"), MainView);
  Turbo264TextField = named(new QLabel(MainView), "Turbo264TextField");
  SplitViewButton = named(new QPushButton(QStringLiteral("Queue"), MainView), "SplitViewButton");
  top->addWidget(DropVideoImage, 1);
  // Takes the hint's room while it is hidden.
  top->addStretch(1);
  top->addWidget(TVInfoOnline);
  top->addWidget(MovieInfoOnline);
  top->addWidget(Turbo264TextField);
  top->addWidget(SplitViewButton);
  column->addLayout(top);

  MainSplitView = named(new QSplitter(Qt::Horizontal, MainView), "MainSplitView");
  FilesTableView = named(new BCTableView(MainSplitView), "FilesTableView");
  RightPane = named(new QWidget(MainSplitView), "RightPane");
  auto* paneLayout = new QVBoxLayout(RightPane);
  paneLayout->setContentsMargins(0, 0, 0, 0);
  Queue2TableView = named(new QueueTableView(RightPane), "Queue2TableView");
  Queue2TableView->setAccessibleName(QStringLiteral("Conversion Queue"));
  paneLayout->addWidget(Queue2TableView);
  paneLayout->addLayout(queueButtons(RightPane, "ClearCompletedButton2", "QueuePauseButton2",
                                     ClearCompletedButton2, QueuePauseButton2));
  MainSplitView->addWidget(FilesTableView);
  MainSplitView->addWidget(RightPane);
  // A wider window widens the files, never the queue.
  MainSplitView->setStretchFactor(0, 1);
  MainSplitView->setStretchFactor(1, 0);
  MainSplitView->setCollapsible(0, false);
  column->addWidget(MainSplitView, 1);

  auto* bottom = new QHBoxLayout;
  LookUpProgressIndicator = named(new QProgressBar(MainView), "LookUpProgressIndicator");
  LookUpProgressIndicator->setRange(0, 0);
  MessageTextField = named(new QLabel(MainView), "MessageTextField");
  ZUVOVersionTextField = named(new QLabel(MainView), "ZUVOVersionTextField");
  bottom->addWidget(LookUpProgressIndicator);
  bottom->addWidget(MessageTextField, 1);
  bottom->addWidget(ZUVOVersionTextField);
  column->addLayout(bottom);

  // Video sources are edited in a later window; the table already exists for the
  // start-up's reload.
  FeedsTableView = table("FeedsTableView", {QStringLiteral("Name"), QStringLiteral("Path")}, MainView);
  FeedsTableView->hide();
  MainWindow->setCentralWidget(MainView);

  // The menu bar: every command the program offers. Its keys answer in every window of the
  // program, as a desktop application's menu keys do.
  MainMenu = named(new QMenuBar(MainWindow.get()), "MainMenu");
  MainWindow->setMenuBar(MainMenu);
  QMenu* application = MainMenu->addMenu(QStringLiteral("&Zuvo"));
  AboutMenuItem = application->addAction(QStringLiteral("About Zuvo"));
  AboutMenuItem->setObjectName(QStringLiteral("AboutMenuItem"));
  PreferencesMenuItem = application->addAction(QStringLiteral("Preferences..."));
  PreferencesMenuItem->setObjectName(QStringLiteral("PreferencesMenuItem"));
  PreferencesMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
  PreferencesMenuItem->setShortcutContext(Qt::ApplicationShortcut);
  checkForUpdatesMenuItem = application->addAction(QStringLiteral("Check for Updates..."));
  checkForUpdatesMenuItem->setObjectName(QStringLiteral("checkForUpdatesMenuItem"));
  application->addSeparator();
  QuitMenuItem = application->addAction(QStringLiteral("Quit Zuvo"));
  // Spelled out: some platforms bind no key to the standard quit.
  QuitMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  QuitMenuItem->setShortcutContext(Qt::ApplicationShortcut);

  QMenu* file = MainMenu->addMenu(QStringLiteral("&File"));
  OpenFolderMenuItem = file->addAction(QStringLiteral("Open Folder..."));
  OpenFolderMenuItem->setShortcut(QKeySequence::Open);
  OpenFolderMenuItem->setShortcutContext(Qt::ApplicationShortcut);

  QMenu* video = MainMenu->addMenu(QStringLiteral("&Video"));
  VideoMainMenu = video;
  VideoMainMenu->setObjectName(QStringLiteral("VideoMainMenu"));
  EditMenuItem = video->addAction(QStringLiteral("Edit Tags..."));
  EditMenuItem->setObjectName(QStringLiteral("EditMenuItem"));
  SearchMenuItem = video->addAction(QStringLiteral("Search Again"));
  SearchMenuItem->setObjectName(QStringLiteral("SearchMenuItem"));
  SelectTVShowMenuItem = video->addAction(QStringLiteral("Select TV Show Episode..."));
  SelectTVShowMenuItem->setObjectName(QStringLiteral("SelectTVShowMenuItem"));
  video->addSeparator();
  ToSDHDMenuItem = video->addAction(QStringLiteral("Convert to SD and HD"));
  ToSDHDMenuItem->setObjectName(QStringLiteral("ToSDHDMenuItem"));
  ToSDMenuItem = video->addAction(QStringLiteral("Convert to SD"));
  ToSDMenuItem->setObjectName(QStringLiteral("ToSDMenuItem"));
  ToHDMenuItem = video->addAction(QStringLiteral("Convert to HD"));
  ToHDMenuItem->setObjectName(QStringLiteral("ToHDMenuItem"));
  ToOriginalMenuItem = video->addAction(QStringLiteral("Keep Original Format"));
  ToOriginalMenuItem->setObjectName(QStringLiteral("ToOriginalMenuItem"));
  ToInfoMenuItem = video->addAction(QStringLiteral("Update Info Only"));
  ToInfoMenuItem->setObjectName(QStringLiteral("ToInfoMenuItem"));
  VideoMainMenu->menuAction()->setEnabled(false);
  SelectTVShowMenuItem->setVisible(false);

  // The single-row menu has the episode picker; both have the commands on the rows.
  VideoContextMenu = std::make_unique<QMenu>();
  VideoContextMenu->setObjectName(QStringLiteral("VideoContextMenu"));
  MutipleVideoContextMenu = std::make_unique<QMenu>();
  MutipleVideoContextMenu->setObjectName(QStringLiteral("MutipleVideoContextMenu"));
  VideoContextMenu->addAction(EditMenuItem);
  VideoContextMenu->addAction(SearchMenuItem);
  VideoContextMenu->addAction(SelectTVShowMenuItem);
  for (QMenu* menu : {VideoContextMenu.get(), MutipleVideoContextMenu.get()}) {
    if (menu == MutipleVideoContextMenu.get()) {
      menu->addAction(EditMenuItem);
      menu->addAction(SearchMenuItem);
    }
    menu->addSeparator();
    for (QAction* a : {ToSDHDMenuItem, ToSDMenuItem, ToHDMenuItem, ToOriginalMenuItem, ToInfoMenuItem})
      menu->addAction(a);
  }

  QMenu* tools = MainMenu->addMenu(QStringLiteral("&Tools"));
  DeleteDuplicatesMenuItem = tools->addAction(QStringLiteral("Delete Duplicates"));
  DeleteDuplicatesMenuItem->setObjectName(QStringLiteral("DeleteDuplicatesMenuItem"));
  ImportDVDMenuItem = tools->addAction(QStringLiteral("Import DVD..."));

  QMenu* windowMenu = MainMenu->addMenu(QStringLiteral("&Window"));
  MainWindowMenuItem = windowMenu->addAction(QStringLiteral("Zuvo"));
  ShowQueueMenuItem = windowMenu->addAction(QStringLiteral("Conversion Queue"));
  ShowQueueMenuItem->setObjectName(QStringLiteral("ShowQueueMenuItem"));
  windowMenu->addSeparator();
  ClearCompletedMenuItem = windowMenu->addAction(QStringLiteral("Clear Completed"));
  ClearCompletedMenuItem->setObjectName(QStringLiteral("ClearCompletedMenuItem"));

  QMenu* help = MainMenu->addMenu(QStringLiteral("&Help"));
  HelpMenuItem = help->addAction(QStringLiteral("Zuvo Help"));
  HelpMenuItem->setShortcut(QKeySequence::HelpContents);
  HelpMenuItem->setShortcutContext(Qt::ApplicationShortcut);
  ReleaseNotesMenuItem = help->addAction(QStringLiteral("Release Notes"));
  SupportMenuItem = help->addAction(QStringLiteral("Support"));
  TwitterMenuItem = help->addAction(QStringLiteral("Follow Us"));
  help->addSeparator();
  EmailLogMenuItem = help->addAction(QStringLiteral("Email Log to Support..."));

  MainToolbar = named(new QToolBar(QStringLiteral("Toolbar"), MainWindow.get()), "MainToolbar");
  // The icons of the desktop's theme, each with its label under it.
  MainToolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  MainWindow->addToolBar(MainToolbar);
  struct Item {
    QAction** slot;
    const char* name;
    const char* text;
    const char* themeIcon;  // freedesktop icon name
    QStyle::StandardPixmap fallback;
  };
  const Item items[] = {
      {&AddVideoSourcesToolbarItem, "AddVideoSourcesToolbarItem", "Video Sources", "list-add",
       QStyle::SP_FileDialogNewFolder},
      {&CheckSourcesToolbarItem, "CheckSourcesToolbarItem", "Check Sources", "view-refresh",
       QStyle::SP_BrowserReload},
      {&EditToolbarItem, "EditToolbarItem", "Edit", "document-properties", QStyle::SP_FileDialogDetailedView},
      {&DeleteToolbarItem, "DeleteToolbarItem", "Delete", "edit-delete", QStyle::SP_TrashIcon},
      {&LookUpToolbarItem, "LookUpToolbarItem", "Look Up", "edit-find", QStyle::SP_FileDialogContentsView},
      {&PreviewToolbarItem, "PreviewToolbarItem", "Preview", "media-playback-start", QStyle::SP_MediaPlay},
      {&CreateSampleToolbarItem, "CreateSampleToolbarItem", "Create Sample", "edit-copy",
       QStyle::SP_FileIcon},
      {&ConvertToolbarItem, "ConvertToolbarItem", "Convert", "go-next", QStyle::SP_ArrowForward},
      {&ConvertSelectedToolbarItem, "ConvertSelectedToolbarItem", "Convert Selected", "go-jump",
       QStyle::SP_DialogApplyButton},
      {&ConvertAllToolbarItem, "ConvertAllToolbarItem", "Convert All", "media-seek-forward",
       QStyle::SP_MediaSeekForward},
  };
  for (const Item& item : items) {
    QAction** slot = item.slot;
    *slot = action(MainToolbar, item.name, QLatin1String(item.text));
    // Without a theme (a bare window manager) the style's own icons stand in.
    (*slot)->setIcon(
        QIcon::fromTheme(QLatin1String(item.themeIcon), MainToolbar->style()->standardIcon(item.fallback)));
    MainToolbar->addAction(*slot);
    // Toolbar buttons take no focus by default; several commands (Convert, Convert All)
    // exist nowhere else, so Tab must reach them and Space press them.
    MainToolbar->widgetForAction(*slot)->setFocusPolicy(Qt::TabFocus);
  }

  // Panels over the main window: the window manager places them on it and keeps them with it.
  AboutPanel = std::make_unique<QWidget>(MainWindow.get(), Qt::Dialog);
  AboutPanel->setObjectName(QStringLiteral("AboutPanel"));
  AboutPanel->setWindowTitle(QStringLiteral("About Zuvo"));
  auto* aboutLayout = new QVBoxLayout(AboutPanel.get());
  auto* aboutIcon = new QLabel(AboutPanel.get());
  aboutIcon->setPixmap(QIcon(applicationIconPath()).pixmap(96, 96));
  aboutLayout->addWidget(aboutIcon, 0, Qt::AlignHCenter);
  auto* aboutName = new QLabel(QStringLiteral("Zuvo"), AboutPanel.get());
  QFont nameFont = aboutName->font();
  nameFont.setBold(true);
  nameFont.setPointSizeF(nameFont.pointSizeF() * 1.5);
  aboutName->setFont(nameFont);
  aboutLayout->addWidget(aboutName, 0, Qt::AlignHCenter);
  auto* aboutTexts = new QFormLayout;
  VersionNumber = named(new QLabel(AboutPanel.get()), "VersionNumber");
  SucessfulConversionsTextField = named(new QLabel(AboutPanel.get()), "SucessfulConversionsTextField");
  aboutTexts->addRow(QStringLiteral("Version:"), VersionNumber);
  aboutTexts->addRow(QStringLiteral("Successful conversions:"), SucessfulConversionsTextField);
  aboutLayout->addLayout(aboutTexts);
  auto* aboutCredits =
      named(new QLabel(live::serviceCredits().join(u'\n'), AboutPanel.get()), "ServiceCreditsLabel");
  aboutCredits->setWordWrap(true);
  aboutLayout->addWidget(aboutCredits);
  AboutCloseButton = named(new QPushButton(QStringLiteral("Close"), AboutPanel.get()), "AboutCloseButton");
  aboutLayout->addWidget(AboutCloseButton, 0, Qt::AlignRight);

  // A window of its own at the normal level, so that the main window can come in front of
  // it (it floats only when the settings say so).
  QueuePanel = std::make_unique<QWidget>(nullptr, Qt::Window);
  QueuePanel->setObjectName(QStringLiteral("QueuePanel"));
  QueuePanel->setWindowTitle(QStringLiteral("Conversion Queue"));
  QueuePanel->resize(500, 400);
  auto* queueLayout = new QVBoxLayout(QueuePanel.get());
  setAccessibleWindowRole(QueuePanel.get(), QAccessible::Window);
  Queue1TableView = named(new QueueTableView(QueuePanel.get()), "Queue1TableView");
  Queue1TableView->setAccessibleName(QStringLiteral("Conversion Queue"));
  queueLayout->addWidget(Queue1TableView);
  queueLayout->addLayout(queueButtons(QueuePanel.get(), "ClearCompletedButton", "QueuePauseButton",
                                      ClearCompletedButton, QueuePauseButton));

  NewsPanel = std::make_unique<QWidget>(MainWindow.get(), Qt::Dialog);
  NewsPanel->setObjectName(QStringLiteral("NewsPanel"));
  NewsPanel->setWindowTitle(QStringLiteral("Zuvo News"));
  NewsPanel->resize(600, 450);
  auto* newsLayout = new QVBoxLayout(NewsPanel.get());
  NewsWebView = named(new QTextBrowser(NewsPanel.get()), "NewsWebView");
  NewsWebView->setOpenExternalLinks(true);
  newsLayout->addWidget(NewsWebView);

  RateZuvoWindow = std::make_unique<QWidget>(MainWindow.get(), Qt::Dialog);
  RateZuvoWindow->setObjectName(QStringLiteral("RateZuvoWindow"));
  RateZuvoWindow->setWindowTitle(QStringLiteral("Rate Zuvo"));
  auto* rateLayout = new QVBoxLayout(RateZuvoWindow.get());
  RateZuvoTextField = named(new QLabel(RateZuvoWindow.get()), "RateZuvoTextField");
  RateZuvoTextField->setWordWrap(true);
  RateZuvoTextField->setMinimumWidth(420);
  RateZuvoButton =
      named(new QPushButton(QStringLiteral("Rate Zuvo"), RateZuvoWindow.get()), "RateZuvoButton");
  rateLayout->addWidget(RateZuvoTextField);
  rateLayout->addWidget(RateZuvoButton, 0, Qt::AlignRight);

  StatusItemMenu = std::make_unique<QMenu>();
  StatusItemMenu->setObjectName(QStringLiteral("StatusItemMenu"));
  StatusQuitMenuItem = StatusItemMenu->addAction(QStringLiteral("Quit Zuvo"));
}

MainWindowShell::~MainWindowShell() = default;

}  // namespace zuvo
