#include "platform/RunLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace zuvo::runloop {

bool serve(QEventLoop& loop) { return loop.exec() >= 0; }

bool waitUntil(const std::function<bool()>& done, double timeoutSeconds, int sliceMs) {
  // A negative time-out is no time at all: QDeadlineTimer reads -1 ms as "never".
  const double ms = timeoutSeconds > 0 ? std::min(timeoutSeconds * 1000.0, 9.0e15) : 0.0;
  QDeadlineTimer deadline(static_cast<qint64>(ms));
  while (!done()) {
    const qint64 left = deadline.remainingTime();
    if (left == 0) return done();
    const int slice = left < 0 ? sliceMs : static_cast<int>(std::min<qint64>(left, sliceMs));
    QEventLoop loop;
    QTimer::singleShot(slice, &loop, &QEventLoop::quit);
    // Without a loop the wait goes on for what other threads do, sleeping.
    if (!serve(loop)) QThread::msleep(static_cast<unsigned long>(slice));
  }
  return true;
}

void runFor(double seconds) {
  waitUntil([] { return false; }, seconds);
}

}  // namespace zuvo::runloop
