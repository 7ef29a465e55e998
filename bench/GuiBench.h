#pragma once
// What the benchmarks that run the controller with its real windows share.
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace zuvo::bench {

// Settings, logs and caches in `home`, never the user's; the news and every online service
// at a loopback port nobody listens on; offscreen unless the caller names a platform (xcb
// under Xvfb draws as a user's screen does).
inline void liveIn(const QString& home) {
  for (const auto& [variable, folder] : {std::pair{"HOME", ""}, std::pair{"XDG_CONFIG_HOME", "/config"},
                                         std::pair{"XDG_DATA_HOME", "/data"}, std::pair{"XDG_CACHE_HOME", "/cache"}})
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
    QObject::connect(&tick_, &QTimer::timeout, [this] { longest_ = std::max(longest_, clock_.restart()); });
    tick_.start(5);
    clock_.start();
  }
  void reset() {
    clock_.restart();
    longest_ = 0;
  }
  qint64 longest() {
    longest_ = std::max(longest_, clock_.elapsed());
    return longest_;
  }

 private:
  QTimer tick_;
  QElapsedTimer clock_;
  qint64 longest_ = 0;
};

}  // namespace zuvo::bench
