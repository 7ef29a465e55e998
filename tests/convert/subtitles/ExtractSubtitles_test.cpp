#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "convert/support/PreparationFixtures.h"
#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"

using namespace zuvo;

namespace {

using Extract = test::StepFolders;  // mkvextract must get a destination with a space whole

// Extracts every subtitle track that the probe finds in `source` (`count` of them).
std::unique_ptr<BCConverter> extractAll(Extract& e, const QString& source, qsizetype count) {
  const MediaFilePtr media = test::probed(source);
  media->setSoftSubtitles(true);
  EXPECT_EQ(media->SoftSubtitleTracks().size(), count);
  media->setSoftSubtitleTracks(test::allSelected(media->SoftSubtitleTracks()));
  auto converter = test::converterFor(media, e.work, e.log.reporter);
  EXPECT_FALSE(converter->ExtractSubtitles().Error());
  return converter;
}

}  // namespace

TEST(ExtractSubtitles, MatroskaTracksAreExtractedByTheirOwnNumbers) {
  Extract e;
  const QString source = e.sources + "/Film.mkv";
  test::makeMatroska(source);
  const auto converter = extractAll(e, source, 2);

  // The English SubRip track and the French ASS track, each under its own name.
  const QByteArray srt = test::readFile(e.work + "/subtitle0.sub"),
                   ass = test::readFile(e.work + "/subtitle1.ass");
  EXPECT_TRUE(srt.contains("First line") && srt.contains("Second line") && srt.contains(" --> "))
      << srt.toStdString();
  EXPECT_TRUE(ass.contains("[Events]") && ass.contains(",Default,,0,0,0,,Premier")) << ass.toStdString();
  EXPECT_EQ(converter->fileToConvertPath, source);
  EXPECT_FALSE(converter->subtitlesstripped);
  EXPECT_EQ(converter->convideodata->passnumber(), PassStage::ExtractingSubtitles);
}

TEST(ExtractSubtitles, Mp4TextGoesIntoTheWorkFolderNeverBesideTheSource) {
  Extract e;
  const QString source = e.sources + "/Film.mp4";
  test::makeMp4WithText(source);
  extractAll(e, source, 1);

  const QString srt = QString::fromUtf8(test::readFile(e.work + "/subtitle0.sub"));
  EXPECT_TRUE(srt.contains("00:00:00,200 --> 00:00:01,000\nFirst line")) << srt.toStdString();
  EXPECT_TRUE(srt.contains("Second line"));
  EXPECT_EQ(QDir(e.sources).entryList(QDir::Files), QStringList{"Film.mp4"});
  EXPECT_EQ(QDir(e.work).entryList({"*.srt"}, QDir::Files), QStringList{});
}

TEST(ExtractSubtitles, SubtitleFilesBesideTheVideoAreCopiedByTheirPosition) {
  Extract e;
  const QString source = e.sources + "/Film.mp4";
  test::makeMp4WithText(source);
  const MediaFilePtr media = test::probed(source);
  media->setSoftSubtitles(true);
  QList<SubtitleTrack> tracks = media->SoftSubtitleTracks();  // position 0, left unselected
  for (const char* name : {"Film.srt", "Film.ass", "Film.txt"}) {
    SubtitleTrack file;
    file.setLocation(SubtitleLocation::ExternalFile);
    file.setPath(test::writeFile(e.sources + "/" + name, name));
    file.setSelected(true);
    tracks << file;
  }
  media->setSoftSubtitleTracks(tracks);
  test::writeFile(e.work + "/subtitle1.sub", "left by an earlier conversion");
  (void)test::converterFor(media, e.work, e.log.reporter)->ExtractSubtitles();

  EXPECT_EQ(test::readFile(e.work + "/subtitle1.sub"), "Film.srt");
  EXPECT_EQ(test::readFile(e.work + "/subtitle2.ass"), "Film.ass");
  EXPECT_EQ(QDir(e.work).entryList(QDir::Files), (QStringList{"subtitle1.sub", "subtitle2.ass"}));
  EXPECT_TRUE(e.log.text().contains("Copying subtitle file " + e.sources + "/Film.srt to " + e.work +
                                    "/subtitle1.sub"));
}

TEST(ExtractSubtitles, SixteenStreamsOrMoreStripTheSubtitlesButTheOneToBurnIn) {
  for (const int padding : {9, 10}) {  // 2 audio, 2 soft and 2 hard subtitle entries, and the padding
    SCOPED_TRACE(padding);
    Extract e;
    const QString source = e.sources + "/Film.mkv";
    test::makeMatroska(source);
    const MediaFilePtr media = test::probed(source);
    media->setSoftSubtitles(false);
    QList<SubtitleTrack> hard = media->SoftSubtitleTracks();  // both text tracks offered to burn in too
    ASSERT_EQ(hard.size(), 2);
    hard[1].setSelected(true);  // burn in the French ASS track
    hard[0].setSelected(false);
    media->setHardSubtitleTracks(hard);
    QList<SubtitleTrack> soft = media->SoftSubtitleTracks();
    for (int i = 0; i < padding; ++i) soft << SubtitleTrack();
    media->setSoftSubtitleTracks(soft);
    auto converter = test::converterFor(media, e.work, e.log.reporter);
    (void)converter->ExtractSubtitles();

    const bool strip = padding == 10;
    EXPECT_EQ(converter->subtitlesstripped, strip);
    if (strip) {
      EXPECT_EQ(converter->fileToConvertPath, e.work + "/filewithoutsubtitles.mkv");
      EXPECT_EQ(test::streamSummary(converter->fileToConvertPath),
                (QStringList{"video h264", "audio aac eng", "audio aac fre", "subtitle ass fre"}));
    } else {
      EXPECT_EQ(converter->fileToConvertPath, source);
    }
  }
}
