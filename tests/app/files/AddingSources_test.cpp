#include "app/preferences/Feed.h"
#include "app/support/ControllerFixture.h"

#include <QDir>
#include <QGuiApplication>
#include <gtest/gtest.h>

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
      if (name.endsWith('/')) QDir().mkpath(root + "/" + name);
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
    int state;
    bool lookedUp;
  } items[] = {
      {"a.mkv", false, 1, true},     // stays
      {"b.mkv", false, 2, true},     // to the queue
      {"c.mkv", false, 2, false},    // queued, look-up unfinished: stays
      {"d.mkv", false, 0, true},     // dropped
      {"gone.mkv", false, 1, true},  // its file vanished: dropped
      {"e.mkv", true, 1, true},      // stopped in the queue: back to the files
      {"x.mkv", true, 0, true},      // cleared: dropped
      {"y.mkv", true, 4, true},      // ended: stays, file or not
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
  EXPECT_TRUE(userLog().contains(QString("File %1 not added to Zuvo as already present in main window").arg(a)));

  auto inQueue = FileLists::newMediaForPath(b, false);
  inQueue->setState(MediaState::Converting);
  state.queue.append(inQueue);
  lists->addfiletotable(b, false, false);
  EXPECT_EQ(state.files.size(), 1);
  EXPECT_TRUE(userLog().contains(
      QString("File %1 not added to Zuvo as already present in queue and not completed conversion").arg(b)));

  inQueue->setState(MediaState::Ended);
  lists->addfiletotable(b, false, false);
  EXPECT_EQ(state.files.size(), 2) << "a file whose conversion ended can come in again";
  EXPECT_EQ(probed, QStringList({a, b}));
  EXPECT_TRUE(userLog().contains(QString("Adding new file %1").arg(b)));
}

TEST_F(AddingSourcesTest, AFolderDroppedSixLevelsDeepAddsTheFirstFourLevels) {
  const QString root = freshFolder("deep");
  make(root, {"top/1.mkv", "top/l2/2.avi", "top/l2/l3/3.mp4", "top/l2/l3/l4/4.m4v", "top/l2/l3/l4/l5/5.mkv",
              "top/l2/l3/l4/l5/l6/6.mkv", "top/notes.txt"});
  adding->doDropXML(AddingPaths::filenamesPropertyList({root + "/top"}));
  EXPECT_EQ(filesPaths(root), QStringList({"top/1.mkv", "top/l2/2.avi", "top/l2/l3/3.mp4", "top/l2/l3/l4/4.m4v"}));
  EXPECT_TRUE(mainLog().contains("[RED]Five levels deep, terminating recurse"));
  for (const MediaFilePtr& m : state.files) EXPECT_TRUE(m->drop());

  // The open panel lists one level more.
  state.files.clear();
  hooks.chooseFolders = [&] { return QStringList({root + "/top"}); };
  adding->LoadDirectory();
  EXPECT_EQ(state.files.size(), 5);
}

TEST_F(AddingSourcesTest, DroppedNamesAreDecodedOnceAndEachKindIsHandled) {
  const QString root = freshFolder("drops");
  make(root, {"100%25 done & <more>.mkv", "Show - Pilot.eyetv/", "readme.txt", "VIDEO_TS/VTS_01_1.mkv"});
  const QString odd = root + "/100%25 done & <more>.mkv";
  adding->acceptFilesDrop(AddingPaths::filenamesPropertyList(
      {odd, root + "/Show - Pilot.eyetv", root + "/readme.txt", root + "/VIDEO_TS", root + "/missing.mkv"}));
  EXPECT_EQ(filesPaths(root), QStringList({"100%25 done & <more>.mkv", "Show - Pilot.eyetv"}));
  EXPECT_EQ(alerts, QStringList({"VIDEO_TS found. VOB import no longer supported."}));
  EXPECT_TRUE(userLog().contains("File has unknown format, not added to main window"));
  EXPECT_TRUE(mainLog().contains("File is EyeTV package"));

  adding->doDropXML(AddingPaths::filenamesPropertyList({odd}));
  EXPECT_EQ(state.files.size(), 2) << "the same file dropped twice";
}

TEST_F(AddingSourcesTest, OpenedDocumentsAddFilesPackagesAndFolders) {
  const QString root = freshFolder("opened");
  make(root, {"film.mkv", "Recording.eyetv/0000000.mpg", "folder/inner.avi", "letter.txt"});
  EXPECT_TRUE(adding->openFile(root + "/film.mkv"));
  EXPECT_TRUE(adding->openFile(root + "/Recording.eyetv"));
  EXPECT_FALSE(adding->openFile(root + "/letter.txt"));
  adding->openFiles({root + "/folder", root + "/letter.txt"});
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
  scanner->checksources(true);
  EXPECT_EQ(filesPaths(root),
            QStringList({"watched/Live TV Buffer.eyetv/buffer.mpg", "watched/Show - One.eyetv", "watched/a.mkv",
                         "watched/sub/b.avi", "watched/sub/live tv buffer.eyetv", "flat/c.mp4"}));
  for (const MediaFilePtr& m : state.files) EXPECT_FALSE(m->drop()) << m->fullpath().toStdString();
  EXPECT_EQ(probedAutoprocess.count(true), probedAutoprocess.size());
  EXPECT_EQ(alerts, QStringList({QString("Video Source %1/nowhere is missing, please check video sources in "
                                         "Preferences.").arg(root)}));
  EXPECT_EQ(statusTexts.last(), "Video Sources Checked");

  // A second scan adds nothing but announces every found entry again.
  const int foundBefore = userLog().filter("Found file ").size();
  scanner->checksources(false);
  EXPECT_EQ(state.files.size(), 6);
  EXPECT_EQ(userLog().filter("Found file ").size(), foundBefore * 2);
  EXPECT_EQ(probedAutoprocess.size(), 6);
}

TEST_F(AddingSourcesTest, CheckSourcesWithoutSourcesShowsTheAlert) {
  adding->RefreshFilesTableButtonPress();
  ASSERT_EQ(alerts.size(), 1);
  EXPECT_TRUE(alerts[0].startsWith("No Video Sources defined."));
}

TEST(VideoSources, ArchiveRoundTripKeepsOrderNamesPathsAndFlags) {
  Feed one, two;
  one.setName("New Source");
  one.setPath("/home/user");
  two.setName("New Source");
  two.setPath("/media/tv");
  two.setRecurse(true);
  storeVideoSources({one, two});
  EXPECT_EQ(loadVideoSources(), QList<Feed>({one, two}));
  EXPECT_EQ(two.description(), "Feed name:New Source path:/media/tv recurse:YES");
  Defaults::standard().setObject(QByteArray("damaged"), kSourcesKey);
  EXPECT_TRUE(loadVideoSources().isEmpty());
  Defaults::standard().removeObjectForKey(kSourcesKey);
  EXPECT_TRUE(loadVideoSources().isEmpty());
}
