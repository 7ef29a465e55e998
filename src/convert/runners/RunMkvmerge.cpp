#include "convert/report/ConversionCodes.h"
#include "convert/runners/ChunkProgress.h"
#include "convert/runners/ToolRunners.h"

namespace zuvo {
namespace {
// "Progress: 50%"
constexpr ChunkProgressRule kMkvmergeProgress{.trigger = QLatin1StringView("%"),
                                              .start = QLatin1StringView("Progress: "),
                                              .end = QLatin1StringView("%"),
                                              .zeroCountsAsOne = true,
                                              .otherOutputLog = "MKVMERGE:%1"};
// A part whose tracks cannot be appended, as older mkvmerge says it ("Error: The track
// parameters do not match.") and as Debian 12's does ("Error: The track number 0 from the
// file 'b.mkv' cannot be appended to the track number 0 from the file 'a.mkv'. The width of
// the two tracks is different: 160 and 320").
constexpr QLatin1StringView kMismatchMessages[] = {
    QLatin1StringView("parameters do not match"),
    QLatin1StringView("cannot be appended to the track number")};

bool saysMismatch(const QStringList& lines) {
  const QString text = lines.join('\n');
  for (const QLatin1StringView message : kMismatchMessages)
    if (text.contains(message)) return true;
  return false;
}
}  // namespace

BCError runMkvmerge(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                    const QString& workingFolder, const ConversionReport& report, const Reporter& reporter) {
  reportTo(reporter, QStringLiteral("[BLUE]MKVMERGE called with : %1").arg(arguments.text()), 4);
  BCError failure;
  const auto ending = runChunkTool(
      kMkvmergeProgress, {.stop = true, .pause = true}, launchPath, arguments, media, workingFolder, report,
      reporter, [](const QStringList& lines) { return !saysMismatch(lines); }, &failure);
  if (!ending) return failure;
  switch (*ending) {
    case ToolRun::Ending::Abandoned:
      reportTo(reporter, QStringLiteral("[RED]MKV merge failing due to miss-matched tracks"), 3);
      return BCError::Code(ConversionCode::JoinFailed,
                           QStringLiteral("Video Join Failed due to mismatched track properties"));
    case ToolRun::Ending::Stopped:
      return BCError::Code(ConversionCode::Stopped, QStringLiteral("Stop button pressed"));
    case ToolRun::Ending::OutputEnded:
      break;
  }
  return BCError::NoError();
}

}  // namespace zuvo
