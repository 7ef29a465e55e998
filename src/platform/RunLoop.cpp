#include "platform/RunLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace zuvo::runloop {

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
    // Once the program has begun to leave its loop, exec returns at once on this thread:
    // the wait goes on for what other threads do, sleeping instead of spinning.
    if (loop.exec() < 0) QThread::msleep(static_cast<unsigned long>(slice));
  }
  return true;
}

void runFor(double seconds) {
  waitUntil([] { return false; }, seconds);
}

}  // namespace zuvo::runloop
