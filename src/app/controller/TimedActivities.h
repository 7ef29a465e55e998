#pragma once
// The 10-second tick: window title, status item, the queue runner, the scans at the set
// hour and every set number of minutes, the online indicators and, every 12th tick, the
// expiry of old cache files. GUI thread.
#include <QDateTime>
#include <functional>

#include "app/shared/ControllerHooks.h"
#include "app/shared/ControllerState.h"

namespace zuvo {

class FileLists;
class QueueRunner;
class SourceScanner;

inline constexpr int kTicksBetweenCacheExpiry = 12;

class TimedActivities {
 public:
  TimedActivities(ControllerState& state, const ControllerHooks& hooks, QueueRunner& runner,
                  SourceScanner& scanner, FileLists& lists);

  // The local time the tick reasons with (tests set their own).
  void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }

  // `timedactivities:`
  void timedactivities();

 private:
  void timedScan();

  ControllerState& state_;
  const ControllerHooks& hooks_;
  QueueRunner& runner_;
  SourceScanner& scanner_;
  FileLists& lists_;
  std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
};

}  // namespace zuvo
