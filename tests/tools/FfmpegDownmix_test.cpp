// Stereo made through the adapter from surround and from stereo sources, read back sample
// by sample: a downmix never goes over full scale, and nothing else changes level.
#include <gtest/gtest.h>

#include <QFile>
#include <cmath>
#include <iostream>

#include "platform/Paths.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

struct Level {
  double peakDb = 0;
  double rmsDb = 0;
};

// The peak and RMS level of a file's first audio stream, decoded to 32-bit floats.
Level levelOf(const QString& path) {
  const QString raw = path + ".f32";
  const test::CommandResult decoded =
      test::runCommand("ffmpeg", {"-nostdin", "-v", "error", "-y", "-i", path, "-map", "0:a:0", "-f", "f32le",
                                  "-c:a", "pcm_f32le", raw});
  EXPECT_EQ(decoded.exitCode, 0) << decoded.output.toStdString();
  const QByteArray bytes = test::readFile(raw);
  const auto* samples = reinterpret_cast<const float*>(bytes.constData());
  const qsizetype count = bytes.size() / qsizetype(sizeof(float));
  double peak = 0, sum = 0;
  for (qsizetype i = 0; i < count; ++i) {
    peak = std::max(peak, double(std::abs(samples[i])));
    sum += double(samples[i]) * samples[i];
  }
  if (count == 0) return {-200, -200};
  return {20 * std::log10(std::max(peak, 1e-10)), 10 * std::log10(std::max(sum / double(count), 1e-20))};
}

struct Source {
  const char* id;
  // ffmpeg options after the lavfi inputs: what is in the channels, and the codec.
  QStringList make;
  const char* extension;
  bool loud;  // its plain 5.1 downmix goes over full scale
};

// Three full-scale tones in every channel, which the plain downmix sums to about +7 dB.
const QStringList kLoudSurround{"-filter_complex",
                                "[0][1][2]amix=inputs=3:weights=1 1 1:normalize=0,volume=2.5,"
                                "pan=5.1(side)|FL=c0|FR=c0|FC=c0|LFE=c0|SL=c0|SR=c0"};

QStringList loud(const QStringList& codec) { return kLoudSurround + codec; }

const Source kSources[] = {
    {"AC3", loud({"-c:a", "ac3", "-b:a", "448k"}), "ac3", true},
    {"EAC3", loud({"-c:a", "eac3", "-b:a", "640k"}), "mkv", true},
    {"DTS", loud({"-strict", "-2", "-c:a", "dca", "-b:a", "1509k"}), "mkv", true},
    {"TrueHD", loud({"-strict", "-2", "-c:a", "truehd"}), "mkv", true},
    // Dialogue at a usual level in the centre channel, nothing elsewhere.
    {"CentreDialogue",
     {"-filter_complex", "[0]volume=1.6,pan=5.1(side)|FL=0*c0|FR=0*c0|FC=c0|LFE=0*c0|SL=0*c0|SR=0*c0", "-c:a",
      "ac3", "-b:a", "448k"},
     "ac3",
     false},
    // A stereo master: no mix, so nothing may change.
    {"Stereo", {"-filter_complex", "[0][1]amerge=inputs=2,volume=6", "-c:a", "flac"}, "flac", false},
};

void PrintTo(const Source& s, std::ostream* os) { *os << s.id; }

class FfmpegDownmix : public ::testing::TestWithParam<Source> {};

}  // namespace

TEST_P(FfmpegDownmix, StereoNeverGoesOverFullScaleAndKeepsItsLevel) {
  const Source& s = GetParam();
  const QString folder = test::freshFolder("downmix");
  const QString source = folder + "/source." + s.extension;
  test::makeMedia(source,
                  QStringList{"-f", "lavfi", "-i", "sine=frequency=220:sample_rate=48000:duration=3", "-f",
                              "lavfi", "-i", "sine=frequency=330:sample_rate=48000:duration=3", "-f", "lavfi",
                              "-i", "sine=frequency=440:sample_rate=48000:duration=3"} +
                      s.make);
  // The converter's stereo track, as its audio step writes it.
  const QString output = folder + "/audio.m4a";
  const test::CommandResult run =
      test::runCommand(paths::toolPath("ffmpeg"), {"-y", "-i", source, "-acodec", "libfaac", "-vol", "256",
                                                   "-ab", "160k", "-ar", "48000", "-ac", "2", output});
  ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
  // Debian's ffmpeg asked the same directly: the level the tracks had so far.
  const QString plain = folder + "/plain.m4a";
  ASSERT_EQ(test::runCommand("ffmpeg", {"-nostdin", "-v", "error", "-y", "-i", source, "-ac", "2", "-ar",
                                        "48000", "-c:a", "aac", "-b:a", "160k", plain})
                .exitCode,
            0);

  const Level made = levelOf(output), before = levelOf(plain);
  std::cout << s.id << ": peak " << made.peakDb << " dBFS (plain " << before.peakDb << "), RMS " << made.rmsDb
            << " dBFS (plain " << before.rmsDb << ")\n";
  if (s.loud) {
    EXPECT_GT(before.peakDb, 3.0) << s.id << ": the source does not show the fault";
    EXPECT_LE(made.peakDb, 0.0) << s.id << ": over full scale";
    EXPECT_GT(made.peakDb, -4.0) << s.id << ": limited far more than needed";
  } else {
    // Dialogue may lose up to 1 dB; a stereo source is not mixed at all.
    EXPECT_NEAR(made.rmsDb, before.rmsDb, s.extension == QStringLiteral("flac") ? 0.01 : 1.0) << s.id;
    EXPECT_NEAR(made.peakDb, before.peakDb, s.extension == QStringLiteral("flac") ? 0.01 : 1.0) << s.id;
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, FfmpegDownmix, ::testing::ValuesIn(kSources),
                         [](const ::testing::TestParamInfo<Source>& info) {
                           return std::string(info.param.id);
                         });
