// The user's actions on the files and queue tables: edited cells, the stop button, the
// selection, the delete sheet, dragged queue rows and the window's minimum width.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/controller/Controller.h"
#include "app/controller/MainWindowShell.h"
#include "app/files/FilesTableModel.h"
#include "app/panels/BCAlertPanel.h"
#include "app/queue/QueueRowDrag.h"
#include "app/queue/QueueTableModel.h"
#include "app/support/MainWindowFixture.h"
#include "app/tables/BCTableView.h"
#include "app/tables/TableAccessible.h"
#include "app/tags/BCTagsPanel.h"
#include "app/tags/BCTagsPanelMultiple.h"
#include "media/MediaValues.h"
#include "media/StreamAnalysis.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "support/TestSupport.h"

using namespace zuvo;
using test::AlertCloser;

namespace {

using test::itemFor;
using TableEditsTest = test::MainWindowTest;

TEST_F(TableEditsTest, EditedCellsAreWrittenBackIntoTheItem) {
  struct Case {
    const char* name;
    const char* file;
    const char* identifier;
    QVariant value;
    std::function<void(const MediaFile&)> check;
  };
  const Case cases[] = {
      {"season", "a.avi", "Season", "4", [](const MediaFile& m) { EXPECT_EQ(m.season(), 4u); }},
      {"episode", "a.avi", "Show", 7, [](const MediaFile& m) { EXPECT_EQ(m.show(), 7u); }},
      {"stepper 1 is a TV show", "a.avi", "ShowTypeStepper", 1,
       [](const MediaFile& m) { EXPECT_EQ(m.mediatype(), MediaType::TVShow); }},
      {"stepper 3 is a home movie", "a.avi", "ShowTypeStepper", 3,
       [](const MediaFile& m) { EXPECT_EQ(m.mediatype(), MediaType::HomeMovie); }},
      {"stepper out of range", "a.avi", "ShowTypeStepper", 7,
       [](const MediaFile& m) { EXPECT_EQ(m.mediatype(), MediaType::Movie); }},
      {"format SD", "a.avi", "SDHD", 1,
       [](const MediaFile& m) { EXPECT_EQ(m.ConversionFormat(), ConversionFormat::SDOnly); }},
      {"format original", "a.avi", "SDHD", 4,
       [](const MediaFile& m) { EXPECT_EQ(m.ConversionFormat(), ConversionFormat::Original); }},
      {"info only for an m4v", "a.m4v", "SDHD", 3,
       [](const MediaFile& m) { EXPECT_EQ(m.ConversionFormat(), ConversionFormat::TagsOnly); }},
      {"no format of that number", "a.avi", "SDHD", 9,
       [](const MediaFile& m) { EXPECT_EQ(m.ConversionFormat(), ConversionFormat::HDOnly); }},
      {"FAST chosen", "a.avi", "Speed", 0, [](const MediaFile& m) { EXPECT_TRUE(m.fastmode()); }},
      {"FAST off", "a.avi", "Speed", 1, [](const MediaFile& m) { EXPECT_FALSE(m.fastmode()); }},
      {"episode name", "a.avi", "EpisodeName", "Pilot",
       [](const MediaFile& m) { EXPECT_EQ(m.episodename(), "Pilot"); }},
      {"series name", "a.avi", "SeriesName", "Show",
       [](const MediaFile& m) { EXPECT_EQ(m.seriesname(), "Show"); }},
      {"type by label", "a.avi", "ShowType", "Home Movie",
       [](const MediaFile& m) { EXPECT_EQ(m.mediatype(), MediaType::HomeMovie); }},
      {"unknown type label", "a.avi", "ShowType", "Radio Play",
       [](const MediaFile& m) { EXPECT_EQ(m.mediatype(), MediaType::Movie); }},
      {"deselected", "a.avi", "MediaSelected", false, [](const MediaFile& m) { EXPECT_FALSE(m.selected()); }},
      {"selected", "a.avi", "MediaSelected", true, [](const MediaFile& m) { EXPECT_TRUE(m.selected()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MediaFilePtr other = item("other.avi");
    const MediaFilePtr media = item(QLatin1String(c.file));
    media->setMediatype(MediaType::Movie);
    media->setConversionFormat(ConversionFormat::HDOnly);
    media->setSelected(!c.value.toBool());
    setFiles({other, media});
    edit(QLatin1String(c.identifier), 1, c.value);
    c.check(*media);
    EXPECT_EQ(other->ConversionFormat(), MediaFile().ConversionFormat()) << "only the edited row changes";
  }
}

TEST_F(TableEditsTest, InfoOnlyForAFileThatIsNoMP4KeepsTheFormatAndSaysWhy) {
  const MediaFilePtr media = item("a.avi");
  media->setConversionFormat(ConversionFormat::SDOnly);
  setFiles({media});
  AlertCloser alerts;
  edit("SDHD", 0, 3);
  EXPECT_EQ(media->ConversionFormat(), ConversionFormat::SDOnly);
  EXPECT_EQ(alerts.seen,
            QStringList{"Only .mp4 or .m4v files can have their infomation update without conversion"});
  // The FAST check runs whatever the format: a file it cannot copy keeps FAST off, with the reason.
  EXPECT_FALSE(media->fastmodeEnabled());
  EXPECT_FALSE(media->fastmode());
  EXPECT_EQ(media->reasonfornofastmode(), isShowFastMode(*media));
}

TEST_F(TableEditsTest, StopButtonActsByTheItemsState) {
  struct Case {
    const char* name;
    MediaState state;
    bool sample;
    MediaState stateAfter;
    bool inFiles;
    bool inQueue;
    const char* logLine;
  };
  const Case cases[] = {
      {"queued sample leaves", MediaState::Queued, true, MediaState::Removed, false, false,
       "File sitting on queueis sample moving to state 0"},
      {"queued item returns to the files", MediaState::Queued, false, MediaState::InFilesTable, true, false,
       "File sitting on queue moving back to state 1"},
      {"converting item is stopped", MediaState::Converting, false, MediaState::Ended, false, true,
       "File undergoing conversion"},
      {"ended item stays", MediaState::Ended, false, MediaState::Ended, false, true, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MediaFilePtr media = item("" + QLatin1String(c.name) + ".avi", true, c.state);
    media->setIsSample(c.sample);
    media->setConversionfinished(true);
    setFiles({});
    setQueue({item("first.avi", true, MediaState::Queued), media});
    QTableView* table = queueTableInUse();
    table->selectRow(1);
    QueueTableModel& model = queueModel(table);
    model.setData(model.index(1, QueueTableModel::column("Stop")), true);
    EXPECT_EQ(media->state(), c.stateAfter);
    EXPECT_EQ(state().files.contains(media), c.inFiles);
    EXPECT_EQ(state().queue.contains(media), c.inQueue);
    EXPECT_TRUE(table->selectionModel()->selectedRows().isEmpty());
    if (c.state == MediaState::Converting) {
      EXPECT_TRUE(media->stopbuttonpressed());
      EXPECT_FALSE(media->conversionfinished());
    }
    if (c.logLine) {
      EXPECT_TRUE(mainLog().contains(QLatin1String(c.logLine)));
    }
    EXPECT_TRUE(mainLog().contains("[RED]Stop Button Pressed for file " + media->fullpath()));
  }
}

TEST_F(TableEditsTest, RowStillBeingLookedUpCannotBeSelected) {
  const MediaFilePtr done = item("done.avi");
  const MediaFilePtr probing = item("probing.avi", false);
  done->setSeriesname("Done");
  setFiles({done, probing});
  select({1});
  EXPECT_TRUE(selected().isEmpty());
  EXPECT_FALSE(windows().VideoMainMenu->menuAction()->isEnabled());

  // Of two rows, the one looked up stays and goes to the multiple-item editor.
  select({0, 1});
  EXPECT_EQ(selected(), QList<int>{0});
  EXPECT_TRUE(state().multipleEdit);
  EXPECT_EQ(multipleEditorSeriesName(), "Done") << "the editor holds the one item left";
}

TEST_F(TableEditsTest, SelectionSwitchesMenusAndTheEditor) {
  const MediaFilePtr show = item("show.avi");
  show->setMediatype(MediaType::TVShow);
  const MediaFilePtr movie = item("movie.avi");
  movie->setMediatype(MediaType::Movie);
  show->setSeriesname("The Show");
  movie->setSeriesname("The Film");
  setFiles({show, movie});

  select({0});
  EXPECT_FALSE(state().multipleEdit);
  EXPECT_TRUE(windows().VideoMainMenu->menuAction()->isEnabled());
  EXPECT_TRUE(windows().SelectTVShowMenuItem->isVisible());
  EXPECT_EQ(editorSeriesName(), "The Show");
  post("EditClick");
  QWidget* single = singleEditor();
  QWidget* multiple = multipleEditor();
  ASSERT_TRUE(single && multiple);
  EXPECT_TRUE(single->isVisible());

  select({1});
  EXPECT_FALSE(windows().SelectTVShowMenuItem->isVisible()) << "the episode picker is for TV shows";

  select({0, 1});
  EXPECT_TRUE(state().multipleEdit);
  EXPECT_FALSE(windows().SelectTVShowMenuItem->isVisible());
  EXPECT_EQ(multipleEditorSeriesName(), "Multiple Values") << "both items, of different names";
  EXPECT_FALSE(single->isVisible()) << "the open tag window now shows the multiple-item editor";
  EXPECT_TRUE(multiple->isVisible());

  select({});
  EXPECT_FALSE(windows().VideoMainMenu->menuAction()->isEnabled());
  EXPECT_FALSE(single->isVisible());
  EXPECT_FALSE(multiple->isVisible());
}

TEST_F(TableEditsTest, ReloadKeepsTheSameItemsSelected) {
  const MediaFilePtr a = item("a.avi");
  const MediaFilePtr b = item("b.avi");
  setFiles({a, b});
  select({1});
  changeFiles([&](QList<MediaFilePtr>& files) { files.prepend(item("new.avi")); });
  controller->RefreshWindow();
  EXPECT_EQ(selected(), QList<int>{2}) << "b is still the selected item";
  // The selected item queued by the rebuild: nothing stays selected and the editor closes.
  b->setState(MediaState::Queued);
  controller->makefilestable();
  EXPECT_TRUE(selected().isEmpty());
  EXPECT_FALSE(windows().VideoMainMenu->menuAction()->isEnabled());
}

TEST_F(TableEditsTest, ReturnAndDoubleClickOpenTheEditorForTheSelection) {
  setFiles({item("a.avi"), item("b.avi")});
  const FilesTableModel& model = filesModel();
  BCTableView* view = windows().FilesTableView;
  struct Case {
    int column;
    bool opens;
  };
  for (const Case c : {Case{0, false}, Case{1, true}, Case{4, true}, Case{5, false}, Case{8, false}}) {
    select({1});
    post("CloseTagPanel");
    // As the view reports a double click on the cell.
    emit view->doubleClicked(model.index(1, c.column));
    EXPECT_EQ(singleEditor() && singleEditor()->isVisible(), c.opens) << "column " << c.column;
  }
  select({0, 1});
  post("CloseTagPanel");
  post("EditClick");
  EXPECT_TRUE(multipleEditor() && multipleEditor()->isVisible()) << "two rows: the multiple-item editor";
}

TEST_F(TableEditsTest, DeleteSheetOffersThreeChoicesOnlyWithASelection) {
  setFiles({});
  windows().DeleteToolbarItem->setEnabled(true);  // as the toolbar asks for it, whatever it shows
  windows().DeleteToolbarItem->trigger();
  EXPECT_EQ(deleteSheet(), nullptr) << "empty list";
  setFiles({item("a.avi")});
  post("DeleteClick");
  EXPECT_EQ(deleteSheet(), nullptr) << "nothing selected";

  // The Delete key of the files table posts its notification.
  select({0});
  NotificationCenter::defaultCenter().post("DeleteClick", windows().FilesTableView);
  QMessageBox* sheet = deleteSheet();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->text(), "What would you like to do?");
  EXPECT_EQ(sheet->informativeText(),
            "Would you like to remove the file from Zuvo's list or delete the file from your hard drive?");
  QStringList buttons;
  for (QAbstractButton* button : sheet->buttons()) buttons << button->text();
  EXPECT_TRUE(buttons.contains("Remove the file from Zuvo"));
  EXPECT_TRUE(buttons.contains("Move To Trash"));
  EXPECT_TRUE(buttons.contains("Cancel"));
  for (QAbstractButton* button : sheet->buttons())
    if (button->text() == "Cancel") button->click();
  QApplication::processEvents();
  EXPECT_EQ(state().files.size(), 1) << "cancel keeps the item";
}

TEST_F(TableEditsTest, RemovingTwoSelectedRowsKeepsTheOthersInOrder) {
  QList<MediaFilePtr> files;
  for (const char* name : {"a", "b", "c", "d", "e"}) files << item(QStringLiteral("%1.avi").arg(name));
  setFiles(files);
  select({1, 3});
  windows().DeleteToolbarItem->trigger();
  answerDeleteSheet("Remove the file from Zuvo");
  EXPECT_EQ(state().files, (QList<MediaFilePtr>{files[0], files[2], files[4]}));
  EXPECT_TRUE(mainLog().contains("[BLUE]Delete Button Alert Ended with row selected 3"));
}

TEST_F(TableEditsTest, MoveToTrashTrashesFilesAndDeletesPackages) {
  const QString videos = root + "/videos";
  QDir().mkpath(videos + "/Recording.eyetv");
  test::writeFile(videos + "/Recording.eyetv/000.mpg", "mpeg");
  test::writeFile(videos + "/keep.avi", "keep");
  test::writeFile(videos + "/gone.avi", "gone");
  const MediaFilePtr keep = itemFor(videos + "/keep.avi");
  setFiles({itemFor(videos + "/Recording.eyetv"), keep, itemFor(videos + "/gone.avi")});
  select({0, 2});
  post("DeleteClick");
  answerDeleteSheet("Move To Trash");
  EXPECT_EQ(state().files, QList<MediaFilePtr>{keep});
  EXPECT_FALSE(QFileInfo::exists(videos + "/Recording.eyetv"));
  EXPECT_FALSE(QFileInfo::exists(videos + "/gone.avi"));
  EXPECT_TRUE(QFileInfo::exists(videos + "/keep.avi"));
  EXPECT_EQ(test::readFile(root + "/data/Trash/files/gone.avi"), "gone");
  EXPECT_FALSE(QFileInfo::exists(root + "/data/Trash/files/Recording.eyetv"))
      << "a package is deleted, not trashed";
  EXPECT_TRUE(userLog().contains("Moving file " + videos + "/gone.avi to Trash"));
  EXPECT_TRUE(userLog().contains("Deleting EyeTV Directory :" + videos + "/Recording.eyetv"));

  select({0});
  post("DeleteClick");
  answerDeleteSheet("Cancel");
  EXPECT_EQ(state().files, QList<MediaFilePtr>{keep});
  EXPECT_TRUE(QFileInfo::exists(videos + "/keep.avi"));
}

TEST_F(TableEditsTest, MinimumWidthFollowsTheVisibleColumns) {
  BCTableView* table = windows().FilesTableView;
  // A video column of a fixed width, so that the window's own resizing leaves it be.
  table->horizontalHeader()->setSectionResizeMode(MainWindowShell::VideoColumn, QHeaderView::Interactive);
  table->setColumnWidth(MainWindowShell::VideoColumn, 300);
  struct Case {
    bool speed;
    bool details;
    int extra;  // beyond the video column's width
  };
  for (const Case c :
       {Case{false, false, 373}, Case{true, false, 430}, Case{false, true, 353}, Case{true, true, 410}}) {
    table->setColumnHidden(MainWindowShell::SpeedColumn, !c.speed);
    table->setColumnHidden(MainWindowShell::DetailsColumn, !c.details);
    windows().MainWindow->resize(200, 300);
    // Any column resize sizes the window; the video column's own is the one that asks.
    table->setColumnWidth(MainWindowShell::VideoColumn, table->columnWidth(MainWindowShell::VideoColumn) + 1);
    table->setColumnWidth(MainWindowShell::VideoColumn, 300);
    const int expected = c.details ? c.extra + table->columnWidth(MainWindowShell::VideoColumn) : c.extra;
    EXPECT_EQ(windows().MainWindow->minimumWidth(), expected) << c.speed << c.details;
    EXPECT_GE(windows().MainWindow->width(), expected);
  }
  // Resizing the video column sizes the window again.
  table->setColumnWidth(MainWindowShell::VideoColumn, 400);
  EXPECT_EQ(windows().MainWindow->minimumWidth(), 410 + 400);
}

TEST_F(TableEditsTest, QueueRowDragCarriesTheRowsAndTheDropMovesTheDraggedItem) {
  const MediaFilePtr a = item("a.avi", true, MediaState::Queued);
  const MediaFilePtr b = item("b.avi", true, MediaState::Queued);
  const MediaFilePtr c = item("c.avi", true, MediaState::Queued);
  setQueue({a, b, c});
  QueueTableModel& model = queueModel(queueTableInUse());
  std::unique_ptr<QMimeData> data(model.mimeData({model.index(2, 0), model.index(2, 1)}));
  ASSERT_TRUE(data);
  EXPECT_TRUE(data->hasFormat("ZuvoQueueRow"));
  EXPECT_EQ(queueRowsFromMimeData(data.get()), QList<int>{2});
  EXPECT_TRUE(model.canDropMimeData(data.get(), Qt::MoveAction, 0, 0, {}));
  model.dropMimeData(data.get(), Qt::MoveAction, 0, 0, {});
  EXPECT_EQ(state().queue, (QList<MediaFilePtr>{c, a, b}));

  // The queue changes while a row is dragged: the dragged item moves, not whatever now
  // holds its old row.
  data.reset(model.mimeData({model.index(2, 0)}));                       // b
  changeQueue([](QList<MediaFilePtr>& queue) { queue.removeFirst(); });  // c leaves
  model.dropMimeData(data.get(), Qt::MoveAction, 0, 0, {});
  EXPECT_EQ(state().queue, (QList<MediaFilePtr>{b, a}));

  // Only the queue table in use offers rows to drag.
  QTableView* other =
      queueTableInUse() == windows().Queue1TableView ? windows().Queue2TableView : windows().Queue1TableView;
  QueueTableModel& unused = queueModel(other);
  EXPECT_EQ(unused.mimeData({unused.index(0, 0)}), nullptr);
  QMimeData files;
  files.setText("file names");
  EXPECT_FALSE(model.canDropMimeData(&files, Qt::CopyAction, 0, 0, {}));
}

}  // namespace

namespace {

// Rows of the files table the model has announced as changed since the spy began.
QList<int> changedRows(const QList<QList<QVariant>>& announced) {
  QList<int> rows;
  for (const QList<QVariant>& arguments : announced) {
    const auto from = arguments.at(0).value<QModelIndex>(), to = arguments.at(1).value<QModelIndex>();
    for (int row = from.row(); row <= to.row(); ++row) rows << row;
  }
  return rows;
}

// Done in the editor, Update in the multiple-item editor and the in-place save: the files
// table redraws the edited rows at once, before any tick of the timer.
TEST_F(TableEditsTest, EditorWriteBacksShowInTheFilesTableAtOnce) {
  const MediaFilePtr a = item("a.avi");
  const MediaFilePtr b = item("b.m4v");
  const MediaFilePtr c = item("c.avi");
  for (const MediaFilePtr& m : {a, b, c}) m->setMediatype(MediaType::Movie);
  setFiles({a, b, c});
  QAbstractItemModel& model = filesModel();
  const int summary = FilesTableModel::column("Summary");

  select({0});
  post("EditClick");
  QWidget* single = singleEditor();
  ASSERT_NE(single, nullptr);
  QSignalSpy done(&model, &QAbstractItemModel::dataChanged);
  single->findChild<QLineEdit*>("TagsNameTextField")->setText("Renamed Film");
  QTest::mouseClick(single->findChild<QPushButton*>("DoneButton"), Qt::LeftButton);
  EXPECT_TRUE(changedRows(done).contains(0));
  EXPECT_EQ(model.index(0, summary).data().toList().value(0).toString(), "Renamed Film");

  select({1});
  post("EditClick");  // b is no real MP4: its in-place save fails, logged, and still writes back
  QSignalSpy saved(&model, &QAbstractItemModel::dataChanged);
  single->findChild<QLineEdit*>("TagsNameTextField")->setText("Saved Film");
  QTest::mouseClick(single->findChild<QPushButton*>("UpdateTagsInPlaceButton"), Qt::LeftButton);
  EXPECT_TRUE(changedRows(saved).contains(1));
  EXPECT_EQ(b->seriesname(), "Saved Film");

  select({0, 2});
  QWidget* multiple = multipleEditor();
  ASSERT_NE(multiple, nullptr);
  QSignalSpy updated(&model, &QAbstractItemModel::dataChanged);
  multiple->findChild<QLineEdit*>("TagsDescriptionTextField")->setText("Shared");
  QTest::mouseClick(multiple->findChild<QPushButton*>("UpdateButton"), Qt::LeftButton);
  const QList<int> rows = changedRows(updated);
  EXPECT_TRUE(rows.contains(0) && rows.contains(2)) << rows.size();
  EXPECT_FALSE(rows.contains(1));
}

// What a screen reader reads in a row of the files table: each cell says what it shows.
TEST_F(TableEditsTest, EveryFilesCellHasTheAccessibleTextOfWhatItShows) {
  MediaFilePtr episode = item("The Show S02E05.avi");
  episode->setSeriesname("The Show");
  episode->setEpisodename("The Return");
  episode->setSeason(2);
  episode->setShow(5);
  episode->setMediatype(MediaType::TVShow);
  episode->setConversionFormat(ConversionFormat::SDOnly);
  episode->setSelected(true);
  episode->setReasonfordeselection(DeselectionReason::None);
  MediaFilePtr movie = item("Road Movie.avi");
  movie->setSeriesname("Road Movie");
  movie->setMediatype(MediaType::Movie);
  movie->setConversionFormat(ConversionFormat::HDOnly);
  movie->setReasonfordeselection(DeselectionReason::NoLookUpMatch);
  MediaFilePtr probing = item("probing.avi", false);
  setFiles({episode, movie, probing});

  QTableView* view = windows().FilesTableView;
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view);
  ASSERT_TRUE(table && table->tableInterface());
  // The cell a screen reader finds where the column shows.
  const auto cellOf = [&](int row, const char* identifier) -> QAccessibleInterface* {
    const QRect shown = view->visualRect(view->model()->index(row, FilesTableModel::column(identifier)));
    if (shown.isEmpty()) return nullptr;
    const QPoint at = view->viewport()->mapToGlobal(shown.center());
    return table->childAt(at.x(), at.y());
  };
  const auto spoken = [&](int row, const char* identifier) {
    QAccessibleInterface* cell = cellOf(row, identifier);
    return cell ? cell->text(QAccessible::Name) : QString("(no cell)");
  };
  struct Case {
    int row;
    const char* identifier;
    const char* text;
  };
  const Case cases[] = {
      {0, "MediaSelected", "checked"},
      {0, "WhyDeselected", "Ready"},
      {0, "Summary", "The Show, The Return, Season 2 Episode 5"},
      {0, "ShowType", "TV Show"},
      {0, "SDHD", "SD"},
      {0, "Tags", "Edit Tags"},
      {1, "MediaSelected", "not checked"},
      {1, "WhyDeselected", "No match found"},
      {1, "Summary", "Movie: Road Movie"},
      {1, "ShowType", "Movie"},
      {1, "SDHD", "HD"},
      {1, "Tags", "Edit Tags"},
      {2, "Summary", "Looking up probing.avi"},
      {2, "Tags", "Edit Tags"},
  };
  for (const Case& c : cases) EXPECT_EQ(spoken(c.row, c.identifier), c.text) << c.row << " " << c.identifier;

  // A change of the item reads at once.
  episode->setSelected(false);
  controller->RefreshWindow();
  EXPECT_EQ(spoken(0, "MediaSelected"), "not checked");

  // The tags cell is the button that opens the editor, whatever the look-up found, and a
  // screen reader presses it as a click does.
  QAccessibleInterface* tags = cellOf(1, "Tags");
  ASSERT_TRUE(tags && tags->actionInterface());
  EXPECT_EQ(tags->role(), QAccessible::Button);
  tags->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  ASSERT_NE(singleEditor(), nullptr);
  EXPECT_TRUE(singleEditor()->isVisible());
  EXPECT_EQ(editorSeriesName(), "Road Movie");
}

// A screen reader reads the columns the user sees, in their order, and none of the hidden
// ones (the file details, FAST, the kept media-type stepper).
TEST_F(TableEditsTest, TheFilesTableReadsOnlyTheColumnsShown) {
  MediaFilePtr episode = item("The Show S02E05.avi");
  episode->setMediatype(MediaType::TVShow);
  setFiles({episode, item("Road Movie.avi")});
  QTableView* view = windows().FilesTableView;
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view);
  ASSERT_TRUE(table && table->tableInterface());
  EXPECT_EQ(table->role(), QAccessible::Table);
  EXPECT_EQ(table->text(QAccessible::Name), "Files");
  const struct {
    bool fast, details;
    QStringList headings;
  } cases[] = {
      {false, false, {"", "", "Title", "Type", "Format", "Tags"}},
      {true, true, {"", "", "Title", "File Details", "Type", "Format", "FAST", "Tags"}},
      {false, true, {"", "", "Title", "File Details", "Type", "Format", "Tags"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headings.join("|").toStdString());
    Defaults::standard().setBool(c.fast, "EnableFASTMode");
    Defaults::standard().setBool(c.details, "ShowFileDetails");
    post("ChangeFASTMode");
    post("ChangeShowDetails");
    QAccessibleTableInterface* cells = table->tableInterface();
    QStringList headings;
    for (int column = 0; column < cells->columnCount(); ++column)
      headings << cells->columnDescription(column);
    EXPECT_EQ(headings, c.headings);
    EXPECT_EQ(table->childCount(), 2 * int(c.headings.size()));
    QStringList firstRow;
    for (int column = 0; column < cells->columnCount(); ++column) {
      QAccessibleInterface* cell = cells->cellAt(0, column);
      ASSERT_NE(cell, nullptr);
      EXPECT_EQ(cell->tableCellInterface()->columnIndex(), column);
      EXPECT_EQ(table->indexOfChild(cell), column);
      firstRow << cell->text(QAccessible::Name);
    }
    EXPECT_EQ(firstRow.count("TV Show"), 1) << firstRow.join("|").toStdString();
    const auto says = [&](const char* identifier) {
      return view->model()
          ->index(0, FilesTableModel::column(identifier))
          .data(Qt::AccessibleTextRole)
          .toString();
    };
    // The view's focus and selection events name a cell by this index: it reads that cell.
    for (int column = 0; column < view->model()->columnCount(); ++column) {
      const QModelIndex index = view->model()->index(1, column);
      const int child = TableAccessible::childIndex(view, index);
      if (view->isColumnHidden(column)) {
        EXPECT_EQ(child, -1) << column;
        continue;
      }
      QAccessibleInterface* cell = table->child(child);
      ASSERT_NE(cell, nullptr) << column;
      EXPECT_EQ(cell->text(QAccessible::Name), index.data(Qt::AccessibleTextRole).toString()) << column;
    }
    EXPECT_EQ(firstRow.contains(says("Speed")), c.fast) << firstRow.join("|").toStdString();
    EXPECT_EQ(firstRow.contains(says("FileName")), c.details) << firstRow.join("|").toStdString();
  }
}

// Reloads come while files are probed: the keyboard's place in the table survives them,
// whether the rows stay as they were or another file joins them.
TEST_F(TableEditsTest, DownKeepsMovingFromTheCurrentRowAcrossReloads) {
  QList<MediaFilePtr> files;
  for (int i = 0; i < 6; ++i) files << item(QString("clip%1.avi").arg(i));
  setFiles(files);
  BCTableView* view = windows().FilesTableView;
  windows().MainWindow->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(windows().MainWindow));
  view->setFocus();
  view->setCurrentIndex(filesModel().index(0, FilesTableModel::column("Summary")));
  for (int i = 0; i < 3; ++i) QTest::keyClick(view, Qt::Key_Down);
  ASSERT_EQ(view->currentIndex().row(), 3);
  ASSERT_EQ(selected(), QList<int>{3});

  controller->RefreshWindow();
  controller->RefreshWindow();
  EXPECT_EQ(view->currentIndex().row(), 3);
  QTest::keyClick(view, Qt::Key_Down);
  EXPECT_EQ(view->currentIndex().row(), 4);

  // A new file at the top moves the current item down with it.
  changeFiles([&](QList<MediaFilePtr>& files) { files.prepend(item("new.avi")); });
  controller->RefreshWindow();
  controller->RefreshWindow();
  EXPECT_EQ(view->currentIndex().row(), 5);
  EXPECT_EQ(selected(), QList<int>{5});
  QTest::keyClick(view, Qt::Key_Down);
  EXPECT_EQ(view->currentIndex().row(), 6);
}

// A keyboard user who tabs into the table, where no row is current yet, reaches the rows
// with the arrow keys: the first press selects the first row, the next ones move on.
TEST_F(TableEditsTest, TheArrowKeysReachTheRowsOfATableWithNoCurrentRow) {
  QList<MediaFilePtr> files;
  for (int i = 0; i < 3; ++i) {
    files << item(QString("clip%1.avi").arg(i));
    files.last()->setSeriesname(QString("Clip %1").arg(i));
  }
  setFiles(files);
  BCTableView* view = windows().FilesTableView;
  windows().MainWindow->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(windows().MainWindow));
  view->setFocus();
  ASSERT_EQ(selected(), QList<int>{});
  QTest::keyClick(view, Qt::Key_Down);
  EXPECT_EQ(selected(), QList<int>{0});
  QTest::keyClick(view, Qt::Key_Down);
  EXPECT_EQ(selected(), QList<int>{1});
  EXPECT_EQ(editorSeriesName(), "Clip 1") << "the editor follows the keyboard's row";
}

}  // namespace
