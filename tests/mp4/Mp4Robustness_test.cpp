// Mutated files must give an error or a usable file, never a crash, a hang or a write to a
// file that failed to parse. The loop is deterministic so that a failure can be replayed.
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

#include "Mp4Fixtures.h"
#include "mp4/Mp4File.h"
#include "mp4/Mp4TimedText.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

struct Random {  // a fixed linear congruential sequence
  uint64_t state;
  uint32_t next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return uint32_t(state >> 33);
  }
  uint32_t below(uint32_t n) { return n ? next() % n : 0; }
};

// Offsets of the box headers inside moov, found by walking the bytes with a known list of
// container types (independent of the library's own parser).
std::vector<qsizetype> headerOffsets(const QByteArray& file, qsizetype moovAt) {
  static const QByteArrayList containers = {"moov", "trak", "mdia", "minf", "stbl", "udta", "dinf", "edts", "tref", "ilst"};
  std::vector<qsizetype> out;
  std::function<void(qsizetype, qsizetype, const QByteArray&)> walk = [&](qsizetype from, qsizetype to, const QByteArray& parent) {
    while (from + 8 <= to) {
      const quint32 size = quint32(uchar(file[from])) << 24 | quint32(uchar(file[from + 1])) << 16 |
                           quint32(uchar(file[from + 2])) << 8 | quint32(uchar(file[from + 3]));
      const QByteArray type = file.mid(from + 4, 4);
      if (size < 8 || from + size > to) return;
      out.push_back(from);
      if (containers.contains(type) || parent == "ilst") walk(from + 8, from + size, type);
      if (type == "meta") walk(from + 12, from + size, type);
      from += size;
    }
  };
  walk(moovAt, file.size(), "");
  return out;
}

void exercise(Mp4File& f) {
  (void)f.tags();
  (void)f.freeformItems("com.apple.iTunes");
  std::vector<Mp4Chapter> chapters;
  for (auto kind : {Mp4ChapterKind::QuickTime, Mp4ChapterKind::Nero}) (void)f.chapters(kind, chapters);
  for (const Mp4Track& t : f.tracks()) (void)(t.durationMs() + t.name().size() + t.type().size() + t.flags());
  (void)f.nextTrackId();
  (void)f.chapterEndMs();
  for (const Mp4Track& t : f.tracks()) {
    std::vector<Mp4Sample> samples;
    (void)f.samples(t.id(), samples);
    Mp4TimedText text;
    (void)Mp4TimedText::fromTrack(f, t.id(), text);
  }
  std::vector<Mp4NewTrack> copies;
  (void)Mp4NewTrack::fromMp4(f.path(), copies);
}

}  // namespace

TEST(Mp4Robustness, MutatedFilesNeverCrashHangOrGetWrittenWhenRefused) {
  // A small moov-last file with tags, a cover, freeform items and both chapter kinds.
  FixtureRecipe recipe(Layout::MoovLast, {"title=Fuzz"}, true);
  recipe.seconds = 3;
  const QString seed = makeMp4(recipe);
  {
    Mp4File f;
    ASSERT_FALSE(f.open(seed.toStdString(), Mp4File::Mode::Modify));
    Mp4Tags t = tvEpisodeTags();
    t.artwork = {Mp4Cover::fromPicture(makePicture(freshFolder("c") + "/c.png", 16))};
    f.storeTags(t);
    f.addFreeformItem(Mp4Item::freeformText("com.apple.iTunes", "iTunEXTC", "mpaa|PG|200|"));
    ASSERT_FALSE(f.setChapters({{0, 0, "A"}, {1000, 0, "B"}, {2000, 0, "C"}}));
    ASSERT_FALSE(f.commit());
  }
  const QByteArray original = readFile(seed);
  const QStringList boxes = topLevelBoxes(seed);
  qsizetype moovAt = 0;
  for (const QString& b : boxes) {
    if (b.startsWith("moov:")) break;
    moovAt += b.section(':', 1).toLongLong();
  }
  const std::vector<qsizetype> headers = headerOffsets(original, moovAt);
  ASSERT_GT(headers.size(), 30u);

  std::vector<std::pair<std::string, QByteArray>> mutants;
  Random random{20240601};
  for (int i = 0; i < 80; ++i) {  // truncations, most of them inside the moov
    const qsizetype cut = i < 60 ? moovAt + random.below(uint32_t(original.size() - moovAt)) : random.below(uint32_t(original.size()));
    mutants.emplace_back("truncated at " + std::to_string(cut), original.left(cut));
  }
  for (int i = 0; i < 400; ++i) {  // bit flips in the moov
    QByteArray m = original;
    const qsizetype at = moovAt + random.below(uint32_t(original.size() - moovAt));
    m[at] = char(m[at] ^ (1 << random.below(8)));
    mutants.emplace_back("bit flip at " + std::to_string(at), m);
  }
  const quint32 badSizes[] = {0, 1, 7, 8, 0xFFFFFFFF, 0x7FFFFFFF};
  for (const qsizetype at : headers) {  // every header's size corrupted, also into the count fields after it
    for (const quint32 size : badSizes) {
      QByteArray m = original;
      for (int k = 0; k < 4; ++k) m[at + k] = char(size >> (24 - 8 * k));
      mutants.emplace_back("size " + std::to_string(size) + " at " + std::to_string(at), m);
    }
    QByteArray m = original;
    for (int k = 0; k < 4; ++k) m[at + 12 + k] = char(0xFF);  // an entry count or data type
    if (at + 16 <= m.size()) mutants.emplace_back("count field after " + std::to_string(at), m);
  }

  const QString folder = freshFolder("mutants");
  const QString path = folder + "/mutant.m4v";
  QElapsedTimer clock;
  clock.start();
  int refused = 0, opened = 0;
  for (const auto& [label, bytes] : mutants) {
    SCOPED_TRACE(label);
    writeFile(path, bytes);
    Mp4File f;
    const Mp4Error e = f.open(path.toStdString(), Mp4File::Mode::Modify);
    if (e) {
      ++refused;
      EXPECT_FALSE(e.message().empty());
      EXPECT_TRUE(f.commit().failed());
      ASSERT_EQ(readFile(path), bytes) << "a refused file is never written";
      continue;
    }
    ++opened;
    exercise(f);
    Mp4Tags t = f.tags();
    t.name = "Changed";
    f.storeTags(t);
    if (f.commit().failed()) continue;
    f.close();
    ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read)) << "what we wrote opens again";
    EXPECT_EQ(f.tags().name, "Changed");
  }
  EXPECT_GT(refused, 100);
  EXPECT_GT(opened, 50);
  EXPECT_LT(clock.elapsed(), 120000) << "no mutant may make the parser crawl";
}
