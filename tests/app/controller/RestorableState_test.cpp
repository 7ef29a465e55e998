#include "app/controller/RestorableState.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include "app/support/WidgetApplication.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "support/TestPictures.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

QByteArray posterJpeg(int seed) {
  QImage image(200, 300, QImage::Format_RGB32);
  QPainter painter(&image);
  for (int y = 0; y < 300; y += 10)
    for (int x = 0; x < 200; x += 10)
      painter.fillRect(x, y, 10, 10, QColor((x * seed) % 256, y % 256, seed % 256));
  painter.end();
  return test::encodedPicture(image, "JPEG", 85);
}

MediaFilePtr item(const QString& name, MediaState state) {
  registerSettingDefaults();
  auto m = std::make_shared<MediaFile>();
  m->setFullpath("/videos/" + name);
  m->setFilename(name);
  m->setSeriesname("Series of " + name);
  m->setDidlookup(true);
  m->setState(state);
  m->setArtwork(Artwork::fromData(posterJpeg(name.size() * 13 + name.at(0).unicode())));
  return m;
}

QStringList names(const std::optional<QList<MediaFilePtr>>& list) {
  QStringList out;
  if (list)
    for (const MediaFilePtr& m : *list) out << m->filename();
  return out;
}

class SavedLists : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = test::freshFolder(
        QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  }
  QString folder;
  const QStringList files{"a.mkv", "bb.mkv", "ccc.mkv", "dddd.mkv", "eeeee.mkv"};
  const QStringList queue{"x.avi", "yy.avi", "zzz.avi"};
  QList<MediaFilePtr> make(const QStringList& which, MediaState state) {
    QList<MediaFilePtr> out;
    for (const QString& n : which) out << item(n, state);
    return out;
  }
};

}  // namespace

TEST_F(SavedLists, BothListsComeBackWholeWithTheirArtwork) {
  const RestorableState saved(folder);
  const QList<MediaFilePtr> written = make(files, MediaState::InFilesTable);
  ASSERT_TRUE(saved.write(written, make(queue, MediaState::Converting)));
  EXPECT_FALSE(QFileInfo::exists(saved.path() + ".new"));
  const RestoredLists back = saved.read(BCCReporter::dummy());
  EXPECT_TRUE(back.setAside.isEmpty());
  EXPECT_EQ(names(back.FileTable), files);
  EXPECT_EQ(names(back.QueueTable), queue);
  EXPECT_EQ(back.QueueTable->first()->state(), MediaState::Queued);
  EXPECT_EQ(back.FileTable->at(2)->artwork().data(), written.at(2)->artwork().data());
  EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"MainWindow.state"});
}

// One damaged spot costs the items it lies in and nothing else; the file is kept as it
// was under a name of its own, and the next write cannot touch it.
TEST_F(SavedLists, DamageCostsOnlyTheItemsItTouchesAndTheFileIsKeptAside) {
  struct Case {
    const char* what;
    std::function<void(QByteArray&)> damage;
    QStringList files, queue;
  };
  const auto flipInside = [](const char* text) {
    return [text](QByteArray& bytes) {
      const qsizetype at = bytes.indexOf(QByteArray("Series of ") + text);
      ASSERT_GT(at, 0);
      bytes[at + 3] = char(bytes[at + 3] ^ 0x01);
    };
  };
  const Case cases[] = {
      {"a byte of a file-list item",
       flipInside("ccc.mkv"),
       {"a.mkv", "bb.mkv", "dddd.mkv", "eeeee.mkv"},
       queue},
      {"a byte of a queue item", flipInside("yy.avi"), files, {"x.avi", "zzz.avi"}},
      {"the file's first byte", [](QByteArray& b) { b[0] = char(b[0] ^ 0x01); }, files, queue},
      {"a byte of the format's name", [](QByteArray& b) { b[b.indexOf("org.zuvo.lists") + 2] = 'X'; }, files,
       queue},
      {"the end cut off", [](QByteArray& b) { b.chop(2000); }, files, {"x.avi", "yy.avi"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RestorableState saved(folder);
    ASSERT_TRUE(saved.write(make(files, MediaState::InFilesTable), make(queue, MediaState::Queued)));
    QByteArray bytes = test::readFile(saved.path());
    c.damage(bytes);
    test::writeFile(saved.path(), bytes);

    const QString log = folder + "/log.txt";
    const RestoredLists back = saved.read(BCCReporter::path(log));
    EXPECT_EQ(names(back.FileTable), c.files);
    EXPECT_EQ(names(back.QueueTable), c.queue);
    ASSERT_FALSE(back.setAside.isEmpty());
    EXPECT_NE(back.setAside, saved.path());
    EXPECT_EQ(test::readFile(back.setAside), bytes);
    EXPECT_FALSE(QFileInfo::exists(saved.path())) << "a new write would replace the damaged file";
    const QStringList logged = test::logMessages(log);
    ASSERT_FALSE(logged.isEmpty());
    EXPECT_TRUE(logged.last().contains(back.setAside));

    // The next write leaves the damaged file alone, and the next read is whole again.
    ASSERT_TRUE(saved.write(*back.FileTable, *back.QueueTable));
    EXPECT_EQ(test::readFile(back.setAside), bytes);
    const RestoredLists again = saved.read(BCCReporter::dummy());
    EXPECT_TRUE(again.setAside.isEmpty());
    EXPECT_EQ(names(again.FileTable), c.files);
    QFile::remove(back.setAside);
  }
}

TEST_F(SavedLists, EachDamagedFileKeepsANameOfItsOwn) {
  const RestorableState saved(folder);
  QStringList kept;
  for (int i = 0; i < 3; ++i) {
    test::writeFile(saved.path(), "damaged " + QByteArray::number(i));
    const RestoredLists back = saved.read(BCCReporter::dummy());
    EXPECT_EQ(back.FileTable->size() + back.QueueTable->size(), 0);
    ASSERT_FALSE(kept.contains(back.setAside));
    kept << back.setAside;
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(test::readFile(kept[i]), "damaged " + QByteArray::number(i));
}

TEST_F(SavedLists, AMissingFileGivesNothingAndKeepsNothingAside) {
  const RestoredLists back = RestorableState(folder).read(BCCReporter::dummy());
  EXPECT_FALSE(back.FileTable);
  EXPECT_FALSE(back.QueueTable);
  EXPECT_TRUE(back.setAside.isEmpty());
  EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
}
