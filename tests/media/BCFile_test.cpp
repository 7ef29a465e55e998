#include "media/BCFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <vector>

#include "support/TestSupport.h"

using namespace zuvo;

namespace {
// Lines of the test file: a short one, one that fills a piece exactly, two longer than
// a piece (one of them in two-byte characters that straddle the piece's end), a UTF-8
// line and a last one without a line feed.
const QByteArray kAccented = QString("é").repeated(600).toUtf8();
const QByteArray kLines =
    "short\r\n" + QByteArray(999, 'a') + "\n" + QByteArray(1500, 'b') + "\n" + kAccented + "\nGrüße ☃\nend";
}  // namespace

TEST(BCFile, PathPartsOfTheFileObject) {
  struct Case {
    QString path, filename, extension, folder;
  } cases[] = {
      {"/a/b/Movie.Part.MKV", "Movie.Part.MKV", "mkv", "/a/b"},
      {"name", "name", "", ""},
      {"/top", "top", "", "/"},
      {"/a/b.d/", "b.d", "d", "/a"},
      {"/a/.hidden", ".hidden", "", "/a"},
  };
  for (const Case& c : cases) {
    const BCFile f = BCFile::fileWithPath(c.path);
    EXPECT_EQ(f.path(), c.path);
    EXPECT_EQ(f.filename(), c.filename) << c.path.toStdString();
    EXPECT_EQ(f.extension(), c.extension) << c.path.toStdString();
    EXPECT_EQ(f.pathWithOutFileName(), c.folder) << c.path.toStdString();
  }
}

TEST(BCFile, LongLinesComeInPiecesWithoutLosingAByte) {
  const QString path = test::writeFile(test::freshFolder("bcfile") + "/lines.srt", kLines);
  const QByteArray accentedHead = QString("é").repeated(499).toUtf8();  // 998 bytes: no split character
  const std::vector<QByteArray> pieces = {"short\r",
                                          QByteArray(999, 'a'),
                                          QByteArray(999, 'b'),
                                          QByteArray(501, 'b'),
                                          accentedHead,
                                          kAccented.mid(accentedHead.size()),
                                          "Grüße ☃",
                                          "end",
                                          "",
                                          ""};
  BCFile byText = BCFile::fileWithPath(path);
  BCFile byBytes = BCFile::fileWithPath(path);
  ASSERT_NE(byText.openForRead(), nullptr);
  ASSERT_NE(byBytes.openForRead(), nullptr);
  std::vector<char> buffer(10000, 'X');
  for (size_t i = 0; i < pieces.size(); ++i) {
    EXPECT_EQ(byText.readline(), QString::fromUtf8(pieces[i])) << "piece " << i;
    byBytes.readlinebytes(buffer.data());
    EXPECT_EQ(QByteArray(buffer.data()), pieces[i]) << "piece " << i;
    EXPECT_LE(qstrlen(buffer.data()), size_t(BCFile::kLineTextBytes));
  }
}

TEST(BCFile, BytesThatAreNotUtf8ReadAsNothingAndReadingGoesOn) {
  const QString path = test::writeFile(test::freshFolder("bcfile") + "/latin1.srt", "caf\xE9\nnext\n");
  BCFile f = BCFile::fileWithPath(path);
  ASSERT_NE(f.openForRead(), nullptr);
  EXPECT_EQ(f.readline(), std::nullopt);
  EXPECT_EQ(f.readline(), QString("next"));

  BCFile missing = BCFile::fileWithPath(test::freshFolder("bcfile") + "/missing.srt");
  EXPECT_EQ(missing.openForRead(), nullptr);
  EXPECT_EQ(missing.readline(), std::nullopt);
  char buffer[BCFile::kLineBufferBytes] = "junk";
  missing.readlinebytes(buffer);
  EXPECT_STREQ(buffer, "");
}

TEST(BCFile, WritelineWritesUtf8LinesAndRefusesAnAbsentText) {
  const QString path =
      test::writeFile(test::freshFolder("bcfile") + "/out.sub", "old content that must go\n");
  BCFile f = BCFile::fileWithPath(path);
  EXPECT_EQ(f.writeline(QString("no stream")).Code(), BCFileCode::NotOpen);
  ASSERT_NE(f.openForWrite(), nullptr);
  const QString longLine = QString("x").repeated(20000);
  EXPECT_FALSE(f.writeline(QString("Grüße")).Error());
  const BCError absent = f.writeline(std::nullopt);
  EXPECT_TRUE(absent.Error());
  EXPECT_EQ(absent.Code(), BCFileCode::NullLine);
  EXPECT_EQ(absent.Description(), "writeline called with NULL string");
  EXPECT_FALSE(f.writeline(QString()).Error());
  EXPECT_FALSE(f.writeline(longLine).Error());
  f.close();
  EXPECT_EQ(test::readFile(path), "Grüße\n\n" + longLine.toUtf8() + "\n");
}

TEST(BCFile, WideLinesStopAfterTheLineFeedPairOrAtTheEnd) {
  const QByteArray utf16 = QByteArray("h\0i\0\n\0y\0o\0", 10);
  const QString path = test::writeFile(test::freshFolder("bcfile") + "/wide.txt", utf16);
  BCFile f = BCFile::fileWithPath(path);
  ASSERT_NE(f.openForRead(), nullptr);
  char buffer[BCFile::kWideLineBytes + 2];
  EXPECT_EQ(f.readlinewidebytes(buffer), 8);
  EXPECT_EQ(QByteArray(buffer, 8), QByteArray("h\0i\0\n\0\0\0", 8));
  EXPECT_EQ(f.readlinewidebytes(buffer), 6);
  EXPECT_EQ(QByteArray(buffer, 6), QByteArray("y\0o\0\0\0", 6));

  const QString longPath =
      test::writeFile(test::freshFolder("bcfile") + "/widelong.txt", QByteArray(3000, 'w'));
  BCFile longFile = BCFile::fileWithPath(longPath);
  ASSERT_NE(longFile.openForRead(), nullptr);
  EXPECT_EQ(longFile.readlinewidebytes(buffer), BCFile::kWideLineBytes + 2);
}

TEST(BCFile, SizeIsSixtyFourBitAndAbsentForAMissingFile) {
  const QString dir = test::freshFolder("bcfile");
  QFile big(dir + "/big.mkv");
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  ASSERT_TRUE(big.resize(5LL << 30));  // sparse: no disk space used
  big.close();
  EXPECT_EQ(BCFile::fileWithPath(dir + "/big.mkv").size(), std::optional<qint64>(5LL << 30));
  EXPECT_EQ(BCFile::fileWithPath(dir + "/none.mkv").size(), std::nullopt);
}

TEST(BCFile, FolderAndFileOperationsOnTheDisk) {
  const QString dir = test::freshFolder("bcfile ops");
  const BCFile folder = BCFile::fileWithPath(dir + "/new/deep/folder");
  EXPECT_FALSE(folder.exists());
  EXPECT_EQ(folder.getDirectory(), std::nullopt);
  EXPECT_TRUE(folder.makedir());
  EXPECT_TRUE(folder.isDirectory());
  EXPECT_EQ(folder.getDirectory(), QStringList());

  const QString source = test::writeFile(dir + "/new/deep/folder/a.txt", "payload");
  const BCFile file = BCFile::fileWithPath(source);
  EXPECT_TRUE(file.exists());
  EXPECT_FALSE(file.isDirectory());
  EXPECT_FALSE(file.isLink());
  EXPECT_TRUE(file.copyToPath(dir + "/copy.txt"));
  EXPECT_FALSE(file.copyToPath(dir + "/copy.txt")) << "copy onto an existing file";
  EXPECT_EQ(test::readFile(dir + "/copy.txt"), "payload");
  EXPECT_TRUE(BCFile::fileWithPath(dir + "/copy.txt").moveToPath(dir + "/new/.moved.txt"));
  EXPECT_FALSE(QFile::exists(dir + "/copy.txt"));
  EXPECT_EQ(BCFile::fileWithPath(dir + "/new").getDirectory(), (QStringList{".moved.txt", "deep"}));

  EXPECT_TRUE(BCFile::fileWithPath(dir + "/new").deleteFileOrDirectory());
  EXPECT_FALSE(QFileInfo::exists(dir + "/new"));
  EXPECT_FALSE(BCFile::fileWithPath(dir + "/new").deleteFileOrDirectory());
}
