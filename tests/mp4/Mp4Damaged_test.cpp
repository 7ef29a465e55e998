// Damaged files whose metadata a commit could turn into media, or whose media it could
// overwrite, are refused for change before any write; the refusal says why.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QRegularExpression>

#include "Mp4Fixtures.h"
#include "mp4/Mp4File.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

qsizetype boxOffset(const QString& path, const QString& type) {
  qsizetype at = 0;
  for (const QString& b : topLevelBoxes(path)) {
    if (b.section(':', 0, 0) == type) return at;
    at += b.section(':', 1).toLongLong();
  }
  return -1;
}

void putU32(QByteArray& bytes, qsizetype at, quint32 v) {
  for (int k = 0; k < 4; ++k) bytes[at + k] = char(v >> (24 - 8 * k));
}

// The file with its moov replaced by the edited tree; what follows the moov moves with its size.
QByteArray withMoov(const QByteArray& bytes, qsizetype moovAt,
                    const std::function<void(Mp4Box& moov)>& edit) {
  quint32 size = 0;
  for (int k = 0; k < 4; ++k) size = size << 8 | uchar(bytes[moovAt + k]);
  Mp4Box moov;
  const auto content =
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()))
          .subspan(size_t(moovAt) + 8, size - 8);
  EXPECT_FALSE(Mp4Box::parse("moov", content, "", 0, moov));
  edit(moov);
  const Mp4Buffer out = moov.serialize();
  return bytes.left(moovAt) + QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(out.size())) +
         bytes.mid(moovAt + size);
}

Mp4Buffer& firstTrackTable(Mp4Box& moov, const char* type) {
  return moov.find(std::string("trak.mdia.minf.stbl.") + type)->payload();
}

// A tag save is refused at the open for change, naming the file and `why`, and again at commit.
void expectSaveRefused(const QString& path, const char* why) {
  Mp4File f;
  const Mp4Error e = f.open(path.toStdString(), Mp4File::Mode::Modify);
  ASSERT_TRUE(e.failed());
  EXPECT_NE(e.message().find(why), std::string::npos) << e.message();
  EXPECT_NE(e.message().find(path.toStdString()), std::string::npos) << e.message();
  Mp4Tags t;
  t.name = "Changed";
  f.storeTags(t);
  EXPECT_TRUE(f.commit().failed());
}

struct DamageCase {
  const char* name;
  Layout layout;
  // Damages the file; `at` holds the top-level boxes' offsets by type.
  std::function<void(QByteArray& bytes, const std::function<qsizetype(const char*)>& at)> damage;
  const char* why;  // part of the refusal's message
};

}  // namespace

TEST(Mp4Damaged, FilesACommitWouldDamageAreRefusedAndLeftByteForByte) {
  const DamageCase cases[] = {
      {"a free box without a size before the media", Layout::MoovFirst,
       [](QByteArray& b, const auto& at) { putU32(b, at("free"), 0); }, "in the moov box or in free space"},
      {"the media box marked as free space", Layout::MoovLast,
       [](QByteArray& b, const auto& at) { b.replace(at("mdat") + 4, 4, "free"); },
       "in the moov box or in free space"},
      {"a chunk at the end of the file", Layout::MoovLast,
       [](QByteArray& b, const auto& at) {
         const qsizetype size = b.size();
         b = withMoov(b, at("moov"), [&](Mp4Box& moov) {
           mp4PutUnsigned(firstTrackTable(moov, "stco").data() + 8, 4, uint64_t(size));
         });
       },
       "past the end of the file"},
      {"a chunk inside the moov", Layout::MoovFirst,
       [](QByteArray& b, const auto& at) {
         const qsizetype moovAt = at("moov");
         b = withMoov(b, moovAt, [&](Mp4Box& moov) {
           mp4PutUnsigned(firstTrackTable(moov, "stco").data() + 8, 4, uint64_t(moovAt + 8));
         });
       },
       "in the moov box or in free space"},
      {"a chunk offset table of one byte", Layout::MoovLast,
       [](QByteArray& b, const auto& at) {
         b = withMoov(b, at("moov"), [](Mp4Box& moov) { firstTrackTable(moov, "stco") = {0}; });
       },
       "malformed stco"},
      {"a sample size table shorter than its count", Layout::MoovLast,
       [](QByteArray& b, const auto& at) {
         b = withMoov(b, at("moov"), [](Mp4Box& moov) {
           Mp4Buffer& stsz = firstTrackTable(moov, "stsz");
           mp4PutUnsigned(stsz.data() + 8, 4,
                          mp4ReadUnsigned(std::span<const uint8_t>(stsz).subspan(8, 4)) + 1000);
         });
       },
       "malformed stsz"},
      {"chunks holding fewer samples than the track declares", Layout::MoovLast,
       [](QByteArray& b, const auto& at) {
         // The offset table lists one chunk of many.
         b = withMoov(b, at("moov"),
                      [](Mp4Box& moov) { mp4PutUnsigned(firstTrackTable(moov, "stco").data() + 4, 4, 1); });
       },
       "fewer samples"},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QString original = makeMp4({c.layout});
    QByteArray bytes = readFile(original);
    c.damage(bytes, [&](const char* type) { return boxOffset(original, type); });
    const QString path = writeFile(freshFolder("damaged") + "/damaged.m4v", bytes);

    expectSaveRefused(path, c.why);
    EXPECT_EQ(readFile(path), bytes);
  }
}

TEST(Mp4Damaged, ZerosLeftByAnInterruptedGrowthAreDroppedByTheNextSave) {
  // Zeros after the last box, as when room was reserved and the process then died; also an
  // open-ended free box holding nothing but zeros.
  const struct {
    const char* name;
    QByteArray tail;
  } cases[] = {{"zeros", QByteArray(70000, '\0')},
               {"a few zeros", QByteArray(5, '\0')},
               {"an empty free box without a size", QByteArray("\0\0\0\0free", 8) + QByteArray(3000, '\0')}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString original = makeMp4({Layout::MoovLast, {"title=Old"}});
    const QByteArray media = packetDigest(original);
    const QByteArray bytes = readFile(original);
    const QString path = writeFile(freshFolder("tail") + "/tail.m4v", bytes + c.tail);
    for (const char* name : {"First", "Second"}) {
      Mp4File f;
      ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
      Mp4Tags t = f.tags();
      t.name = name;
      f.storeTags(t);
      ASSERT_FALSE(f.commit()) << name;
      f.close();
      ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
      EXPECT_EQ(f.tags().name, name);
      EXPECT_TRUE(ffprobe(path).contains(QByteArray("TAG:title=") + name));
      EXPECT_EQ(packetDigest(path), media);
    }
    const QStringList boxes = topLevelBoxes(path);
    qint64 covered = 0;
    for (const QString& b : boxes) {
      EXPECT_NE(b.front(), QChar(0)) << "the zeros are gone";
      covered += b.section(':', 1).toLongLong();
    }
    EXPECT_EQ(covered, QFileInfo(path).size()) << boxes.join(' ').toStdString();
    EXPECT_EQ(boxes.filter(QRegularExpression("^moov:")).size(), 1) << boxes.join(' ').toStdString();
    EXPECT_TRUE(readFile(path).startsWith(bytes.left(boxOffset(original, "moov"))))
        << "nothing before the moov changed";
  }
}

TEST(Mp4Damaged, HugeDurationsInEditListsAndChapterTracksGiveClampedTimes) {
  // A QuickTime chapter track of our own, then its edit list held back beyond any real length
  // and its samples made very long.
  const QString path = makeMp4({Layout::MoovLast});
  {
    Mp4File f;
    ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
    ASSERT_FALSE(f.setChapters({{0, 0, "A"}, {1000, 0, "B"}}, Mp4ChapterKind::QuickTime));
    ASSERT_FALSE(f.commit());
  }
  const QByteArray bytes = readFile(path);
  const QByteArray huge = withMoov(bytes, boxOffset(path, "moov"), [](Mp4Box& moov) {
    Mp4Box* chapters = moov.all("trak").back();
    Mp4ByteWriter elst;
    elst.u8(1).u24(0).u32(2);
    elst.u64(UINT64_MAX - 5).u64(UINT64_MAX).u32(0x00010000);  // an empty edit: media time -1
    elst.u64(1000).u64(0).u32(0x00010000);
    chapters->removeAll("edts");
    chapters->children().insert(chapters->children().begin() + 1,
                                Mp4Box::container("edts", {Mp4Box::leaf("elst", elst.take())}));
    Mp4Buffer& stts = chapters->find("mdia.minf.stbl.stts")->payload();
    for (size_t at = 12; at + 4 <= stts.size(); at += 8) mp4PutUnsigned(stts.data() + at, 4, UINT32_MAX);
  });
  writeFile(path, huge);
  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  std::vector<Mp4Chapter> chapters;
  ASSERT_FALSE(f.chapters(Mp4ChapterKind::QuickTime, chapters));
  ASSERT_EQ(chapters.size(), 2u);
  for (const Mp4Chapter& c : chapters) {
    EXPECT_EQ(c.startMs, uint64_t(INT64_MAX))
        << c.title << ": held back past every real time, not wrapped round";
    EXPECT_EQ(c.durationMs, 0u) << c.title;
  }
}

namespace {

// The video frames as ffmpeg decodes them, one checksum per frame.
QByteArray decodedFrames(const QString& path) {
  const CommandResult r = runCommand(
      "ffmpeg", {"-nostdin", "-loglevel", "quiet", "-i", path, "-map", "0:v", "-f", "framemd5", "-"});
  EXPECT_EQ(r.exitCode, 0) << r.output.toStdString();
  return r.output;
}

uint32_t u32At(const Mp4Buffer& payload, size_t at) {
  return uint32_t(mp4ReadUnsigned(std::span<const uint8_t>(payload).subspan(at, 4)));
}

// A video-only file, moov first, laid out again with one frame per chunk and its first chunk
// (the first keyframe) moved into a free box of its own: a writer that trusts a damaged sample
// map takes that box for room to write in.
QByteArray firstChunkInFreeSpace(const QString& path) {
  QByteArray b = readFile(path);
  const qsizetype moovAt = boxOffset(path, "moov"), mdatAt = boxOffset(path, "mdat");
  std::vector<uint32_t> sizes;
  qsizetype grown = 0;
  b = withMoov(b, moovAt, [&](Mp4Box& m) {
    const Mp4Buffer& stsz = firstTrackTable(m, "stsz");
    for (uint32_t i = 0; i < u32At(stsz, 8); ++i) sizes.push_back(u32At(stsz, 12 + 4 * i));
    Mp4Buffer& stsc = firstTrackTable(m, "stsc");
    Mp4ByteWriter runs;
    runs.u32(0).u32(1).u32(1).u32(1).u32(1);
    stsc = runs.take();
    grown = qsizetype(4 * (sizes.size() - 1));
    // [free: frame 1][mdat: the other frames]
    uint64_t at = uint64_t(mdatAt + grown + 8);
    Mp4ByteWriter co;
    co.u32(0).u32(uint32_t(sizes.size()));
    for (size_t i = 0; i < sizes.size(); ++i) {
      co.u32(uint32_t(at));
      at += sizes[i] + (i == 0 ? 8 : 0);
    }
    firstTrackTable(m, "stco") = co.take();
  });
  EXPECT_GT(sizes.size(), 2u);
  const qsizetype freeAt = mdatAt + grown;
  const quint32 mdatSize = quint32(b.size() - freeAt);
  QByteArray header(8, '\0');
  putU32(header, 0, quint32(mdatSize - sizes[0]));
  header.replace(4, 4, "mdat");
  b.insert(freeAt + 8 + sizes[0], header);
  putU32(b, freeAt, quint32(8 + sizes[0]));
  b.replace(freeAt + 4, 4, "free");
  return b;
}

}  // namespace

TEST(Mp4Damaged, ChunksAPlayerReadsButTheSampleMapMissesAreRefusedAndEveryFrameKept) {
  const QString source = freshFolder("chunkmap") + "/video.m4v";
  makeMedia(source, {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=4", "-c:v", "libx264",
                     "-preset", "ultrafast", "-g", "25", "-movflags", "faststart"});
  const QByteArray moved = firstChunkInFreeSpace(source);
  ASSERT_EQ(decodedFrames(writeFile(freshFolder("chunkmap") + "/moved.m4v", moved)), decodedFrames(source))
      << "ffmpeg plays the moved chunk from the free box";
  const qsizetype moovAt = boxOffset(source, "moov");

  const QByteArray original = readFile(source);
  const struct {
    const char* name;
    const QByteArray& bytes;
    std::function<void(Mp4Buffer& stsc, Mp4Buffer& stco)> damage;
    const char* why;
  } cases[] = {
      {"the first run starts at chunk 2", moved,
       [](Mp4Buffer& stsc, Mp4Buffer&) { mp4PutUnsigned(stsc.data() + 8, 4, 2); }, "stsc"},
      {"the first run has sample description 0", moved,
       [](Mp4Buffer& stsc, Mp4Buffer&) { mp4PutUnsigned(stsc.data() + 16, 4, 0); }, "stsc"},
      {"the first run has no samples per chunk", moved,
       [](Mp4Buffer& stsc, Mp4Buffer&) { mp4PutUnsigned(stsc.data() + 12, 4, 0); }, "stsc"},
      // A sound map, but the offset table lists one more chunk, in the moov, than the runs fill.
      {"an unmapped chunk lies in the moov", original,
       [&](Mp4Buffer&, Mp4Buffer& stco) {
         const uint32_t count = u32At(stco, 4);
         mp4PutUnsigned(stco.data() + 4, 4, count + 1);
         // The moov grows by the entry: the media after it moves on by 4 bytes.
         for (uint32_t i = 0; i < count; ++i)
           mp4PutUnsigned(stco.data() + 8 + 4 * i, 4, u32At(stco, 8 + 4 * i) + 4);
         Mp4Buffer entry(4);
         mp4PutUnsigned(entry.data(), 4, uint64_t(moovAt + 16));
         stco.insert(stco.end(), entry.begin(), entry.end());
       },
       "in the moov box or in free space"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray damaged = withMoov(c.bytes, moovAt, [&](Mp4Box& moov) {
      c.damage(firstTrackTable(moov, "stsc"), firstTrackTable(moov, "stco"));
    });
    const QString path = writeFile(freshFolder("chunkmap") + "/damaged.m4v", damaged);
    const QByteArray frames = decodedFrames(path);

    expectSaveRefused(path, c.why);
    EXPECT_EQ(readFile(path), damaged);
    EXPECT_EQ(decodedFrames(path), frames);
  }
}
