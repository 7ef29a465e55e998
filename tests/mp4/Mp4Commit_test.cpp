#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QRegularExpression>
#include <atomic>
#include <thread>

#include "Mp4Fixtures.h"
#include "mp4/Mp4File.h"
#include "mp4/Mp4FileHandle.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

Mp4Tags newTags(const Mp4Buffer& cover) {
  Mp4Tags t = tvEpisodeTags();
  t.name = "New";
  t.artwork = {Mp4Cover::fromPicture(cover)};
  return t;
}

Mp4Error edit(const QString& path, const Mp4Tags& tags, bool withChapters = false) {
  Mp4File f;
  if (auto e = f.open(path.toStdString(), Mp4File::Mode::Modify)) return e;
  f.storeTags(tags);
  if (withChapters)
    if (auto e = f.setChapters({{0, 0, "New one"}, {1500, 0, "New two"}})) return e;
  return f.commit();
}

std::optional<std::string> nameIn(const QString& path) {
  Mp4File f;
  if (f.open(path.toStdString(), Mp4File::Mode::Read).failed()) return std::nullopt;
  return f.tags().name.value_or("");
}

int count(const QStringList& boxes, const char* type) {
  return boxes.filter(QRegularExpression(QStringLiteral("^%1:").arg(type))).size();
}

}  // namespace

TEST(Mp4Commit, TheNewMoovGoesIntoFreeSpaceOrAfterTheMediaAndLaterEditsStayInPlace) {
  const Mp4Buffer cover = makePicture(freshFolder("cover") + "/c.jpg");
  const struct {
    Layout layout;
    bool growsOnFirstCommit;
  } cases[] = {{Layout::MoovLast, true}, {Layout::MoovFirst, true}, {Layout::MoovFirstPadded, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(layoutName(c.layout).toStdString());
    const QString path = makeMp4({c.layout, {"title=Old"}, true});
    const QByteArray media = packetDigest(path);
    const qint64 size = QFileInfo(path).size();
    ASSERT_FALSE(edit(path, newTags(cover), true));
    EXPECT_EQ(QFileInfo(path).size() > size, c.growsOnFirstCommit);
    const qint64 afterFirst = QFileInfo(path).size();
    for (int i = 0; i < 3; ++i) ASSERT_FALSE(edit(path, newTags(cover), true));
    EXPECT_EQ(QFileInfo(path).size(), afterFirst) << "repeated edits of one size fit in place";
    const QStringList boxes = topLevelBoxes(path);
    EXPECT_EQ(count(boxes, "moov"), 1) << boxes.join(' ').toStdString();
    EXPECT_EQ(nameIn(path), "New");
    EXPECT_TRUE(ffprobe(path).contains("TAG:title=New"));
    EXPECT_EQ(packetDigest(path), media);
  }
}

TEST(Mp4Commit, ACrashAtAnyWriteLeavesAPlayableFileWithTheOldOrTheNewTags) {
  const Mp4Buffer cover = makePicture(freshFolder("cover") + "/c.jpg");
  for (const Layout layout : {Layout::MoovLast, Layout::MoovFirstPadded}) {
    SCOPED_TRACE(layoutName(layout).toStdString());
    const QString original = makeMp4({layout, {"title=Old"}});
    const QByteArray media = packetDigest(original);
    const QString folder = freshFolder("crash");
    bool sawOld = false;
    crashAtEveryWrite(
        original, folder, 20, [&](const QString& path) { return edit(path, newTags(cover), true); },
        [&](const QString& path, bool completed) {
          const std::optional<std::string> name = nameIn(path);
          ASSERT_TRUE(name.has_value()) << "our reader opens the file";
          EXPECT_TRUE(*name == "Old" || *name == "New") << *name;
          EXPECT_TRUE(ffprobe(path).contains(QByteArray("TAG:title=") + name->c_str()))
              << "players see what we see";
          EXPECT_EQ(packetDigest(path), media);
          EXPECT_FALSE(mutagenView(path).isEmpty());
          sawOld = sawOld || *name == "Old";
          if (completed) {
            EXPECT_EQ(*name, "New");
          }
          // Whatever the crash left, the next save works and leaves one moov.
          Mp4Tags later = newTags(cover);
          later.name = "Later";
          ASSERT_FALSE(edit(path, later, true));
          EXPECT_EQ(nameIn(path), "Later");
          EXPECT_EQ(count(topLevelBoxes(path), "moov"), 1) << topLevelBoxes(path).join(' ').toStdString();
        });
    EXPECT_TRUE(sawOld);
  }
}

TEST(Mp4Commit, ACommitReportsSuccessExactlyWhenReadersSeeTheNewMetadata) {
  // A fresh file's first commit appends the new moov after the old one; after two commits, a
  // third of the same size goes into the free space before the live moov. Each flush in turn
  // fails once.
  const Mp4Buffer cover = makePicture(freshFolder("cover") + "/c.jpg");
  const QString fresh = makeMp4({Layout::MoovLast, {"title=Old"}});
  const QString twice = copyTo(fresh, freshFolder("twice"), "twice.m4v");
  ASSERT_FALSE(edit(twice, newTags(cover)));
  ASSERT_FALSE(edit(twice, newTags(cover)));
  for (const QString& original : {fresh, twice}) {
    const QByteArray media = packetDigest(original);
    const QString folder = freshFolder("flush");
    bool sawFailure = false, sawWarning = false;
    for (int flushes = 0;; ++flushes) {
      SCOPED_TRACE(flushes);
      ASSERT_LT(flushes, 10);
      const QString path = copyTo(original, folder, QStringLiteral("flush-%1.m4v").arg(flushes));
      Mp4Tags tags = newTags(cover);
      tags.name = "Now";  // as long as "New"
      Mp4File f;
      ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
      f.storeTags(tags);
      Mp4FileHandle::setFailingSyncForTesting(flushes);
      const Mp4Error e = f.commit();
      Mp4FileHandle::setFailingSyncForTesting(-1);
      const std::string warning = f.warning();
      f.close();
      const std::optional<std::string> name = nameIn(path);
      ASSERT_TRUE(name.has_value());
      EXPECT_EQ(!e.failed(), *name == "Now") << e.message();
      EXPECT_TRUE(ffprobe(path).contains(QByteArray("TAG:title=") + name->c_str()))
          << "players see what we see";
      EXPECT_EQ(packetDigest(path), media);
      sawFailure = sawFailure || e.failed();
      if (!warning.empty()) {
        sawWarning = true;
        EXPECT_FALSE(e.failed());
        EXPECT_NE(warning.find("the new metadata is in place"), std::string::npos) << warning;
        EXPECT_NE(warning.find("cannot flush"), std::string::npos) << warning;
      }
      if (e.failed()) {
        EXPECT_NE(e.message().find("cannot flush"), std::string::npos) << e.message();
      }
      // A stale second moov left behind goes with the next save.
      ASSERT_FALSE(edit(path, newTags(cover)));
      EXPECT_EQ(nameIn(path), "New");
      EXPECT_EQ(count(topLevelBoxes(path), "moov"), 1) << topLevelBoxes(path).join(' ').toStdString();
      if (!e.failed() && warning.empty()) break;  // no flush was left to fail
    }
    EXPECT_TRUE(sawFailure);
    EXPECT_TRUE(sawWarning);
  }
}

TEST(Mp4Commit, GrowingTheFileTakesDiskSpaceForTheNewMoovAlone) {
  // A moov of several mebibytes (a large cover) written after the media: the room left for later
  // edits is only declared, so the disk need not hold the moov twice.
  const QString path = makeMp4({Layout::MoovLast});
  Mp4Buffer picture(6 << 20);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = uint8_t(i * 2654435761u >> 13);
  Mp4Tags tags;
  tags.name = "One";
  tags.artwork = {Mp4Cover{Mp4DataType::Jpeg, picture}};
  struct stat before, after;
  ASSERT_EQ(stat(path.toLocal8Bit().constData(), &before), 0);
  ASSERT_FALSE(edit(path, tags));
  ASSERT_EQ(stat(path.toLocal8Bit().constData(), &after), 0);
  const qint64 grown = qint64(after.st_size - before.st_size);
  const qint64 allocated = qint64(after.st_blocks - before.st_blocks) * 512;
  EXPECT_GT(grown, qint64(2 * picture.size())) << "room for the next edit";
  EXPECT_LT(allocated, qint64(picture.size()) + (1 << 20));
  EXPECT_GT(allocated, qint64(picture.size()));

  // The next edit of that size fills the room in place.
  tags.name = "Two";
  ASSERT_FALSE(edit(path, tags));
  struct stat again;
  ASSERT_EQ(stat(path.toLocal8Bit().constData(), &again), 0);
  EXPECT_EQ(again.st_size, after.st_size);
  EXPECT_EQ(nameIn(path), "Two");
}

TEST(Mp4Commit, AFullDiskLeavesTheFileAsItWas) {
  const Mp4Buffer cover = makePicture(freshFolder("cover") + "/c.jpg");
  const QString path = makeMp4({Layout::MoovLast, {"title=Old"}});
  const QByteArray before = readFile(path);
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = rlim_t(before.size() + 4096);  // far less than the new moov needs
  void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const Mp4Error e = edit(path, newTags(cover));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);
  EXPECT_TRUE(e.failed());
  EXPECT_FALSE(e.message().empty());
  EXPECT_EQ(readFile(path), before);
}

TEST(Mp4Commit, ChapterSamplesBeyondFourGigabytesUse64BitOffsets) {
  // The fixture's media, then a sparse 4.3 GB free box, then its moov: offsets stay valid.
  const QString small = makeMp4({Layout::MoovLast});
  const QStringList boxes = topLevelBoxes(small);
  const QByteArray bytes = readFile(small);
  const qsizetype moovAt = bytes.size() - boxes.last().section(':', 1).toLongLong();
  ASSERT_TRUE(boxes.last().startsWith("moov:"));
  const QString path = freshFolder("large") + "/large.m4v";
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.left(moovAt));
    ASSERT_TRUE(writeSparseFreeBox(f, (1ull << 32) + (300ull << 20)));
    f.write(bytes.mid(moovAt));
  }
  const QByteArray media = packetDigest(small);
  ASSERT_EQ(packetDigest(path), media);

  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
  ASSERT_FALSE(f.setChapters({{0, 0, "Far"}, {1000, 0, "Away"}}));
  ASSERT_FALSE(f.commit());
  const uint32_t chapterTrack = f.tracks().back().id();
  EXPECT_NE(f.tracks().back().box().find("mdia.minf.stbl.co64"), nullptr);
  f.close();
  EXPECT_GT(QFileInfo(path).size(), qint64(1) << 32);

  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  std::vector<Mp4Chapter> chapters;
  ASSERT_FALSE(f.chapters(Mp4ChapterKind::QuickTime, chapters));
  EXPECT_EQ(chapters, (std::vector<Mp4Chapter>{{0, 1000, "Far"}, {1000, 2000, "Away"}}));
  EXPECT_EQ(f.track(chapterTrack)->type(), "text");
  const QByteArray probe = ffprobe(path);
  EXPECT_TRUE(probe.contains("TAG:title=Far") && probe.contains("TAG:title=Away")) << probe.toStdString();
  EXPECT_EQ(packetDigest(path), media);
}

TEST(Mp4Commit, NothingIsWrittenThroughAFileOpenForReadingOrThatFailedToOpen) {
  const QString path = makeMp4({Layout::MoovFirst});
  const QByteArray before = readFile(path);
  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  Mp4Tags t;
  t.name = "x";
  f.storeTags(t);
  EXPECT_TRUE(f.commit().failed());
  f.close();
  EXPECT_EQ(readFile(path), before);

  const QString broken = freshFolder("broken") + "/broken.m4v";
  writeFile(broken, before.left(before.size() / 2));
  const Mp4Error e = f.open(broken.toStdString(), Mp4File::Mode::Modify);
  EXPECT_TRUE(e.failed());
  EXPECT_NE(e.message().find("truncated"), std::string::npos) << e.message();
  EXPECT_TRUE(f.commit().failed());

  writeFile(broken, "not an mp4 file at all");
  EXPECT_TRUE(f.open(broken.toStdString(), Mp4File::Mode::Modify).failed());
  EXPECT_EQ(readFile(broken), QByteArray("not an mp4 file at all"));
}

TEST(Mp4Commit, FragmentedFilesAreRefused) {
  const QString path = makeMp4({Layout::MoovFirst});
  const QString fragmented = freshFolder("frag") + "/fragmented.mp4";
  makeMedia(fragmented, {"-i", path, "-c", "copy", "-movflags", "frag_keyframe+empty_moov"});
  const QByteArray before = readFile(fragmented);
  Mp4File f;
  const Mp4Error e = f.open(fragmented.toStdString(), Mp4File::Mode::Modify);
  ASSERT_TRUE(e.failed());
  EXPECT_NE(e.message().find("fragmented"), std::string::npos) << e.message();
  EXPECT_EQ(readFile(fragmented), before);
}

namespace {

QByteArray box(const char* type, const QByteArray& payload) {
  const quint32 size = quint32(8 + payload.size());
  QByteArray out;
  for (int k = 0; k < 4; ++k) out += char(size >> (24 - 8 * k));
  return out + type + payload;
}

void growSize(QByteArray& bytes, qsizetype at, qsizetype by) {
  quint32 size = 0;
  for (int k = 0; k < 4; ++k) size = size << 8 | uchar(bytes[at + k]);
  size += quint32(by);
  for (int k = 0; k < 4; ++k) bytes[at + k] = char(size >> (24 - 8 * k));
}

Mp4Buffer bufferOf(const QByteArray& bytes) { return Mp4Buffer(bytes.begin(), bytes.end()); }

}  // namespace

TEST(Mp4Commit, BoxesWeDoNotKnowSurviveByteForByte) {
  // A moov-last file, so that boxes added inside the moov move no media.
  const QString path = makeMp4({Layout::MoovLast, {"title=Old"}, true});
  const QByteArray media = packetDigest(path);
  QByteArray bytes = readFile(path);
  qsizetype moovAt = 0;
  for (const QString& b : topLevelBoxes(path)) {
    if (b.startsWith("moov:")) break;
    moovAt += b.section(':', 1).toLongLong();
  }
  ASSERT_EQ(bytes.mid(moovAt + 4, 4), "moov");
  const qsizetype trakAt = bytes.indexOf("trak", moovAt) - 4;
  ASSERT_GT(trakAt, moovAt);

  // One box of our own in the first track, one in the moov, one after the moov.
  const QByteArray inTrack = box("zztk", QByteArray("track's own\0\1\2", 14));
  const QByteArray inMoov = box("zzmv", QByteArray("\xff\0movie's own", 13));
  const QByteArray atTop = box("zzfl", "file's own");
  quint32 trakSize = 0;
  for (int k = 0; k < 4; ++k) trakSize = trakSize << 8 | uchar(bytes[trakAt + k]);
  bytes.insert(trakAt + trakSize, inTrack);
  growSize(bytes, trakAt, inTrack.size());
  bytes += inMoov;
  growSize(bytes, moovAt, inTrack.size() + inMoov.size());
  bytes += atTop;
  writeFile(path, bytes);
  ASSERT_FALSE(ffprobe(path).isEmpty());

  const Mp4Buffer cover = makePicture(freshFolder("cover") + "/c.jpg");
  for (int edits = 1; edits <= 2; ++edits) {  // after the media, then back into the old place
    SCOPED_TRACE(edits);
    ASSERT_FALSE(edit(path, newTags(cover), true));
    Mp4File f;
    ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
    ASSERT_TRUE(f.moov().find("trak.zztk"));
    EXPECT_EQ(f.moov().find("trak.zztk")->serialize(), bufferOf(inTrack));
    ASSERT_TRUE(f.moov().find("zzmv"));
    EXPECT_EQ(f.moov().find("zzmv")->serialize(), bufferOf(inMoov));
    EXPECT_EQ(f.tags().name, "New");
    const QStringList boxes = topLevelBoxes(path);
    ASSERT_TRUE(boxes.contains(QStringLiteral("zzfl:%1").arg(atTop.size()))) << boxes.join(' ').toStdString();
    EXPECT_TRUE(readFile(path).contains(atTop));
    EXPECT_EQ(packetDigest(path), media);
  }
}

TEST(Mp4Commit, TwoWritersOfOneFileAtTheSameMomentTakeTurns) {
  // Each writer reads the present tags and changes one field of its own: when they take turns,
  // the second sees the first one's change and both survive.
  const QString original = makeMp4({Layout::MoovLast, {"title=Old"}});
  const QByteArray media = packetDigest(original);
  const Mp4Buffer cover = makePicture(freshFolder("cover") + "/cover.jpg", 300);
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE(round);
    const QString path = copyTo(original, freshFolder("together"), "together.m4v");
    std::atomic<int> ready{0};
    auto writer = [&](const std::function<void(Mp4Tags&)>& change) {
      ++ready;
      while (ready.load() < 2) std::this_thread::yield();
      Mp4File f;
      if (auto e = f.open(path.toStdString(), Mp4File::Mode::Modify)) return e;
      Mp4Tags t = f.tags();
      change(t);
      f.storeTags(t);
      return f.commit();
    };
    Mp4Error first, second;
    std::thread a([&] { first = writer([](Mp4Tags& t) { t.name = "From the first"; }); });
    std::thread b([&] {
      second = writer([&](Mp4Tags& t) {
        t.artist = "From the second";
        t.artwork = {Mp4Cover::fromPicture(cover)};  // a larger moov: it has to move
      });
    });
    a.join();
    b.join();
    ASSERT_FALSE(first) << first.message();
    ASSERT_FALSE(second) << second.message();

    const QJsonObject tags = mutagenView(path)["tags"].toObject();
    EXPECT_EQ(tags["\u00a9nam"].toArray().first().toString(), "From the first");
    EXPECT_EQ(tags["\u00a9ART"].toArray().first().toString(), "From the second");
    const QByteArray ap = atomicParsley(path);
    EXPECT_TRUE(ap.contains("From the first") && ap.contains("From the second")) << ap.toStdString();
    EXPECT_EQ(packetDigest(path), media);
    EXPECT_EQ(topLevelBoxes(path).filter(QRegularExpression("^moov:")).size(), 1);
  }
}
