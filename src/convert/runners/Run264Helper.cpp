#include "convert/runners/ChunkProgress.h"
#include "convert/runners/ToolRunners.h"

namespace zuvo {
namespace {
// "2011-05-01 10:00:00.000 Zuvo264Helper[123:903] progress:42%"
constexpr ChunkProgressRule kHelperProgress{.trigger = QLatin1StringView("%"),
                                            .start = QLatin1StringView("progress:"),
                                            .end = QLatin1StringView("%"),
                                            .zeroCountsAsOne = true,
                                            .capAtHundred = true,
                                            .otherOutputLog = "run264Helper: %1"};
// Every failure line of the helper holds it. The helper also echoes its options
// ("input arg   = <path>"): a path holding the word is no failure.
constexpr QLatin1StringView kErrorMark("Error");
constexpr QLatin1StringView kEchoedOption(" arg   = ");

bool reportsFailure(const QStringList& lines) {
  return std::any_of(lines.begin(), lines.end(), [](const QString& line) {
    return line.contains(kErrorMark) && !line.contains(kEchoedOption);
  });
}
}  // namespace

bool run264Helper(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                  const QString& workingFolder, const ConversionReport& report, const Reporter& reporter) {
  reportTo(reporter, QStringLiteral("[BLUE]run264Helper called with : %1").arg(arguments.text()), 4);
  const auto ending =
      runChunkTool(kHelperProgress, {.stop = true}, launchPath, arguments, media, workingFolder, report,
                   reporter, [&](const QStringList& lines) {
                     if (!reportsFailure(lines)) return true;
                     reportTo(reporter, QStringLiteral("[RED]run264Helper: %1").arg(lines.join('\n')), 4);
                     return false;
                   });
  return ending && *ending != ToolRun::Ending::Abandoned;
}

}  // namespace zuvo
