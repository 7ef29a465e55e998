#pragma once
// What the benchmarks that run the controller with its real windows share.
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <utility>

namespace zuvo::bench {

// Settings, logs and caches in `home`, never the user's; the news and every online service
// at a loopback port nobody listens on; offscreen unless the caller names a platform (xcb
// under Xvfb draws as a user's screen does).
inline void liveIn(const QString& home) {
  for (const auto& [variable, folder] :
       {std::pair{"HOME", ""}, std::pair{"XDG_CONFIG_HOME", "/config"}, std::pair{"XDG_DATA_HOME", "/data"},
        std::pair{"XDG_CACHE_HOME", "/cache"}})
    qputenv(variable, (home + QLatin1String(folder)).toLocal8Bit());
  for (const char* service : {"ZUVO_NEWS_URL", "ZUVO_TVDB_URL", "ZUVO_TVDB_BANNERS_URL", "ZUVO_TMDB_URL",
                              "ZUVO_TAGCHIMP_URL", "ZUVO_TVRAGE_URL", "ZUVO_HOMEPAGE_URL"})
    qputenv(service, "http://127.0.0.1:9");
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The longest gap between ticks of a 5 ms timer on the GUI thread since the last reset: the
// longest time the window could not answer.
class StallMeter {
 public:
  StallMeter() {
    QObject::connect(&tick_, &QTimer::timeout, [this] { note(clock_.restart()); });
    tick_.start(5);
    clock_.start();
    cpuAtTick_ = threadCpuMs();
  }
  void reset() {
    clock_.restart();
    cpuAtTick_ = threadCpuMs();
    longest_ = 0;
    longestCpu_ = 0;
  }
  qint64 longest() {
    note(clock_.elapsed(), false);
    return longest_;
  }
  // The GUI thread's own processor time within the longest gap: a gap much longer than it
  // was spent waiting for a core of a loaded machine.
  double longestCpu() const { return longestCpu_; }

 private:
  static double threadCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
  }
  void note(qint64 gap, bool tick = true) {
    const double cpu = threadCpuMs();
    if (gap > longest_) {
      longest_ = gap;
      longestCpu_ = cpu - cpuAtTick_;
    }
    if (tick) cpuAtTick_ = cpu;
  }

  QTimer tick_;
  QElapsedTimer clock_;
  double cpuAtTick_ = 0;
  qint64 longest_ = 0;
  double longestCpu_ = 0;
};

}  // namespace zuvo::bench
