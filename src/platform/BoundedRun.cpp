#include "platform/BoundedRun.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>

namespace zuvo {
namespace {

// What a program wrote just before it ended: the pipe holds no more than its buffer then,
// while a child it left behind may write on for ever.
constexpr int kDrainReads = 16;

bool onGuiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

}  // namespace

BoundedRun runBounded(const ToolProcess::Options& options, const RunBounds& bounds) {
  BoundedRun run;
  ToolProcess process;
  run.started = process.start(options);
  if (!run.started) return run;

  const bool gui = bounds.serveEvents && onGuiThread();
  const int sliceMs = gui ? 20 : 200;
  const QDeadlineTimer deadline = bounds.timeLimit > 0 ? QDeadlineTimer(qint64(bounds.timeLimit * 1000))
                                                       : QDeadlineTimer(QDeadlineTimer::Forever);
  auto cut = [&] {
    if (gui) QCoreApplication::processEvents();
    if (bounds.stopRequested && bounds.stopRequested())
      run.stopped = true;
    else if (deadline.hasExpired())
      run.timedOut = true;
    return run.stopped || run.timedOut;
  };
  auto keep = [&](const QByteArray& chunk) {
    run.output += chunk.left(std::max<qint64>(0, bounds.mostOutputBytes - run.output.size()));
  };
  auto slice = [&] {
    const qint64 left = deadline.remainingTime();
    return int(left < 0 ? sliceMs : std::min<qint64>(sliceMs, left));
  };
  while (!process.atEnd() && !cut()) {
    const QByteArray chunk = process.read(slice());
    keep(chunk);
    // A child the program left behind may hold the pipe open, or write on: once the
    // program has ended, what is already in the pipe is the whole answer.
    if (process.hasEnded()) {
      for (int i = 0; i < kDrainReads; ++i) {
        const QByteArray rest = process.read(0);
        if (rest.isEmpty()) break;
        keep(rest);
      }
      break;
    }
  }
  // A program may also close its output and still run on.
  while (!run.stopped && !run.timedOut && !process.hasEnded() && !cut()) QThread::msleep(sliceMs / 4);
  if (run.stopped || run.timedOut || bounds.endGroupAtEnd) {
    process.terminate(500);
    if (!run.stopped && !run.timedOut) run.exitStatus = process.waitForExit();
  } else {
    run.exitStatus = process.waitForExit();
  }
  return run;
}

}  // namespace zuvo
