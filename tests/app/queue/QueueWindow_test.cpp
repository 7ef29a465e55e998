// The queue window while a real conversion runs: a video is opened with the program,
// probed, set to HD from the Video menu and queued with the toolbar's Convert; the tick
// starts the real converter and its encoder. What the window paints, what its buttons do
// to the encoder's processes, what a quit leaves for the next launch, what a screen reader
// reads and presses in the rows, the rows' keys, and the window's stacking.
#include <unistd.h>
#include <xcb/xcb.h>

#include <QAccessible>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>
#include <QWindow>
#include <cstring>

#include "app/controller/ListsSaver.h"
#include "app/controller/RestorableState.h"
#include "app/files/AddingPaths.h"
#include "app/preferences/BCPreferencePanel.h"
#include "app/queue/BCButtonCell2.h"
#include "app/queue/BCLevelIndicatorCell.h"
#include "app/queue/QueueRowStatus.h"
#include "app/queue/QueueRunner.h"
#include "app/queue/QueueTableModel.h"
#include "app/support/MainWindowFixture.h"
#include "app/tables/TableAccessible.h"
#include "app/tables/TableImages.h"
#include "platform/RunLoop.h"

using namespace zuvo;
using runloop::waitUntil;

namespace {

// The process group of the encoder this program started: the group of a descendant of
// this process named "ffmpeg" (the adapter and Debian's ffmpeg behind it share it); 0
// while there is none.
qint64 encoderGroup() {
  struct Process {
    qint64 parent = 0;
    qint64 group = 0;
    QByteArray name;
  };
  QMap<qint64, Process> processes;
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    bool number = false;
    const qint64 pid = entry.toLongLong(&number);
    if (!number) continue;
    QFile stat("/proc/" + entry + "/stat");
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray line = stat.readAll();
    const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (open < 0 || close < open || fields.size() < 3) continue;
    // A process already ended (a zombie) is no longer the encoder.
    if (fields[0] == "Z") continue;
    processes.insert(pid,
                     {fields[1].toLongLong(), fields[2].toLongLong(), line.mid(open + 1, close - open - 1)});
  }
  const qint64 self = ::getpid();
  for (auto it = processes.begin(); it != processes.end(); ++it) {
    if (it->name != "ffmpeg") continue;
    for (qint64 ancestor = it->parent; ancestor > 1; ancestor = processes.value(ancestor).parent)
      if (ancestor == self) return it->group;
  }
  return 0;
}

class QueueWindowTest : public test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Defaults& d = Defaults::standard();
    d.setBool(false, "AutomaticallyLookUpShowInformation");
    converted = root + "/converted";
    QDir().mkpath(converted);
    for (const char* key : {"HomeMovieDestination", "MovieDestination", "TVShowDestination"})
      d.setString(converted, key);
  }
  void TearDown() override {
    // No encoder outlives its test: the quit stops it and waits for its job.
    if (controller && !controller->terminated()) controller->QuitButtonPress();
    MainWindowTest::TearDown();
  }

  // `name`, a real video `seconds` long, opened with the program and converted to HD;
  // returned once the HD pass's encoder has made progress. Null when it never did.
  MediaFilePtr startConverting(const QString& name, double seconds) {
    const QString path = root + "/videos/" + name;
    test::makeTestVideo(path, seconds, 320, 240, {"-c:v", "mpeg4", "-q:v", "5", "-c:a", "mp3"});
    if (!controller->launched()) controller->applicationDidFinishLaunching();
    controller->handOver({path}, false);
    const bool probed =
        waitUntil([&] { return state().files.size() == 1 && state().files[0]->didlookup(); }, 30, 20);
    EXPECT_TRUE(probed) << mainLog().join('\n').toStdString();
    if (!probed) return nullptr;
    const MediaFilePtr item = state().files[0];
    select({0});
    windows().ToHDMenuItem->trigger();
    windows().ConvertToolbarItem->trigger();
    EXPECT_EQ(state().queue, QList<MediaFilePtr>{item});
    EXPECT_TRUE(windows().QueuePanel->isVisible()) << "queueing shows the queue";
    // One tick starts it; no later tick may redraw the window in the test's place.
    test::tickTimer(*controller)->stop();
    controller->timedactivities();
    const bool encoding = waitUntil(
        [&] {
          return item->passnumber() == PassStage::HDPass && item->progress() > 0 && encoderGroup() != 0;
        },
        30, 10);
    EXPECT_TRUE(encoding) << mainLog().join('\n').toStdString();
    return encoding ? item : nullptr;
  }

  // What the screen shows of a window: the image it last painted.
  static QImage shown(QWidget* window) { return window->screen()->grabWindow(window->winId()).toImage(); }

  // A press of the row's stop button, where a click on it lands.
  void pressStop(int row) {
    QTableView* table = queueTableInUse();
    const QRect cell = table->visualRect(table->model()->index(row, QueueTableModel::column("Stop")));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(5, 35));
  }

  // What the status cell of a row of the queue table in use draws.
  QueueRowStatus shownStatus(int row) {
    QTableView* table = queueTableInUse();
    return QueueRowStatus::fromList(
        table->model()->index(row, QueueTableModel::column("ProgressIndicator")).data().toList());
  }

  // Whether a row of the queue table in use is wholly in sight.
  bool rowInView(int row) {
    QTableView* table = queueTableInUse();
    return table->viewport()->rect().contains(table->visualRect(table->model()->index(row, 0)));
  }

  // The cell a screen reader finds at a row and column of the queue table in use.
  QAccessibleInterface* accessibleCell(int row, const char* identifier) {
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(queueTableInUse());
    EXPECT_TRUE(table && table->tableInterface());
    return table && table->tableInterface()
               ? table->tableInterface()->cellAt(row, QueueTableModel::column(identifier))
               : nullptr;
  }

  // What a screen reader reads of a converting row, and the row's stop once `stop` presses it.
  void readAndStop(const std::function<void()>& stop) {
    const MediaFilePtr item = startConverting("Holiday.avi", 60);
    ASSERT_TRUE(item);
    QAccessibleInterface* status = accessibleCell(0, "ProgressIndicator");
    ASSERT_TRUE(status);
    const QString title = accessibleCell(0, "Image")->text(QAccessible::Name);
    EXPECT_FALSE(title.isEmpty());
    const QString text = status->text(QAccessible::Name);
    EXPECT_TRUE(text.startsWith(title + ", Converting, HD")) << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression(", \\d+%"))) << text.toStdString();
    // A progress bar whose value nobody can change: its value is read, and no Increase or
    // Decrease is offered (the screen reader adds those to any value interface).
    EXPECT_EQ(status->role(), QAccessible::ProgressBar);
    EXPECT_FALSE(status->valueInterface());
    EXPECT_FALSE(status->actionInterface());
    const auto value = [&] { return status->text(QAccessible::Value).chopped(1).toInt(); };
    // The value follows the pass as it goes on.
    const int first = value();
    EXPECT_GT(first, 0);
    EXPECT_TRUE(waitUntil([&] { return value() > first; }, 30, 10));
    EXPECT_EQ(status->text(QAccessible::Value), QString("%1%").arg(item->progress()));

    QAccessibleInterface* button = accessibleCell(0, "Stop");
    ASSERT_TRUE(button && button->actionInterface());
    EXPECT_EQ(button->text(QAccessible::Name), "Stop");
    EXPECT_EQ(button->role(), QAccessible::Button);
    const qint64 group = encoderGroup();
    stop();
    EXPECT_TRUE(test::groupEnds(group, 10000)) << "the encoder still runs";
    EXPECT_EQ(item->state(), MediaState::Ended);
    EXPECT_TRUE(item->stopbuttonpressed());
    EXPECT_TRUE(waitUntil([&] { return controller->runningJobs() == 0; }, 10, 10));
    // It reads as stopped, not as a conversion that finished at 100 %.
    const QString ended = accessibleCell(0, "ProgressIndicator")->text(QAccessible::Name);
    EXPECT_EQ(ended, title + ", Stopped");
    EXPECT_EQ(accessibleCell(0, "ProgressIndicator")->role(), QAccessible::Cell);
    EXPECT_FALSE(accessibleCell(0, "Stop")->actionInterface()) << "an ended row has nothing to stop";
  }

  QString converted;
};

TEST_F(QueueWindowTest, TheConvertingRowIsRepaintedAsThePassGoesOn) {
  // Long enough that an idle machine is still encoding when the screen is compared and the
  // stop is pressed.
  const MediaFilePtr item = startConverting("Holiday.avi", 60);
  ASSERT_TRUE(item);
  QWidget* panel = windows().QueuePanel;
  runloop::runFor(0.3);
  ASSERT_EQ(item->state(), MediaState::Converting);
  const QImage before = shown(panel);
  const int progress = item->progress();

  // Nobody touches the window: the pass's own progress reaches the screen while the
  // conversion runs, not only once it has ended.
  ASSERT_TRUE(waitUntil([&] { return item->progress() >= progress + 5; }, 30, 10))
      << "the encoder made no progress";
  ASSERT_TRUE(waitUntil([&] { return shown(panel) != before; }, 30, 10));
  EXPECT_EQ(item->state(), MediaState::Converting) << "the row was repainted only when the conversion ended";

  const qint64 group = encoderGroup();
  pressStop(0);
  EXPECT_TRUE(test::groupEnds(group, 10000));
  EXPECT_TRUE(waitUntil([&] { return controller->runningJobs() == 0; }, 10, 10));
}

TEST_F(QueueWindowTest, PauseSuspendsTheEncoderAndResumeLetsItRun) {
  // Long enough that an idle machine still has work left for the resumed encoder.
  const MediaFilePtr item = startConverting("Holiday.avi", 60);
  ASSERT_TRUE(item);
  const test::ShownWindows& w = windows();
  const qint64 group = encoderGroup();

  QTest::mouseClick(w.QueuePauseButton, Qt::LeftButton);
  EXPECT_TRUE(waitUntil([&] { return test::groupStopped(group); }, 5, 10)) << "the encoder still runs";
  EXPECT_EQ(w.QueuePauseButton->text(), "Resume");
  EXPECT_EQ(w.QueuePauseButton2->text(), "Resume");
  EXPECT_EQ(w.QueuePanel->windowTitle(), "Conversion Queue (Paused)");
  EXPECT_TRUE(userLog().contains("Queue paused"));
  // The held row says so where the time left was, and its bar shows how far it got.
  EXPECT_EQ(shownStatus(0).timeText, "Paused");
  const QString read = accessibleCell(0, "ProgressIndicator")->text(QAccessible::Name);
  EXPECT_TRUE(read.contains(", Paused, HD, ")) << read.toStdString();
  EXPECT_FALSE(read.contains("Time Left")) << read.toStdString();
  const qint64 pausedTicks = test::groupCpuTicks(group);
  const int pausedProgress = item->progress();
  runloop::runFor(1.5);
  // What the window shows is the paused row already: painting it afresh changes nothing.
  const QImage onScreen = shown(w.QueuePanel);
  w.QueuePanel->repaint();
  EXPECT_EQ(shown(w.QueuePanel), onScreen) << "the row was not redrawn when the queue paused";
  EXPECT_EQ(test::groupCpuTicks(group), pausedTicks) << "a suspended encoder used the processor";
  EXPECT_EQ(item->progress(), pausedProgress);

  // Resumed from the main window's pane, where the queue moves with its button.
  QTest::mouseClick(w.SplitViewButton, Qt::LeftButton);
  ASSERT_EQ(queueTableInUse(), w.Queue2TableView);
  QTest::mouseClick(w.QueuePauseButton2, Qt::LeftButton);
  EXPECT_TRUE(waitUntil([&] { return !test::groupStopped(group); }, 5, 10)) << "the encoder stayed suspended";
  EXPECT_TRUE(waitUntil([&] { return test::groupCpuTicks(group) > pausedTicks; }, 5, 10));
  EXPECT_EQ(w.QueuePauseButton->text(), "Pause");
  EXPECT_EQ(w.QueuePauseButton2->text(), "Pause");
  EXPECT_EQ(w.QueuePanel->windowTitle(), "Conversion Queue");
  EXPECT_TRUE(userLog().contains("Queue resumed"));
  EXPECT_TRUE(waitUntil([&] { return item->progress() > pausedProgress; }, 20, 10));

  pressStop(0);
  EXPECT_TRUE(test::groupEnds(group, 10000));
}

TEST_F(QueueWindowTest, QuittingMidConversionBringsTheItemBackQueuedAndConvertsItAgain) {
  controller->applicationDidFinishLaunching();
  const MediaFilePtr item = startConverting("Holiday.avi", 20);
  ASSERT_TRUE(item);
  const qint64 group = encoderGroup();

  QMenuBar* menus = windows().MainWindow->menuBar();
  QAction* quit = nullptr;
  for (QAction* menu : menus->actions())
    for (QAction* command : menu->menu()->actions())
      if (command->text() == "Quit Zuvo") quit = command;
  ASSERT_TRUE(quit);
  quit->trigger();
  EXPECT_TRUE(controller->terminated());
  EXPECT_TRUE(test::groupEnds(group, 10000)) << "the quit left the encoder running";
  EXPECT_EQ(item->state(), MediaState::Ended) << "the conversion was stopped";
  const QString started = "Starting conversion thread for : " + item->fullpath();
  EXPECT_TRUE(mainLog().contains(started));

  const RestoredLists saved = RestorableState(root + "/data/Zuvo").read(BCCReporter::dummy());
  ASSERT_TRUE(saved.QueueTable);
  ASSERT_EQ(saved.QueueTable->size(), 1);
  EXPECT_EQ(saved.QueueTable->first()->fullpath(), item->fullpath());
  EXPECT_EQ(saved.QueueTable->first()->state(), MediaState::Queued);

  // The next launch converts it again.
  controller.reset();
  controller = std::make_unique<Controller>();
  ASSERT_TRUE(controller->awakeFromNib());
  controller->applicationDidFinishLaunching();
  ASSERT_TRUE(waitUntil([&] { return controller->launched(); }, 60, 10));
  ASSERT_EQ(state().queue.size(), 1);
  const MediaFilePtr restored = state().queue.first();
  EXPECT_EQ(restored->state(), MediaState::Queued);
  controller->timedactivities();
  EXPECT_EQ(restored->state(), MediaState::Converting);
  EXPECT_TRUE(waitUntil([] { return encoderGroup() != 0; }, 20, 10));
  EXPECT_TRUE(mainLog().contains(started));
}

TEST_F(QueueWindowTest, ClearCompletedEmptiesTheEndedRowsOnly) {
  controller->applicationDidFinishLaunching();
  const auto ended = [&](const QString& name, bool finished, bool stopped) {
    MediaFilePtr media = item(name, true, MediaState::Ended);
    media->setConversionfinished(finished);
    media->setStopbuttonpressed(stopped);
    return media;
  };
  const MediaFilePtr waiting = item("waiting.avi", true, MediaState::Queued);
  const test::ShownWindows& w = windows();
  windows().ShowQueueMenuItem->trigger();
  struct Case {
    const char* how;
    std::function<void()> press;
  };
  const Case cases[] = {
      {"the queue window's button", [&] { QTest::mouseClick(w.ClearCompletedButton, Qt::LeftButton); }},
      {"the menu item", [&] { w.ClearCompletedMenuItem->trigger(); }},
      {"the pane's button",
       [&] {
         QTest::mouseClick(w.SplitViewButton, Qt::LeftButton);
         QTest::mouseClick(w.ClearCompletedButton2, Qt::LeftButton);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    setQueue({ended("done.avi", true, false), waiting, ended("failed.avi", false, false),
              ended("stopped.avi", false, true)});
    ASSERT_EQ(queueTableInUse()->model()->rowCount(), 4);
    c.press();
    EXPECT_EQ(state().queue, QList<MediaFilePtr>{waiting});
    EXPECT_EQ(queueTableInUse()->model()->rowCount(), 1);
    EXPECT_EQ(waiting->state(), MediaState::Queued);
    // Gone for good: the next launch does not bring them back. The write follows on
    // another thread once the changes have settled.
    ASSERT_TRUE(waitUntil([&] { return controller->listsWritten(); }, 30, 10));
    const RestoredLists saved = RestorableState(root + "/data/Zuvo").read(BCCReporter::dummy());
    ASSERT_TRUE(saved.QueueTable);
    ASSERT_EQ(saved.QueueTable->size(), 1);
    EXPECT_EQ(saved.QueueTable->first()->fullpath(), waiting->fullpath());
  }
}

TEST_F(QueueWindowTest, AFailedRowShowsItsWholeReasonAsItsTooltip) {
  const QString reason =
      "Unable to create the output file in the destination folder because the disk is full; free some space "
      "and "
      "convert the file again";
  MediaFilePtr failed = item("failed.avi", true, MediaState::Ended);
  failed->setConversionfinished(false);
  failed->setConversionerror(reason);
  setQueue({failed});
  windows().ShowQueueMenuItem->trigger();
  QTableView* table = queueTableInUse();
  const QRect cell =
      table->visualRect(table->model()->index(0, QueueTableModel::column("ProgressIndicator")));
  QHelpEvent hover(QEvent::ToolTip, cell.center(), table->viewport()->mapToGlobal(cell.center()));
  QApplication::sendEvent(table->viewport(), &hover);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_TRUE(QToolTip::text().contains("Failed with error : " + reason.toHtmlEscaped()))
      << QToolTip::text().toStdString();
  QToolTip::hideText();
}

TEST_F(QueueWindowTest, AConvertingRowReadsItsProgressAndStopsByTheAccessibleAction) {
  readAndStop([&] {
    QAccessibleInterface* button = accessibleCell(0, "Stop");
    ASSERT_TRUE(button && button->actionInterface());
    ASSERT_EQ(button->actionInterface()->actionNames(),
              QStringList{QAccessibleActionInterface::pressAction()});
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  });
}

TEST_F(QueueWindowTest, AConvertingRowStopsByTheDeleteKey) {
  readAndStop([&] {
    QTableView* table = queueTableInUse();
    table->window()->activateWindow();
    table->setFocus();
    table->selectRow(0);
    QTest::keyClick(table, Qt::Key_Delete);
  });
}

// Only the drawn button answers a click, all of it up to its edge: a click just beside it
// does nothing, one on its last pixel stops the encoder.
TEST_F(QueueWindowTest, AClickOnTheStopButtonsEdgeStopsTheRow) {
  const MediaFilePtr item = startConverting("Holiday.avi", 60);
  ASSERT_TRUE(item);
  QTableView* table = queueTableInUse();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(table->window()));
  const QRect cell = table->visualRect(table->model()->index(0, QueueTableModel::column("Stop")));
  const QRect button = BCButtonCell2::buttonRect(cell, tableImage("queue_stop_icon").size());
  ASSERT_GE(button.width(), 16) << "the button is drawn at its size";
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(button.right() + 1, button.center().y()));
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, QPoint(button.center().x(), button.top() - 1));
  EXPECT_EQ(item->state(), MediaState::Converting) << "a click beside the button stopped the row";
  const qint64 group = encoderGroup();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, button.bottomRight());
  EXPECT_TRUE(item->stopbuttonpressed());
  EXPECT_TRUE(test::groupEnds(group, 10000)) << "the encoder still runs";
  EXPECT_TRUE(waitUntil([&] { return controller->runningJobs() == 0; }, 10, 10));
  EXPECT_EQ(item->state(), MediaState::Ended);
}

// Every row reads what it shows in the state it is in; the window and the table read as
// what they are.
TEST_F(QueueWindowTest, EachRowReadsItsOwnStateAndTheWindowItsName) {
  struct Case {
    MediaState state;
    bool finished, stopped;
    const char* error;
    double seconds;
    const char* reads;    // after the title
    const char* message;  // what the cell writes under the title
    QAccessible::Role role;
  };
  const Case cases[] = {
      {MediaState::Queued, false, false, "", 0, ", Queued", "Queued", QAccessible::Cell},
      {MediaState::Ended, false, true, "", 0, ", Stopped", "Cancelled", QAccessible::Cell},
      {MediaState::Ended, false, false, "Unable to convert video track", 0,
       ", Failed: Unable to convert video track", "Failed with error : Unable to convert video track",
       QAccessible::Cell},
      {MediaState::Ended, true, false, "", 62, ", Finished, Conversion finished in  : 00:01:02",
       "Conversion finished in  : 00:01:02", QAccessible::Cell},
  };
  QList<MediaFilePtr> queue;
  for (const Case& c : cases) {
    MediaFilePtr media = item(QString("row%1.avi").arg(queue.size()), true, c.state);
    media->setSeriesname(QString("Row %1").arg(queue.size()));
    media->setConversionfinished(c.finished);
    media->setStopbuttonpressed(c.stopped);
    media->setConversionerror(c.error);
    media->setConversiontime(c.seconds);
    // What an earlier, ended run leaves on the item.
    media->setProgress(c.state == MediaState::Ended ? 100 : 0);
    media->setPassnumber(PassStage::HDPass);
    queue << media;
  }
  test::tickTimer(*controller)->stop();
  setQueue(queue);
  windows().ShowQueueMenuItem->trigger();
  for (int row = 0; row < int(std::size(cases)); ++row) {
    const Case& c = cases[row];
    SCOPED_TRACE(c.reads);
    QAccessibleInterface* status = accessibleCell(row, "ProgressIndicator");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->text(QAccessible::Name), QString("Row %1").arg(row) + c.reads);
    EXPECT_EQ(status->role(), c.role);
    EXPECT_TRUE(status->text(QAccessible::Value).isEmpty()) << "no progress bar is drawn";
    const QueueRowStatus shown = shownStatus(row);
    EXPECT_EQ(BCLevelIndicatorCell::statusMessage(shown.state, shown.finished, shown.passLabel,
                                                  shown.timeText, c.error)
                  .text,
              c.message);
  }
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(windows().QueuePanel);
  ASSERT_TRUE(window);
  EXPECT_EQ(window->role(), QAccessible::Window);
  EXPECT_EQ(window->text(QAccessible::Name), "Conversion Queue");
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(queueTableInUse());
  ASSERT_TRUE(table);
  EXPECT_EQ(table->text(QAccessible::Name), "Conversion Queue");
}

// The view names the cell of its focus and selection events by a child number counted as
// Qt's own table interface counts it (headers first, shown or not): every number names the
// same cell there as in the queue table's interface, down to the last row's.
// The view's focus and selection events name a cell by the number a screen reader finds it
// under, so that it reads the row the keyboard is on (Qt's own numbering counts the hidden
// headers, which pointed past the last rows).
TEST_F(QueueWindowTest, TheFocusAndSelectionEventsNameTheCellTheKeyboardIsOn) {
  QList<MediaFilePtr> queue;
  for (int i = 0; i < 4; ++i) queue << item(QString("q%1.avi").arg(i), true, MediaState::Queued);
  test::tickTimer(*controller)->stop();
  setQueue(queue);
  windows().ShowQueueMenuItem->trigger();
  QTableView* table = queueTableInUse();
  QAccessibleInterface* ours = QAccessible::queryAccessibleInterface(table);
  ASSERT_TRUE(ours);
  const int columns = table->model()->columnCount();
  ASSERT_EQ(ours->childCount(), 4 * columns);
  for (int row = 0; row < 4; ++row)
    for (int column = 0; column < columns; ++column) {
      SCOPED_TRACE(testing::Message() << row << "," << column);
      const QModelIndex index = table->model()->index(row, column);
      QAccessibleInterface* cell = ours->child(TableAccessible::childIndex(table, index));
      ASSERT_TRUE(cell);
      EXPECT_EQ(cell->tableCellInterface()->rowIndex(), row);
      EXPECT_EQ(cell->tableCellInterface()->columnIndex(), column);
      EXPECT_EQ(cell->text(QAccessible::Name), index.data(Qt::AccessibleTextRole).toString());
    }
}

// A row that starts below the fold comes into view, unless the user has scrolled the
// table since the row before started.
TEST_F(QueueWindowTest, TheRunningRowComesIntoViewUnlessTheUserScrolled) {
  test::tickTimer(*controller)->stop();
  QList<MediaFilePtr> queue;
  for (int i = 0; i < 14; ++i) {
    MediaFilePtr media = item(QString("ended%1.avi").arg(i), true, MediaState::Ended);
    media->setConversionfinished(true);
    queue << media;
  }
  // Two tag updates at the end of the list, the second one not looked up yet: it waits.
  const MediaFilePtr first = item("first.avi", true, MediaState::Queued),
                     second = item("second.avi", false, MediaState::Queued);
  for (const MediaFilePtr& media : {first, second}) media->setConversionFormat(ConversionFormat::TagsOnly);
  queue << first << second;
  setQueue(queue);
  windows().ShowQueueMenuItem->trigger();
  QTableView* table = queueTableInUse();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(table->window()));
  ASSERT_FALSE(rowInView(14)) << "the window shows every row";

  controller->timedactivities();
  ASSERT_NE(first->state(), MediaState::Queued) << "the row did not start";
  EXPECT_TRUE(rowInView(14)) << "the started row is out of sight";
  ASSERT_TRUE(waitUntil([&] { return first->state() == MediaState::Ended && controller->runningJobs() == 0; },
                        20, 10));

  // The user rolls the wheel up to the top to look at the first rows.
  const QPoint at = table->viewport()->rect().center();
  for (int i = 0; i < 10 && table->verticalScrollBar()->value() > 0; ++i) {
    QWheelEvent wheel(at, table->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(table->viewport(), &wheel);
  }
  ASSERT_EQ(table->verticalScrollBar()->value(), 0);
  second->setDidlookup(true);
  controller->timedactivities();
  ASSERT_NE(second->state(), MediaState::Queued) << "the row did not start";
  EXPECT_EQ(table->verticalScrollBar()->value(), 0) << "the table scrolled away from where the user looks";
  EXPECT_FALSE(rowInView(15));
  EXPECT_TRUE(waitUntil([&] { return controller->runningJobs() == 0; }, 20, 10));
}

// Ctrl+Up and Ctrl+Down move the current row as a drag does; it stays current, so the keys
// go on moving it. Delete takes a queued row back to the files.
TEST_F(QueueWindowTest, KeysMoveTheCurrentRowAndDeleteTakesAQueuedRowBack) {
  test::tickTimer(*controller)->stop();
  const MediaFilePtr a = item("a.avi", true, MediaState::Queued), b = item("b.avi", true, MediaState::Queued),
                     c = item("c.avi", true, MediaState::Queued);
  setQueue({a, b, c});
  windows().ShowQueueMenuItem->trigger();
  QTableView* table = queueTableInUse();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(table->window()));
  table->setFocus();
  table->setCurrentIndex(table->model()->index(0, QueueTableModel::column("ProgressIndicator")));
  struct Step {
    Qt::Key key;
    QList<MediaFilePtr> order;
    int current;
  };
  const Step steps[] = {
      {Qt::Key_Down, {b, a, c}, 1}, {Qt::Key_Down, {b, c, a}, 2},
      {Qt::Key_Down, {b, c, a}, 2},  // already last
      {Qt::Key_Up, {b, a, c}, 1},   {Qt::Key_Up, {a, b, c}, 0},
      {Qt::Key_Up, {a, b, c}, 0},  // already first
  };
  for (const Step& step : steps) {
    QTest::keyClick(table, step.key, Qt::ControlModifier);
    EXPECT_EQ(state().queue, step.order);
    EXPECT_EQ(table->currentIndex().row(), step.current);
  }
  QAccessibleInterface* button = accessibleCell(0, "Stop");
  ASSERT_TRUE(button);
  EXPECT_EQ(button->text(QAccessible::Name), "Remove from the queue");
  EXPECT_TRUE(accessibleCell(0, "ProgressIndicator")->text(QAccessible::Name).contains("Queued"));
  table->selectRow(0);
  QTest::keyClick(table, Qt::Key_Delete);
  EXPECT_EQ(state().queue, (QList<MediaFilePtr>{b, c}));
  EXPECT_EQ(a->state(), MediaState::InFilesTable);
  EXPECT_TRUE(state().files.contains(a));
}

// The X server's stacking order (bottom first) of the window manager's clients.
QList<quint32> stacking(xcb_connection_t* x, xcb_window_t root, xcb_atom_t list) {
  QList<quint32> windows;
  xcb_get_property_reply_t* reply =
      xcb_get_property_reply(x, xcb_get_property(x, 0, root, list, XCB_ATOM_WINDOW, 0, 1024), nullptr);
  if (!reply) return windows;
  const auto* ids = static_cast<const quint32*>(xcb_get_property_value(reply));
  for (int i = 0; i < xcb_get_property_value_length(reply) / 4; ++i) windows << ids[i];
  free(reply);
  return windows;
}

// On an X server with a window manager (ctest app_queue_window_stacking): the floating
// queue window stays above the main window, and a modal window comes above it.
TEST_F(QueueWindowTest, TheFloatingQueueStaysAboveTheMainWindowButUnderAModalWindow) {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (QGuiApplication::platformName() != "xcb" || !x11 || !x11->connection())
    GTEST_SKIP() << "runs on an X server as the ctest app_queue_window_stacking";
  xcb_connection_t* x = x11->connection();
  const auto atom = [&](const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, strlen(name), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : 0;
    free(reply);
    return value;
  };
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
  const xcb_atom_t list = atom("_NET_CLIENT_LIST_STACKING");
  const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
  const auto managerRuns = [&] {
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(x, xcb_get_property(x, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
    const bool found = reply && xcb_get_property_value_length(reply) > 0;
    free(reply);
    return found;
  };
  // The display's own window manager, or openbox started here.
  QProcess manager;
  if (!managerRuns()) {
    manager.start("openbox", {"--sm-disable"});
    ASSERT_TRUE(manager.waitForStarted()) << "openbox is needed (scripts/setup.sh installs it)";
  }
  ASSERT_TRUE(waitUntil(managerRuns, 20, 20)) << "no window manager came up";
  const auto above = [&](QWidget* upper, QWidget* lower) {
    const QList<quint32> order = stacking(x, root, list);
    const qsizetype u = order.indexOf(quint32(upper->winId())), l = order.indexOf(quint32(lower->winId()));
    return u >= 0 && l >= 0 && u > l;
  };

  Defaults::standard().setBool(true, "QueueAlwaysOntop");
  QMainWindow* main = windows().MainWindow;
  QWidget* queue = windows().QueuePanel;
  main->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
  windows().ShowQueueMenuItem->trigger();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(queue));
  // The main window comes forward: the queue stays in front of it.
  main->raise();
  main->activateWindow();
  EXPECT_TRUE(waitUntil([&] { return above(queue, main); }, 10, 20))
      << "the queue went under the main window";
  runloop::runFor(0.3);
  EXPECT_TRUE(above(queue, main));

  bool modalAbove = false, queueStillAboveMain = false;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    QDialog* preferences = test::preferencesWindow();
    if (!preferences || QApplication::activeModalWidget() != preferences) return;
    look.stop();
    modalAbove = waitUntil([&] { return above(preferences, queue); }, 10, 20);
    queueStillAboveMain = above(queue, main);
    preferences->reject();
  });
  look.start(20);
  windows().PreferencesMenuItem->trigger();  // returns when its modal run ends
  EXPECT_TRUE(modalAbove) << "the queue window covers the modal preferences";
  EXPECT_TRUE(queueStillAboveMain);

  if (manager.state() != QProcess::NotRunning) {
    manager.terminate();
    manager.waitForFinished(5000);
  }
}

}  // namespace
