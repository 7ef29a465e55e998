#include "convert/runners/ChunkProgress.h"

#include <algorithm>
#include <functional>
#include <iterator>

#include "media/StringHelpers.h"

namespace zuvo {

int ChunkProgress::percentageIn(const QString& line, const ChunkProgressRule& rule) {
  const qsizetype end = line.indexOf(rule.end);
  if (rule.start.isEmpty()) return end < 0 ? 0 : IntegerValue(QStringView(line).left(end).trimmed());
  const qsizetype at = line.indexOf(rule.start, 0, Qt::CaseInsensitive);
  if (at < 0) return 0;
  const qsizetype from = at + rule.start.size();
  const qsizetype stop = line.indexOf(rule.end, from);
  return stop < 0 ? 0 : IntegerValue(QStringView(line).mid(from, stop - from).trimmed());
}

bool ChunkProgress::take(const QStringList& lines, MediaFile& media, double elapsedSeconds,
                         const ConversionReport& report, const Reporter& reporter) {
  // Writes of the tool that arrive in one read: the newest progress line counts, and the
  // tool's messages among them are still logged (a loaded machine merges writes into one read).
  const auto isProgress = [&](const QString& l) { return l.contains(rule_.trigger); };
  const auto line = std::find_if(lines.rbegin(), lines.rend(), isProgress);
  if (rule_.otherOutputLog && reporter) {
    QStringList messages;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(messages), std::not_fn(isProgress));
    if (!messages.isEmpty())
      reporter->report(QString::fromLatin1(rule_.otherOutputLog).arg(messages.join('\n')), 4);
  }
  if (line == lines.rend()) return false;
  int percent = percentageIn(*line, rule_);
  if (rule_.zeroCountsAsOne && percent == 0) percent = 1;
  if (rule_.capAtHundred && percent > 100) percent = 100;
  if (rule_.bar == ChunkProgressRule::Bar::Rising) {
    showRisingProgress(bar_, percent, media, elapsedSeconds, rule_.timeLeftBound, rule_.tenthsLog, report,
                       reporter);
  } else {
    media.setProgress(percent);
    setBoundedTimeLeft(media, elapsedSeconds, percent == 0 ? 0.1 : percent, rule_.timeLeftBound);
    report.itemChanged();
  }
  return true;
}

std::optional<ToolRun::Ending> runChunkTool(const ChunkProgressRule& rule, ToolRun::Requests requests,
                                            const QString& launchPath, const ToolArguments& arguments,
                                            const MediaFilePtr& media, const QString& workingFolder,
                                            const ConversionReport& report, const Reporter& reporter,
                                            const std::function<bool(const QStringList& lines)>& examine,
                                            BCError* failure, std::optional<QString>* toolFailure) {
  ToolRun run(launchPath, arguments, workingFolder);
  if (!run.start(reporter)) {
    if (failure) *failure = run.launchFailure();
    return std::nullopt;
  }
  ChunkProgress progress(rule);
  const ToolRun::Ending ending = run.readToEnd(*media, requests, [&](const QStringList& lines) {
    if (examine && !examine(lines)) return false;
    progress.take(lines, *media, run.elapsedSeconds(), report, reporter);
    return true;
  });
  if (toolFailure && ending == ToolRun::Ending::OutputEnded) *toolFailure = run.failure();
  return ending;
}

std::optional<QString> runCheckedChunkTool(const ChunkProgressRule& rule, ToolRun::Requests requests,
                                           const QString& launchPath, const ToolArguments& arguments,
                                           const MediaFilePtr& media, const QString& workingFolder,
                                           const ConversionReport& report, const Reporter& reporter) {
  BCError launch;
  std::optional<QString> failed;
  const auto ending = runChunkTool(rule, requests, launchPath, arguments, media, workingFolder, report,
                                   reporter, {}, &launch, &failed);
  if (!ending) return launch.Description();
  if (*ending == ToolRun::Ending::Stopped) return QStringLiteral("Stop button pressed");
  return failed;
}

}  // namespace zuvo
