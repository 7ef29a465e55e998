#include "platform/FileMove.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "support/TestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

QStringList everythingIn(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QByteArray bytes(int size) {
  QByteArray data(size, '\0');
  for (int i = 0; i < size; ++i) data[i] = char(i * 7 + i / 251);
  return data;
}

}  // namespace

TEST(FileMove, WithinOneFileSystemTheFileIsRenamedNotCopied) {
  const QString folder = freshFolder("same");
  const QString source = writeFile(folder + "/a.m4v", bytes(300000));
  const quint64 inode = inodeOf(source);
  QDir().mkpath(folder + "/library");
  const FileMoveResult move = moveFileNoReplace(source, folder + "/library/b.m4v");
  ASSERT_TRUE(move.done) << move.error.toStdString();
  EXPECT_FALSE(move.copied);
  EXPECT_FALSE(QFileInfo::exists(source));
  EXPECT_EQ(inodeOf(folder + "/library/b.m4v"), inode);
}

TEST(FileMove, AcrossFileSystemsTheWholeFileArrivesAndOnlyThenTheSourceGoes) {
  SmallTmpfs target("across", 4096);
  if (!target.mounted()) GTEST_SKIP() << target.why().toStdString();
  const QString folder = freshFolder("from");
  const QByteArray data = bytes(1 << 20);
  const QString source = writeFile(folder + "/holiday.mp4", data);
  {
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(QDateTime::fromSecsSinceEpoch(1600000000), QFileDevice::FileModificationTime));
  }

  const FileMoveResult move = moveFileNoReplace(source, target.path() + "/holiday.mp4");
  ASSERT_TRUE(move.done) << move.error.toStdString();
  EXPECT_TRUE(move.copied);
  EXPECT_FALSE(QFileInfo::exists(source));
  EXPECT_EQ(readFile(target.path() + "/holiday.mp4"), data);
  EXPECT_EQ(QFileInfo(target.path() + "/holiday.mp4").lastModified().toSecsSinceEpoch(), 1600000000);
  EXPECT_EQ(everythingIn(target.path()), QStringList{"holiday.mp4"}) << "no temporary copy is left";

  // A copy leaves its source.
  const QString second = writeFile(folder + "/second.mp4", data);
  const FileMoveResult copy = copyFileNoReplace(second, target.path() + "/second.mp4");
  ASSERT_TRUE(copy.done) << copy.error.toStdString();
  EXPECT_EQ(readFile(second), data);
  EXPECT_EQ(readFile(target.path() + "/second.mp4"), data);
}

TEST(FileMove, AFullDiskLeavesNoPartialFileAndKeepsTheSource) {
  SmallTmpfs full("full", 64);
  if (!full.mounted()) GTEST_SKIP() << full.why().toStdString();
  const QString folder = freshFolder("big");
  const QByteArray data = bytes(400000);
  for (const bool move : {true, false}) {
    SCOPED_TRACE(move ? "move" : "copy");
    const QString source = writeFile(folder + "/Orig Title.m4v", data);
    const QString target = full.path() + "/Orig Title.m4v";
    const FileMoveResult result =
        move ? moveFileNoReplace(source, target) : copyFileNoReplace(source, target);
    EXPECT_FALSE(result.done);
    EXPECT_FALSE(result.nameTaken);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(readFile(source), data);
    EXPECT_TRUE(everythingIn(full.path()).isEmpty()) << everythingIn(full.path()).join(", ").toStdString();
  }
}

TEST(FileMove, ATakenNameIsNeverReplaced) {
  SmallTmpfs other("taken", 1024);
  const QString folder = freshFolder("names");
  struct Case {
    const char* what;
    QString targetFolder;
  } cases[] = {{"one file system", folder},
               {"across file systems", other.mounted() ? other.path() : QString()}};
  for (const Case& c : cases) {
    if (c.targetFolder.isEmpty()) continue;  // no tmpfs without root
    SCOPED_TRACE(c.what);
    const QString source = writeFile(folder + "/new.m4v", "converted");
    const QString target = writeFile(c.targetFolder + "/taken.m4v", "the user's");
    for (const bool move : {true, false}) {
      const FileMoveResult result =
          move ? moveFileNoReplace(source, target) : copyFileNoReplace(source, target);
      EXPECT_FALSE(result.done);
      EXPECT_TRUE(result.nameTaken);
      EXPECT_EQ(readFile(target), "the user's");
      EXPECT_EQ(readFile(source), "converted");
    }
    QFile::remove(target);
  }
  EXPECT_FALSE(moveFileNoReplace(folder + "/missing.m4v", folder + "/there.m4v").done);
}
