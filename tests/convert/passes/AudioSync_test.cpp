// Lip sync through the real probe and converter: sources with white frames and tones at
// the same instants must come out with each tone and its flash within 40 ms of each other,
// as ffmpeg measures them on the output: whichever stream starts first, with B-frames in a
// copied picture, and in recordings cut anywhere in the middle of a group of pictures.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <optional>

#include "convert/converter/BCConverter.h"
#include "convert/support/PreparationFixtures.h"
#include "media/MediaValues.h"
#include "mp4/Mp4Fixtures.h"
#include "platform/Paths.h"

using namespace zuvo;
using test::ScopedSettings;

namespace {

constexpr double kTolerance = 0.040;

struct Case {
  const char* name;
  const char* extension;
  const char*
      video;  // "h264" (no B-frames), "h264b" (B-frames, fixed GOP of 2 s) or "mpeg2" (576i, GOPs of 12)
  const char* audio;
  int rateNum, rateDen;  // frames per second as a fraction
  double shift;          // seconds the audio starts after the picture
  double seconds;
  bool cut;   // the first 12 % of the file dropped on a 188-byte boundary
  bool fast;  // the picture copied instead of encoded
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// Events at irregular spacing, so that a sound shifted by whole events cannot pass for one
// in sync: every flash must find its own tone.
QList<int> eventFrames(const Case& c) {
  QList<int> frames;
  const double fps = double(c.rateNum) / c.rateDen;
  for (double at = 0.6, gap = 1.1; at < c.seconds - 0.4; at += gap, gap += 0.2) frames << qRound(at * fps);
  return frames;
}

// Noisy black (an encoder must have something to keep) with one white frame at each event,
// and stereo silence with a 1 kHz tone from each event on for 0.2 s; the audio starts
// `shift` seconds after the picture (before it when negative).
void makeFlashAndBeep(const QString& path, const Case& c) {
  const double audioLead = c.shift < 0 ? -c.shift : 0, videoLead = c.shift > 0 ? c.shift : 0;
  const QString size =
      QLatin1String(c.video) == "mpeg2" ? QStringLiteral("720x576") : QStringLiteral("320x240");
  QStringList flashes, tones;
  for (int n : eventFrames(c)) {
    flashes << QStringLiteral("eq(n,%1)").arg(n);
    // In the audio's own time the tone comes `shift` seconds earlier.
    const double at = double(n) * c.rateDen / c.rateNum - c.shift;
    tones << QStringLiteral("between(t,%1,%2)").arg(at, 0, 'f', 6).arg(at + 0.2, 0, 'f', 6);
  }
  const QString picture = QStringLiteral(
                              "color=black:s=%1:r=%2/%3:d=%4,noise=alls=20:allf=t,"
                              "drawbox=color=white:t=fill:enable='%5'")
                              .arg(size)
                              .arg(c.rateNum)
                              .arg(c.rateDen)
                              .arg(c.seconds)
                              .arg(flashes.join('+'));
  const QString beep = QStringLiteral("if(%1,0.8*sin(2*PI*1000*t),0)").arg(tones.join('+'));
  const QString sound =
      QStringLiteral("aevalsrc='%1|%1':s=48000:d=%2").arg(beep).arg(c.seconds + audioLead - videoLead);
  QStringList video;
  if (QLatin1String(c.video) == "mpeg2")
    video = {"-c:v", "mpeg2video", "-b:v",   "4M",          "-g",   "12",
             "-bf",  "2",          "-flags", "+ilme+ildct", "-top", "1"};
  else if (QLatin1String(c.video) == "h264b")
    video = {"-c:v",          "libx264", "-preset",  "veryfast",
             "-bf",           "2",       "-g",       QString::number(2 * c.rateNum / c.rateDen),
             "-sc_threshold", "0",       "-pix_fmt", "yuv420p"};
  else
    video = {"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"};
  test::makeMedia(
      path,
      QStringList{"-itsoffset", QString::number(audioLead), "-f", "lavfi", "-i", picture, "-itsoffset",
                  QString::number(videoLead), "-f", "lavfi", "-i", sound, "-map", "0:v", "-map", "1:a"} +
          video + QStringList{"-c:a", c.audio, "-b:a", "192k", "-metadata:s:a:0", "language=eng"});
}

// What a tuner hands over when it starts mid-stream: the file from about 12 % on, cut on
// a transport packet's boundary, so it opens in the middle of a group of pictures.
void cutAtTwelvePercent(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray whole = file.readAll();
  file.close();
  const qsizetype from = whole.size() * 12 / 100 / 188 * 188;
  test::writeFile(path, whole.mid(from));
}

// The times of the flashes (their first white picture), from the file's own clock (edit lists applied).
QList<double> flashTimes(const QString& path) {
  const QString out =
      test::runCommand("ffmpeg", {"-nostats", "-v", "info", "-copyts", "-i", path, "-map", "0:v:0", "-vf",
                                  "signalstats,metadata=print:key=lavfi.signalstats.YAVG", "-f", "null", "-"})
          .output;
  static const QRegularExpression pts(QStringLiteral("pts_time:([0-9.]+)")),
      yavg(QStringLiteral("YAVG=([0-9.]+)"));
  QList<double> times;
  double at = -1;
  for (const QString& line : out.split('\n')) {
    if (const auto m = pts.match(line); m.hasMatch()) at = m.captured(1).toDouble();
    // A picture repeated by the frame-rate conversion is one flash.
    if (const auto m = yavg.match(line);
        m.hasMatch() && m.captured(1).toDouble() > 128 && (times.isEmpty() || at - times.last() > 0.2))
      times << at;
  }
  return times;
}

// Where each silence of the first audio track ends: the tones' onsets.
QList<double> toneTimes(const QString& path) {
  const QString out =
      test::runCommand("ffmpeg", {"-nostats", "-v", "info", "-copyts", "-i", path, "-map", "0:a:0", "-af",
                                  "silencedetect=n=-30dB:d=0.1", "-f", "null", "-"})
          .output;
  static const QRegularExpression end(QStringLiteral("silence_end: ([0-9.]+)"));
  QList<double> times;
  for (auto it = end.globalMatch(out); it.hasNext();) times << it.next().captured(1).toDouble();
  return times;
}

// The duration of the first stream of `type` ("video", "audio"), as ffprobe gives it.
double streamDuration(const QString& path, const QString& type) {
  for (const QJsonValue& value : test::ffprobeStreams(path)) {
    const QJsonObject s = value.toObject();
    if (s[QLatin1String("codec_type")].toString() == type)
      return s[QLatin1String("duration")].toString().toDouble();
  }
  return -1;
}

// How far the sound is behind the picture: the shift that gives the most flashes a tone
// within the tolerance (the smallest such shift among equals), and how many it gives.
struct Offset {
  double seconds = 0;
  int matched = 0;
};
Offset soundBehindPicture(const QList<double>& flashes, const QList<double>& tones) {
  Offset best;
  if (flashes.isEmpty()) return best;
  for (double tone : tones) {
    const double shift = tone - flashes.first();
    int matched = 0;
    for (double flash : flashes)
      matched += std::any_of(tones.begin(), tones.end(),
                             [&](double t) { return std::fabs(t - flash - shift) < kTolerance; });
    if (matched > best.matched || (matched == best.matched && std::fabs(shift) < std::fabs(best.seconds)))
      best = {shift, matched};
  }
  return best;
}

std::string listed(const QList<double>& times) {
  std::string text;
  for (double t : times) text += ' ' + std::to_string(t);
  return text;
}

class AudioSync : public testing::TestWithParam<Case> {
 protected:
  AudioSync() { QDir(paths::desktopFolder()).removeRecursively(); }

  QString sources = test::freshFolder("sources");
  QString work = test::freshFolder("work");
  ScopedSettings settings{
      {"ConversionDirectory", work}, {"EncodingQuality", 1},          {"ConversionThreads", 2},
      {"AudioBitrate", 128},         {"MovieDestination", "Desktop"}, {"VideoSourcesFileAction", 0},
      {"DroppedFileAction", 0},      {"SucessfulConversions", 0},     {"EnableFASTMode", true}};
};

}  // namespace

TEST_P(AudioSync, ToneAndFlashLandTogether) {
  const Case& c = GetParam();
  const QString source = sources + QStringLiteral("/Clip.%1").arg(c.extension);
  makeFlashAndBeep(source, c);
  if (c.cut) cutAtTwelvePercent(source);
  // The source itself is in sync.
  const Offset inSource = soundBehindPicture(flashTimes(source), toneTimes(source));
  ASSERT_GE(inSource.matched, 2);
  ASSERT_LT(std::fabs(inSource.seconds), kTolerance);

  MediaFilePtr media = test::probed(source);
  media->setMediatype(MediaType::Movie);
  media->setSeriesname(QStringLiteral("Clip"));
  media->setConversionFormat(ConversionFormat::SDOnly);
  media->setFastmode(c.fast);
  QList<AudioTrack> audio = media->AudioTracks();
  ASSERT_EQ(audio.size(), 1);
  audio[0].setSelected(true);
  audio[0].setIsDefault(true);
  media->setAudioTracks(audio);
  test::CapturedLog log;
  auto converter = BCConverter::init(media, "[1]", {}, log.reporter, {});
  media->setState(MediaState::Converting);
  const BCError result = converter->Convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << log.text().toStdString();
  const QStringList placed = QDir(paths::desktopFolder()).entryList(QDir::Files);
  ASSERT_EQ(placed.size(), 1) << log.text().toStdString();
  const QString output = paths::desktopFolder() + "/" + placed[0];
  if (c.fast) EXPECT_TRUE(log.text().contains("Encoding Video in Fast Mode")) << log.text().toStdString();

  const QList<double> flashes = flashTimes(output), tones = toneTimes(output);
  const Offset offset = soundBehindPicture(flashes, tones);
  ASSERT_GE(offset.matched, 2) << "flashes at" << listed(flashes) << ", tones at" << listed(tones);
  EXPECT_EQ(offset.matched, flashes.size())
      << "flashes at" << listed(flashes) << ", tones at" << listed(tones);
  EXPECT_LT(std::fabs(offset.seconds), kTolerance)
      << "the sound is " << offset.seconds << " s behind the picture; flashes at" << listed(flashes)
      << ", tones at" << listed(tones) << "\n"
      << log.text().toStdString();
  // The sound neither runs on after the picture nor stops before it.
  const double picture = streamDuration(output, "video"), sound = streamDuration(output, "audio");
  ASSERT_GT(picture, 1);
  EXPECT_LT(std::fabs(sound - picture), 0.1) << "picture " << picture << " s, sound " << sound << " s";
}

// Each case is a test of its own, so that ctest spreads them.
const Case kCases[] = {
    {"TsAudioLate", "ts", "h264", "mp2", 25, 1, 0.5, 3, false, false},
    {"TsAudioEarly", "ts", "h264", "mp2", 25, 1, -0.5, 3, false, false},
    {"MkvAudioLate", "mkv", "h264", "aac", 25, 1, 0.5, 3, false, false},
    {"MkvAudioEarly", "mkv", "h264", "aac", 25, 1, -0.5, 3, false, false},
    {"MkvAudioEarlyPictureCopied", "mkv", "h264", "aac", 25, 1, -0.5, 3, false, true},
    {"TsAudioLatePictureCopied", "ts", "h264", "mp2", 25, 1, 0.5, 3, false, true},
    // With B-frames the first picture is decoded before it is shown: the copy must start at
    // its shown time, not its decode time.
    {"MkvBFramesPictureCopied", "mkv", "h264b", "aac", 25, 1, 0, 4, false, true},
    {"Mp4BFrames23976PictureCopied", "mp4", "h264b", "aac", 24000, 1001, 0, 4, false, true},
    // A broadcast recording starts wherever the tuner began.
    {"CutH264Ac3", "ts", "h264b", "ac3", 25, 1, 0, 7, true, false},
    {"CutH264Ac3PictureCopied", "ts", "h264b", "ac3", 25, 1, 0, 7, true, true},
    {"CutMpeg2Mp2", "ts", "mpeg2", "mp2", 25, 1, 0, 7, true, false},
};

INSTANTIATE_TEST_SUITE_P(EachSource, AudioSync, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });
