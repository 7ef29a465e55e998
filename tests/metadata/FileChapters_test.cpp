#include "metadata/FileChapters.h"

#include <gtest/gtest.h>

#include "metadata/ServiceTestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

struct ChapterMark {
  int startMs;
  int endMs;
  const char* title;  // nullptr: none
};

// A video with chapters from an ffmetadata file; with `titledAudio`, the audio stream has a
// title too.
QString videoWithChapters(const QString& name, const QList<ChapterMark>& marks, int seconds,
                          bool titledAudio = false) {
  const QString folder = freshFolder("chapters");
  QByteArray metadata = ";FFMETADATA1\n";
  for (const ChapterMark& mark : marks) {
    metadata += "[CHAPTER]\nTIMEBASE=1/1000\nSTART=" + QByteArray::number(mark.startMs) +
                "\nEND=" + QByteArray::number(mark.endMs) + "\n";
    if (mark.title) metadata += QByteArray("title=") + mark.title + "\n";
  }
  const QString metadataPath = writeFile(folder + "/chapters.txt", metadata);
  const QString path = folder + "/" + name;
  QStringList extra{"-i", metadataPath, "-map", "0", "-map", "1", "-map_chapters", "2"};
  if (titledAudio)
    extra << "-metadata:s:a:0"
          << "title=English commentary";
  makeTestVideo(path, seconds, 64, 48, extra);
  return path;
}

ChapterTrack chapter(int number, const char* start, const QString& title) {
  ChapterTrack c;
  c.setChapternumber(number);
  c.setStarttime(start);
  c.setTitle(title);
  return c;
}

class ChaptersFromFileTest : public ServiceTest {};

TEST_F(ChaptersFromFileTest, FfprobeChaptersGiveNumberStartToTheMillisecondAndTitle) {
  const QString path = videoWithChapters(
      "film.mp4", {{0, 1500, "One & Two"}, {1500, 2700, "Café/Ünïcode"}, {2700, 4000, "Three"}}, 4);
  auto item = std::make_shared<MediaFile>();
  item->setFullpath(path);
  item->setChapters({chapter(9, "01:00:00", "old")});

  EXPECT_FALSE(ChaptersFromFile(*item, cache, reporter).Error());

  EXPECT_EQ(item->Chapters(), QList<ChapterTrack>({chapter(0, "00:00:00", "One & Two"),
                                                   chapter(1, "00:00:01.500", "Café/Ünïcode"),
                                                   chapter(2, "00:00:02.700", "Three")}));
  EXPECT_TRUE(log().contains("Chapter #0.1: start 1.500000, end 2.700000"));
}

TEST_F(ChaptersFromFileTest, AnUntitledChapterIsDroppedAndNeverTakesAStreamsTitle) {
  // Matroska keeps an untitled chapter untitled; the audio stream listed after it has a title.
  const QString path = videoWithChapters(
      "film.mkv", {{0, 1000, "Opening"}, {1000, 2000, nullptr}, {2000, 3000, nullptr}}, 3, true);
  auto item = std::make_shared<MediaFile>();
  item->setFullpath(path);

  EXPECT_FALSE(ChaptersFromFile(*item, cache, reporter).Error());

  EXPECT_EQ(item->Chapters(), QList<ChapterTrack>({chapter(0, "00:00:00", "Opening")}));
  EXPECT_TRUE(log().contains("English commentary"));
}

TEST_F(ChaptersFromFileTest, TheVideoInsideAPackageIsReadAndNoChaptersGiveAnEmptyList) {
  const QString chaptered = videoWithChapters("inside.mp4", {{0, 2000, "Only"}}, 2);
  const QString plain = freshFolder("plain") + "/plain.mp4";
  makeTestVideo(plain, 1, 64, 48);

  auto package = std::make_shared<MediaFile>();
  package->setFullpath(plain);
  package->setPackagepath(chaptered);
  EXPECT_FALSE(ChaptersFromFile(*package, cache, reporter).Error());
  EXPECT_EQ(package->Chapters(), QList<ChapterTrack>({chapter(0, "00:00:00", "Only")}));

  auto none = std::make_shared<MediaFile>();
  none->setFullpath(plain);
  EXPECT_FALSE(ChaptersFromFile(*none, cache, reporter).Error());
  EXPECT_TRUE(none->Chapters().isEmpty());

  auto missing = std::make_shared<MediaFile>();
  missing->setFullpath(freshFolder("none") + "/missing.mp4");
  EXPECT_FALSE(ChaptersFromFile(*missing, cache, reporter).Error());
  EXPECT_TRUE(missing->Chapters().isEmpty());
}

class MatchChapters : public ServiceTest {
 protected:
  static QString recordTarget(int id) {
    return "/ape/search.php?token=58302947615AB7410D9EF26&type=lookup&totalChapters=X&id=" +
           QString::number(id);
  }
  void serveTitles(int id, const QStringList& titles) {
    QByteArray body = "<items>\n<movie>\n<tagChimpID>" + QByteArray::number(id) + "</tagChimpID>\n";
    for (const QString& title : titles) body += "<chapterTitle>" + title.toUtf8() + "</chapterTitle>\n";
    server.route(recordTarget(id).toUtf8(), xmlAnswer(body + "</movie>\n</items>\n"));
  }
  std::shared_ptr<MediaFile> itemWithChapters(int count, const QList<int>& candidates) {
    auto item = std::make_shared<MediaFile>();
    item->setSeriesname("Amélie");
    QList<ChapterTrack> chapters;
    for (int i = 0; i < count; ++i) chapters << chapter(i, "00:00:00", QStringLiteral("ffprobe %1").arg(i));
    item->setChapters(chapters);
    QList<VideoAlternate> alternates;
    for (int id : candidates) alternates << VideoAlternate::alternateWithName("Amélie", id);
    item->setChaptersAlternates(alternates);
    return item;
  }
  static QStringList titles(const MediaFile& item) {
    QStringList t;
    for (const ChapterTrack& c : item.Chapters()) t << c.title();
    return t;
  }
};

TEST_F(MatchChapters, TheFirstCandidateWithAsManyRealTitlesWins) {
  serveTitles(1, {"a", "b", "c", "d"});  // four titles for three chapters: skipped
  // 2 has no record: the fetch fails and is skipped
  serveTitles(3, {"Chapter 1", "Chapter 2", "Chapter 3"});  // only numbers: copied, next tried
  serveTitles(4, {"Opening &amp; Credits", "Café", "Finale"});
  serveTitles(5, {"x", "y", "z"});
  auto item = itemWithChapters(3, {1, 2, 3, 4, 5});

  matchChapters(*item, "en", cache, reporter);

  EXPECT_EQ(titles(*item), QStringList({"Opening & Credits", "Café", "Finale"}));
  EXPECT_EQ(requests(), QStringList({recordTarget(1), recordTarget(2), recordTarget(3), recordTarget(4)}));
  EXPECT_EQ(item->Chapters()[1].chapternumber(), 1);
}

TEST_F(MatchChapters, NumberedTitlesStayWhenNoLaterCandidateFits) {
  serveTitles(3, {"Chapter 1", "Chapter 2", "Chapter 3"});
  serveTitles(6, {"only two", "titles"});
  auto item = itemWithChapters(3, {3, 6});

  matchChapters(*item, "en", cache, reporter);

  EXPECT_EQ(titles(*item), QStringList({"Chapter 1", "Chapter 2", "Chapter 3"}));
}

TEST_F(MatchChapters, WithoutChaptersOrAFittingCandidateTheTitlesStay) {
  serveTitles(7, {});
  serveTitles(8, {"a", "b"});
  auto empty = itemWithChapters(0, {7});
  matchChapters(*empty, "en", cache, reporter);
  EXPECT_TRUE(empty->Chapters().isEmpty());

  auto three = itemWithChapters(3, {8});
  matchChapters(*three, "en", cache, reporter);
  EXPECT_EQ(titles(*three), QStringList({"ffprobe 0", "ffprobe 1", "ffprobe 2"}));
}

}  // namespace
