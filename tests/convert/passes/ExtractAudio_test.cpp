#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <limits>

#include "convert/report/ConversionCodes.h"
#include "convert/support/PreparationFixtures.h"
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

// The loudest sample of a file's sound, in dB (-91 for silence; not a number when unread).
double maxVolume(const QString& path) {
  const QString report =
      QString::fromUtf8(test::runCommand("ffmpeg", {"-hide_banner", "-nostats", "-i", path, "-af",
                                                    "volumedetect", "-f", "null", "-"})
                            .output);
  const qsizetype at = report.indexOf("max_volume: ");
  return at < 0 ? std::numeric_limits<double>::quiet_NaN()
                : report.mid(at + 12).section(' ', 0, 0).toDouble();
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
                      {"-f",   "lavfi",   "-i",          "sine=frequency=500:sample_rate=48000:duration=2",
                       "-map", "0",       "-map",        "1",
                       "-map", "2",       "-filter:a:1", "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0",
                       "-c:v", "libx264", "-preset",     "ultrafast",
                       "-c:a", "aac",     "-c:a:1",      "ac3"});
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

TEST(ExtractAudio, TransportStreamTracksExportTheirOwnSound) {
  // English is a tone and French silence. The French stream comes first in the program
  // table but has the higher PID, so the two tools list the tracks in opposite orders;
  // with two programs ffprobe lists the video twice.
  struct Case {
    const char* name;
    QStringList programs;
  } cases[] = {
      {"one program", {}},
      {"two programs", {"-program", "title=One:st=0:st=1", "-program", "title=Two:st=0:st=2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Export e;
    const QString source = e.sources + "/Broadcast.ts";
    test::makeMedia(source, QStringList{"-f",
                                        "lavfi",
                                        "-i",
                                        "testsrc=size=160x120:rate=25:duration=2",
                                        "-f",
                                        "lavfi",
                                        "-i",
                                        "anullsrc=sample_rate=48000:channel_layout=mono",
                                        "-f",
                                        "lavfi",
                                        "-i",
                                        "sine=frequency=1000:sample_rate=48000:duration=2",
                                        "-map",
                                        "0:v",
                                        "-map",
                                        "1:a",
                                        "-map",
                                        "2:a",
                                        "-t",
                                        "2",
                                        "-c:v",
                                        "libx264",
                                        "-preset",
                                        "ultrafast",
                                        "-c:a",
                                        "aac",
                                        "-metadata:s:a:0",
                                        "language=fra",
                                        "-metadata:s:a:1",
                                        "language=eng",
                                        "-streamid",
                                        "0:0x100",
                                        "-streamid",
                                        "1:0x120",
                                        "-streamid",
                                        "2:0x110"} +
                                c.programs);
    const MediaFilePtr media = withAllSelected(source);
    const QList<AudioTrack> tracks = media->AudioTracks();
    ASSERT_EQ(tracks.size(), 2);
    auto converter = test::converterFor(media, e.work, e.log.reporter);
    const BCError result = converter->ExtractAudio();
    ASSERT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << e.log.text().toStdString();
    for (int i = 0; i < 2; ++i) {
      const QString exported = e.work + QString("/audio%1.m4a").arg(i);
      ASSERT_EQ(audioOf(exported), "aac 2") << i;
      if (tracks[i].language() == "English")
        EXPECT_GT(maxVolume(exported), -30) << "the English export is the tone";
      else
        EXPECT_LT(maxVolume(exported), -60) << tracks[i].language().toStdString() << " export is silence";
    }
    EXPECT_EQ(QStringList({tracks[0].language(), tracks[1].language()}), QStringList({"English", "French"}));
  }
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
  EXPECT_EQ(result.Code(), ConversionCode::AudioTrack);
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
  EXPECT_EQ(result.Code(), ConversionCode::Stopped);
  EXPECT_EQ(result.Description(), "Cancel Button Pressed");
  EXPECT_FALSE(QFileInfo::exists(output));
  EXPECT_EQ(QDir(e.work).entryList({"audio*"}, QDir::Files), QStringList{});
  EXPECT_TRUE(e.log.text().contains("[RED]Conversion failed either due to stop button press FFMPEG fail."));
}
