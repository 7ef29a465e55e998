#pragma once
// The frame every tool runner shares: the child started with its argument list in the work
// folder, its merged output read as whole lines while it runs, and the user's pause and
// stop requests from the media object honoured between reads. A stopped or abandoned
// child is terminated with its whole process group, a paused one resumed first.
#include <QElapsedTimer>
#include <functional>
#include <optional>

#include "convert/report/ConversionLog.h"  // reportTo
#include "convert/runners/ToolArguments.h"
#include "convert/runners/ToolOutput.h"
#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"
#include "platform/ToolProcess.h"

namespace zuvo {

class ToolRun {
 public:
  // Which of the media object's requests this tool's runner honours.
  struct Requests {
    bool stop = false;
    bool pause = false;
  };
  enum class Ending {
    OutputEnded,  // the tool ended
    Stopped,      // the user's stop request ended it
    Abandoned,    // the handler gave up on it
  };
  // Gets the lines of one read (never an empty list); false abandons the tool.
  using Handler = std::function<bool(const QStringList& lines)>;

  ToolRun(const QString& launchPath, const ToolArguments& arguments, const QString& workingFolder);

  // False, with a line in the log, when the program cannot be started.
  bool start(const Reporter& reporter);
  Ending readToEnd(MediaFile& media, Requests requests, const Handler& handle);
  // The time the tool has run, without the time it spent paused: the time left is
  // estimated from it.
  double elapsedSeconds() const { return (started_.elapsed() - pausedMs_) / 1000.0; }
  // After Ending::OutputEnded: the tool's exit status, -1 when a signal ended it.
  int exitStatus() const { return exitStatus_; }
  // After Ending::OutputEnded: nothing when the tool ended with status 0, else why it failed.
  std::optional<QString> failure() const;

  // The result of a runner whose tool could not be started.
  BCError launchFailure() const;

 private:
  void holdWhilePaused(MediaFile& media, Requests requests);

  ToolProcess::Options options_;
  ToolProcess process_;
  ToolOutput output_;
  QElapsedTimer started_;
  int exitStatus_ = -1;
  qint64 pausedMs_ = 0;
};

}  // namespace zuvo
