// Damaged files whose metadata a commit could turn into media, or whose media it could
// overwrite, are refused for change before any write; the refusal says why.
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

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
QByteArray withMoov(const QByteArray& bytes, qsizetype moovAt, const std::function<void(Mp4Box& moov)>& edit) {
  quint32 size = 0;
  for (int k = 0; k < 4; ++k) size = size << 8 | uchar(bytes[moovAt + k]);
  Mp4Box moov;
  const auto content = std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()))
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
       [](QByteArray& b, const auto& at) { b.replace(at("mdat") + 4, 4, "free"); }, "in the moov box or in free space"},
      {"a chunk at the end of the file", Layout::MoovLast,
       [](QByteArray& b, const auto& at) {
         const qsizetype size = b.size();
         b = withMoov(b, at("moov"), [&](Mp4Box& moov) { mp4PutUnsigned(firstTrackTable(moov, "stco").data() + 8, 4, uint64_t(size)); });
       },
       "past the end of the file"},
      {"a chunk inside the moov", Layout::MoovFirst,
       [](QByteArray& b, const auto& at) {
         const qsizetype moovAt = at("moov");
         b = withMoov(b, moovAt, [&](Mp4Box& moov) { mp4PutUnsigned(firstTrackTable(moov, "stco").data() + 8, 4, uint64_t(moovAt + 8)); });
       },
       "in the moov box or in free space"},
      {"a chunk offset table of one byte", Layout::MoovLast,
       [](QByteArray& b, const auto& at) { b = withMoov(b, at("moov"), [](Mp4Box& moov) { firstTrackTable(moov, "stco") = {0}; }); },
       "malformed stco"},
      {"a sample size table shorter than its count", Layout::MoovLast,
       [](QByteArray& b, const auto& at) {
         b = withMoov(b, at("moov"), [](Mp4Box& moov) {
           Mp4Buffer& stsz = firstTrackTable(moov, "stsz");
           mp4PutUnsigned(stsz.data() + 8, 4, mp4ReadUnsigned(std::span<const uint8_t>(stsz).subspan(8, 4)) + 1000);
         });
       },
       "malformed stsz"},
      {"chunks holding fewer samples than the track declares", Layout::MoovLast,
       [](QByteArray& b, const auto& at) {
         b = withMoov(b, at("moov"), [](Mp4Box& moov) {
           // One run: only the last chunk holds samples, and one of them.
           const uint64_t chunks = mp4ReadUnsigned(std::span<const uint8_t>(firstTrackTable(moov, "stco")).subspan(4, 4));
           Mp4Buffer& stsc = firstTrackTable(moov, "stsc");
           mp4PutUnsigned(stsc.data() + 4, 4, 1);
           mp4PutUnsigned(stsc.data() + 8, 4, chunks);
           mp4PutUnsigned(stsc.data() + 12, 4, 1);
         });
       },
       "fewer samples"},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QString original = makeMp4({c.layout});
    QByteArray bytes = readFile(original);
    c.damage(bytes, [&](const char* type) { return boxOffset(original, type); });
    const QString path = writeFile(freshFolder("damaged") + "/damaged.m4v", bytes);

    Mp4File f;
    const Mp4Error e = f.open(path.toStdString(), Mp4File::Mode::Modify);
    ASSERT_TRUE(e.failed());
    EXPECT_NE(e.message().find(c.why), std::string::npos) << e.message();
    EXPECT_NE(e.message().find(path.toStdString()), std::string::npos) << e.message();
    Mp4Tags t;
    t.name = "Changed";
    f.storeTags(t);
    EXPECT_TRUE(f.commit().failed());
    f.close();
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
    EXPECT_TRUE(readFile(path).startsWith(bytes.left(boxOffset(original, "moov")))) << "nothing before the moov changed";
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
    EXPECT_EQ(c.startMs, uint64_t(INT64_MAX)) << c.title << ": held back past every real time, not wrapped round";
    EXPECT_EQ(c.durationMs, 0u) << c.title;
  }
}
