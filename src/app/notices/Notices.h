#pragma once
// How the controller tells the user what happens: the status text of the main window
// and desktop notices, sent over GNTP or to the desktop's notification server as the
// system version decides. Callable from any thread; sending never blocks the caller:
// the notices go out one after another, in the order sent, on a worker of their own.
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <memory>

#include "media/BCCReporter.h"
#include "platform/SystemVersion.h"

namespace zuvo {

class DesktopNotifier;

inline constexpr int kConversionNotice = 1;
inline constexpr int kInformationNotice = 0;

class Notices : public QObject {
 public:
  // Writes the status text into the main window's MessageTextField; always called on
  // the GUI thread.
  using StatusSink = std::function<void(const QString&)>;

  Notices(Reporter mainLog, Reporter userLog, SystemVersion version = systemVersion(),
          QObject* parent = nullptr);
  // Drops the notices not yet sent and ends the one under way.
  ~Notices() override;

  void setStatusSink(StatusSink sink);
  // Runs on the GUI thread when the user activates a desktop notice.
  void setActivated(std::function<void()> activated);

  // The status text; on the GUI thread the window then gets 0.1 seconds to redraw.
  void TextMessage(const QString& text);
  // The status text, then the notice.
  void GeneralMessage(const QString& title, const QString& message, int type, bool sticky);
  // The notice (not sticky), then the status text.
  void GeneralMessage(const QString& title, const QString& message, int type);
  void GrowlMessage(const QString& title, const QString& message, int type);
  // Logs the message to the user log and sends the notice; sticky only while the
  // setting "GrowlSticky" is on.
  void GrowlMessage(const QString& title, const QString& message, int type, bool sticky);

  // "Conversion" for conversion results, "Information" for anything else.
  static QString notificationName(int type);
  // GNTP when the minor version is 7 or more and the bug-fix version 3 or more, each
  // compared by itself; the desktop's notification server otherwise.
  static bool usesGNTP(const SystemVersion& version);
  bool usesGNTP() const { return gntp_; }

  // Waits, keeping the calling thread's events flowing, until every notice sent so far
  // has gone out. Answers false when `seconds` passed first.
  bool waitForDelivered(double seconds);

  // The status text alone, without the redraw wait: for work that reports many times in a
  // row and lets the window redraw once at its end (the source scans).
  void showStatus(const QString& text);

 private:
  void deliver(const QString& title, const QString& message, const QString& name, bool sticky);
  static bool onGUIThread();

  Reporter mainLog_;
  Reporter userLog_;
  bool gntp_;
  StatusSink sink_;
  std::unique_ptr<DesktopNotifier> desktop_;  // null over GNTP
  QThreadPool sender_;
  std::shared_ptr<std::atomic_bool> cancelled_ = std::make_shared<std::atomic_bool>(false);
  std::shared_ptr<std::atomic_int> pending_ = std::make_shared<std::atomic_int>(0);
};

}  // namespace zuvo
