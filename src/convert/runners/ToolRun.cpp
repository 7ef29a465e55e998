#include "convert/runners/ToolRun.h"

#include <QFileInfo>
#include <QThread>

#include "convert/report/ConversionCodes.h"

namespace zuvo {
namespace {
// How long one read waits for output: the requests are looked at this often while a tool
// is silent.
constexpr int kReadSliceMs = 200;
// The pause is looked at once a second.
constexpr unsigned long kPausePollMs = 1000;
}  // namespace

ToolRun::ToolRun(const QString& launchPath, const ToolArguments& arguments, const QString& workingFolder)
    : options_{launchPath, arguments.list(), workingFolder, {}} {}

bool ToolRun::start(const Reporter& reporter) {
  const bool started = process_.start(options_);
  started_.start();
  if (!started)
    reportTo(reporter,
             QStringLiteral("[RED]Unable to start %1 in %2").arg(options_.program, options_.workingDirectory),
             3);
  return started;
}

BCError ToolRun::launchFailure() const {
  return BCError::Code(ConversionCode::ToolLaunch,
                       QStringLiteral("Unable to start %1").arg(options_.program));
}

ToolRun::Ending ToolRun::readToEnd(MediaFile& media, Requests requests, const Handler& handle) {
  for (;;) {
    const QByteArray bytes = process_.read(kReadSliceMs);
    // The end: the pipe has closed, or the tool has ended while something it left behind
    // still holds the pipe open.
    const bool ended = bytes.isEmpty() && (process_.atEnd() || !process_.isRunning());
    const QStringList lines = ended ? output_.finish() : output_.lines(bytes);
    if (!lines.isEmpty() && !handle(lines)) {
      process_.terminate();
      return Ending::Abandoned;
    }
    if (ended) {
      exitStatus_ = process_.waitForExit();
      return Ending::OutputEnded;
    }
    if (requests.pause && media.pause()) holdWhilePaused(media, requests);
    if (requests.stop && media.stopbuttonpressed()) {
      process_.terminate();
      return Ending::Stopped;
    }
  }
}

std::optional<QString> ToolRun::failure() const {
  if (exitStatus_ == 0) return std::nullopt;
  const QString tool = QFileInfo(options_.program).fileName();
  if (exitStatus_ < 0) return QStringLiteral("%1 was ended by a signal").arg(tool);
  return QStringLiteral("%1 ended with status %2").arg(tool).arg(exitStatus_);
}

// A stop request ends the wait too, so that stopping a paused item ends its tool.
void ToolRun::holdWhilePaused(MediaFile& media, Requests requests) {
  QElapsedTimer paused;
  paused.start();
  process_.pause();
  while (media.pause() && !(requests.stop && media.stopbuttonpressed())) QThread::msleep(kPausePollMs);
  process_.resume();
  pausedMs_ += paused.elapsed();
}

}  // namespace zuvo
