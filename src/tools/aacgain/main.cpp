// Stands in for the AAC gain tool of the stereo normalisation ("-r -k -s s FILE"): measures
// each file's track gain with ffmpeg's replaygain filter and applies it; with -k the gain is
// lowered so that the peak stays a decibel below full scale. The audio is re-encoded at its
// own bit rate with that gain (changing the stored gain without re-encoding would take a
// whole AAC bitstream parser), and the file is replaced only once the new one is complete.
// Progress lines start with "N%"; no other line holds a percent sign, since the runner reads
// the number before the first one.
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/common/FfmpegChild.h"

using namespace zuvo::tools;

namespace {

constexpr const char* kUsage = "usage: aacgain -r [-k] [-s s] FILE...\n";
// The loudest sample aimed at after the change, and the most an encode may then reach.
constexpr double kPeakLimitDb = -1.0;
constexpr double kOvershootDb = -0.3;
constexpr int kMaxAttempts = 3;
constexpr double kSmallestChangeDb = 0.05;
constexpr int kDefaultKbps = 128;

struct Analysis {
  double gainDb = NAN;
  double peak = NAN;
  int kbps = kDefaultKbps;
};

class Progress {
 public:
  // `from` to `to` percent over the file's duration.
  Progress(int from, int to) : from_(from), to_(to) {}
  void line(const QString& text) {
    static const QRegularExpression duration("Duration: (\\d+:\\d+:\\d+(?:\\.\\d+)?)");
    static const QRegularExpression time("time=(\\d+:\\d+:\\d+(?:\\.\\d+)?)");
    if (const auto m = duration.match(text); m.hasMatch() && total_ <= 0)
      total_ = ffmpegSeconds(m.captured(1));
    if (const auto m = time.match(text); m.hasMatch() && total_ > 0)
      show(ffmpegSeconds(m.captured(1)) / total_);
  }
  void show(double fraction) {
    const int percent = from_ + int(std::clamp(fraction, 0.0, 1.0) * (to_ - from_));
    if (percent == last_) return;
    last_ = percent;
    std::printf("%d%% done\n", percent);
    std::fflush(stdout);
  }

 private:
  int from_, to_, last_ = -1;
  double total_ = -1;
};

// A message line on its own: the runner logs a chunk only when it holds no progress.
void say(const QString& message) {
  std::printf("%s\n", message.toUtf8().constData());
  std::fflush(stdout);
}

int fail(const QString& message) {
  std::fprintf(stderr, "aacgain: %s\n", message.toUtf8().constData());
  return 1;
}

int usage() {
  std::fputs(kUsage, stderr);
  return 1;
}

bool failed(QString& error, const QString& message) {
  error = message;
  return false;
}

bool analyse(const QString& file, Analysis& out, QString& error) {
  Progress progress(0, 50);
  progress.show(0);
  const FfmpegResult r = runFfmpeg({"-i", file, "-map", "0:a:0", "-af", "replaygain", "-f", "null", "-"},
                                   [&](const QString& line) { progress.line(line); });
  if (!r.started) return failed(error, "cannot start ffmpeg");
  if (r.stopped) return failed(error, "stopped");
  static const QRegularExpression gain("track_gain = ([-+]?\\d+(?:\\.\\d+)?) dB");
  static const QRegularExpression peak("track_peak = (\\d+(?:\\.\\d+)?)");
  static const QRegularExpression rate("Stream #0:\\d+[^\\n]*: Audio: [^\\n]*?, (\\d+) kb/s");
  const auto g = gain.match(r.output), p = peak.match(r.output);
  if (r.exitStatus != 0 || !g.hasMatch() || !p.hasMatch()) return failed(error, "no audio could be analysed");
  out.gainDb = g.captured(1).toDouble();
  out.peak = p.captured(1).toDouble();
  if (const auto k = rate.match(r.output); k.hasMatch() && k.captured(1).toInt() > 0)
    out.kbps = k.captured(1).toInt();
  return true;
}

// The loudest sample of the decoded audio, in dB below full scale.
bool peakDb(const QString& file, double& out) {
  static const QRegularExpression peak("Peak level dB: (-?inf|[-+]?\\d+(?:\\.\\d+)?)");
  const FfmpegResult r =
      runFfmpeg({"-i", file, "-map", "0:a:0", "-af",
                 "astats=measure_perchannel=none:measure_overall=Peak_level", "-f", "null", "-"});
  const auto m = peak.match(r.output);
  if (r.stopped || r.exitStatus != 0 || !m.hasMatch()) return false;
  out = m.captured(1).endsWith("inf") ? -HUGE_VAL : m.captured(1).toDouble();
  return true;
}

// Re-encodes with the gain into a file beside the original and puts it in its place. With
// peak protection, an encode whose peak overshoots (lossy coding spreads transients) is made
// again with the gain lowered by the overshoot.
bool apply(const QString& file, double gainDb, int kbps, bool protectPeaks, QString& error) {
  const QFileInfo info(file);
  const QString temporary =
      info.absolutePath() + "/." + info.fileName() + QStringLiteral(".aacgain%1").arg(::getpid());
  const QByteArray temporaryName = QFile::encodeName(temporary);
  for (int attempt = 0;; ++attempt) {
    Progress progress(50, 100);
    const FfmpegResult r =
        runFfmpeg({"-y", "-i", file, "-map", "0:a", "-c:a", "aac", "-b:a", QStringLiteral("%1k").arg(kbps),
                   "-af", QStringLiteral("volume=%1dB").arg(gainDb, 0, 'f', 2), "-f", "mp4", temporary},
                  [&](const QString& line) { progress.line(line); });
    if (!r.started || r.stopped || r.exitStatus != 0 || QFileInfo(temporary).size() == 0) {
      ::unlink(temporaryName.constData());
      return failed(error, r.stopped ? "stopped" : "the new audio could not be written");
    }
    double peak = 0;
    if (!protectPeaks || attempt == kMaxAttempts || (peakDb(temporary, peak) && peak <= kOvershootDb)) break;
    if (stopRequested()) {
      ::unlink(temporaryName.constData());
      return failed(error, "stopped");
    }
    gainDb -= peak - kPeakLimitDb;
    say(QString::asprintf("The encoded peak is %+.2f dB: applying %+.2f dB instead", peak, gainDb));
  }
  if (::rename(temporaryName.constData(), QFile::encodeName(file).constData()) != 0) {
    ::unlink(temporaryName.constData());
    return failed(error, "the file could not be replaced");
  }
  Progress(100, 100).show(1);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  catchStopRequests();
  QStringList args = app.arguments().mid(1);
  bool applyTrackGain = false, preventClipping = false;
  QStringList files;
  for (qsizetype i = 0; i < args.size(); ++i) {
    if (args[i] == "-r")
      applyTrackGain = true;
    else if (args[i] == "-k")
      preventClipping = true;
    else if (args[i] == "-s" && i + 1 < args.size() && args[i + 1] == "s")
      ++i;  // stored tags are never read
    else if (args[i].startsWith('-'))
      return usage();
    else
      files << args[i];
  }
  if (!applyTrackGain || files.isEmpty()) return usage();
  if (systemFfmpeg().isEmpty()) return fail("ffmpeg is not installed");

  for (const QString& file : files) {
    if (!QFileInfo(file).isFile()) return fail("no such file: " + file);
    Analysis a;
    QString error;
    if (!analyse(file, a, error)) return fail(error);
    double change = a.gainDb;
    if (preventClipping && a.peak > 0) change = std::min(change, kPeakLimitDb - 20 * std::log10(a.peak));
    say(QString::asprintf("Track gain %+.2f dB, peak %.6f: applying %+.2f dB", a.gainDb, a.peak, change));
    if (std::fabs(change) < kSmallestChangeDb) {
      say("No change needed");
      Progress(100, 100).show(1);
      continue;
    }
    if (!apply(file, change, a.kbps, preventClipping, error)) return fail(error);
  }
  return 0;
}
