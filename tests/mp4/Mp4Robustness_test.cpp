// Damaged files must give an error or a usable file, never a crash, a hang, a write into a file
// that was refused, or a changed media byte. The damage is deterministic so that a failure can
// be replayed; bench/mp4fuzz_bench runs the same rules over many more random damages.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include "Mp4Fixtures.h"
#include "Mp4Mutants.h"
#include "mp4/Mp4File.h"

using namespace zuvo;
using namespace zuvo::test;

TEST(Mp4Robustness, DamagedFilesNeverCrashHangGetWrittenWhenRefusedOrLoseMedia) {
  // A small moov-last file with tags, a cover, freeform items and both chapter kinds, saved
  // once by us: free space where its moov was, chapter samples beside the new moov.
  FixtureRecipe recipe(Layout::MoovLast, {"title=Fuzz"}, true);
  recipe.seconds = 2;
  const QString seed = makeMp4(recipe);
  {
    Mp4File f;
    ASSERT_FALSE(f.open(seed.toStdString(), Mp4File::Mode::Modify));
    Mp4Tags t = tvEpisodeTags();
    t.artwork = {Mp4Cover::fromPicture(makePicture(freshFolder("c") + "/c.png", 16))};
    f.storeTags(t);
    f.addFreeformItem(Mp4Item::freeformText("com.apple.iTunes", "iTunEXTC", "mpaa|PG|200|"));
    ASSERT_FALSE(f.setChapters({{0, 0, "A"}, {1000, 0, "B"}, {1500, 0, "C"}}));
    ASSERT_FALSE(f.commit());
  }
  const QByteArray original = readFile(seed);
  Mp4Mutator mutator(Bytes(original.begin(), original.end()), 20240601);
  ASSERT_GE(mutator.media().size(), 2u) << "the fixture's media and our chapter samples";
  std::vector<Mp4Mutant> mutants = mutator.systematic();
  for (int i = 0; i < 300; ++i) mutants.push_back(mutator.random());

  // Flushes cost nothing on a memory file system, and these files need no durability.
  QTemporaryDir memory(QFileInfo("/dev/shm").isDir() ? "/dev/shm/zuvo-fuzz-XXXXXX"
                                                     : freshFolder("fuzz") + "/XXXXXX");
  ASSERT_TRUE(memory.isValid());
  const std::string path = (memory.path() + "/mutant.m4v").toStdString();
  QElapsedTimer clock;
  clock.start();
  int refused = 0, saved = 0, failed = 0;
  for (const Mp4Mutant& m : mutants) {
    SCOPED_TRACE(m.label);
    const Mp4FuzzResult r = mp4FuzzOne(path, m, mutator.media());
    EXPECT_EQ(r.problem, "");
    EXPECT_LT(r.seconds, 10.0) << "no damage may make the parser crawl";
    refused += r.kind == Mp4FuzzResult::Refused;
    saved += r.kind == Mp4FuzzResult::Saved;
    failed += r.kind == Mp4FuzzResult::SaveFailed;
  }
  std::printf("%zu damaged files: %d refused, %d saved, %d saves failed, %.1f s\n", mutants.size(), refused,
              saved, failed, double(clock.elapsed()) / 1000);
  EXPECT_GT(refused, 300);
  EXPECT_GT(saved, 100);
}
