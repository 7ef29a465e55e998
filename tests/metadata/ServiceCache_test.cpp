#include "metadata/ServiceCache.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include "support/TestSupport.h"

using namespace zuvo;

namespace {

TEST(CacheFileNames, EveryNameFromAShowStaysOneFileInTheCacheFolder) {
  const QString folder = test::freshFolder("cache");
  const QString longName = QString(150, QChar(0x00E9));  // 300 bytes of UTF-8
  struct Case {
    const char* name;
    QString file;
  };
  const Case cases[] = {
      {"slash", cachefile::tagChimpMovieCover(folder, "Face/Off", 0)},
      {"climbing out", cachefile::tagChimpTVCover(folder, "/../../../etc/evil", 1, 2)},
      {"NUL", cachefile::tvdbSearch(folder, QString("a") + QChar(u'\0') + "b")},
      {"long", cachefile::tagChimpTVSearch(folder, longName, 4294967295u, 4294967295u)},
  };
  for (const Case& c : cases) {
    const QFileInfo info(c.file);
    EXPECT_EQ(info.absolutePath(), folder) << c.name;
    EXPECT_LE(info.fileName().toUtf8().size(), 255) << c.name;
    EXPECT_FALSE(test::writeFile(c.file, "x").isEmpty()) << c.name;
    EXPECT_TRUE(info.exists()) << c.name;
  }
  EXPECT_EQ(QFileInfo(cases[0].file).fileName(), "MOVIEFace-Off.0.0.jpg");
}

TEST(CacheFileNames, LongNamesThatDifferOnlyAtTheEndStayApart) {
  const QString stem(300, u'x');
  EXPECT_NE(cacheNameComponent(stem + "1"), cacheNameComponent(stem + "2"));
  EXPECT_EQ(cacheNameComponent(stem + "1"), cacheNameComponent(stem + "1"));
  EXPECT_LE(cacheNameComponent(stem + "1").size(), 200);
}

TEST(CacheFileNames, ArtworkNamesFollowShowSeasonAndIndex) {
  EXPECT_EQ(cachefile::movieImage("/c", 603, 0, 2), "/c/MOVIE603.0.2.jpg");
  EXPECT_EQ(cachefile::tvImage("/c", 73739, 2, 5), "/c/TV73739.2.5.jpg");
  EXPECT_EQ(cachefile::tagChimpTVCover("/c", "The Office", 2, 5), "/c/TVThe Office.2.5.jpg");
  // Percent signs in a name are text, never places for the numbers.
  EXPECT_EQ(cachefile::tagChimpTVSearch("/c", "a%2Fb%3", 1, 2), "/c/a%2Fb%3-1-2.tagchimpftc");
}

TEST(PercentEscaped, EscapesEverythingButUnreservedCharacters) {
  EXPECT_EQ(PercentEscaped("Face/Off & Co. ~ü?"), "Face%2FOff%20%26%20Co.%20~%C3%BC%3F");
}

}  // namespace
