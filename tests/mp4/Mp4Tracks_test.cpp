#include <gtest/gtest.h>

#include <QRegularExpression>

#include "Mp4Fixtures.h"
#include "mp4/Mp4File.h"

using namespace zuvo;
using namespace zuvo::test;

TEST(Mp4Tracks, CountIdsTypesAndDurationsMatchFfprobe) {
  const QString path = makeMp4({Layout::MoovLast, {}, true});
  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  ASSERT_EQ(f.trackCount(), 3u);  // video, audio, ffmpeg's chapter text track
  const std::vector<Mp4Track> tracks = f.tracks();
  EXPECT_EQ(tracks[0].id(), 1u);
  EXPECT_EQ(tracks[0].type(), "vide");
  EXPECT_EQ(tracks[1].type(), "soun");
  EXPECT_EQ(tracks[2].type(), "text");
  EXPECT_EQ(tracks[0].durationMs(), 3000u);
  EXPECT_NEAR(double(tracks[1].durationMs()), 3000.0, 30.0);  // AAC frames round the audio up
  EXPECT_EQ(f.durationMs(), 3000u);
  EXPECT_EQ(f.nextTrackId(), 4u);
  EXPECT_TRUE(tracks[0].hasAtom("tref.chap"));
  EXPECT_EQ(tracks[0].references("chap"), std::vector<uint32_t>{3});
  EXPECT_EQ(tracks[0].flags() & Mp4Track::kEnabled, Mp4Track::kEnabled);
  EXPECT_FALSE(f.track(9).has_value());
  ASSERT_TRUE(f.track(2).has_value());
  EXPECT_EQ(f.track(2)->type(), "soun");
}

TEST(Mp4Tracks, NamesFlagsGroupsReferencesAndNextIdAreWritten) {
  const QString path = makeMp4({Layout::MoovFirst, {}, true});
  {
    Mp4File f;
    ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Modify));
    f.track(2)->setName("Stereo");
    f.track(2)->setAlternateGroup(1);
    f.track(2)->setFlags(Mp4Track::kInMovie);
    for (Mp4Track t : f.tracks()) t.removeReferences();
    f.setNextTrackId(17);
    ASSERT_FALSE(f.commit());
  }
  Mp4File f;
  ASSERT_FALSE(f.open(path.toStdString(), Mp4File::Mode::Read));
  EXPECT_EQ(f.track(2)->name(), "Stereo");
  EXPECT_EQ(f.track(2)->alternateGroup(), 1);
  EXPECT_EQ(f.track(2)->flags(), Mp4Track::kInMovie);
  EXPECT_EQ(f.track(1)->flags() & Mp4Track::kEnabled, Mp4Track::kEnabled);
  EXPECT_FALSE(f.track(1)->hasAtom("tref"));
  EXPECT_EQ(f.nextTrackId(), 17u);
  // Without the reference the text track is no chapter track any more.
  std::vector<Mp4Chapter> quickTime;
  ASSERT_FALSE(f.chapters(Mp4ChapterKind::QuickTime, quickTime));
  EXPECT_TRUE(quickTime.empty());
  // ffprobe 5.1 does not read track names; mediainfo does.
  EXPECT_TRUE(QString::fromUtf8(mediainfo(path)).contains(QRegularExpression(R"(Title\s+: Stereo)")));
}
