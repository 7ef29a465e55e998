#include <QRegularExpression>

#include "IndependentReaders.h"
#include "TagSets.h"
#include "metadata/FileChapters.h"
#include "metadata/MP4Chapters.h"
#include "metadata/MP4TrackEdits.h"
#include "metadata/SaveMP4Tags.h"
#include "mp4/Mp4File.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

QString tenSecondFixture(bool chapters = false) {
  FixtureRecipe recipe(Layout::MoovFirst, {}, chapters);
  recipe.seconds = 10;
  return makeMp4(recipe);
}

MediaFilePtr withChapters(const QList<ChapterTrack>& chapters) {
  MediaFilePtr media = homeMovie();
  media->setChapters(chapters);
  return media;
}

QStringList titlesOf(const ChapterLines& lines) {
  QStringList titles;
  for (const QString& line : lines) titles << line.section(' ', 1);
  return titles;
}

// The chapters as every reader sees them: the QuickTime track through ffprobe, the Nero list
// through mutagen, both kinds through mediainfo. mediainfo leaves out chapters without a title
// and places the QuickTime track's samples without its edit list, so only its titles count.
void expectChapters(const QString& path, const ChapterLines& expected) {
  EXPECT_EQ(ffprobeChapters(path), expected);
  EXPECT_EQ(mutagenChapters(path), expected);
  ChapterLines titled = expected;
  titled.removeIf([](const QString& line) { return line.section(' ', 1).isEmpty(); });
  const MediainfoMenus menus = mediainfoMenus(path);
  EXPECT_EQ(menus.nero, titled) << "mediainfo, Nero list";
  EXPECT_EQ(titlesOf(menus.quickTime), titlesOf(titled)) << "mediainfo, QuickTime track";
}

struct Durations {
  std::vector<uint64_t> starts, durations;
};
Durations quickTimeDurations(const QString& path) {
  Mp4File f;
  EXPECT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  std::vector<Mp4Chapter> chapters;
  EXPECT_FALSE(f.chapters(Mp4ChapterKind::QuickTime, chapters));
  Durations d;
  for (const Mp4Chapter& c : chapters) {
    d.starts.push_back(c.startMs);
    d.durations.push_back(c.durationMs);
  }
  return d;
}

}  // namespace

TEST(SaveMP4Chapters, StartsAreKeptAndDurationsNeverRunBackwards) {
  const struct {
    const char* label;
    QList<ChapterTrack> chapters;
    ChapterLines expected;
    std::vector<uint64_t> durations;
  } cases[] = {
      {"a chapter after the end is dropped and the one before runs to the end",
       {chapterAt("00:00:00", "A"), chapterAt("00:00:06", "B"), chapterAt("00:00:12", "C")},
       {"0 A", "6000 B"},
       {6000, 4000}},
      {"a first chapter after 0 starts where it says",
       {chapterAt("00:00:04", "Later"), chapterAt("00:00:07", "Last")},
       {"4000 Later", "7000 Last"},
       {3000, 3000}},
      {"chapters out of order are put in time order",
       {chapterAt("00:00:00", "A"), chapterAt("00:00:06", "C"), chapterAt("00:00:03", "B")},
       {"0 A", "3000 B", "6000 C"},
       {3000, 3000, 4000}},
      {"unreadable and repeated starts are left out",
       {chapterAt("00:00:00", "A"), chapterAt("1:2:3:4", "four pieces"), chapterAt("-5", "negative"),
        chapterAt("00:00:02", "B"), chapterAt("00:00:02", "B again")},
       {"0 A", "2000 B"},
       {2000, 8000}},
      {"an absent title is the empty title",
       {chapterAt("00:00:00", ""), chapterAt("00:00:05", "B")},
       {"0 ", "5000 B"},
       {5000, 5000}},
      {"fractions of a second are kept",
       {chapterAt("00:00:00", "A"), chapterAt("00:00:02.500", "B"), chapterAt("00:00:07.040", "C")},
       {"0 A", "2500 B", "7040 C"},
       {2500, 4540, 2960}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const QString path = tenSecondFixture(true);
    const QByteArray media = packetDigest(path);
    CapturedLog log;
    ASSERT_FALSE(saveMP4TagsInPlace(path, *withChapters(c.chapters), log.reporter).Error());
    expectChapters(path, c.expected);
    EXPECT_EQ(quickTimeDurations(path).durations, c.durations);
    EXPECT_EQ(packetDigest(path), media);
  }
}

TEST(SaveMP4Chapters, StartsAreCountedWithoutWrappingPastTwentyFourDays) {
  const std::vector<Mp4Chapter> chapters = MP4ChaptersFromTracks(
      {chapterAt("0", "A"), chapterAt("700:00:00", "B"), chapterAt("1200:00:00", "beyond the end")},
      3'000'000'000ull);
  ASSERT_EQ(chapters.size(), 2u);
  EXPECT_EQ(chapters[1].startMs, 2'520'000'000ull);
  EXPECT_EQ(chapters[1].title, "B");
}

TEST(SaveMP4Chapters, NothingFitsRemovesTheFilesChapters) {
  const QString path = tenSecondFixture(true);
  ASSERT_FALSE(ffprobeChapters(path).isEmpty());
  CapturedLog log;
  ASSERT_FALSE(saveMP4TagsInPlace(path, *withChapters({chapterAt("00:00:20", "after the end")}), log.reporter)
                   .Error());
  expectChapters(path, {});
}

TEST(SaveMP4Chapters, WithoutChaptersTheFilesOwnStay) {
  const QString path = tenSecondFixture(true);
  const ChapterLines own = ffprobeChapters(path);
  const ChapterLines ownNero = mutagenChapters(path);
  ASSERT_EQ(own, (ChapterLines{"0 One", "1000 Two", "2000 Three"}));
  CapturedLog log;
  ASSERT_FALSE(saveMP4TagsInPlace(path, *withChapters({}), log.reporter).Error());
  EXPECT_EQ(ffprobeChapters(path), own);
  EXPECT_EQ(mutagenChapters(path), ownNero);
}

TEST(SaveMP4Chapters, LongTitlesAreCutAtACharacterBoundary) {
  const QString path = tenSecondFixture();
  QString title;
  for (int i = 0; i < 700; ++i) title += QChar(0x00E9);  // 1400 bytes of two-byte characters
  CapturedLog log;
  MediaFilePtr media = withChapters({chapterAt("00:00:00", ""), chapterAt("00:00:05", "B")});
  QList<ChapterTrack> chapters = media->Chapters();
  chapters[0].setTitle(title);
  media->setChapters(chapters);
  ASSERT_FALSE(saveMP4TagsInPlace(path, *media, log.reporter).Error());

  const ChapterLines nero = mutagenChapters(path);
  ASSERT_EQ(nero.size(), 2);
  EXPECT_EQ(nero[0], chapterLine(0, title.left(127))) << "Nero titles hold 255 bytes";
  const ChapterLines quickTime = ffprobeChapters(path);
  ASSERT_EQ(quickTime.size(), 2);
  EXPECT_EQ(quickTime[0], chapterLine(0, title.left(511))) << "QuickTime titles hold 1023 bytes here";
}

TEST(SaveMP4Chapters, SavingTheSameChaptersAgainKeepsTheChapterTrack) {
  const QString path = tenSecondFixture();
  CapturedLog log;
  const MediaFilePtr media = withChapters({chapterAt("00:00:00", "A"), chapterAt("00:00:05", "B")});
  ASSERT_FALSE(saveMP4TagsInPlace(path, *media, log.reporter).Error());
  const QStringList boxes = topLevelBoxes(path);
  ASSERT_FALSE(saveMP4TagsInPlace(path, *media, log.reporter).Error());
  EXPECT_EQ(topLevelBoxes(path).filter("mdat").size(), boxes.filter("mdat").size())
      << "no new chapter samples";
  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  EXPECT_EQ(f.trackCount(), 3u);

  media->setChapters({chapterAt("00:00:00", "A"), chapterAt("00:00:06", "changed")});
  ASSERT_FALSE(saveMP4TagsInPlace(path, *media, log.reporter).Error());
  expectChapters(path, {"0 A", "6000 changed"});
  f.close();
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  EXPECT_EQ(f.trackCount(), 3u) << "the old chapter track is replaced, not kept beside the new one";
}

// The tag editor's saves, each with other chapters and a cover that grows, so that the new index
// does not always fit where the last one stood (a user's file: its media never moves).
TEST(SaveMP4Chapters, ChangedChaptersNeverLeaveOldTitlesAheadOfTheIndex) {
  const QString path = tenSecondFixture();
  const QByteArray media = packetDigest(path);
  CapturedLog log;
  for (int save = 0; save < 5; ++save) {
    SCOPED_TRACE(save);
    const MediaFilePtr m =
        withChapters({chapterAt("00:00:00", "A"),
                      chapterAt(QString("00:00:0%1").arg(save + 2).toLatin1().constData(), "B")});
    m->setImage(coverPicture(200 + 150 * save));
    ASSERT_FALSE(saveMP4TagsInPlace(path, *m, log.reporter).Error()) << log.text().toStdString();
    const QStringList boxes = topLevelBoxes(path);
    const qsizetype moov = boxes.indexOf(QRegularExpression("moov:.*"));
    ASSERT_GE(moov, 0);
    // Only the film's box and the new titles' box hold media, the titles right after the index:
    // the old titles' boxes are free space.
    EXPECT_EQ(boxes.filter(QRegularExpression("^mdat:")).size(), 2) << boxes.join(' ').toStdString();
    ASSERT_LT(moov + 1, boxes.size());
    EXPECT_TRUE(boxes[moov + 1].startsWith("mdat:")) << boxes.join(' ').toStdString();
    expectChapters(path, {"0 A", QString("%1 B").arg((save + 2) * 1000)});
    EXPECT_EQ(packetDigest(path), media);
    EXPECT_TRUE(atomicParsley(path).contains("B"));
  }
}

TEST(SaveMP4Chapters, TheVideoTrackIsFoundWhereverItIs) {
  const QString folder = freshFolder("tracks");
  const QString audioFirst = folder + "/audio-first.m4v";
  makeMedia(audioFirst,
            {"-f", "lavfi", "-i", "sine=duration=2", "-f", "lavfi", "-i", "testsrc=size=64x48:duration=2",
             "-map", "0", "-map", "1", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"});
  const QString audioOnly = folder + "/audio-only.m4a";
  makeMedia(audioOnly, {"-f", "lavfi", "-i", "sine=duration=2", "-c:a", "aac"});
  const struct {
    QString path;
    uint32_t video;
  } cases[] = {{audioFirst, 2}, {audioOnly, 0}, {tenSecondFixture(), 1}};
  for (const auto& c : cases) {
    Mp4File f;
    ASSERT_FALSE(f.open(c.path.toStdString(), Mp4File::Mode::Read)) << c.path.toStdString();
    EXPECT_EQ(findVideoTrack(f), c.video) << c.path.toStdString();
  }

  // The chapters of a file whose video is track 2 fill that track's length.
  CapturedLog log;
  ASSERT_FALSE(
      saveMP4TagsInPlace(audioFirst, *withChapters({chapterAt("0", "A"), chapterAt("1", "B")}), log.reporter)
          .Error());
  expectChapters(audioFirst, {"0 A", "1000 B"});
  EXPECT_EQ(quickTimeDurations(audioFirst).durations, (std::vector<uint64_t>{1000, 1000}));
}

TEST(SaveMP4Chapters, TheNextTrackIdFollowsTheHighestTrack) {
  Mp4File f;
  ASSERT_FALSE(f.open(tenSecondFixture().toStdString(), Mp4File::Mode::Read));
  f.setNextTrackId(1);
  fixNextTrackId(f);
  EXPECT_EQ(f.nextTrackId(), 3u);
  f.moov().removeAll("trak");
  fixNextTrackId(f);
  EXPECT_EQ(f.nextTrackId(), 1u);
}

TEST(SaveMP4Chapters, ChapterReferencesAreRemovedFromEveryTrack) {
  Mp4File f;
  ASSERT_FALSE(f.open(tenSecondFixture(true).toStdString(), Mp4File::Mode::Modify));
  // A stale reference to a track that is no chapter track, beside the real one.
  f.track(2)->addReference("chap", 1);
  f.track(1)->addReference("hint", 2);
  removeChapterReferences(f);
  for (const Mp4Track& t : f.tracks()) EXPECT_FALSE(t.hasAtom("tref.chap")) << t.id();
  EXPECT_EQ(f.track(1)->references("hint"), std::vector<uint32_t>{2}) << "other references stay";
}

TEST(SaveMP4Chapters, TrackNamesAreSetOnlyWhereTheTrackExists) {
  const QString path = tenSecondFixture();
  EXPECT_FALSE(setMP4TrackName(path, 2, "Stereo").failed());
  EXPECT_TRUE(QString::fromUtf8(mediainfo(path))
                  .contains(QRegularExpression(R"(Audio[^\n]*\n(.+\n)*Title\s+: Stereo)")));
  const QByteArray before = readFile(path);
  EXPECT_TRUE(setMP4TrackName(path, 9, "Nobody").failed()) << "a missing track is said";
  EXPECT_EQ(readFile(path), before);
  const QString missing = freshFolder("none") + "/missing.m4v";
  EXPECT_TRUE(setMP4TrackName(missing, 1, "Stereo").failed()) << "a missing file is said";
  EXPECT_FALSE(QFile::exists(missing));
}

TEST(SaveMP4Chapters, ATagsOnlySaveOfTheFilesOwnChaptersKeepsTheirFractions) {
  // The tags-only job: the chapters come from ffprobe's listing of the file and go back into it.
  const QString folder = freshFolder("own chapters");
  const QString metadata =
      writeFile(folder + "/chapters.txt",
                ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=2500\ntitle=One\n"
                "[CHAPTER]\nTIMEBASE=1/1000\nSTART=2500\nEND=5250\ntitle=Two\n"
                "[CHAPTER]\nTIMEBASE=1/1000\nSTART=5250\nEND=8000\ntitle=Three\n");
  const QString path = folder + "/Own.mp4";
  makeTestVideo(path, 8, 64, 48, {"-i", metadata, "-map", "0", "-map", "1", "-map_chapters", "2"});
  const ChapterLines expected{"0 One", "2500 Two", "5250 Three"};
  ASSERT_EQ(ffprobeChapters(path), expected);

  CapturedLog log;
  MediaFilePtr media = homeMovie();
  media->setFullpath(path);
  ASSERT_FALSE(ChaptersFromFile(*media, freshFolder("cache"), log.reporter).Error());
  for (int save = 0; save < 2; ++save) {
    SCOPED_TRACE(save);
    ASSERT_FALSE(saveMP4TagsInPlace(path, *media, log.reporter).Error());
    expectChapters(path, expected);
    ASSERT_FALSE(ChaptersFromFile(*media, freshFolder("cache"), log.reporter).Error());
  }
}
