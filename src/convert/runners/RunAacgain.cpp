#include "convert/runners/ChunkProgress.h"
#include "convert/runners/ToolRunners.h"

namespace zuvo {
namespace {
// " 45% done"
constexpr ChunkProgressRule kAacgainProgress{.trigger = QLatin1StringView("%"),
                                             .end = QLatin1StringView("%"),
                                             .bar = ChunkProgressRule::Bar::AsRead,
                                             .timeLeftBound = kShortToolTimeLeftBound,
                                             .otherOutputLog = "aacgain::%1"};
}  // namespace

std::optional<QString> runAacgain(const QString& launchPath, const ToolArguments& arguments,
                                  const MediaFilePtr& media, const QString& workingFolder,
                                  const ConversionReport& report, const Reporter& reporter) {
  reportTo(reporter, QStringLiteral("[BLUE]aacgain called with command %1").arg(arguments.text()), 4);
  return runCheckedChunkTool(kAacgainProgress, {.stop = true}, launchPath, arguments, media, workingFolder,
                             report, reporter);
}

}  // namespace zuvo
