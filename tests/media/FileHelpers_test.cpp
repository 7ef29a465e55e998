#include "media/FileHelpers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "media/Trash.h"
#include "support/TestSupport.h"

using namespace zuvo;

TEST(ReadLinesFromFile, Utf8FilesSplitAsLinesOthersGiveNothing) {
  const QString dir = test::freshFolder("lines");
  struct Case {
    const char* what;
    std::optional<QByteArray> bytes;  // nothing: no file at all
    std::optional<QStringList> lines;
  } cases[] = {
      {"line feeds", QByteArray("<Series>\n<SeriesName>Grüße</SeriesName>\n"),
       QStringList{"<Series>", "<SeriesName>Grüße</SeriesName>", ""}},
      {"carriage returns", QByteArray("a\rb"), QStringList{"a", "b"}},
      {"byte-order mark", QByteArray("\xEF\xBB\xBFx\ny"), QStringList{"x", "y"}},
      {"empty file", QByteArray(), std::nullopt},
      {"not UTF-8", QByteArray("caf\xE9\n"), std::nullopt},
      {"character cut off at the end", QByteArray("ok\xC3"), std::nullopt},
      {"missing file", std::nullopt, std::nullopt},
  };
  int n = 0;
  for (const Case& c : cases) {
    const QString path = dir + "/file" + QString::number(++n);
    if (c.bytes) test::writeFile(path, *c.bytes);
    EXPECT_EQ(ReadLinesFromFile(path), c.lines) << c.what;
  }
  EXPECT_EQ(ReadLinesFromFile(dir), std::nullopt) << "a folder";
}

TEST(UniqueFilePath, FirstFreeNumberedNameBeforeTheExtension) {
  const QString dir = test::freshFolder("unique");
  EXPECT_EQ(UniqueFilePath(dir + "/free.mp4"), dir + "/free.mp4");
  test::writeFile(dir + "/show.m4v", "x");
  test::writeFile(dir + "/show-1.m4v", "x");
  EXPECT_EQ(UniqueFilePath(dir + "/show.m4v"), dir + "/show-2.m4v");

  test::writeFile(dir + "/many.txt", "x");
  for (int i = 1; i <= 100; ++i) test::writeFile(dir + QStringLiteral("/many-%1.txt").arg(i), "x");
  EXPECT_EQ(UniqueFilePath(dir + "/many.txt"), dir + "/many-100.txt");

  QDir().mkpath(dir + "/a.folder");
  test::writeFile(dir + "/a.folder/noext", "x");
  EXPECT_EQ(UniqueFilePath(dir + "/a.folder/noext"), dir + "/a.folder/noext-1.");
  EXPECT_EQ(UniqueFilePath(dir + "/100%1 %2.mkv"), dir + "/100%1 %2.mkv");
}

TEST(MoveFileToTrash, FilesGoToTheFreedesktopTrashEvenWhenTheNameIsTaken) {
  const QString dir = test::freshFolder("trash me");
  const QString trashFiles =
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash/files";
  for (int round = 0; round < 2; ++round) {
    const QString path = test::writeFile(dir + "/Old Show.avi", "round " + QByteArray::number(round));
    EXPECT_TRUE(MoveFileToTrash(path)) << round;
    EXPECT_FALSE(QFile::exists(path)) << round;
  }
  EXPECT_EQ(QDir(trashFiles).entryList(QStringList{"Old Show*"}, QDir::Files).size(), 2);
  EXPECT_TRUE(QDir(trashFiles + "/../info").exists());
  EXPECT_FALSE(MoveFileToTrash(dir + "/missing.avi"));
}

TEST(MoveFileToTrash, WithoutAUsableTrashTheFileStaysWhereItIs) {
  const QString dir = test::freshFolder("no trash");
  const QString path = test::writeFile(dir + "/keep.avi", "keep");
  const QString blocker = test::writeFile(dir + "/not a folder", "");
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  const QString workingFolder = QDir::currentPath();
  qputenv("XDG_DATA_HOME", (blocker + "/share").toUtf8());
  QDir::setCurrent(dir);
  const bool moved = MoveFileToTrash(path);
  QDir::setCurrent(workingFolder);
  qputenv("XDG_DATA_HOME", dataHome);
  EXPECT_FALSE(moved);
  EXPECT_EQ(test::readFile(path), "keep");
  EXPECT_FALSE(QFileInfo::exists(dir + "/files")) << "nothing trashed into the working folder";
}
