#include "app/controller/ListsSaver.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <csignal>

#include "app/support/WidgetApplication.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/RunLoop.h"
#include "support/TestPictures.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

constexpr const char* kChildFolder = "ZUVO_LISTS_CHILD_FOLDER";

// Noise weighs what a detailed poster weighs as JPEG, so that a write takes a while.
QByteArray noiseJpeg(quint32 seed) {
  QImage image(300, 450, QImage::Format_RGB32);
  QRandomGenerator random(seed);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) line[x] = random.generate() | 0xff000000u;
  }
  return test::encodedPicture(image, "JPEG", 90);
}

// `count` looked-up items named prefix0, prefix1, ..., sharing one poster.
QList<MediaFilePtr> items(const QString& prefix, int count) {
  registerSettingDefaults();
  const Artwork poster = Artwork::fromData(noiseJpeg(prefix.size()));
  QList<MediaFilePtr> out;
  for (int i = 0; i < count; ++i) {
    auto m = std::make_shared<MediaFile>();
    m->setFilename(prefix + QString::number(i));
    m->setFullpath("/videos/" + m->filename());
    m->setDidlookup(true);
    m->setArtwork(poster);
    out << m;
  }
  return out;
}

QStringList names(const std::optional<QList<MediaFilePtr>>& list) {
  QStringList out;
  if (list)
    for (const MediaFilePtr& m : *list) out << m->filename();
  return out;
}

QStringList namesOf(const QList<MediaFilePtr>& list) { return names(std::optional(list)); }

QString testFolder() {
  return test::freshFolder(
      QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()));
}

}  // namespace

// Run by the test below as a child of its own: writes lists A and B in turn through the
// saver's background thread until it is killed.
TEST(ListsWriterChild, WritesInTurnUntilKilled) {
  const QString folder = qEnvironmentVariable(kChildFolder);
  if (folder.isEmpty())
    GTEST_SKIP() << "started only as the child of KillDuringAWriteLeavesTheOldOrTheNewLists";
  const QList<MediaFilePtr> a = items("a", 40), b = items("b", 40);
  QList<MediaFilePtr> current = a;
  ListsSaver saver(
      folder,
      [&] {
        return ListsSaver::Lists{current, current};
      },
      0);
  for (int round = 0;; ++round) {
    current = round % 2 ? b : a;
    saver.saveNow();
    saver.waitUntilWritten(60);
    printf("wrote %d\n", round);
    fflush(stdout);
  }
}

TEST(ListsSaver, KillDuringAWriteLeavesTheOldOrTheNewLists) {
  const QString folder = testFolder();
  const RestorableState state(folder);
  const QStringList a = namesOf(items("a", 40)), b = namesOf(items("b", 40));
  int midWrite = 0;
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildFolder, folder);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=ListsWriterChild.*"});
    ASSERT_TRUE(child.waitForStarted(10000));
    // A few whole writes, then the kill lands while the next one is under way: at once
    // when its new file appears, or a little later.
    ASSERT_TRUE(
        runloop::waitUntil([&] { return child.readAllStandardOutput().contains("wrote 2"); }, 120, 5) ||
        child.state() == QProcess::NotRunning)
        << child.readAllStandardError().toStdString();
    const QString fresh = state.path() + ".new";
    ASSERT_TRUE(runloop::waitUntil([&] { return QFileInfo(fresh).size() > 0; }, 60, 0));
    if (round % 2) QThread::usleep(QRandomGenerator::global()->bounded(20000));
    const bool partial = QFileInfo(fresh).exists();
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(10000));
    if (partial) ++midWrite;

    const RestoredLists back = state.read(BCCReporter::dummy());
    EXPECT_TRUE(back.setAside.isEmpty()) << "the saved lists were damaged";
    const QStringList files = names(back.FileTable);
    EXPECT_TRUE(files == a || files == b) << files.join(',').toStdString();
    EXPECT_EQ(names(back.QueueTable), files);
  }
  EXPECT_GT(midWrite, 0) << "no kill landed during a write";
}

TEST(ListsSaver, AChangeMadeWhileAWriteRunsIsWrittenAfterIt) {
  const QString folder = testFolder();
  QList<MediaFilePtr> files = items("f", 60);
  ListsSaver saver(
      folder,
      [&] {
        return ListsSaver::Lists{files, {}};
      },
      0);
  saver.changed();
  const QString fresh = RestorableState(folder).path() + ".new";
  ASSERT_TRUE(runloop::waitUntil([&] { return QFileInfo::exists(fresh); }, 60, 0));
  files.append(items("late", 1));
  saver.changed();
  ASSERT_TRUE(saver.waitUntilWritten(60));
  EXPECT_EQ(saver.writesDone(), 2);
  const RestoredLists back = RestorableState(folder).read(BCCReporter::dummy());
  ASSERT_EQ(back.FileTable->size(), 61);
  EXPECT_EQ(back.FileTable->last()->filename(), "late0");
}

TEST(ListsSaver, ChangesCloseTogetherMakeOneWriteOfTheLastLists) {
  const QString folder = testFolder();
  QList<MediaFilePtr> files;
  ListsSaver saver(
      folder,
      [&] {
        return ListsSaver::Lists{files, {}};
      },
      500);
  for (int i = 0; i < 20; ++i) {
    files.append(items(QString("n%1-").arg(i), 1));
    saver.changed();
    QCoreApplication::processEvents();
  }
  EXPECT_FALSE(saver.idle());
  ASSERT_TRUE(runloop::waitUntil([&] { return saver.idle(); }, 60, 10));
  EXPECT_EQ(saver.writesDone(), 1);
  EXPECT_EQ(names(RestorableState(folder).read(BCCReporter::dummy()).FileTable).size(), 20);
}

TEST(ListsSaver, ReadingHandsTheListsToTheGUIThread) {
  const QString folder = testFolder();
  ASSERT_TRUE(RestorableState(folder).write(items("r", 5), items("q", 2)));
  ListsSaver saver(folder, [] { return ListsSaver::Lists{}; });
  std::optional<RestoredLists> got;
  QThread* deliveredOn = nullptr;
  saver.readInBackground(BCCReporter::dummy(), [&](RestoredLists restored) {
    got = std::move(restored);
    deliveredOn = QThread::currentThread();
  });
  EXPECT_TRUE(saver.reading());
  ASSERT_TRUE(runloop::waitUntil([&] { return got.has_value(); }, 60, 5));
  EXPECT_EQ(deliveredOn, QCoreApplication::instance()->thread());
  EXPECT_EQ(names(got->FileTable), namesOf(items("r", 5)));
  EXPECT_EQ(got->QueueTable->size(), 2);
  EXPECT_FALSE(saver.reading());
}
