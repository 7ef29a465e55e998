#include <gtest/gtest.h>

#include <QFileInfo>

#include "PreparationFixtures.h"
#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"

using namespace zuvo;

namespace {

struct Burn : test::StepFolders {
  test::ScopedSettings bitrates{{"PercentageBitrate", 80}, {"HDBitrate2", "5"}};
  QString source;
  MediaFilePtr media;
  explicit Burn(const QString& name = "Film.mkv") : source(sources + "/" + name) {
    if (name.endsWith(".mkv"))
      test::makeMatroska(source);
    else
      test::makeTestVideo(source, 2, 160, 120, {"-c:v", "mpeg4", "-c:a", "libmp3lame"});
    media = test::probed(source);
    media->setSoftSubtitles(false);
  }
  // The text tracks offered for burning in, `selected` chosen.
  void choose(qsizetype selected, QList<SubtitleTrack> extra = {}) {
    QList<SubtitleTrack> tracks = media->SoftSubtitleTracks() + extra;
    for (qsizetype i = 0; i < tracks.size(); ++i) tracks[i].setSelected(i == selected);
    media->setHardSubtitleTracks(tracks);
  }
};

}  // namespace

TEST(BurnInSubtitle, ATrackOfTheSourceIsBurntIntoANewH264Source) {
  Burn b;
  b.choose(1);  // the French ASS track: the second subtitle stream
  VideoTrack video = b.media->myvideotrack();
  video.setBitrate("4000");
  b.media->setMyvideotrack(video);
  b.media->setFastmode(true);
  auto converter = test::converterFor(b.media, b.work, b.log.reporter);
  converter->soundexported = true;  // the conversion exports the sound before it burns in
  const BCError result = converter->BurnInSubtitle();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << b.log.text().toStdString();

  EXPECT_EQ(converter->fileToConvertPath, b.work + "/subtitlevideo.avi");
  EXPECT_EQ(test::streamSummary(converter->fileToConvertPath), QStringList{"video h264"});
  const QString log = b.log.text();
  EXPECT_TRUE(log.contains("bitrate=3200:nocabac:me=hex:subq=6:frameref=2:trellis=0:level_idc=30:global_header"));
  EXPECT_TRUE(log.contains(" -sid 1 "));
  EXPECT_TRUE(log.contains("DejaVuSans.ttf"));
  EXPECT_FALSE(b.media->fastmode());
  EXPECT_FALSE(b.media->HardSubtitleTracks()[1].selected());
  EXPECT_EQ(b.media->passnumber(), PassStage::BurningSubtitle);
}

TEST(BurnInSubtitle, AFileBesideTheVideoIsBurntAndTheSoundCopied) {
  Burn b("Film.avi");
  SubtitleTrack file;
  file.setLocation(SubtitleLocation::ExternalFile);
  file.setPath(test::writeFile(b.sources + "/Film.srt", test::kSubRip.toUtf8()));
  b.choose(0, {file});
  auto converter = test::converterFor(b.media, b.work, b.log.reporter);
  const BCError result = converter->BurnInSubtitle();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString();
  EXPECT_EQ(test::streamSummary(converter->fileToConvertPath), (QStringList{"video h264", "audio mp3"}));
  EXPECT_TRUE(b.log.text().contains("-sub \"" + b.sources + "/Film.srt\""));
  EXPECT_TRUE(b.log.text().contains("bitrate=5000:"));  // unknown source rate: the maximum
}

TEST(BurnInSubtitle, NoOutputIsCode9) {
  Burn b;
  b.choose(0);
  test::writeFile(b.source, "damaged");
  auto converter = test::converterFor(b.media, b.work, b.log.reporter);
  const BCError result = converter->BurnInSubtitle();
  EXPECT_EQ(result.Code(), 9);
  EXPECT_EQ(result.Description(), "Unable to burn in subtitle");
  EXPECT_EQ(converter->fileToConvertPath, b.source);
  EXPECT_FALSE(QFileInfo::exists(b.work + "/subtitlevideo.avi"));
}
