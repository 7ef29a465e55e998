#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSet>
#include <QTimer>
#include <algorithm>

#include "app/files/IncomingPaths.h"
#include "app/shared/Feed.h"
#include "app/shared/FileDropTarget.h"
#include "app/support/ControllerFixture.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

class AddingSourcesTest : public ::testing::Test, public ControllerFixture {
 protected:
  void SetUp() override {
    Defaults::standard().removeObjectForKey(kSourcesKey);
    Defaults::standard().removeObjectForKey("AutomaticallyConvertFiles");
  }
  // Makes the files (and their folders) under `root`; a name ending in "/" is a folder.
  static void make(const QString& root, const QStringList& names) {
    for (const QString& name : names) {
      if (name.endsWith('/'))
        QDir().mkpath(root + "/" + name);
      else {
        QDir().mkpath(QFileInfo(root + "/" + name).path());
        writeFile(root + "/" + name, "video");
      }
    }
  }
  QStringList filesPaths(const QString& root) const {
    QStringList out;
    for (const MediaFilePtr& m : state.files) out << QString(m->fullpath()).remove(root + "/");
    return out;
  }
};

}  // namespace

TEST_F(AddingSourcesTest, TheRebuildMovesItemsBetweenTheListsByTheirState) {
  const QString root = freshFolder("rebuild");
  make(root, {"a.mkv", "b.mkv", "c.mkv", "d.mkv", "e.mkv"});
  struct Item {
    const char* name;
    bool inQueue;
    MediaState state;
    bool lookedUp;
  } items[] = {
      {"a.mkv", false, MediaState::InFilesTable, true},     // stays
      {"b.mkv", false, MediaState::Queued, true},           // to the queue
      {"c.mkv", false, MediaState::Queued, false},          // queued, look-up unfinished: stays
      {"d.mkv", false, MediaState::Removed, true},          // dropped
      {"gone.mkv", false, MediaState::InFilesTable, true},  // its file vanished: dropped
      {"e.mkv", true, MediaState::InFilesTable, true},      // stopped in the queue: back to the files
      {"x.mkv", true, MediaState::Removed, true},           // cleared: dropped
      {"y.mkv", true, MediaState::Ended, true},             // ended: stays, file or not
  };
  for (const Item& item : items) {
    auto media = FileLists::newMediaForPath(root + "/" + item.name, false);
    media->setState(item.state);
    media->setDidlookup(item.lookedUp);
    (item.inQueue ? state.queue : state.files).append(media);
  }
  lists->makefilestable();
  EXPECT_EQ(filesPaths(root), QStringList({"a.mkv", "c.mkv", "e.mkv"}));
  QStringList queue;
  for (const MediaFilePtr& m : state.queue) queue << m->filename();
  EXPECT_EQ(queue, QStringList({"y.mkv", "b.mkv"}));
  EXPECT_TRUE(mainLog().contains("[RED]File gone.mkv is missing. Setting state to zero."));
  EXPECT_EQ(filesReloads, 1);
  EXPECT_EQ(queueReloads, 1);
  EXPECT_EQ(invalidations, 1);
}

TEST_F(AddingSourcesTest, AddingRefusesPathsPresentAndStartsTheProbeOfNewOnes) {
  const QString root = freshFolder("adding");
  make(root, {"a.mkv", "b.mkv"});
  const QString a = root + "/a.mkv";
  const QString b = root + "/b.mkv";

  EXPECT_FALSE(lists->addfiletotable(a, true, true).Error());
  ASSERT_EQ(state.files.size(), 1);
  EXPECT_EQ(state.files[0]->filename(), "a.mkv");
  EXPECT_TRUE(state.files[0]->drop());
  EXPECT_EQ(probed, QStringList({a}));
  EXPECT_EQ(probedAutoprocess, QList<bool>({true}));

  EXPECT_FALSE(lists->addfiletotable(a, true, false).Error());
  EXPECT_EQ(state.files.size(), 1);
  EXPECT_TRUE(
      userLog().contains(QString("File %1 not added to Zuvo as already present in main window").arg(a)));

  auto inQueue = FileLists::newMediaForPath(b, false);
  inQueue->setState(MediaState::Converting);
  state.queue.append(inQueue);
  (void)lists->addfiletotable(b, false, false);
  EXPECT_EQ(state.files.size(), 1);
  EXPECT_TRUE(userLog().contains(
      QString("File %1 not added to Zuvo as already present in queue and not completed conversion").arg(b)));

  inQueue->setState(MediaState::Ended);
  (void)lists->addfiletotable(b, false, false);
  EXPECT_EQ(state.files.size(), 2) << "a file whose conversion ended can come in again";
  EXPECT_EQ(probed, QStringList({a, b}));
  EXPECT_TRUE(userLog().contains(QString("Adding new file %1").arg(b)));
}

TEST_F(AddingSourcesTest, AFolderDroppedSixLevelsDeepAddsTheFirstFourLevels) {
  const QString root = freshFolder("deep");
  make(root, {"top/1.mkv", "top/l2/2.avi", "top/l2/l3/3.mp4", "top/l2/l3/l4/4.m4v", "top/l2/l3/l4/l5/5.mkv",
              "top/l2/l3/l4/l5/l6/6.mkv", "top/notes.txt"});
  adding->doDropXML(FileDropTarget::filenamesPropertyList({root + "/top"}));
  ASSERT_TRUE(added());
  EXPECT_EQ(filesPaths(root),
            QStringList({"top/1.mkv", "top/l2/2.avi", "top/l2/l3/3.mp4", "top/l2/l3/l4/4.m4v"}));
  EXPECT_TRUE(mainLog().contains("[RED]Five levels deep, terminating recurse"));
  for (const MediaFilePtr& m : state.files) EXPECT_TRUE(m->drop());

  // The open panel lists one level more.
  state.files.clear();
  hooks.chooseFolders = [&] { return QStringList({root + "/top"}); };
  adding->LoadDirectory();
  ASSERT_TRUE(added());
  EXPECT_EQ(state.files.size(), 5);
}

TEST_F(AddingSourcesTest, DroppedNamesAreDecodedOnceAndEachKindIsHandled) {
  const QString root = freshFolder("drops");
  make(root, {"100%25 done & <more>.mkv", "Show - Pilot.eyetv/", "readme.txt", "VIDEO_TS/VTS_01_1.mkv"});
  const QString odd = root + "/100%25 done & <more>.mkv";
  adding->acceptFilesDrop(FileDropTarget::filenamesPropertyList(
      {odd, root + "/Show - Pilot.eyetv", root + "/readme.txt", root + "/VIDEO_TS", root + "/missing.mkv"}));
  ASSERT_TRUE(added());
  EXPECT_EQ(filesPaths(root), QStringList({"100%25 done & <more>.mkv", "Show - Pilot.eyetv"}));
  EXPECT_EQ(alerts, QStringList({"VIDEO_TS found. VOB import no longer supported."}));
  EXPECT_TRUE(userLog().contains("File has unknown format, not added to main window"));
  EXPECT_TRUE(mainLog().contains("File is EyeTV package"));

  adding->doDropXML(FileDropTarget::filenamesPropertyList({odd}));
  ASSERT_TRUE(added());
  EXPECT_EQ(state.files.size(), 2) << "the same file dropped twice";
}

TEST_F(AddingSourcesTest, OpenedDocumentsAddFilesPackagesAndFolders) {
  const QString root = freshFolder("opened");
  make(root, {"film.mkv", "Recording.eyetv/0000000.mpg", "folder/inner.avi", "letter.txt"});
  EXPECT_TRUE(adding->openFile(root + "/film.mkv"));
  EXPECT_TRUE(adding->openFile(root + "/Recording.eyetv"));
  EXPECT_FALSE(adding->openFile(root + "/letter.txt"));
  adding->openFiles({root + "/folder", root + "/letter.txt"});
  ASSERT_TRUE(added());
  EXPECT_EQ(filesPaths(root), QStringList({"film.mkv", "Recording.eyetv", "folder/inner.avi"}))
      << "a recording package opened is one source, not a folder";
}

TEST_F(AddingSourcesTest, QueueDropMovesTheDraggedItem) {
  struct Case {
    int from;
    int row;
    QString order;
  } cases[] = {{0, 3, "bcade"}, {0, 5, "bcdea"}, {3, 1, "adbce"}, {2, 2, "abcde"}};
  for (const Case& c : cases) {
    state.queue.clear();
    for (QChar name : QString("abcde")) queued(QString(name));
    adding->acceptQueueDrop(state.queue[c.from], c.row);
    QString order;
    for (const MediaFilePtr& m : state.queue) order += m->filename();
    EXPECT_EQ(order, c.order) << c.from << " to " << c.row;
  }
  // The queue changed after the drag began: the dragged item moves, not what is now at its row.
  const MediaFilePtr dragged = state.queue[3];  // "d"
  state.queue.removeFirst();
  adding->acceptQueueDrop(dragged, 0);
  EXPECT_EQ(state.queue.first(), dragged);
  EXPECT_FALSE(adding->acceptQueueDrop(std::make_shared<MediaFile>(), 0)) << "an item no longer queued";
}

TEST_F(AddingSourcesTest, VideoSourcesFindFilesAndPackagesButNotTheLiveBuffer) {
  const QString root = freshFolder("sources");
  make(root, {"watched/a.mkv", "watched/Show - One.eyetv/0001.mpg", "watched/Live TV Buffer.eyetv/buffer.mpg",
              "watched/sub/b.avi", "watched/sub/live tv buffer.eyetv/", "watched/notes.txt", "flat/c.mp4",
              "flat/sub/d.mkv"});
  Feed recursive, flat, missing;
  recursive.setPath(root + "/watched");
  recursive.setRecurse(true);
  flat.setPath(root + "/flat");
  missing.setPath(root + "/nowhere");
  storeVideoSources({recursive, missing, flat});

  Defaults::standard().setBool(true, "AutomaticallyConvertFiles");
  // A minute on: every file has settled.
  scanner->setClock([] { return QDateTime::currentDateTime().addSecs(60); });
  scanner->checksources(true);
  EXPECT_EQ(filesPaths(root), QStringList({"watched/Live TV Buffer.eyetv/buffer.mpg",
                                           "watched/Show - One.eyetv", "watched/a.mkv", "watched/sub/b.avi",
                                           "watched/sub/live tv buffer.eyetv", "flat/c.mp4"}));
  for (const MediaFilePtr& m : state.files) EXPECT_FALSE(m->drop()) << m->fullpath().toStdString();
  EXPECT_EQ(probedAutoprocess.count(true), probedAutoprocess.size());
  EXPECT_EQ(timedNotices,
            QStringList({QString("Video Source %1/nowhere is missing, please check video sources in "
                                 "Preferences.")
                             .arg(root)}))
      << "a timed scan waits for nobody";
  EXPECT_TRUE(alerts.isEmpty());
  EXPECT_EQ(statusTexts.last(), "Video Sources Checked");
  // The entries of a source's own level are announced; those of its subfolders are not.
  EXPECT_EQ(userLog().filter("Found file ").size(), 3);

  // A second scan, by hand, adds nothing and announces nothing it knows; its alert waits.
  scanner->checksources(false);
  EXPECT_EQ(state.files.size(), 6);
  EXPECT_EQ(userLog().filter("Found file ").size(), 3);
  EXPECT_EQ(probedAutoprocess.size(), 6);
  EXPECT_EQ(alerts.size(), 1);
}

TEST_F(AddingSourcesTest, CheckSourcesWithoutSourcesShowsTheAlert) {
  adding->RefreshFilesTableButtonPress();
  ASSERT_EQ(alerts.size(), 1);
  EXPECT_TRUE(alerts[0].startsWith("No Video Sources defined."));
}

namespace {

void setModified(const QString& path, const QDateTime& when) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
  ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

void append(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::Append));
  file.write(bytes);
}

class TimedScanTest : public AddingSourcesTest {
 protected:
  void SetUp() override {
    AddingSourcesTest::SetUp();
    Defaults::standard().setBool(true, "AutomaticallyConvertAllFiles");
    state.supportFolder = freshFolder("support");
    watched = freshFolder("watched");
    Feed source;
    source.setPath(watched);
    source.setRecurse(true);
    storeVideoSources({source});
    scanner->setClock([this] { return clock; });
  }
  void TearDown() override { Defaults::standard().removeObjectForKey("AutomaticallyConvertAllFiles"); }

  // A source whose last change was long ago.
  QString settledFile(const QString& name, const QByteArray& bytes = "video") {
    const QString path = writeFile(watched + "/" + name, bytes);
    setModified(path, clock.addSecs(-3600));
    return path;
  }
  // The first item, converted by the queue runner as the program converts it.
  void convertFirst() {
    ASSERT_FALSE(state.files.isEmpty());
    state.files.first()->setState(MediaState::Queued);
    state.files.first()->setDidlookup(true);
    state.files.first()->setConversionFormat(ConversionFormat::HDOnly);
    lists->makefilestable();
    runner->startconversion();
    runConversions();
    ASSERT_EQ(converts, 1);
  }

  QString watched;
  QDateTime clock = QDateTime::currentDateTime();
};

}  // namespace

TEST_F(TimedScanTest, ARecordingStillBeingWrittenIsTakenOnlyOnceItHasSettled) {
  const QString growing = writeFile(watched + "/Recording S01E01.mkv", "part");
  const QString old = settledFile("Finished S01E02.mkv");
  // The recorder writes on between scans, ten seconds apart.
  for (int scan = 0; scan < 5; ++scan) {
    setModified(growing, clock);
    scanner->checksources(true);
    EXPECT_EQ(filesPaths(watched), QStringList{"Finished S01E02.mkv"}) << "scan " << scan;
    clock = clock.addSecs(10);
    append(growing, "more");
  }
  EXPECT_TRUE(
      mainLog().contains(QString("File %1 is still changing, it is taken once it has settled").arg(growing)));
  EXPECT_EQ(userLog().filter("Found file ").size(), 1);

  // Once the recorder has stopped, the next scan that finds it unchanged takes it.
  setModified(growing, clock.addSecs(-10));
  scanner->checksources(true);
  EXPECT_EQ(filesPaths(watched), QStringList{"Finished S01E02.mkv"}) << "seen once as it now is";
  clock = clock.addSecs(10);
  scanner->checksources(true);
  EXPECT_EQ(filesPaths(watched), QStringList({"Finished S01E02.mkv", "Recording S01E01.mkv"}));
  EXPECT_EQ(probedAutoprocess, QList<bool>({true, true}));
  EXPECT_EQ(probed.value(0), old);

  // Two scans in the same tick (the hour's and the minutes') are not two sightings.
  const QString fresh = writeFile(watched + "/Fresh S01E03.mkv", "new");
  setModified(fresh, clock);
  scanner->checksources(true);
  scanner->checksources(true);
  EXPECT_EQ(state.files.size(), 2);
}

TEST_F(TimedScanTest, ASourceLeftInPlaceIsNotQueuedAgainWhileItStaysAsItWasConverted) {
  struct Case {
    const char* name;
    std::function<void(const QString&)> change;  // after the conversion
    bool takenAgain;
  } cases[] = {
      {"unchanged", [](const QString&) {}, false},
      {"grown",
       [this](const QString& path) {
         append(path, "rest");
         setModified(path, clock.addSecs(-3600));
       },
       true},
      {"touched", [this](const QString& path) { setModified(path, clock.addSecs(-1800)); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state.files.clear();
    state.queue.clear();
    converts = 0;
    const QString source = settledFile(QString("%1 S01E01.mkv").arg(c.name));
    scanner->checksources(true);
    ASSERT_EQ(filesPaths(watched), QStringList{QFileInfo(source).fileName()});
    convertFirst();
    ASSERT_EQ(state.queue.first()->state(), MediaState::Ended);

    c.change(source);
    for (int scan = 0; scan < 3; ++scan) scanner->checksources(true);
    EXPECT_EQ(state.files.size(), c.takenAgain ? 1 : 0);

    // The next run of the program remembers it too.
    state.files.clear();
    SourceScanner restarted(state, *notices, hooks, *lists);
    restarted.setClock([this] { return clock; });
    restarted.checksources(true);
    EXPECT_EQ(state.files.size(), c.takenAgain ? 1 : 0);
    QFile::remove(source);
  }
  EXPECT_TRUE(QFileInfo(state.supportFolder + "/" + kConvertedSourcesFile).isFile());
}

TEST_F(TimedScanTest, AConvertedSourceTheUserBringsInByHandIsAddedAsEver) {
  const QString source = settledFile("Some Show S01E01.mkv");
  scanner->checksources(true);
  convertFirst();
  scanner->checksources(true);
  EXPECT_TRUE(state.files.isEmpty());

  adding->openFiles({source});
  ASSERT_TRUE(added());
  ASSERT_EQ(filesPaths(watched), QStringList{"Some Show S01E01.mkv"});
  EXPECT_TRUE(state.files.first()->drop());
  state.files.clear();
  adding->doDropXML(FileDropTarget::filenamesPropertyList({source}));
  ASSERT_TRUE(added());
  EXPECT_EQ(state.files.size(), 1);
}

TEST_F(TimedScanTest, AnAlertOfATimedScanWaitsForNobodyAndTheScanGoesOn) {
  const QString good = settledFile("Good Show S01E01.mkv");
  const QByteArray latin1 = QFile::encodeName(watched) + "/Caf\xe9 S01E02.mkv";
  ASSERT_EQ(::link(QFile::encodeName(good).constData(), latin1.constData()), 0);
  QDir().mkpath(watched + "/VIDEO_TS");
  scanner->checksources(true);
  EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
  ASSERT_EQ(timedNotices.size(), 2) << timedNotices.join('\n').toStdString();
  EXPECT_TRUE(timedNotices.contains("VIDEO_TS found. VOB import no longer supported."));
  EXPECT_TRUE(timedNotices.filter("its name is not valid UTF-8").size() == 1);
  EXPECT_EQ(probed, QStringList{good});
  EXPECT_EQ(probedAutoprocess, QList<bool>{true});
}

TEST_F(TimedScanTest, AQuitStopsTheScanAndNothingIsAddedAfterIt) {
  for (int i = 0; i < 40; ++i) settledFile(QString("Show S01E%1.mkv").arg(i + 1, 2, 10, QChar('0')));
  // The quit arrives while the scan is adding (as a signal handled in a redraw would).
  lists->setProbeStarter([this](const MediaFilePtr& media, bool) {
    probed << media->fullpath();
    if (probed.size() == 10) state.quitting = true;
  });
  scanner->checksources(true);
  EXPECT_EQ(state.files.size(), 10);
  EXPECT_NE(statusTexts.value(statusTexts.size() - 1), "Video Sources Checked");
  (void)lists->addfiletotable(watched + "/Show S01E20.mkv", true, false);
  adding->openFiles({watched + "/Show S01E21.mkv"});
  ASSERT_TRUE(added());
  EXPECT_EQ(state.files.size(), 10);
}

TEST_F(TimedScanTest, ScansOfManyKnownFilesAnnounceNothingAndDoNotHoldTheTimer) {
  constexpr int kFiles = 3000;
  for (int i = 0; i < kFiles; ++i) settledFile(QString("Clip %1.mkv").arg(i));
  scanner->checksources(true);
  ASSERT_EQ(state.files.size(), kFiles);
  const int announced = userLog().filter("Found file ").size();
  EXPECT_EQ(announced, kFiles);

  // A tick's scan of what it knows: nothing is announced, and it is over in moments,
  // not the 0.1 s per file that a redraw wait for each would cost (five minutes here).
  QElapsedTimer took;
  took.start();
  TimedActivities tick(state, hooks, *runner, *scanner, *lists);
  Defaults::standard().setBool(true, "ScanVideoSourcesEveryMinutes");
  Defaults::standard().setInteger(4, "CacheDuration");
  state.nextScan = QDateTime::currentDateTime().addSecs(-1);
  tick.timedactivities();
  Defaults::standard().removeObjectForKey("ScanVideoSourcesEveryMinutes");
  Defaults::standard().removeObjectForKey("CacheDuration");
  EXPECT_LT(took.elapsed(), 60000);
  EXPECT_EQ(userLog().filter("Found file ").size(), announced);
  EXPECT_EQ(state.files.size(), kFiles);
}

TEST_F(AddingSourcesTest, EachFolderIsListedOnceHoweverLinksLeadBackToIt) {
  const QString root = freshFolder("links");
  make(root, {"watched/a.mkv", "watched/sub/b.mkv", "elsewhere/c.mkv"});
  ASSERT_EQ(::symlink("..", QFile::encodeName(root + "/watched/sub/up").constData()), 0);
  ASSERT_EQ(::symlink(".", QFile::encodeName(root + "/watched/loop").constData()), 0);
  ASSERT_EQ(::symlink("sub", QFile::encodeName(root + "/watched/again").constData()), 0);
  ASSERT_EQ(::symlink("../elsewhere", QFile::encodeName(root + "/watched/outside").constData()), 0);
  Feed watched, sameAgain;
  watched.setPath(root + "/watched");
  watched.setRecurse(true);
  sameAgain.setPath(root + "/watched/loop");
  sameAgain.setRecurse(true);
  storeVideoSources({watched, sameAgain});

  const auto names = [this] {
    QStringList out;
    for (const MediaFilePtr& m : state.files) out << m->filename();
    out.sort();
    return out;
  };
  scanner->checksources(false);
  EXPECT_EQ(names(), QStringList({"a.mkv", "b.mkv", "c.mkv"}));
  EXPECT_TRUE(mainLog().filter("was listed already in this scan, not listed again").size() >= 2);

  state.files.clear();
  adding->doDropXML(FileDropTarget::filenamesPropertyList({root + "/watched"}));
  ASSERT_TRUE(added());
  EXPECT_EQ(names(), QStringList({"a.mkv", "b.mkv", "c.mkv"})) << "a dropped folder too";
}

TEST_F(AddingSourcesTest, EveryWayInTakesAPackageGivenWithATrailingSlashAsThePackage) {
  const QString root = freshFolder("slash");
  make(root, {"Some Show - Pilot.eyetv/000000001.mpg", "watched/Film.mkv"});
  const QString package = root + "/Some Show - Pilot.eyetv";
  QDir::setCurrent(root);
  struct Case {
    const char* way;
    std::function<void()> add;
  } cases[] = {
      {"drop", [&] { adding->acceptFilesDrop(FileDropTarget::filenamesPropertyList({package + "/"})); }},
      {"drop image", [&] { adding->processdrop(FileDropTarget::filenamesPropertyList({package + "//"})); }},
      {"opened files", [&] { adding->openFiles({package + "/"}); }},
      {"opened file", [&] { adding->openFile(package + "/."); }},
      {"services", [&] { adding->handleService({package + "/"}); }},
      {"relative", [&] { adding->openFiles({"watched/../Some Show - Pilot.eyetv/"}); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.way);
    state.files.clear();
    c.add();
    ASSERT_TRUE(added());
    ASSERT_EQ(state.files.size(), 1);
    EXPECT_EQ(state.files.first()->fullpath(), package);
    EXPECT_EQ(state.files.first()->filename(), "Some Show - Pilot.eyetv");
  }

  // A watched folder set with a trailing slash.
  state.files.clear();
  Feed source;
  source.setPath(root + "/watched/");
  storeVideoSources({source});
  scanner->checksources(false);
  ASSERT_EQ(state.files.size(), 1);
  EXPECT_EQ(state.files.first()->fullpath(), root + "/watched/Film.mkv");
}

TEST(IncomingPaths, PathsAreMadeWholeAndToldApartByWhatTheyName) {
  const QString root = freshFolder("incoming");
  QDir::setCurrent(root);
  const struct {
    const char* in;
    QString out;
  } paths[] = {
      {"/a/b/", "/a/b"}, {"/a//b", "/a/b"}, {"/a/./b/../c", "/a/c"}, {"x.eyetv/", root + "/x.eyetv"},
      {"", ""},          {"/", "/"},
  };
  for (const auto& p : paths) EXPECT_EQ(normalisedPath(p.in), p.out) << p.in;

  const QString fifo = root + "/pipe.mkv";
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const struct {
    QString path;
    IncomingKind kind;
  } kinds[] = {
      {writeFile(root + "/film.mkv", "video"), IncomingKind::File},
      {root, IncomingKind::Folder},
      {fifo, IncomingKind::Other},
      {"/dev/zero", IncomingKind::Other},
      {root + "/missing.mkv", IncomingKind::Missing},
  };
  for (const auto& k : kinds) EXPECT_EQ(incomingKind(k.path), k.kind) << k.path.toStdString();
}

TEST_F(AddingSourcesTest, HandedOverPathsAreTakenOnlyWhenTheyAreFilesOrFolders) {
  const QString root = freshFolder("handed");
  make(root, {"film.mkv", "folder/inside.mkv"});
  const QString fifo = root + "/pipe.mkv";
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QStringList handed{fifo, "/dev/zero", root + "/folder", root + "/film.mkv"};
  const struct {
    const char* way;
    std::function<void()> add;
  } ways[] = {
      {"services", [&] { adding->handleService(handed); }},
      {"opened files", [&] { adding->openFiles(handed); }},
      {"drop", [&] { adding->doDropXML(FileDropTarget::filenamesPropertyList(handed)); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.way);
    state.files.clear();
    way.add();
    ASSERT_TRUE(added());
    EXPECT_EQ(filesPaths(root), QStringList({"folder/inside.mkv", "film.mkv"}));
  }
  for (const QString& refused : {fifo, QString("/dev/zero")})
    EXPECT_EQ(
        userLog().filter(refused + " is neither a readable file nor a folder, not added to Zuvo").size(), 3);
}

TEST_F(AddingSourcesTest, AFolderOfThousandsComesInSliceBySliceWithTheEventLoopRunningBetween) {
  constexpr int kFiles = 4000;
  const QString big = freshFolder("big folder");
  QStringList expected;
  for (int i = 0; i < kFiles; ++i) {
    const QString name = QString("Clip %1.mkv").arg(i, 4, 10, QChar('0'));
    QFile(big + "/" + name).open(QIODevice::WriteOnly);  // empty, as many are
    expected << big + "/" + name;
  }
  writeFile(big + "/notes.txt", "not a video");
  const QString after = writeFile(freshFolder("after") + "/Film.mkv", "video");

  adding->openFiles({big});
  adding->doDropXML(FileDropTarget::filenamesPropertyList({after}));
  EXPECT_TRUE(state.files.isEmpty()) << "the paths are taken from the event loop, not inside the call";
  // The list as each turn of the event loop finds it while the paths come in.
  QList<qsizetype> turns;
  QTimer turn;
  QObject::connect(&turn, &QTimer::timeout, [&] {
    if (adding->busy()) turns << state.files.size();
  });
  turn.start(0);
  ASSERT_TRUE(added());
  turn.stop();

  QStringList paths;
  for (const MediaFilePtr& m : state.files) paths << m->fullpath();
  EXPECT_EQ(paths, expected + QStringList{after})
      << "in order, the folder before the file handed in after it";
  EXPECT_EQ(probed.size(), kFiles + 1);
  const QSet<qsizetype> partial(turns.begin(), turns.end());
  EXPECT_GE(std::count_if(partial.begin(), partial.end(), [](qsizetype n) { return n > 0 && n < kFiles; }), 2)
      << "the files did not come in batches with the loop running between them";
  EXPECT_EQ(mainLog().count("[BLUE]Building File Table"), 1) << "one rebuild for all, not one per file";
}

TEST_F(AddingSourcesTest, AQuitWhileAFolderComesInAddsNothingMore) {
  const QString big = freshFolder("quit folder");
  for (int i = 0; i < 3000; ++i)
    QFile(QString("%1/Clip %2.mkv").arg(big).arg(i, 4, 10, QChar('0'))).open(QIODevice::WriteOnly);
  lists->setProbeStarter([this](const MediaFilePtr& media, bool) {
    probed << media->fullpath();
    if (probed.size() == 100) state.quitting = true;
  });
  adding->openFiles({big});
  ASSERT_TRUE(added());
  EXPECT_EQ(state.files.size(), 100);
  EXPECT_FALSE(mainLog().contains("[BLUE]Building File Table"));
}
