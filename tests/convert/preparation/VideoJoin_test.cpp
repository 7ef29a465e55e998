#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "convert/report/ConversionCodes.h"
#include "convert/support/PreparationFixtures.h"
#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"

using namespace zuvo;

namespace {

struct Join : test::StepFolders {
  BCError run(const QString& source, const QStringList& parts, std::unique_ptr<BCConverter>& converter) {
    const MediaFilePtr media = test::probed(source);
    media->setVideoJoinPaths(parts);
    converter = test::converterFor(media, work, log.reporter);
    return converter->VideoJoin();
  }
};

}  // namespace

TEST(VideoJoin, AviPartsAreJoinedByAvimerge) {
  Join j;
  QStringList files;
  for (const char* name : {"Film cd1.avi", "Film cd2.avi", "Film cd3.avi"}) {
    files << j.sources + "/" + name;
    test::makeTestVideo(files.last(), 1, 160, 120, {"-c:v", "mpeg4", "-c:a", "libmp3lame"});
  }
  std::unique_ptr<BCConverter> converter;
  const BCError result = j.run(files[0], files.mid(1), converter);
  EXPECT_FALSE(result.Error()) << result.Description().toStdString();
  EXPECT_EQ(converter->fileToConvertPath, j.work + "/mergedavifile.avi");
  EXPECT_EQ(converter->tfiletype, converter->fileToConvertPath.toLower());
  EXPECT_EQ(test::streamSummary(converter->fileToConvertPath), (QStringList{"video mpeg4", "audio mp3"}));
  EXPECT_NEAR(test::durationSeconds(converter->fileToConvertPath), 3, 0.2);
  EXPECT_EQ(converter->convideodata->passnumber(), PassStage::JoiningVideo);
}

TEST(VideoJoin, OtherPartsAreRewrappedAndJoinedByMkvmerge) {
  Join j;
  // Two audio tracks: the re-wrap keeps both.
  const QStringList extra{"-f",      "lavfi",     "-i",   "sine=frequency=660:duration=1",
                          "-map",    "0",         "-map", "1",
                          "-map",    "2",         "-c:v", "libx264",
                          "-preset", "ultrafast", "-c:a", "aac"};
  const QString first = j.sources + "/Film part 1.mp4", second = j.sources + "/Film part 2.mp4";
  test::makeTestVideo(first, 1, 160, 120, extra);
  test::makeTestVideo(second, 1, 160, 120, extra);
  std::unique_ptr<BCConverter> converter;
  const BCError result = j.run(first, {second}, converter);
  EXPECT_FALSE(result.Error()) << result.Description().toStdString();
  EXPECT_EQ(converter->fileToConvertPath, j.work + "/mergedmkvfile.mkv");
  EXPECT_EQ(test::streamSummary(converter->fileToConvertPath),
            (QStringList{"video h264", "audio aac", "audio aac"}));
  EXPECT_NEAR(test::durationSeconds(converter->fileToConvertPath), 2, 0.2);
  EXPECT_EQ(converter->convideodata->passnumber(), PassStage::JoiningMatroska);
  // The intermediate files it made are gone, and the log names those.
  EXPECT_EQ(QDir(j.work).entryList({"intermediate*"}, QDir::Files), QStringList{});
  EXPECT_TRUE(j.log.text().contains("Cleaning up file " + j.work + "/intermediate1.mkv"));
  EXPECT_EQ(j.log.text().count("-acodec copy -newaudio"), 2);
}

TEST(VideoJoin, MatroskaPartsJoinAsTheyAre) {
  Join j;
  const QString first = j.sources + "/Film 1.mkv", second = j.sources + "/Film 2.mkv";
  for (const QString& file : {first, second})
    test::makeTestVideo(file, 1, 160, 120, {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"});
  std::unique_ptr<BCConverter> converter;
  const BCError result = j.run(first, {second}, converter);
  EXPECT_FALSE(result.Error()) << result.Description().toStdString();
  EXPECT_NEAR(test::durationSeconds(j.work + "/mergedmkvfile.mkv"), 2, 0.2);
  EXPECT_FALSE(j.log.text().contains("intermediate"));
}

TEST(VideoJoin, AJoinThatFailsEndsTheConversion) {
  Join j;
  const QString first = j.sources + "/Film 1.mkv", second = j.sources + "/Film 2.mkv";
  test::makeTestVideo(first, 1, 160, 120, {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"});
  test::makeTestVideo(second, 1, 320, 240, {"-c:v", "mpeg4", "-c:a", "libmp3lame"});
  std::unique_ptr<BCConverter> converter;
  const BCError result = j.run(first, {second}, converter);
  EXPECT_TRUE(result.Error());
  EXPECT_EQ(result.Code(), ConversionCode::JoinFailed);
  // Debian's mkvmerge words it "... cannot be appended to the track number ...".
  EXPECT_EQ(result.Description(), "Video Join Failed due to mismatched track properties")
      << j.log.text().toStdString();
  EXPECT_EQ(converter->convideodata->state(), MediaState::Ended);
  EXPECT_TRUE(j.log.text().contains("[RED]Failing conversion on Video Join Error"));

  // An AVI join that writes nothing is no success either.
  const QString avi = j.sources + "/Film cd1.avi";
  test::makeTestVideo(avi, 1, 160, 120, {"-c:v", "mpeg4", "-c:a", "libmp3lame"});
  const BCError missing = j.run(avi, {j.sources + "/no such part.avi"}, converter);
  EXPECT_TRUE(missing.Error());
  EXPECT_FALSE(QFileInfo::exists(j.work + "/mergedavifile.avi"));
}
