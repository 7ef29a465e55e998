#include "convert/report/ConversionCodes.h"
#include "convert/runners/RunnerProgress.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "media/StringHelpers.h"

namespace zuvo {
namespace {
// "Encoding: task 1 of 2, 5.23 % (45.67 fps, avg 50.12 fps, ETA 00h01m02s)"
constexpr QLatin1StringView kOnlyTask("Encoding: task 1 of 1, ");
constexpr QLatin1StringView kFirstOfTwoTasks("Encoding: task 1 of 2, ");
constexpr QLatin1StringView kSecondOfTwoTasks("Encoding: task 2 of 2, ");
constexpr int kFirstOfTwoTasksStage = 18;
constexpr int kSecondOfTwoTasksStage = 7;

struct FatalMessage {
  const char* marker;
  qint32 code;
  const char* description;
};
constexpr FatalMessage kFatalMessages[] = {
    {"No title found", ConversionCode::MissingDVDTitle, "Trying to Import Missing or Damaged DVD"},
    {"Invalid audio input track", ConversionCode::DVDAudioTrack,
     "Zuvo is unable to import audio from this DVD"},
};
}  // namespace

BCError runHandbrake(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                     const QString& workingFolder, const ConversionReport& report, const Reporter& reporter) {
  ToolRun run(launchPath, arguments, workingFolder);
  if (!run.start(reporter)) return run.launchFailure();
  RisingProgress bar(1);
  bool firstOfTwoSeen = false;
  BCError result;
  const ToolRun::Ending ending =
      run.readToEnd(*media, {.stop = true, .pause = true}, [&](const QStringList& lines) {
        for (const QString& line : lines) {
          const bool first = line.contains(kFirstOfTwoTasks);
          const bool second = line.contains(kSecondOfTwoTasks);
          if (line.contains(u'%') && (first || second || line.contains(kOnlyTask))) {
            if (first) {
              media->setPassnumber(kFirstOfTwoTasksStage);
              firstOfTwoSeen = true;
            }
            if (second) {
              media->setPassnumber(kSecondOfTwoTasksStage);
              if (std::exchange(firstOfTwoSeen, false)) bar.restart(1);
            }
            const int percent = IntegerValue(
                StringBetween(line, QStringLiteral(", "), QStringLiteral("%")).value_or(QString()).trimmed());
            showRisingProgress(bar, std::max(percent, 1), *media, run.elapsedSeconds(),
                               kLongToolTimeLeftBound, "Handbrake at %i%%", report, reporter);
            report.percentDone(bar.last());
            continue;
          }
          reportTo(reporter, QStringLiteral("HANDBRAKE:%1").arg(line), 4);
          for (const FatalMessage& fatal : kFatalMessages) {
            if (!line.contains(QLatin1StringView(fatal.marker))) continue;
            result = BCError::Code(fatal.code, QString::fromLatin1(fatal.description));
            return false;
          }
        }
        return true;
      });
  if (ending == ToolRun::Ending::Stopped)
    return BCError::Code(ConversionCode::Stopped, QStringLiteral("Cancel Button Pressed"));
  return result;
}

}  // namespace zuvo
