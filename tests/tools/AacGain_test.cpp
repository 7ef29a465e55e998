#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>

#include "../mp4/Mp4Fixtures.h"
#include "ToolTestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

struct Levels {
  double peakDb = 0, rmsDb = 0;
};

// ffmpeg's own measurement of the decoded audio.
Levels levels(const QString& path) {
  const CommandResult r = runCommand(
      "ffmpeg", {"-nostdin", "-hide_banner", "-i", path, "-af",
                 "astats=measure_perchannel=none:measure_overall=Peak_level+RMS_level", "-f", "null", "-"});
  Levels l;
  l.peakDb = QRegularExpression("Peak level dB: (-?[\\d.]+)").match(r.output).captured(1).toDouble();
  l.rmsDb = QRegularExpression("RMS level dB: (-?[\\d.]+)").match(r.output).captured(1).toDouble();
  return l;
}

double trackGain(const QString& path) {
  const CommandResult r =
      runCommand("ffmpeg", {"-nostdin", "-hide_banner", "-i", path, "-af", "replaygain", "-f", "null", "-"});
  return QRegularExpression("track_gain = ([-+]?[\\d.]+) dB").match(r.output).captured(1).toDouble();
}

QString aac(const QString& folder, const QString& name, const QString& source) {
  const QString path = folder + "/" + name;
  makeMedia(path, {"-f", "lavfi", "-i", source, "-ac", "2", "-c:a", "aac", "-b:a", "128k", "-f", "mp4"});
  return path;
}

// What the runner reads: the integer before the first "%" of a chunk holding one.
void expectRunnerProgress(const QByteArray& output) {
  int last = -1;
  for (const QString& line : QString::fromUtf8(output).split('\n')) {
    if (!line.contains('%')) continue;
    const QString before = line.left(line.indexOf('%')).trimmed();
    EXPECT_TRUE(QRegularExpression("^\\d{1,3}$").match(before).hasMatch()) << line.toStdString();
    last = IntegerValue(before);
    EXPECT_LE(last, 100);
  }
  EXPECT_EQ(last, 100) << output.toStdString();
}

QStringList hiddenLeftovers(const QString& folder) {
  return QDir(folder).entryList({".*aacgain*"}, QDir::Files | QDir::Hidden);
}

}  // namespace

TEST(AacGain, TheTrackGainIsAppliedAndPeaksStayBelowFullScale) {
  const QString folder = freshFolder("gain work");
  const struct {
    const char* name;
    QString source;
    bool limited;  // the peak, not the loudness, decides the gain
  } cases[] = {
      {"a quiet tone", "sine=frequency=440:sample_rate=48000:duration=4,volume=0.1", false},
      {"a quiet tone with one loud click",
       "aevalsrc=0.02*sin(2*PI*440*t)+0.8*between(t\\,1\\,1.003)*sin(2*PI*1000*t):s=48000:d=4", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = aac(folder, "audio0ff.mp4", c.source);
    const Levels before = levels(path);
    const double gain = trackGain(path);
    ASSERT_GT(gain, 10) << "the fixture is quiet";
    // The normalising step names the re-encoded file in quotes.
    const ToolRun r = runTool("aacgain", QString(" -r -k -s s \"%1\"").arg(path), folder);
    ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
    expectRunnerProgress(r.output);

    const Levels after = levels(path);
    EXPECT_LT(after.peakDb, -0.2) << "below full scale";
    const double raised = after.rmsDb - before.rmsDb;
    if (c.limited) {
      EXPECT_GT(raised, 1.0);
      EXPECT_LT(raised, gain - 10) << "held back by the peak";
    } else {
      EXPECT_NEAR(raised, gain, 1.0);
    }
    const QJsonArray s = ffprobeStreams(path);
    ASSERT_EQ(s.size(), 1);
    EXPECT_EQ(s[0]["codec_name"].toString(), "aac");
    EXPECT_EQ(s[0]["channels"].toInt(), 2);
    EXPECT_EQ(s[0]["sample_rate"].toString(), "48000");
    EXPECT_NEAR(mediainfoTracks(path)[1].toObject()["Duration"].toString().toDouble(), 4.0, 0.1);
    EXPECT_TRUE(hiddenLeftovers(folder).isEmpty());
  }
}

TEST(AacGain, ErrorsLeaveTheFileAsItWas) {
  const QString folder = freshFolder("errors");
  const QString path = aac(folder, "audio0ff.mp4", "sine=duration=2,volume=0.1");
  const QString silentVideo = folder + "/video.mp4";
  makeMedia(silentVideo, {"-f", "lavfi", "-i", "testsrc=size=64x48:duration=1", "-c:v", "libx264", "-preset",
                          "ultrafast"});
  const struct {
    const char* name;
    QString command, file;
  } cases[] = {
      {"no -r", " -k -s s " + path, path},
      {"an unknown option", " -r -x " + path, path},
      {"no file", " -r -k -s s", path},
      {"a missing file", " -r -k -s s " + folder + "/missing.mp4", path},
      {"no audio", " -r -k -s s " + silentVideo, silentVideo},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray before = readFile(c.file);
    const ToolRun r = runTool("aacgain", c.command, folder);
    EXPECT_EQ(r.exitCode, 1) << r.output.toStdString();
    EXPECT_FALSE(r.output.trimmed().isEmpty());
    EXPECT_EQ(readFile(c.file), before);
    EXPECT_TRUE(hiddenLeftovers(folder).isEmpty());
  }
}

TEST(AacGain, AStopWhileTheAudioIsWrittenEndsTheEncoderAndKeepsTheFile) {
  const QString folder = freshFolder("stop");
  const QString path = aac(folder, "audio0ff.mp4", "sine=duration=2,volume=0.1");
  const QByteArray before = readFile(path);
  const QString bin = hangingFfmpeg("fake ffmpeg", "volume=");  // analyses, then hangs while encoding
  ToolProcess p;
  ASSERT_TRUE(p.start({paths::toolPath("aacgain"),
                       {"-r", "-k", "-s", "s", path},
                       folder,
                       {{"PATH", bin + ":" + qEnvironmentVariable("PATH")}}}));
  for (int i = 0; i < 200 && hiddenLeftovers(folder).isEmpty(); ++i) QThread::msleep(50);
  ASSERT_FALSE(hiddenLeftovers(folder).isEmpty()) << "the encoder started";
  p.terminate();
  EXPECT_EQ(p.waitForExit(), 1) << "it ended itself, after stopping its encoder";
  EXPECT_EQ(readFile(path), before);
  EXPECT_TRUE(hiddenLeftovers(folder).isEmpty());
}
