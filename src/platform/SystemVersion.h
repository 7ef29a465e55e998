#pragma once
// The operating-system version the application reasons with. Zuvo reports the
// compatible version 10.8.0 (window restoration on, quit archives off, desktop
// notifications for notices); ZUVO_SYSTEM_VERSION ("10.7.3") sets another one, so
// tests can walk the other paths.
#include <QString>

namespace zuvo {

inline constexpr const char* kSystemVersionVariable = "ZUVO_SYSTEM_VERSION";

struct SystemVersion {
  int major = 10;
  int minor = 8;
  int bugfix = 0;

  // "%d.%d.%d" of the three numbers.
  QString text() const;
};

// The compatible version, or the one the environment variable gives when it reads as
// three dot-separated numbers.
SystemVersion systemVersion();

}  // namespace zuvo
