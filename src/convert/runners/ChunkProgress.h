#pragma once
// The progress marker of a tool whose output is read a chunk at a time: the complete lines
// of one read are searched as a whole, and the last line holding the marker gives the
// percentage. Chunks without it are logged.
#include <QLatin1StringView>
#include <QStringList>
#include <functional>
#include <optional>

#include "convert/runners/RunnerProgress.h"
#include "convert/runners/ToolRun.h"

namespace zuvo {

struct ChunkProgressRule {
  enum class Bar { Rising, AsRead };

  QLatin1StringView trigger{};  // a line holding this is a progress line
  QLatin1StringView start{};  // the percentage follows this, in either letter case (empty: the line's start)
  QLatin1StringView end{};    // and ends before this
  Bar bar = Bar::Rising;
  bool zeroCountsAsOne = false;
  bool capAtHundred = false;
  double timeLeftBound = kLongToolTimeLeftBound;
  const char* otherOutputLog = nullptr;  // "...%1" for a chunk without the marker
  const char* tenthsLog = nullptr;       // the rising bar's "... at %i%%"
};

class ChunkProgress {
 public:
  explicit ChunkProgress(const ChunkProgressRule& rule) : rule_(rule) {}

  // Shows the chunk's percentage, or logs the chunk. True when it held the marker.
  bool take(const QStringList& lines, MediaFile& media, double elapsedSeconds, const ConversionReport& report,
            const Reporter& reporter);

  // The percentage of a progress line as the rule reads it, before the bar's rules.
  static int percentageIn(const QString& line, const ChunkProgressRule& rule);

 private:
  const ChunkProgressRule& rule_;
  RisingProgress bar_;
};

// Runs a tool whose output is read a chunk at a time, with its progress shown by `rule`.
// `examine`, when given, sees the lines of each chunk first; false abandons the tool. Nothing when the
// tool could not be started (`failure`, when given, then receives the launch failure).
// `toolFailure`, when given, receives why a tool that ended by itself failed (its status).
std::optional<ToolRun::Ending> runChunkTool(const ChunkProgressRule& rule, ToolRun::Requests requests,
                                            const QString& launchPath, const ToolArguments& arguments,
                                            const MediaFilePtr& media, const QString& workingFolder,
                                            const ConversionReport& report, const Reporter& reporter,
                                            const std::function<bool(const QStringList& lines)>& examine = {},
                                            BCError* failure = nullptr,
                                            std::optional<QString>* toolFailure = nullptr);

// runChunkTool for a caller that needs the outcome: nothing when the tool ended by itself with
// status 0, else why not (it could not start, it was stopped, its status).
std::optional<QString> runCheckedChunkTool(const ChunkProgressRule& rule, ToolRun::Requests requests,
                                           const QString& launchPath, const ToolArguments& arguments,
                                           const MediaFilePtr& media, const QString& workingFolder,
                                           const ConversionReport& report, const Reporter& reporter);

}  // namespace zuvo
