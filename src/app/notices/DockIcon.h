#pragma once
// The application icon with the queue drawn on it: a progress bar and the counters of
// pending, converted and failed items. The controller puts the result into the window
// icon and the tray icon. GUI thread only.
#include <QImage>
#include <QString>

namespace zuvo {

class DockIcon {
 public:
  // The process-wide one, drawing on the application icon.
  static DockIcon& shared();
  explicit DockIcon(QString iconPath);

  // Draws into a fresh copy of the icon. A progress of 0 right after a non-zero one
  // draws the bar full once, so the tick after a conversion ends shows it finished; the
  // failed counter is shown only while no bar is drawn. Null when the icon is missing.
  QImage setZuvoIcon(float progress, int pending, int convertedsucess, int convertedfail);

  // The whole part of the last progress drawn.
  int lastProgress() const { return lastprogress_; }

 private:
  QString iconPath_;
  int lastprogress_ = 0;
};

}  // namespace zuvo
