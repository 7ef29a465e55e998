#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include "Mp4Fixtures.h"
#include "mp4/Mp4File.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

using Chapters = std::vector<Mp4Chapter>;

Mp4Error setChapters(const QString& path, const Chapters& chapters,
                     Mp4ChapterKind kinds = Mp4ChapterKind::Both) {
  Mp4File f;
  if (auto e = f.open(path.toStdString(), Mp4File::Mode::Modify)) return e;
  if (kinds != Mp4ChapterKind::Both) f.deleteChapters();
  if (auto e = f.setChapters(chapters, kinds)) return e;
  return f.commit();
}

Chapters readChapters(const QString& path, Mp4ChapterKind kind) {
  Mp4File f;
  Chapters out;
  Mp4Error e = f.open(path.toStdString(), Mp4File::Mode::Read);
  if (!e) e = f.chapters(kind, out);
  EXPECT_FALSE(e) << e.message();
  return out;
}

// ffprobe's chapters as "start title" lines.
QStringList ffprobeChapters(const QString& path) {
  QStringList out;
  const QString probe = QString::fromUtf8(ffprobe(path));
  const QRegularExpression chapter(R"(\[CHAPTER\][^\[]*start_time=([0-9.]+)[^\[]*TAG:title=([^\n]*)\n)");
  for (auto it = chapter.globalMatch(probe); it.hasNext();) {
    const auto m = it.next();
    out << m.captured(1) + " " + m.captured(2);
  }
  return out;
}

QStringList mutagenChapters(const QString& path) {
  QStringList out;
  for (const QJsonValue c : mutagenView(path)["chapters"].toArray())
    out << QString::number(c.toArray()[0].toDouble(), 'f', 3) + " " + c.toArray()[1].toString();
  return out;
}

const Chapters kThree = {{0, 0, "Intro"}, {1000, 0, "Middle"}, {2000, 0, "Änd"}};
const Chapters kThreeRead = {{0, 1000, "Intro"}, {1000, 1000, "Middle"}, {2000, 1000, "Änd"}};

}  // namespace

TEST(Mp4Chapters, BothKindsAreWrittenAndReadByFfprobeMutagenAndMediainfo) {
  const struct {
    const char* label;
    FixtureRecipe recipe;
  } cases[] = {
      {"moov last", {Layout::MoovLast}},
      {"moov first", {Layout::MoovFirst}},
      {"chapters from ffmpeg already there", {Layout::MoovFirst, {}, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const QString path = makeMp4(c.recipe);
    const QByteArray media = packetDigest(path);
    const Mp4Error e = setChapters(path, kThree);
    ASSERT_FALSE(e) << e.message();

    EXPECT_EQ(readChapters(path, Mp4ChapterKind::QuickTime), kThreeRead);
    EXPECT_EQ(readChapters(path, Mp4ChapterKind::Nero), kThreeRead);
    EXPECT_EQ(ffprobeChapters(path), (QStringList{"0.000000 Intro", "1.000000 Middle", "2.000000 Änd"}));
    EXPECT_EQ(mutagenChapters(path), (QStringList{"0.000 Intro", "1.000 Middle", "2.000 Änd"}));
    const QString info = QString::fromUtf8(mediainfo(path));
    EXPECT_TRUE(info.contains(QRegularExpression(R"(00:00:01\.000\s+: (en:)?Middle)"))) << info.toStdString();
    Mp4File f;
    ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
    EXPECT_EQ(f.trackCount(), 3u) << "one chapter track, the old one replaced";
    EXPECT_EQ(packetDigest(path), media);
  }
}

TEST(Mp4Chapters, EachKindAloneIsWhatFfprobeReads) {
  const Chapters chapters = {{0, 0, "A"}, {1500, 0, "B"}};
  for (const auto kind : {Mp4ChapterKind::QuickTime, Mp4ChapterKind::Nero}) {
    const QString path = makeMp4({Layout::MoovLast, {}, true});
    ASSERT_FALSE(setChapters(path, chapters, kind));
    const Mp4ChapterKind other =
        kind == Mp4ChapterKind::Nero ? Mp4ChapterKind::QuickTime : Mp4ChapterKind::Nero;
    EXPECT_TRUE(readChapters(path, other).empty());
    EXPECT_EQ(readChapters(path, kind).size(), 2u);
    EXPECT_EQ(ffprobeChapters(path), (QStringList{"0.000000 A", "1.500000 B"})) << unsigned(kind);
  }
}

TEST(Mp4Chapters, AFirstChapterAfterZeroKeepsItsStart) {
  const QString path = makeMp4({Layout::MoovFirst});
  ASSERT_FALSE(setChapters(path, {{1000, 0, "Late"}, {2000, 0, "Later"}}));
  const Chapters expected = {{1000, 1000, "Late"}, {2000, 1000, "Later"}};
  EXPECT_EQ(readChapters(path, Mp4ChapterKind::QuickTime), expected);
  EXPECT_EQ(readChapters(path, Mp4ChapterKind::Nero), expected);
  EXPECT_EQ(ffprobeChapters(path), (QStringList{"1.000000 Late", "2.000000 Later"}));
  EXPECT_EQ(mutagenChapters(path), (QStringList{"1.000 Late", "2.000 Later"}));
}

TEST(Mp4Chapters, ChaptersAreFittedToTheMovieOrRefused) {
  const std::string longTitle(600, 'x');
  std::string accents;
  for (int i = 0; i < 600; ++i) accents += "é";  // 1200 bytes
  const struct {
    const char* label;
    Chapters in;
    Chapters quickTime;  // what reads back; empty with `refused`
    bool refused = false;
  } cases[] = {
      {"starts at or after the end are dropped",
       {{0, 0, "a"}, {2000, 0, "b"}, {3000, 0, "c"}, {3500, 0, "d"}},
       {{0, 2000, "a"}, {2000, 1000, "b"}}},
      {"a start before the previous one is refused", {{0, 0, "a"}, {2000, 0, "b"}, {1000, 0, "c"}}, {}, true},
      {"two chapters at one time are refused", {{0, 0, "a"}, {0, 0, "b"}}, {}, true},
      {"titles are cut at a character boundary", {{0, 0, accents}}, {{0, 3000, accents.substr(0, 1022)}}},
      {"a long ASCII title is cut at the limit",
       {{0, 0, longTitle + longTitle}},
       {{0, 3000, (longTitle + longTitle).substr(0, 1023)}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const QString path = makeMp4({Layout::MoovLast, {}, true});
    const QByteArray before = readFile(path);
    const Mp4Error e = setChapters(path, c.in);
    if (c.refused) {
      EXPECT_TRUE(e.failed());
      EXPECT_EQ(readFile(path), before) << "a refused list changes nothing";
      continue;
    }
    ASSERT_FALSE(e) << e.message();
    EXPECT_EQ(readChapters(path, Mp4ChapterKind::QuickTime), c.quickTime);
    const Chapters nero = readChapters(path, Mp4ChapterKind::Nero);
    ASSERT_EQ(nero.size(), c.quickTime.size());
    for (size_t i = 0; i < nero.size(); ++i) {
      EXPECT_EQ(nero[i].startMs, c.quickTime[i].startMs);
      EXPECT_EQ(nero[i].durationMs, c.quickTime[i].durationMs);
      EXPECT_EQ(nero[i].title, mp4CutUtf8(c.quickTime[i].title, 255));
    }
  }
  EXPECT_EQ(mp4CutUtf8("aé", 2), "a");
  EXPECT_EQ(mp4CutUtf8("aé", 3), "aé");
  EXPECT_EQ(mp4CutUtf8("€", 2), "");
}

TEST(Mp4Chapters, NeroTitlesAreCutWhereMutagenCanStillDecodeThem) {
  std::string accents;
  for (int i = 0; i < 200; ++i) accents += "é";
  const QString path = makeMp4({Layout::MoovFirst});
  ASSERT_FALSE(setChapters(path, {{0, 0, accents}}));
  EXPECT_EQ(mutagenChapters(path), QStringList{"0.000 " + QString::fromStdString(accents.substr(0, 254))});
}

TEST(Mp4Chapters, DeletingRemovesBothKindsAndTheChapterTrack) {
  const QString path = makeMp4({Layout::MoovLast, {}, true});
  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
  f.deleteChapters();
  ASSERT_FALSE(f.commit());
  EXPECT_EQ(f.trackCount(), 2u);
  for (Mp4Track t : f.tracks()) EXPECT_FALSE(t.hasAtom("tref.chap"));
  f.close();
  EXPECT_TRUE(ffprobeChapters(path).isEmpty());
  EXPECT_TRUE(mutagenChapters(path).isEmpty());
}

TEST(Mp4Chapters, ChaptersWrittenByFfmpegAreRead) {
  const QString path = makeMp4({Layout::MoovLast, {}, true});
  const Chapters expected = {{0, 1000, "One"}, {1000, 1000, "Two"}, {2000, 1000, "Three"}};
  EXPECT_EQ(readChapters(path, Mp4ChapterKind::QuickTime), expected);
  EXPECT_EQ(readChapters(path, Mp4ChapterKind::Nero), expected);
  EXPECT_EQ(readChapters(path, Mp4ChapterKind::Both), expected);
}

TEST(Mp4Chapters, SavingTheSameChaptersAgainAddsNoMediaData) {
  const QString path = makeMp4({Layout::MoovLast});
  ASSERT_FALSE(setChapters(path, kThree));
  const qint64 size = QFileInfo(path).size();
  const int mdats = topLevelBoxes(path).filter(QRegularExpression("^mdat:")).size();
  for (int i = 0; i < 3; ++i) ASSERT_FALSE(setChapters(path, kThree));
  EXPECT_EQ(QFileInfo(path).size(), size);
  EXPECT_EQ(topLevelBoxes(path).filter(QRegularExpression("^mdat:")).size(), mdats);
  EXPECT_EQ(readChapters(path, Mp4ChapterKind::QuickTime), kThreeRead);
}
