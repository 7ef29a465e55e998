#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "PreparationFixtures.h"
#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"
#include "mp4/Mp4Fixtures.h"

using namespace zuvo;

namespace {

struct Export : test::StepFolders {
  test::ScopedSettings bitrate{{"AudioBitrate", 128}};
};

// "codec channels" of the one audio stream of a file.
QString audioOf(const QString& path) {
  const QJsonArray streams = test::ffprobeStreams(path);
  for (const QJsonValue& s : streams)
    if (s.toObject()["codec_type"] == "audio")
      return s.toObject()["codec_name"].toString() + " " + QString::number(s.toObject()["channels"].toInt());
  return "none";
}

MediaFilePtr withAllSelected(const QString& source) {
  const MediaFilePtr media = test::probed(source);
  media->setAudioTracks(test::allSelected(media->AudioTracks()));
  return media;
}

}  // namespace

TEST(ExtractAudio, StereoAndMonoTracksBecomeStereoAAC) {
  Export e;
  const QString source = e.sources + "/Film.mkv";
  test::makeMatroska(source);
  const MediaFilePtr media = withAllSelected(source);
  ASSERT_EQ(media->AudioTracks().size(), 2);
  auto converter = test::converterFor(media, e.work, e.log.reporter);
  const BCError result = converter->ExtractAudio();
  EXPECT_FALSE(result.Error()) << result.Description().toStdString();
  EXPECT_TRUE(converter->soundexported);
  EXPECT_EQ(audioOf(e.work + "/audio0.m4a"), "aac 2");
  EXPECT_EQ(audioOf(e.work + "/audio1.m4a"), "aac 2");
  EXPECT_EQ(media->AudioTracks()[1].channels(), 2);  // was mono
  EXPECT_NEAR(test::durationSeconds(e.work + "/audio1.m4a"), 2, 0.2);
  EXPECT_EQ(media->passnumber(), PassStage::ExportingAudio);
}

TEST(ExtractAudio, ASurroundTrackGivesAC3AndAStereoVersionOfIt) {
  Export e;
  const QString source = e.sources + "/Film.mkv";
  test::makeTestVideo(source, 2, 160, 120,
                      {"-f", "lavfi", "-i", "sine=frequency=500:sample_rate=48000:duration=2", "-map", "0", "-map", "1",
                       "-map", "2", "-filter:a:1", "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:v", "libx264",
                       "-preset", "ultrafast", "-c:a", "aac", "-c:a:1", "ac3"});
  const MediaFilePtr media = withAllSelected(source);
  QList<AudioTrack> tracks = media->AudioTracks();
  ASSERT_EQ(tracks.size(), 2);
  ASSERT_EQ(tracks[1].channels(), 6);
  tracks[1].setMakeStereo(true);
  media->setAudioTracks(tracks);
  auto converter = test::converterFor(media, e.work, e.log.reporter);
  EXPECT_FALSE(converter->ExtractAudio().Error());
  EXPECT_EQ(audioOf(e.work + "/audio0.m4a"), "aac 2");
  EXPECT_EQ(audioOf(e.work + "/audio1.ac3"), "ac3 6");
  EXPECT_EQ(audioOf(e.work + "/audio1.m4a"), "ac3 2");
}

TEST(ExtractAudio, AMissingExportEndsTheStepWithCode7) {
  Export e;
  const QString source = e.sources + "/Film.mkv";
  test::makeMatroska(source);
  const MediaFilePtr media = withAllSelected(source);
  QList<AudioTrack> tracks = media->AudioTracks();
  tracks[0].setFfmpegstreamnumber(9);  // no such stream
  media->setAudioTracks(tracks);
  auto converter = test::converterFor(media, e.work, e.log.reporter);
  const BCError result = converter->ExtractAudio();
  EXPECT_EQ(result.Code(), 7);
  EXPECT_EQ(result.Description(),
            QString("Unable to create AAC stereo sound for audio track %1").arg(tracks[0].streamnumber()));
  EXPECT_FALSE(media->conversionfinished());
  EXPECT_EQ(media->progress(), 100);
}

TEST(ExtractAudio, AStopEndsTheStepAsEveryStopDoesAndDeletesTheOutput) {
  Export e;
  const QString source = e.sources + "/Film.mkv";
  test::makeMatroska(source);
  const MediaFilePtr media = withAllSelected(source);
  auto converter = test::converterFor(media, e.work, e.log.reporter);
  const QString output = e.work + "/" + converter->outboundname + converter->videotype;
  test::writeFile(output, "partial");
  media->setStopbuttonpressed(true);
  const BCError result = converter->ExtractAudio();
  // Code 2, which the queue reports to nobody: not an audio error.
  EXPECT_EQ(result.Code(), 2);
  EXPECT_EQ(result.Description(), "Cancel Button Pressed");
  EXPECT_FALSE(QFileInfo::exists(output));
  EXPECT_EQ(QDir(e.work).entryList({"audio*"}, QDir::Files), QStringList{});
  EXPECT_TRUE(e.log.text().contains("[RED]Conversion failed either due to stop button press FFMPEG fail."));
}
