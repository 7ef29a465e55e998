// The main window's commands: the queue's place, full screen, column switches, selection
// moves, toolbar enabling, commands on the highlighted rows, duplicate deletion and the
// preview, episode picker, preferences and about requests.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "app/files/FilesTableModel.h"
#include "app/preferences/BCPreferencePanel.h"
#include "app/preview/Viewer.h"
#include "app/queue/QueueTableModel.h"
#include "app/shared/Feed.h"
#include "app/support/MainWindowFixture.h"
#include "app/tags/BCTagsPanel.h"
#include "app/tags/BCTagsPanelMultiple.h"
#include "media/ProbeSteps.h"
#include "platform/NotificationCenter.h"
#include "ui_BCPreferencePanel.h"

using namespace zuvo;
using test::AlertCloser;

namespace {

using MainWindowCommandsTest = test::MainWindowTest;

TEST_F(MainWindowCommandsTest, FormatCommandsChangeOnlyTheHighlightedRows) {
  struct Case {
    const char* name;
    QAction* test::ShownWindows::*command;  // the menu item a user chooses
    ConversionFormat format;
    const char* log;
  };
  const Case cases[] = {
      {"SD and HD", &test::ShownWindows::ToSDHDMenuItem, ConversionFormat::HDAndSD,
       "Changing seleted shows to SDHD"},
      {"SD", &test::ShownWindows::ToSDMenuItem, ConversionFormat::SDOnly, "Changing seleted shows to SD"},
      {"HD", &test::ShownWindows::ToHDMenuItem, ConversionFormat::HDOnly, "Changing seleted shows to HD"},
      {"original", &test::ShownWindows::ToOriginalMenuItem, ConversionFormat::Original,
       "Changing selected shows to Original"},
      {"info only", &test::ShownWindows::ToInfoMenuItem, ConversionFormat::TagsOnly,
       "Changing selected shows to Info Only"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QList<MediaFilePtr> files = {item("a.mp4"), item("b.mp4"), item("c.m4v")};
    for (const MediaFilePtr& media : files) media->setConversionFormat(ConversionFormat(99));
    setFiles(files);
    select({0, 2});
    (windows().*c.command)->trigger();
    EXPECT_EQ(files[0]->ConversionFormat(), c.format);
    EXPECT_EQ(files[1]->ConversionFormat(), ConversionFormat(99));
    EXPECT_EQ(files[2]->ConversionFormat(), c.format);
    EXPECT_TRUE(mainLog().contains(QLatin1String(c.log)));
    EXPECT_EQ(selected(), (QList<int>{0, 2})) << "the reload keeps the highlighted rows";
  }
  // Nothing highlighted: nothing changes.
  const MediaFilePtr lone = item("lone.mp4");
  setFiles({lone});
  select({});
  windows().ToSDMenuItem->trigger();
  EXPECT_EQ(lone->ConversionFormat(), MediaFile().ConversionFormat());
}

TEST_F(MainWindowCommandsTest, InfoOnlyChangesOnlyMP4FilesAndSaysSo) {
  const MediaFilePtr mkv = item("a.mkv");
  const MediaFilePtr m4v = item("b.m4v");
  setFiles({mkv, m4v});
  select({0, 1});
  AlertCloser alerts;
  windows().ToInfoMenuItem->trigger();
  EXPECT_EQ(mkv->ConversionFormat(), MediaFile().ConversionFormat());
  EXPECT_EQ(m4v->ConversionFormat(), ConversionFormat::TagsOnly);
  EXPECT_EQ(alerts.seen,
            QStringList{"Some files where not of mp4 or m4v format. These have not been changed."});
}

TEST_F(MainWindowCommandsTest, NextAndPreviousWrapAround) {
  setFiles({item("a.avi"), item("b.avi"), item("c.avi")});
  struct Case {
    QList<int> from;
    bool next;
    QList<int> to;
  };
  const Case cases[] = {
      {{0}, true, {1}},  {{2}, true, {0}},  {{}, true, {0}},
      {{1}, false, {0}}, {{0}, false, {2}}, {{}, false, {}},
  };
  for (const Case& c : cases) {
    select(c.from);
    post(c.next ? "NextShow" : "PreviousShow");
    EXPECT_EQ(selected(), c.to) << (c.next ? "next" : "previous") << " from "
                                << (c.from.isEmpty() ? -1 : c.from[0]);
  }
}

TEST_F(MainWindowCommandsTest, ToolbarItemsFollowTheSelectionAndTheLists) {
  const test::ShownWindows& w = windows();
  // As the toolbar shows it when the user comes back to the main window.
  const auto enabled = [&](QAction* item) {
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(w.MainWindow, &activate);
    return item->isEnabled();
  };
  setFiles({});
  EXPECT_FALSE(enabled(w.ConvertAllToolbarItem));
  EXPECT_FALSE(enabled(w.CheckSourcesToolbarItem));
  EXPECT_TRUE(enabled(w.AddVideoSourcesToolbarItem));

  const MediaFilePtr a = item("a.avi");
  const MediaFilePtr b = item("b.avi");
  a->setSelected(false);
  b->setSelected(false);
  setFiles({a, b});
  EXPECT_TRUE(enabled(w.ConvertAllToolbarItem));
  EXPECT_FALSE(enabled(w.ConvertSelectedToolbarItem));
  for (QAction* item : {w.EditToolbarItem, w.DeleteToolbarItem, w.LookUpToolbarItem, w.ConvertToolbarItem,
                        w.CreateSampleToolbarItem, w.PreviewToolbarItem})
    EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString() << " with nothing highlighted";

  select({0});
  for (QAction* item : {w.EditToolbarItem, w.DeleteToolbarItem, w.LookUpToolbarItem, w.ConvertToolbarItem,
                        w.CreateSampleToolbarItem, w.PreviewToolbarItem})
    EXPECT_TRUE(item->isEnabled()) << item->objectName().toStdString() << " with one row";
  select({0, 1});
  EXPECT_FALSE(w.PreviewToolbarItem->isEnabled()) << "preview takes one row";
  EXPECT_TRUE(w.EditToolbarItem->isEnabled());

  edit("MediaSelected", 1, true);
  EXPECT_TRUE(enabled(w.ConvertSelectedToolbarItem));
  Feed source;
  source.setName("Videos");
  source.setPath(root + "/videos");
  storeVideoSources({source});
  EXPECT_TRUE(enabled(w.CheckSourcesToolbarItem));
}

TEST_F(MainWindowCommandsTest, ToolbarFollowsTheTickBoxesAndTheSourcesAddedInThePreferences) {
  const test::ShownWindows& w = windows();
  const MediaFilePtr a = item("a.avi");
  a->setSelected(false);
  setFiles({a});
  w.MainWindow->show();
  ASSERT_FALSE(w.ConvertSelectedToolbarItem->isEnabled());
  ASSERT_FALSE(w.CheckSourcesToolbarItem->isEnabled());

  // The row's tick box, clicked on and off.
  BCTableView* table = w.FilesTableView;
  const QRect box = table->visualRect(filesModel().index(0, FilesTableModel::column("MediaSelected")));
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, box.center());
  ASSERT_TRUE(a->selected());
  EXPECT_TRUE(w.ConvertSelectedToolbarItem->isEnabled());
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, box.center());
  ASSERT_FALSE(a->selected());
  EXPECT_FALSE(w.ConvertSelectedToolbarItem->isEnabled());

  // A source added in the preferences window, opened from the toolbar, and kept with OK.
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    QDialog* panel = test::preferencesWindow();
    if (!panel || QApplication::activeModalWidget() != panel) return;
    panel->findChild<QPushButton*>("AddFeedButton")->click();
    panel->findChild<QPushButton*>("UpdateButton")->click();
  });
  user.start(20);
  w.AddVideoSourcesToolbarItem->trigger();
  ASSERT_EQ(loadVideoSources().size(), 1);
  EXPECT_TRUE(w.CheckSourcesToolbarItem->isEnabled());
}

TEST_F(MainWindowCommandsTest, QueueMovesBetweenItsWindowAndThePane) {
  const test::ShownWindows& w = windows();
  setQueue({item("a.avi", true, MediaState::Queued), item("b.avi", true, MediaState::Queued)});
  ASSERT_EQ(queueTableInUse(), w.Queue1TableView);
  ASSERT_FALSE(state().queueInPane);

  windows().SplitViewButton->click();
  EXPECT_TRUE(state().queueInPane);
  EXPECT_EQ(queueTableInUse(), w.Queue2TableView);
  EXPECT_EQ(queueModel(w.Queue2TableView).rowCount(), 2) << "current rows at once";
  EXPECT_EQ(queueModel(w.Queue1TableView).rowCount(), 0);
  EXPECT_EQ(w.SplitViewButton->text(), "No Queue");
  EXPECT_FALSE(w.RightPane->isHidden());
  EXPECT_FALSE(w.QueuePanel->isVisible());

  windows().SplitViewButton->click();
  EXPECT_FALSE(state().queueInPane);
  EXPECT_EQ(queueTableInUse(), w.Queue1TableView);
  EXPECT_EQ(w.SplitViewButton->text(), "Queue");
  EXPECT_TRUE(w.RightPane->isHidden());
  EXPECT_TRUE(w.QueuePanel->isVisible());
  EXPECT_TRUE(mainLog().contains("Showing Queue Window"));
}

TEST_F(MainWindowCommandsTest, TheFilesKeepTheirWidthWhenTheQueuePaneOpens) {
  const test::ShownWindows& w = windows();
  w.MainWindow->resize(900, 600);
  w.MainWindow->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.MainWindow));
  QTest::mouseClick(w.SplitViewButton, Qt::LeftButton);
  ASSERT_FALSE(w.RightPane->isHidden());
  QApplication::processEvents();
  EXPECT_GE(w.FilesTableView->width(), 725);
  EXPECT_EQ(w.RightPane->width(), 435);
  // The divider can be dragged no further left than the files' minimum.
  w.MainSplitView->setSizes({300, w.MainSplitView->width() - 300});
  EXPECT_GE(w.FilesTableView->width(), 725);

  QTest::mouseClick(w.SplitViewButton, Qt::LeftButton);
  EXPECT_TRUE(w.RightPane->isHidden());
  EXPECT_TRUE(w.QueuePanel->isVisible());
}

TEST_F(MainWindowCommandsTest, TheOnlineBoxesKeepTheirSizeOnceTheDropHintHides) {
  const test::ShownWindows& w = windows();
  w.MainWindow->resize(1100, 600);
  w.MainWindow->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.MainWindow));
  ASSERT_TRUE(w.DropVideoImage->isVisible());
  QApplication::processEvents();
  const int tv = w.TVInfoOnline->width(), movies = w.MovieInfoOnline->width();
  EXPECT_LT(tv, 100);
  EXPECT_LT(movies, 100);

  setFiles({item("a.avi")});
  QApplication::processEvents();
  ASSERT_FALSE(w.DropVideoImage->isVisible());
  EXPECT_EQ(w.TVInfoOnline->width(), tv);
  EXPECT_EQ(w.MovieInfoOnline->width(), movies);
  // The two boxes stay side by side at the right of the bar.
  EXPECT_GT(w.TVInfoOnline->x(), w.MainView->width() / 2);
}

// A keyboard user reaches the toolbar's commands with Tab and presses them with Space.
TEST_F(MainWindowCommandsTest, TabReachesTheToolbarAndSpaceQueuesTheSelectedFile) {
  const test::ShownWindows& w = windows();
  setFiles({item("a.avi")});
  w.MainWindow->show();
  w.MainWindow->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.MainWindow));
  w.FilesTableView->setFocus();
  select({0});
  QWidget* convert = w.MainToolbar->widgetForAction(w.ConvertToolbarItem);
  for (int i = 0; i < 40 && QApplication::focusWidget() != convert; ++i)
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), convert) << "Tab never reached Convert";
  QTest::keyClick(convert, Qt::Key_Space);
  EXPECT_EQ(state().queue.size(), 1);
}

TEST_F(MainWindowCommandsTest, FullScreenPutsTheQueueInThePaneAndLeavingBringsItsWindowBack) {
  const test::ShownWindows& w = windows();
  setFiles({item("a.avi")});
  select({0});
  w.EditMenuItem->trigger();
  ASSERT_NE(singleEditor(), nullptr);
  ASSERT_TRUE(singleEditor()->isVisible());
  w.MainWindow->showFullScreen();
  QApplication::processEvents();
  EXPECT_EQ(queueTableInUse(), w.Queue2TableView);
  EXPECT_TRUE(state().queueInPane);
  windows().SplitViewButton->click();
  EXPECT_TRUE(state().queueInPane) << "in full screen the queue stays in the pane";
  EXPECT_FALSE(singleEditor()->isVisible());

  w.MainWindow->showNormal();
  QApplication::processEvents();
  EXPECT_EQ(queueTableInUse(), w.Queue1TableView);
  EXPECT_FALSE(state().queueInPane);
  EXPECT_TRUE(w.QueuePanel->isVisible());
}

TEST_F(MainWindowCommandsTest, ColumnSwitchesFollowTheirSettings) {
  BCTableView* table = windows().FilesTableView;
  Defaults& d = Defaults::standard();
  for (const bool on : {true, false}) {
    d.setBool(on, "EnableFASTMode");
    d.setBool(on, "ShowFileDetails");
    post("ChangeFASTMode");
    post("ChangeShowDetails");
    EXPECT_EQ(table->isColumnHidden(MainWindowShell::SpeedColumn), !on);
    EXPECT_EQ(table->isColumnHidden(MainWindowShell::DetailsColumn), !on);
    EXPECT_TRUE(mainLog().contains(on ? "FAST mode on" : "FAST mode off"));
    EXPECT_TRUE(mainLog().contains(on ? "File details on" : "File details off"));
  }
  EXPECT_EQ(windows().MainWindow->minimumWidth(), 373);
}

TEST_F(MainWindowCommandsTest, OnlyOnePreviewAtATime) {
  setFiles({item("a.avi")});
  select({0});
  AlertCloser alerts;
  const auto viewers = [] {
    QList<Viewer*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* viewer = qobject_cast<Viewer*>(w)) found << viewer;
    return found;
  };
  windows().PreviewToolbarItem->trigger();
  EXPECT_TRUE(state().viewerOpen);
  EXPECT_EQ(viewers().size(), 1);
  windows().PreviewToolbarItem->trigger();
  EXPECT_EQ(alerts.seen, QStringList{"Only one Viewer window can be open at a time"});
  EXPECT_EQ(viewers().size(), 1);
  // The file cannot be played: when its player has gone, the flag clears and the window goes.
  QElapsedTimer waited;
  waited.start();
  while ((state().viewerOpen || !viewers().isEmpty()) && waited.elapsed() < 10000) QTest::qWait(20);
  EXPECT_FALSE(state().viewerOpen);
  EXPECT_TRUE(viewers().isEmpty());
}

TEST_F(MainWindowCommandsTest, EpisodePickerWantsASelectedRow) {
  setFiles({item("a.avi")});
  select({});
  AlertCloser alerts;
  windows().SelectTVShowMenuItem->trigger();
  EXPECT_EQ(
      alerts.seen,
      QStringList{"You must select a show from the Video Files table before you can run the Episode Picker"});
}

TEST_F(MainWindowCommandsTest, SearchAgainStartsTheLookUpOfEachHighlightedItem) {
  const QList<MediaFilePtr> files = {item("a.avi"), item("b.avi"), item("c.avi")};
  setFiles(files);
  select({0, 2});
  windows().SearchMenuItem->trigger();
  EXPECT_EQ(lookedUpAgain, (QList<MediaFilePtr>{files[0], files[2]}));
  EXPECT_TRUE(mainLog().contains("Search for new info for multiple files"));
}

TEST_F(MainWindowCommandsTest, EditOpensTheMultipleEditorWithTheHighlightedItems) {
  const QList<MediaFilePtr> files = {item("a.avi"), item("b.avi"), item("c.avi")};
  files[0]->setSeriesname("A");
  files[1]->setSeriesname("B");
  files[2]->setSeriesname("B");
  setFiles(files);
  select({1, 2});
  post("CloseTagPanel");
  windows().EditMenuItem->trigger();
  EXPECT_TRUE(multipleEditor() && multipleEditor()->isVisible());
  EXPECT_EQ(multipleEditorSeriesName(), "B") << "the two highlighted items, not the third";
  ASSERT_NE(multipleEditor(), nullptr);
  EXPECT_TRUE(multipleEditor()->isVisible());
}

TEST_F(MainWindowCommandsTest, DuplicatesAreTrashedOrDeletedAndLeaveTheList) {
  const ProbeSteps saved = probeSteps();
  ProbeSteps steps = saved;
  steps.movieExistsIniTunes = [](const QString& title, const Reporter&) { return title == "In The Library"; };
  setProbeSteps(steps);
  const auto duplicate = [](const MediaFilePtr& media) {
    media->setMediatype(MediaType::Movie);
    media->setSeriesname("In The Library");
    return media;
  };
  const QString videos = root + "/videos";
  QDir().mkpath(videos + "/Film.eyetv");
  test::writeFile(videos + "/Film.eyetv/000.mpg", "mpeg");
  const MediaFilePtr package = duplicate(test::itemFor(videos + "/Film.eyetv"));
  package->setType("Eye TV");
  const MediaFilePtr copy = duplicate(item("copy.avi"));
  const MediaFilePtr other = item("other.avi");
  other->setMediatype(MediaType::Movie);
  other->setSeriesname("Not There");
  setFiles({package, copy, other});

  windows().DeleteDuplicatesMenuItem->trigger();
  setProbeSteps(saved);
  EXPECT_EQ(state().files, QList<MediaFilePtr>{other});
  EXPECT_FALSE(QFileInfo::exists(videos + "/Film.eyetv"));
  EXPECT_FALSE(QFileInfo::exists(root + "/data/Trash/files/Film.eyetv"));
  EXPECT_TRUE(QFileInfo::exists(root + "/data/Trash/files/copy.avi"));
  EXPECT_TRUE(QFileInfo::exists(videos + "/other.avi"));
  EXPECT_TRUE(mainLog().contains("Moving Duplicate File to Trash " + videos + "/copy.avi"));
  EXPECT_TRUE(mainLog().contains("Deleting Duplicate EyeTV Directory " + videos + "/Film.eyetv"));
}

TEST_F(MainWindowCommandsTest, PreferencesOpenOnTheSourcesPaneFromTheSourcesItem) {
  // The window runs modally: note the pane it shows, then leave it with Cancel.
  const auto paneShownBy = [this](const QAction* sender) {
    int pane = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QDialog* panel = test::preferencesWindow();
      if (!panel || QApplication::activeModalWidget() != panel) return;
      pane = panel->findChild<QStackedWidget*>("PreferencesTabView")->currentIndex();
      panel->findChild<QPushButton*>("CancelButton")->click();
    });
    poll.start(20);
    const_cast<QAction*>(sender)->trigger();
    return pane;
  };
  EXPECT_EQ(paneShownBy(windows().AddVideoSourcesToolbarItem), 3);
  EXPECT_EQ(paneShownBy(windows().PreferencesMenuItem), 0);
  EXPECT_TRUE(mainLog().contains("Opening Preferences"));
}

TEST_F(MainWindowCommandsTest, AboutPanelShowsTheVersionAndTheConversions) {
  QCoreApplication::setApplicationVersion("3.0.1");
  Defaults::standard().setInteger(42, "SucessfulConversions");
  windows().AboutMenuItem->trigger();
  EXPECT_TRUE(windows().AboutPanel->isVisible());
  EXPECT_EQ(windows().VersionNumber->text(), "3.0.1");
  EXPECT_EQ(windows().SucessfulConversionsTextField->text(), "42");
  windows().AboutCloseButton->click();
  EXPECT_FALSE(windows().AboutPanel->isVisible());
}

TEST_F(MainWindowCommandsTest, AboutPanelCreditsTheServicesThatAnswerTheLookUps) {
  windows().AboutMenuItem->trigger();
  auto* credits = windows().AboutPanel->findChild<QLabel*>("ServiceCreditsLabel");
  ASSERT_TRUE(credits);
  EXPECT_TRUE(credits->isVisible());
  for (const char* credit : {"This product uses the TMDB API but is not endorsed or certified by TMDB",
                             "TVmaze", "CC BY-SA", "Information provided by TheTVDB.com"})
    EXPECT_TRUE(credits->text().contains(credit)) << credit;
  windows().AboutCloseButton->click();
}

}  // namespace

namespace {

// The toolbar shows an icon over each label, its own words unchanged; the files table's
// background is the palette's base colour, not a tiled picture.
TEST_F(MainWindowCommandsTest, TheToolbarShowsIconsAndTheFilesTableThePalettesBase) {
  const test::ShownWindows& w = windows();
  const QStringList labels = {"Video Sources", "Check Sources", "Edit",    "Delete",           "Look Up",
                              "Preview",       "Create Sample", "Convert", "Convert Selected", "Convert All"};
  QStringList shown;
  for (QAction* item : w.MainToolbar->actions()) {
    shown << item->text();
    EXPECT_FALSE(item->icon().isNull()) << item->text().toStdString();
    EXPECT_FALSE(item->icon().pixmap(24, 24).isNull()) << item->text().toStdString();
  }
  EXPECT_EQ(shown, labels);
  EXPECT_EQ(w.MainToolbar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);

  setFiles({item("a.avi"), item("b.avi")});
  w.MainWindow->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.MainWindow));
  QWidget* viewport = w.FilesTableView->viewport();
  const QImage painted = viewport->grab().toImage();
  // Below the two rows nothing is drawn but the background.
  const QColor base = viewport->palette().color(QPalette::Base);
  int other = 0;
  for (int x = 0; x < painted.width(); x += 7)
    for (int y = 2 * 70 + 5; y < painted.height(); y += 7) other += painted.pixelColor(x, y) != base ? 1 : 0;
  EXPECT_EQ(other, 0) << "the background is not the palette's base colour";
}

}  // namespace
