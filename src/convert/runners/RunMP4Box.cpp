#include "convert/runners/ChunkProgress.h"
#include "convert/runners/ToolRunners.h"

namespace zuvo {
namespace {
// "Importing AAC: |=====               | (25/100)"
constexpr ChunkProgressRule kMP4BoxProgress{.trigger = QLatin1StringView("| ("),
                                            .start = QLatin1StringView("| ("),
                                            .end = QLatin1StringView("/100)"),
                                            .bar = ChunkProgressRule::Bar::AsRead,
                                            .timeLeftBound = kShortToolTimeLeftBound,
                                            .otherOutputLog = "MP4Box::%1"};
}  // namespace

std::optional<QString> runMP4Box(const QString& launchPath, const ToolArguments& arguments,
                                 const MediaFilePtr& media, const QString& workingFolder,
                                 const ConversionReport& report, const Reporter& reporter) {
  reportTo(reporter, QStringLiteral("[BLUE]mp4box called with command %1").arg(arguments.text()), 4);
  return runCheckedChunkTool(kMP4BoxProgress, {.stop = true}, launchPath, arguments, media, workingFolder,
                             report, reporter);
}

}  // namespace zuvo
