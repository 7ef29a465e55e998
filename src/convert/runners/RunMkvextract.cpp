#include "convert/runners/ChunkProgress.h"
#include "convert/runners/ToolRunners.h"

namespace zuvo {
namespace {
// "progress: 50%"; mkvtoolnix 74 writes "Progress: 50%".
constexpr ChunkProgressRule kMkvextractProgress{.trigger = QLatin1StringView("%"),
                                                .start = QLatin1StringView("progress: "),
                                                .end = QLatin1StringView("%"),
                                                .zeroCountsAsOne = true};
}  // namespace

void runMkvextract(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                   const QString& workingFolder, const ConversionReport& report, const Reporter& reporter) {
  runChunkTool(kMkvextractProgress, {.stop = true}, launchPath, arguments, media, workingFolder, report,
               reporter);
}

}  // namespace zuvo
