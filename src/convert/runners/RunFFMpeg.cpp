#include "convert/report/ConversionCodes.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "media/StringHelpers.h"

namespace zuvo {
namespace {
// "frame=  250 fps=120 q=28.0 size=  1024kB time=10.00 bitrate= 838.9kbits/s"; Debian's
// own ffmpeg writes the time as "00:00:10.00".
constexpr QLatin1StringView kTimeStart("time=");
constexpr QLatin1StringView kTimeEnd(" bitrate=");
// "  Duration: 00:01:05.40, start: 0.000000, bitrate: 838 kb/s"
constexpr QLatin1StringView kDurationStart("Duration: ");
constexpr QLatin1StringView kDurationEnd(", ");
constexpr QLatin1StringView kDuplicateFrames("dup");
constexpr QLatin1StringView kTimestampError("error, non monotone timestamps");

constexpr int kUnknownDuration = -1;
constexpr int kFallbackDuration = 3600;
constexpr int kSampleDuration = 60;
constexpr int kLongestTime = 300000;

// Whole seconds of "h:mm:ss.cc"; nothing with fewer than three parts.
std::optional<int> clockSeconds(const QString& text) {
  const QStringList parts = text.split(u':');
  if (parts.size() < 3) return std::nullopt;
  return IntegerValue(parts[0]) * 3600 + IntegerValue(parts[1]) * 60 + IntegerValue(parts[2]);
}

class FfmpegLines {
 public:
  FfmpegLines(MediaFile& media, const ToolRun& run, const ConversionReport& report, const Reporter& reporter)
      : media_(media), run_(run), report_(report), reporter_(reporter) {}

  // False on the fatal time-stamp message.
  bool take(const QString& line) {
    const std::optional<QString> time = StringBetween(line, kTimeStart, kTimeEnd);
    if (!line.contains(kDuplicateFrames) && !line.contains(kTimeStart))
      reportTo(reporter_, QStringLiteral("FFMPEG:%1").arg(line), 4);
    if (line.contains(kTimestampError)) {
      reportTo(reporter_, QStringLiteral("[RED]Monotone Timestamps Error"), 3);
      return false;
    }
    // A zero total is as good as none: no progress could ever be shown with it.
    if (time && duration_ <= 0) fallBack();
    if (duration_ > 0) {
      showProgress(time ? clockSeconds(*time).value_or(IntegerValue(*time)) : 0);
    } else {
      readDuration(line);
    }
    return true;
  }

 private:
  void fallBack() {
    reportTo(reporter_, QStringLiteral("Missed the duration somewhere"), 3);
    const int source = media_.myvideotrack().duration();
    if (source > 0) {
      duration_ = source;
      reportTo(reporter_, QStringLiteral("Going with a default duration of %1").arg(duration_), 3);
    } else {
      duration_ = kFallbackDuration;
      reportTo(reporter_, QStringLiteral("Going with a duration of 60 minutes"), 3);
    }
    takeSampleDuration();
  }

  void readDuration(const QString& line) {
    const std::optional<QString> text = StringBetween(line, kDurationStart, kDurationEnd);
    if (!text) return;
    const std::optional<int> seconds = clockSeconds(*text);
    if (!seconds) {
      reportTo(reporter_, QStringLiteral("runFFMpeg:: Duration reported : %1").arg(*text), 4);
      return;
    }
    duration_ = *seconds;
    takeSampleDuration();
    reportTo(reporter_,
             QStringLiteral("runFFMpeg:: Total duration of video file in seconds is : %1").arg(duration_), 4);
  }

  // A sample is 60 seconds long whatever the source's length.
  void takeSampleDuration() {
    if (!media_.isSample()) return;
    duration_ = kSampleDuration;
    reportTo(reporter_, QStringLiteral("[BLUE]Is sample, setting ffmpeg duration to 60s"), 4);
  }

  void showProgress(int seconds) {
    if (seconds <= 0 || seconds >= kLongestTime) return;
    const double fraction = double(seconds) / duration_;
    const double shown = std::min(fraction * 100, 100.0);
    media_.setProgress(static_cast<int>(shown));
    report_.percentDone(static_cast<float>(shown));
    // Past the expected end (a fall-back total that was too short) nothing is left.
    const double done = std::min(fraction, 1.0);
    media_.setTimeleftinconversion(run_.elapsedSeconds() * (1 - done) / fraction);
    if (static_cast<int>(shown) % 10 == 0)
      reportTo(reporter_, QStringLiteral("FFMPEG at %1%").arg(static_cast<int>(shown)), 4);
    report_.itemChanged();
  }

  MediaFile& media_;
  const ToolRun& run_;
  const ConversionReport& report_;
  const Reporter& reporter_;
  int duration_ = kUnknownDuration;
};

}  // namespace

BCError runFFMpeg(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                  const QString& workingFolder, const ConversionReport& report, const Reporter& reporter) {
  reportTo(reporter, arguments.text(), 4);
  ToolRun run(launchPath, arguments, workingFolder);
  if (!run.start(reporter)) return run.launchFailure();
  FfmpegLines progress(*media, run, report, reporter);
  const ToolRun::Ending ending =
      run.readToEnd(*media, {.stop = true, .pause = true}, [&](const QStringList& lines) {
        return std::all_of(lines.begin(), lines.end(),
                           [&](const QString& line) { return progress.take(line); });
      });
  switch (ending) {
    case ToolRun::Ending::Abandoned:
      return BCError::Code(ConversionCode::BrokenTimeStamps,
                           QStringLiteral("File contains broken time stamps."));
    case ToolRun::Ending::Stopped:
      return BCError::Code(ConversionCode::Stopped, QStringLiteral("Cancel Button Pressed"));
    case ToolRun::Ending::OutputEnded:
      break;
  }
  // ffmpeg ended by a signal, or one that gave up (a full disk), may still leave a file that
  // looks finished: it counts as failed.
  if (const std::optional<QString> failed = run.failure()) {
    reportTo(reporter, QStringLiteral("[RED]%1").arg(*failed), 3);
    return BCError::Code(kToolFailedCode, *failed);
  }
  return BCError::NoError();
}

}  // namespace zuvo
