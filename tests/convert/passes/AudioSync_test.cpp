// Lip sync through the real probe and converter: a source whose audio starts before or after
// its picture, with a white frame and a tone at the same instant, must come out with the
// tone and the flash within one frame of each other, as ffmpeg measures them.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <cmath>
#include <optional>

#include "convert/converter/BCConverter.h"
#include "convert/support/PreparationFixtures.h"
#include "media/MediaValues.h"
#include "platform/Paths.h"

using namespace zuvo;
using test::ScopedSettings;

namespace {

constexpr double kFrame = 1.0 / 25;

// Three seconds of noisy black (an encoder must have something to keep) at 25 frames per second with one white frame at `flash` seconds
// into the picture, and stereo silence with a 1 kHz tone at the same instant; the audio
// starts `shift` seconds after the picture (before it when negative).
void makeFlashAndBeep(const QString& path, double shift, const QString& audioCodec) {
  const double flash = 1.0;
  const double audioLead = shift < 0 ? -shift : 0, videoLead = shift > 0 ? shift : 0;
  // In the audio's own time the tone comes `flash - shift` seconds in.
  const double tone = flash - shift;
  const QString picture =
      QStringLiteral("color=black:s=320x240:r=25:d=3,noise=alls=30:allf=t,drawbox=color=white:t=fill:enable='between(t,%1,%2)'")
          .arg(flash)
          .arg(flash + kFrame - 0.001);
  const QString sound = QStringLiteral("aevalsrc='if(between(t,%1,%2),0.8*sin(2*PI*1000*t),0)|if(between(t,%1,%2),0.8*sin(2*PI*1000*t),0)':s=48000:d=%3")
                            .arg(tone)
                            .arg(tone + 0.2)
                            .arg(3 + audioLead - videoLead);
  test::makeMedia(path, {"-itsoffset", QString::number(audioLead), "-f", "lavfi", "-i", picture, "-itsoffset",
                         QString::number(videoLead), "-f", "lavfi", "-i", sound, "-map", "0:v", "-map", "1:a", "-c:v",
                         "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", audioCodec, "-b:a", "128k",
                         "-metadata:s:a:0", "language=eng"});
}

// The time of the first white picture, from the file's own clock (edit lists applied).
std::optional<double> flashTime(const QString& path) {
  const QString out = test::runCommand("ffmpeg", {"-nostats", "-v", "info", "-copyts", "-i", path, "-map", "0:v:0", "-vf",
                                                  "signalstats,metadata=print:key=lavfi.signalstats.YAVG", "-f", "null", "-"})
                          .output;
  static const QRegularExpression pts(QStringLiteral("pts_time:([0-9.]+)")), yavg(QStringLiteral("YAVG=([0-9.]+)"));
  std::optional<double> at;
  for (const QString& line : out.split('\n')) {
    if (const auto m = pts.match(line); m.hasMatch()) at = m.captured(1).toDouble();
    if (const auto m = yavg.match(line); m.hasMatch() && m.captured(1).toDouble() > 128) return at;
  }
  return std::nullopt;
}

// Where the first silence of the first audio track ends: the tone's onset.
std::optional<double> toneTime(const QString& path) {
  const QString out = test::runCommand("ffmpeg", {"-nostats", "-v", "info", "-copyts", "-i", path, "-map", "0:a:0", "-af",
                                                  "silencedetect=n=-30dB:d=0.1", "-f", "null", "-"})
                          .output;
  static const QRegularExpression end(QStringLiteral("silence_end: ([0-9.]+)"));
  const auto m = end.match(out);
  if (!m.hasMatch()) return std::nullopt;
  return m.captured(1).toDouble();
}

class AudioSync : public testing::Test {
 protected:
  AudioSync() { QDir(paths::desktopFolder()).removeRecursively(); }

  QString sources = test::freshFolder("sources");
  QString work = test::freshFolder("work");
  ScopedSettings settings{{"ConversionDirectory", work}, {"EncodingQuality", 1}, {"ConversionThreads", 2},
                          {"AudioBitrate", 128}, {"MovieDestination", "Desktop"}, {"VideoSourcesFileAction", 0},
                          {"DroppedFileAction", 0}, {"SucessfulConversions", 0}};
};

}  // namespace

TEST_F(AudioSync, ToneAndFlashStayWithinOneFrameWhateverStartsFirst) {
  struct Case {
    const char* name;
    const char* extension;
    const char* codec;
    double shift;  // seconds the audio starts after the picture
    bool fast;     // the picture copied instead of encoded
  } cases[] = {
      {"TS, audio late", "ts", "mp2", 0.5, false},   {"TS, audio early", "ts", "mp2", -0.5, false},
      {"MKV, audio late", "mkv", "aac", 0.5, false}, {"MKV, audio early", "mkv", "aac", -0.5, false},
      {"MKV, audio early, picture copied", "mkv", "aac", -0.5, true},
      {"TS, audio late, picture copied", "ts", "mp2", 0.5, true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(paths::desktopFolder()).removeRecursively();
    const QString source = sources + QStringLiteral("/Clip %1.%2").arg(++n).arg(c.extension);
    makeFlashAndBeep(source, c.shift, c.codec);
    // The source itself is in sync.
    const auto sourceFlash = flashTime(source), sourceTone = toneTime(source);
    ASSERT_TRUE(sourceFlash && sourceTone);
    ASSERT_LT(std::fabs(*sourceFlash - *sourceTone), kFrame);

    MediaFilePtr media = test::probed(source);
    media->setMediatype(MediaType::Movie);
    media->setSeriesname(QStringLiteral("Clip %1").arg(n));
    media->setConversionFormat(ConversionFormat::SDOnly);
    media->setFastmode(c.fast);
    QList<AudioTrack> audio = media->AudioTracks();
    ASSERT_EQ(audio.size(), 1);
    ASSERT_EQ(audio[0].channels(), 2);
    audio[0].setSelected(true);
    audio[0].setIsDefault(true);
    media->setAudioTracks(audio);
    test::CapturedLog log;
    auto converter = BCConverter::init(media, "[1]", {}, log.reporter);
    media->setState(MediaState::Converting);
    const BCError result = converter->Convert();
    ASSERT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << log.text().toStdString();
    const QStringList placed = QDir(paths::desktopFolder()).entryList(QDir::Files);
    ASSERT_EQ(placed.size(), 1) << log.text().toStdString();
    const QString output = paths::desktopFolder() + "/" + placed[0];

    const auto flash = flashTime(output), tone = toneTime(output);
    ASSERT_TRUE(flash && tone) << output.toStdString();
    EXPECT_LT(std::fabs(*tone - *flash), kFrame) << "tone at " << *tone << " s, flash at " << *flash << " s\n"
                                                 << log.text().toStdString();
  }
}
