#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "Mp4Fixtures.h"
#include "mp4/Mp4EditList.h"
#include "mp4/Mp4File.h"
#include "mp4/Mp4TimedText.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

bool decodes(const QString& path) {
  const CommandResult r = runCommand(
      "ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-map", "0:V", "-map", "0:a", "-f", "null", "-"});
  return r.exitCode == 0 && r.output.trimmed().isEmpty();
}

QString stereoAac(const QString& folder) {
  const QString path = folder + "/audio0ff.mp4";
  makeMedia(path, {"-f", "lavfi", "-i", "sine=frequency=300:sample_rate=48000:duration=3", "-ac", "2", "-c:a",
                   "aac", "-b:a", "96k"});
  return path;
}

QString surroundAc3(const QString& folder) {
  const QString path = folder + "/audio1ss.ac3";
  makeMedia(path, {"-f", "lavfi", "-i", "sine=frequency=500:sample_rate=48000:duration=3", "-af",
                   "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:a", "ac3", "-b:a", "384k"});
  return path;
}

Mp4TimedText subtitles() {
  Mp4TimedText t;
  EXPECT_FALSE(Mp4TimedText::fromSrt(
      "1\n00:00:00,500 --> 00:00:01,500\nOne\n\n2\n00:00:02,000 --> 00:00:02,800\nTwo\n", t));
  t.width = 160;
  t.translationY = 20;
  return t;
}

Mp4Error addAll(const QString& path, const QString& aac, const QString& ac3) {
  Mp4File f;
  if (auto e = f.open(path.toStdString(), Mp4File::Mode::Modify)) return e;
  std::vector<Mp4NewTrack> copies;
  if (auto e = Mp4NewTrack::fromMp4(aac.toStdString(), copies)) return e;
  Mp4NewTrack surround, text;
  if (auto e = Mp4NewTrack::fromAc3(ac3.toStdString(), surround)) return e;
  if (auto e = Mp4NewTrack::fromTimedText(subtitles(), text)) return e;
  for (Mp4NewTrack* t : {&copies.front(), &surround, &text})
    if (auto e = f.addTrack(std::move(*t))) return e;
  return f.commit();
}

}  // namespace

TEST(Mp4NewTrack, CopiedAacRawAc3AndTimedTextTracksAreWhatIndependentReadersFind) {
  for (const Layout layout : {Layout::MoovLast, Layout::MoovFirst}) {
    SCOPED_TRACE(layoutName(layout).toStdString());
    const QString folder = freshFolder("add");
    const QString path = makeMp4({layout, {"title=Kept"}});
    const QByteArray video = streamDigest(path, "0:v:0"), audio = streamDigest(path, "0:a:0");
    const QString aac = stereoAac(folder), ac3 = surroundAc3(folder);
    ASSERT_FALSE(addAll(path, aac, ac3));

    const QJsonArray s = ffprobeStreams(path);
    ASSERT_EQ(s.size(), 5);
    EXPECT_EQ(s[2]["codec_name"].toString(), "aac");
    EXPECT_EQ(s[2]["channels"].toInt(), 2);
    EXPECT_EQ(s[3]["codec_name"].toString(), "ac3");
    EXPECT_EQ(s[3]["channels"].toInt(), 6);
    EXPECT_EQ(s[4]["codec_name"].toString(), "mov_text");
    EXPECT_NEAR(s[3]["duration"].toString().toDouble(), 3.0, 0.05);
    EXPECT_EQ(streamDigest(path, "0:a:1"), streamDigest(aac, "0:a:0"))
        << "the AAC packets are copied unchanged";
    const QByteArray rawFrames = runCommand("ffprobe", {"-v", "error", "-count_packets", "-show_entries",
                                                        "stream=nb_read_packets", "-of", "csv=p=0", ac3})
                                     .output.trimmed();
    EXPECT_EQ(s[3]["nb_frames"].toString().toUtf8(), rawFrames) << "one sample per AC-3 frame";
    EXPECT_EQ(streamDigest(path, "0:v:0"), video);
    EXPECT_EQ(streamDigest(path, "0:a:0"), audio);
    EXPECT_TRUE(decodes(path));
    const CommandResult text =
        runCommand("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-map", "0:s", "-f", "ass", "-"});
    EXPECT_TRUE(text.output.contains("0:00:00.50,0:00:01.50,Default,,0,0,0,,One") &&
                text.output.contains("0:00:02.00,0:00:02.80,Default,,0,0,0,,Two"))
        << text.output.toStdString();
    EXPECT_EQ(mutagenView(path)["tags"].toObject()["\u00a9nam"].toArray().first().toString(), "Kept");

    // The original tracks' media is where it was; the new media lies after it.
    Mp4File f;
    ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
    EXPECT_EQ(f.nextTrackId(), 6u);
    EXPECT_EQ(f.track(5)->type(), "sbtl");
    EXPECT_EQ(f.track(5)->width(), 160u);
    EXPECT_EQ(f.track(5)->height(), 60u);
    Mp4TimedText back;
    ASSERT_FALSE(Mp4TimedText::fromTrack(f, 5, back));
    EXPECT_EQ(back.cues, subtitles().cues);
    std::vector<Mp4Sample> original, added;
    ASSERT_FALSE(f.samples(1, original));
    ASSERT_FALSE(f.samples(4, added));
    EXPECT_GT(added.front().offset, original.back().offset);
  }
}

// The write points cut into slices that run side by side; the last one sees the edit complete.
constexpr int kCrashWrites = 30, kCrashSlices = 5, kCrashSlice = kCrashWrites / kCrashSlices;

class Mp4NewTrackCrash : public ::testing::TestWithParam<int> {};

TEST_P(Mp4NewTrackCrash, ACrashAtAnyWriteLeavesAPlayableFileWithTheOldOrTheNewTracks) {
  const int first = GetParam() * kCrashSlice;
  const bool last = GetParam() == kCrashSlices - 1;
  const QString folder = freshFolder("crash");
  const QString original = makeMp4({Layout::MoovLast});
  const QByteArray video = streamDigest(original, "0:v:0"), audio = streamDigest(original, "0:a:0");
  const QString aac = stereoAac(folder), ac3 = surroundAc3(folder);
  bool sawOld = false;
  const bool completed = crashAtWrites(
      original, folder, first, first + kCrashSlice,
      [&](const QString& path) { return addAll(path, aac, ac3); },
      [&](const QString& path, bool completed) {
        Mp4File f;
        ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read)) << "our reader opens the file";
        const size_t tracks = f.trackCount();
        EXPECT_TRUE(tracks == 2 || tracks == 5) << tracks;
        if (completed) {
          EXPECT_EQ(tracks, 5u);
        }
        EXPECT_EQ(ffprobeStreams(path).size(), qsizetype(tracks)) << "players see what we see";
        EXPECT_EQ(streamDigest(path, "0:v:0"), video);
        EXPECT_EQ(streamDigest(path, "0:a:0"), audio);
        EXPECT_TRUE(decodes(path));
        sawOld = sawOld || tracks == 2;
      });
  if (first == 0) {
    EXPECT_TRUE(sawOld);
  }
  if (last) {
    EXPECT_TRUE(completed) << "the edit did not complete within " << kCrashWrites << " writes";
  }
}

INSTANTIATE_TEST_SUITE_P(Mp4NewTrack, Mp4NewTrackCrash, ::testing::Range(0, kCrashSlices),
                         [](const ::testing::TestParamInfo<int>& info) {
                           const int first = info.param * kCrashSlice;
                           return "Writes" + std::to_string(first) + "To" +
                                  std::to_string(first + kCrashSlice - 1);
                         });

TEST(Mp4NewTrack, TracksAreRemovedWithTheirReferencesAndDelayedByALeadingEmptyEdit) {
  const QString path = makeMp4({Layout::MoovLast, {}, true});  // video, audio, chapter track 3
  {
    Mp4File f;
    ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
    ASSERT_FALSE(f.removeTrack(3));
    EXPECT_TRUE(f.removeTrack(3).failed());
    EXPECT_FALSE(f.track(1)->hasAtom("tref")) << "the reference to the chapter track went with it";
    ASSERT_FALSE(f.setTrackDelay(2, 250));
    ASSERT_FALSE(f.setTrackDelay(2, 400));  // replaces the first delay
    ASSERT_FALSE(f.commit());
  }
  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  EXPECT_EQ(f.trackCount(), 2u);
  std::vector<Mp4Edit> edits;
  ASSERT_FALSE(Mp4EditList::read(f.track(2)->box(), edits));
  ASSERT_EQ(edits.size(), 2u) << "the delay, then ffmpeg's own edit";
  EXPECT_EQ(edits[0].mediaTime, Mp4Edit::kEmpty);
  EXPECT_EQ(mp4ToMs(edits[0].duration, f.movieTimescale()), 400u);
  EXPECT_EQ(edits[1].mediaTime, 1024) << "the encoder delay stays skipped";
  EXPECT_NEAR(double(f.durationMs()), 3400.0, 30.0);
  const QJsonArray s = ffprobeStreams(path);
  ASSERT_EQ(s.size(), 2);
  EXPECT_NEAR(s[1]["start_time"].toString().toDouble(), 0.4, 0.001);
  EXPECT_NEAR(s[0]["start_time"].toString().toDouble(), 0.0, 0.001);
  EXPECT_TRUE(decodes(path));
  std::vector<Mp4Chapter> chapters;
  ASSERT_FALSE(f.chapters(Mp4ChapterKind::QuickTime, chapters));
  EXPECT_TRUE(chapters.empty());
  f.close();

  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
  ASSERT_FALSE(f.setTrackDelay(2, 0));
  ASSERT_FALSE(f.commit());
  const QJsonArray undelayed = ffprobeStreams(path);
  EXPECT_NEAR(undelayed[1]["start_time"].toString().toDouble(), 0.0, 0.001);
}

TEST(Mp4NewTrack, AChapterTrackOfTheSourceIsNotCopied) {
  const QString source = makeMp4({Layout::MoovFirst, {}, true});
  std::vector<Mp4NewTrack> copies;
  ASSERT_FALSE(Mp4NewTrack::fromMp4(source.toStdString(), copies));
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_EQ(copies[0].type(), "vide");
  EXPECT_EQ(copies[1].type(), "soun");
}

TEST(Mp4NewTrack, MalformedOrUnsupportedSourcesAreRefused) {
  const QString folder = freshFolder("bad");
  const QByteArray ac3 = readFile(surroundAc3(folder));
  QString eac3 = folder + "/e.eac3";
  makeMedia(eac3, {"-f", "lavfi", "-i", "sine=duration=1", "-c:a", "eac3"});
  const QByteArray mp4 = readFile(stereoAac(folder));
  const struct {
    const char* name;
    QByteArray bytes;
    bool mp4;
  } cases[] = {
      {"an AC-3 stream cut in a frame", ac3.left(ac3.size() - 100), false},
      {"stray bytes after the AC-3 frames", ac3 + QByteArray("junk!!!!"), false},
      {"a damaged AC-3 sync word", ac3.left(1536) + QByteArray(2, 'x') + ac3.mid(1538), false},
      {"E-AC-3", readFile(eac3), false},
      {"no AC-3 at all", QByteArray(4096, '\0'), false},
      {"an empty file", QByteArray(), false},
      {"a truncated MP4", mp4.left(mp4.size() * 2 / 3), true},
  };
  for (const auto& c : cases) {
    const QString path = writeFile(folder + "/source", c.bytes);
    Mp4NewTrack t;
    std::vector<Mp4NewTrack> copies;
    const Mp4Error e = c.mp4 ? Mp4NewTrack::fromMp4(path.toStdString(), copies)
                             : Mp4NewTrack::fromAc3(path.toStdString(), t);
    EXPECT_TRUE(e.failed()) << c.name;
    EXPECT_FALSE(e.message().empty()) << c.name;
  }
  Mp4NewTrack t;
  EXPECT_TRUE(Mp4NewTrack::fromTimedText(Mp4TimedText(), t).failed()) << "a subtitle track needs subtitles";
}

TEST(Mp4NewTrack, MediaBeyondFourGigabytesIsAddressedWith64BitOffsets) {
  // The fixture, then a sparse 4.3 GB free box: the added samples lie past 4 GiB.
  const QString small = makeMp4({Layout::MoovFirst});
  const QString path = freshFolder("large") + "/large.m4v";
  ASSERT_TRUE(QFile::copy(small, path));
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite | QIODevice::Append));
    ASSERT_TRUE(writeSparseFreeBox(f, (1ull << 32) + (300ull << 20)));
  }
  const QString aac = stereoAac(freshFolder("aac"));
  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
  std::vector<Mp4NewTrack> copies;
  ASSERT_FALSE(Mp4NewTrack::fromMp4(aac.toStdString(), copies));
  uint32_t id = 0;
  ASSERT_FALSE(f.addTrack(std::move(copies.front()), &id));
  ASSERT_FALSE(f.commit());
  EXPECT_NE(f.track(id)->box().find("mdia.minf.stbl.co64"), nullptr);
  f.close();
  EXPECT_GT(QFileInfo(path).size(), qint64(1) << 32);
  EXPECT_EQ(streamDigest(path, "0:a:1"), streamDigest(aac, "0:a:0"));
}
