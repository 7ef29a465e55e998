#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <atomic>

#include "app/support/ControllerFixture.h"
#include "platform/RunLoop.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

QList<MediaState> states(const QList<MediaFilePtr>& items) {
  QList<MediaState> out;
  for (const MediaFilePtr& item : items) out << item->state();
  return out;
}

QList<MediaState> repeated(MediaState value, int count) { return QList<MediaState>(count, value); }

class QueueRunnerTest : public ::testing::Test, public ControllerFixture {};

}  // namespace

TEST_F(QueueRunnerTest, FifteenTagsOnlyItemsThenAConversionStartEleventhThenTheRestInOneWalk) {
  for (int i = 0; i < 15; ++i) queued(QString("tags%1.m4v").arg(i), ConversionFormat::TagsOnly);
  const MediaFilePtr convertible = queued("movie.mkv");

  runner->startconversion();
  EXPECT_EQ(states(state.queue), repeated(MediaState::Converting, 11) + repeated(MediaState::Queued, 5));
  EXPECT_EQ(tagsJobs.size(), 11u);
  EXPECT_TRUE(conversionJobs.empty());
  EXPECT_EQ(state.queue[0]->passnumber(), PassStage::BeforeTags);
  EXPECT_EQ(state.queue[0]->progress(), 50);

  // Nothing more while any of them runs, even once its item has ended.
  tagsJobs.front()();
  tagsJobs.pop_front();
  runner->startconversion();
  EXPECT_EQ(tagsJobs.size(), 10u);

  runTagsJobs();
  EXPECT_EQ(states(state.queue), repeated(MediaState::Ended, 11) + repeated(MediaState::Queued, 5));
  for (int i = 0; i < 11; ++i) EXPECT_TRUE(state.queue[i]->conversionfinished());

  runner->startconversion();
  EXPECT_EQ(states(state.queue), repeated(MediaState::Ended, 11) + repeated(MediaState::Converting, 5));
  EXPECT_EQ(tagsJobs.size(), 4u);
  EXPECT_EQ(conversionJobs.size(), 1u);
  EXPECT_EQ(taggedPaths.size(), 11);
  EXPECT_EQ(taggedPaths.first(), "/videos/tags0.m4v");
}

TEST_F(QueueRunnerTest, WalksByTheTable) {
  struct Item {
    ConversionFormat format;
    bool lookedUp;
    MediaState state;
  };
  struct Case {
    const char* name;
    QList<Item> items;
    QList<MediaState> afterTick;
    int conversions;
    int tagsJobs;
  } cases[] = {
      {"unfinished look-up passed over",
       {{ConversionFormat::HDOnly, false, MediaState::Queued},
        {ConversionFormat::SDOnly, true, MediaState::Queued}},
       {MediaState::Queued, MediaState::Converting},
       1,
       0},
      {"only the first of two convertibles",
       {{ConversionFormat::HDOnly, true, MediaState::Queued},
        {ConversionFormat::HDAndSD, true, MediaState::Queued}},
       {MediaState::Converting, MediaState::Queued},
       1,
       0},
      {"tags-only before a conversion in one walk",
       {{ConversionFormat::TagsOnly, true, MediaState::Queued},
        {ConversionFormat::Original, true, MediaState::Queued},
        {ConversionFormat::TagsOnly, true, MediaState::Queued}},
       {MediaState::Converting, MediaState::Converting, MediaState::Queued},
       1,
       1},
      {"nothing while an item converts",
       {{ConversionFormat::HDOnly, true, MediaState::Converting},
        {ConversionFormat::HDOnly, true, MediaState::Queued}},
       {MediaState::Converting, MediaState::Queued},
       0,
       0},
      {"ended and files-table items passed over",
       {{ConversionFormat::HDOnly, true, MediaState::Ended},
        {ConversionFormat::HDOnly, true, MediaState::InFilesTable},
        {ConversionFormat::HDOnly, true, MediaState::Queued}},
       {MediaState::Ended, MediaState::InFilesTable, MediaState::Converting},
       1,
       0},
  };
  for (const Case& c : cases) {
    // The jobs of the case before end first, so that none is still running.
    runConversions();
    runTagsJobs();
    state.queue.clear();
    for (const Item& item : c.items) queued("x.mkv", item.format, item.lookedUp)->setState(item.state);
    runner->startconversion();
    EXPECT_EQ(states(state.queue), c.afterTick) << c.name;
    EXPECT_EQ(int(conversionJobs.size()), c.conversions) << c.name;
    EXPECT_EQ(int(tagsJobs.size()), c.tagsJobs) << c.name;
  }
}

TEST_F(QueueRunnerTest, TheSecondConvertibleStartsOnTheFirstTickAfterTheFirstEnded) {
  const MediaFilePtr first = queued("one.mkv");
  const MediaFilePtr second = queued("two.mkv");
  runner->startconversion();
  runner->startconversion();
  EXPECT_EQ(conversionJobs.size(), 1u);
  runConversions();
  EXPECT_EQ(first->state(), MediaState::Ended);
  EXPECT_EQ(first->progress(), 100);
  EXPECT_EQ(second->state(), MediaState::Queued);
  runner->startconversion();
  EXPECT_EQ(second->state(), MediaState::Converting);
  EXPECT_EQ(identifiers, QStringList({"[2]"}));
  runConversions();
  EXPECT_EQ(identifiers, QStringList({"[2]", "[3]"}));
  EXPECT_TRUE(mainLog().contains("[2] Thread Terminating"));
  EXPECT_TRUE(mainLog().contains("Starting conversion thread for : /videos/one.mkv"));
}

TEST_F(QueueRunnerTest, AVeryLongQueueStartsOneConversionPerWalk) {
  for (int i = 0; i < 1500; ++i) queued(QString("file%1.avi").arg(i));
  runner->startconversion();
  EXPECT_EQ(conversionJobs.size(), 1u);
  EXPECT_EQ(states(state.queue).count(MediaState::Converting), 1);
  EXPECT_TRUE(mainLog().contains("Files in queue : 1500 Files undegoing conversion : 0 Files Converted : 0"));
}

TEST_F(QueueRunnerTest, AStoppedItemWhoseConversionIsStillEndingKeepsTheNextOneWaiting) {
  const MediaFilePtr first = queued("one.mkv");
  const MediaFilePtr second = queued("two.mkv");
  runner->startconversion();
  // The per-row stop: the item ends at once, its tool is still being ended.
  first->setState(MediaState::Ended);
  first->setStopbuttonpressed(true);
  runner->startconversion();
  EXPECT_EQ(second->state(), MediaState::Queued);
  EXPECT_EQ(runner->runningJobs(), 1);
  scripts[first.get()] = Script{BCError::Code(2, "Stopped"), false};
  runConversions();
  EXPECT_EQ(runner->runningJobs(), 0);
  runner->startconversion();
  EXPECT_EQ(second->state(), MediaState::Converting);
}

TEST_F(QueueRunnerTest, PauseTakesEffectOnlyWhileSomethingConvertsAndHoldsTheQueueUntilResumed) {
  const MediaFilePtr first = queued("one.mkv");
  const MediaFilePtr second = queued("two.mkv");
  runner->QueuePauseButtonPress();
  EXPECT_FALSE(state.paused);
  EXPECT_TRUE(pauseTitles.isEmpty());

  runner->startconversion();
  runner->QueuePauseButtonPress();
  EXPECT_TRUE(state.paused);
  EXPECT_TRUE(first->pause());
  EXPECT_FALSE(second->pause());
  EXPECT_EQ(pauseTitles, QList<bool>({true}));
  EXPECT_TRUE(userLog().contains("Queue paused"));

  runConversions();
  runner->startconversion();
  EXPECT_EQ(second->state(), MediaState::Queued);

  runner->QueuePauseButtonPress();
  EXPECT_FALSE(state.paused);
  EXPECT_FALSE(first->pause());
  EXPECT_EQ(pauseTitles, QList<bool>({true, false}));
  EXPECT_TRUE(userLog().contains("Queue resumed"));
  runner->startconversion();
  EXPECT_EQ(second->state(), MediaState::Converting);
}

TEST_F(QueueRunnerTest, PausedThenStoppedAndClearedNeverKeepsItsToolSuspended) {
  const MediaFilePtr item = queued("one.mkv");
  runner->startconversion();
  runner->QueuePauseButtonPress();
  ASSERT_TRUE(item->pause());
  item->setState(MediaState::Ended);
  item->setStopbuttonpressed(true);
  runner->ClearCompletedButtonPress();
  EXPECT_TRUE(state.queue.isEmpty());
  EXPECT_FALSE(item->pause()) << "its conversion is still ending";

  // The same through resume and through the quit sequence, for an item that left the
  // queue some other way while its job still runs.
  item->setPause(true);
  runner->QueuePauseButtonPress();
  EXPECT_FALSE(item->pause());
  item->setPause(true);
  runner->liftPause();
  runner->stopAll();
  EXPECT_FALSE(item->pause());
  EXPECT_TRUE(item->stopbuttonpressed());
}

TEST_F(QueueRunnerTest, ClearCompletedDropsOnlyEndedItems) {
  queued("a.mkv")->setState(MediaState::Ended);
  const MediaFilePtr waiting = queued("b.mkv");
  const MediaFilePtr running = queued("c.mkv");
  running->setState(MediaState::Converting);
  queued("d.mkv")->setState(MediaState::Ended);
  runner->ClearCompletedButtonPress();
  EXPECT_EQ(state.queue, QList<MediaFilePtr>({waiting, running}));
}

TEST_F(QueueRunnerTest, ATagsOnlyJobWhoseWriterFailedEndsAsAFailureWithTheWritersReason) {
  const MediaFilePtr item = queued("show.m4v", ConversionFormat::TagsOnly);
  tagOutcome = BCError::Code(1, "Unable to open file for writing tags");
  runner->startconversion();
  runTagsJobs();
  EXPECT_EQ(item->state(), MediaState::Ended);
  EXPECT_EQ(item->progress(), 100);
  EXPECT_FALSE(item->conversionfinished());
  EXPECT_EQ(item->conversionerror(), "Unable to open file for writing tags");
  EXPECT_TRUE(
      userLog().contains("Updating the tags of show.m4v failed : Unable to open file for writing tags"));
  EXPECT_EQ(runner->runningJobs(), 0);
}

TEST_F(QueueRunnerTest, CommandsQueueLookedUpItemsAndMoveThemToTheQueue) {
  auto fileItem = [this](const QString& name, bool lookedUp, bool selected) {
    const QString path = freshFolder("commands-" + name) + "/" + name;
    writeFile(path, "x");
    auto media = FileLists::newMediaForPath(path, true);
    media->setDidlookup(lookedUp);
    media->setSelected(selected);
    state.files.append(media);
    return media;
  };
  const MediaFilePtr a = fileItem("a.mkv", true, false);
  const MediaFilePtr b = fileItem("b.mkv", false, true);
  const MediaFilePtr c = fileItem("c.mkv", true, true);

  runner->ConvertSelectedButtonPress();
  EXPECT_EQ(state.files, QList<MediaFilePtr>({a, b}));
  EXPECT_EQ(state.queue, QList<MediaFilePtr>({c}));
  EXPECT_EQ(queueShown, 1);

  highlighted = {1, 0, 7};
  runner->ConvertButtonPress();
  EXPECT_EQ(state.files, QList<MediaFilePtr>({b}));
  EXPECT_EQ(state.queue, QList<MediaFilePtr>({c, a}));
  EXPECT_TRUE(mainLog().contains("Changing state of row 0 to 2"));

  b->setDidlookup(true);
  highlighted = {0};
  runner->MakeSample();
  ASSERT_EQ(state.queue.size(), 3);
  EXPECT_TRUE(state.queue.last()->isSample());
  EXPECT_EQ(state.queue.last()->fullpath(), b->fullpath());
  EXPECT_EQ(state.files, QList<MediaFilePtr>({b}));
  EXPECT_TRUE(mainLog().contains("Changing state of row 1 to 2"));

  runner->ConvertAllButtonPress();
  EXPECT_TRUE(state.files.isEmpty());
  EXPECT_EQ(state.queue.size(), 4);
  EXPECT_EQ(queueShown, 4);
}

namespace {

// A notification daemon on 127.0.0.1 keeping every NOTIFY message it receives.
class GNTPDaemon {
 public:
  GNTPDaemon() {
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        const qsizetype index = messages_.size();
        messages_.append(QByteArray());
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, index] {
          messages_[index] += socket->readAll();
          if (messages_[index].endsWith("\r\n\r\n")) socket->write("GNTP/1.0 -OK NONE\r\n\r\n");
        });
      }
    });
  }
  quint16 port() const { return server_.serverPort(); }
  QList<QByteArray> messages() const { return messages_; }

 private:
  QTcpServer server_;
  QList<QByteArray> messages_;
};

QByteArray header(const QByteArray& message, const QByteArray& name) {
  for (const QByteArray& line : message.split('\n'))
    if (line.startsWith(name + ": ")) return line.mid(name.size() + 2).trimmed();
  return {};
}

}  // namespace

TEST_F(QueueRunnerTest, OutcomesAreReportedAsTheirNoticesAndLogLines) {
  GNTPDaemon daemon;
  qputenv(gntp::kPortVariable, QByteArray::number(daemon.port()));
  struct Case {
    const char* name;
    bool drm;
    Script script;
    bool stopped;
    QByteArray title;  // empty: no notice
    QString message;
    QString userLine;
  } cases[] = {
      {"drm.mkv",
       true,
       {},
       false,
       "Conversion Error",
       "Conversion of file drm.mkv failed with the following error : File is protected by DRM",
       "Conversion of file drm.mkv failed with the following error : File is protected by DRM"},
      {"broken.mkv",
       false,
       {BCError::Code(5, "No video track"), false},
       false,
       "Conversion Error",
       "Conversion of file broken.mkv failed with the following error : No video track",
       "Conversion of file broken.mkv failed with the following error : No video track"},
      {"good.mkv",
       false,
       {BCError(), true},
       false,
       "Zuvo Conversion",
       "Finished Conversion of  good.mkv",
       "Comversion completed"},
      {"bad.mkv",
       false,
       {BCError(), false},
       false,
       "Zuvo Conversion",
       "Failed Conversion of  bad.mkv. Please check video file is working then contact Kelvane Support.",
       "Conversion failed"},
      {"stopped.mkv", false, {BCError::Code(2, "Stopped by user"), false}, true, "", "", ""},
      {"halted.mkv", false, {BCError(), false}, true, "", "", ""},
  };
  QList<QByteArray> titles;
  for (const Case& c : cases) {
    const MediaFilePtr item = queued(c.name);
    item->setHasdrm(c.drm);
    item->setStopbuttonpressed(c.stopped);
    scripts[item.get()] = c.script;
    const int convertsBefore = converts;
    runner->startconversion();
    runConversions();
    EXPECT_EQ(item->state(), MediaState::Ended) << c.name;
    EXPECT_EQ(converts - convertsBefore, c.drm ? 0 : 1) << c.name;
    if (!c.title.isEmpty()) {
      titles << c.title;
      EXPECT_TRUE(userLog().contains(c.message)) << c.name;
      EXPECT_TRUE(userLog().contains(c.userLine)) << c.name;
    }
    if (c.title == "Conversion Error") {
      EXPECT_TRUE(c.message.endsWith(item->conversionerror())) << c.name;
    }
  }
  ASSERT_TRUE(notices->waitForDelivered(30));
  QList<QByteArray> received;
  for (const QByteArray& message : daemon.messages()) received << header(message, "Notification-Title");
  EXPECT_EQ(received, titles) << "a stop sends no notice";
  EXPECT_EQ(header(daemon.messages().value(0), "Notification-Text"),
            "Conversion of file drm.mkv failed with the following error : File is protected by DRM");
  EXPECT_EQ(header(daemon.messages().value(0), "Notification-Name"), "Conversion");
}

TEST_F(QueueRunnerTest, QuittingLetsTheRewriteUnderWayFinishAndForgetsTheTagsJobsNeverBegun) {
  // Tags jobs on the real serial queue; the first rewrite is still under way when the quit
  // comes, and goes on until the quit is waiting for it.
  std::atomic_int written = 0;
  std::atomic_bool began = false, quitWaits = false;
  ConversionJobs jobs;
  jobs.writeTags = [&](const QString&, const MediaFile&, const Reporter&) {
    began = true;
    QElapsedTimer clock;
    clock.start();
    while (!quitWaits && clock.elapsed() < 10000) QThread::msleep(10);
    ++written;
    return BCError::NoError();
  };
  jobs.runTagsJob = [this](std::function<void()> job) { state.ConvertQueue.start(std::move(job)); };
  runner = std::make_unique<QueueRunner>(state, *notices, hooks, *lists, std::move(jobs));
  for (int i = 0; i < 3; ++i) queued(QString("tags%1.m4v").arg(i), ConversionFormat::TagsOnly);
  runner->startconversion();
  ASSERT_EQ(runner->runningJobs(), 3);
  ASSERT_TRUE(runloop::waitUntil([&] { return began.load(); }, 10, 10)) << "the first rewrite did not begin";

  // Events run only once the quit has dropped the queued jobs and waits for the running one.
  QTimer::singleShot(0, [&] { quitWaits = true; });
  EXPECT_TRUE(runner->finishTagsJobs(5));
  EXPECT_EQ(written.load(), 1);
  // The one that ran reports its end on the GUI thread; the two dropped are not waited for.
  EXPECT_TRUE(runner->waitForJobs(2));
  EXPECT_EQ(state.queue[0]->state(), MediaState::Ended);
  EXPECT_EQ(state.queue[1]->state(), MediaState::Converting)
      << "saved as queued, it is taken up again next launch";
}
