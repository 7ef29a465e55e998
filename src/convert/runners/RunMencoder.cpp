#include "convert/report/ConversionCodes.h"
#include "convert/runners/ChunkProgress.h"
#include "convert/runners/ToolRunners.h"

namespace zuvo {
namespace {
// "Pos:   1.0s     25f ( 3%) 12.34fps Trem: ..."
constexpr ChunkProgressRule kMencoderProgress{.trigger = QLatin1StringView("%)"),
                                              .start = QLatin1StringView("("),
                                              .end = QLatin1StringView("%)"),
                                              .tenthsLog = "MENCODER at %i%%"};
}  // namespace

BCError runMencoder(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                    const QString& workingFolder, const ConversionReport& report, const Reporter& reporter) {
  BCError failure;
  const auto ending = runChunkTool(kMencoderProgress, {.stop = true, .pause = true}, launchPath, arguments,
                                   media, workingFolder, report, reporter, {}, &failure);
  if (!ending) return failure;
  if (*ending == ToolRun::Ending::Stopped)
    return BCError::Code(ConversionCode::Stopped, QStringLiteral("Canceled"));
  return BCError::NoError();
}

}  // namespace zuvo
