#pragma once
// Notices shown by the desktop's notification server (org.freedesktop.Notifications on
// the session bus), the way notices go out where no GNTP daemon is expected. They carry
// the desktop entry's name and the "desktop-entry" hint, so that the desktop ties them to
// the program, and a default action: activating a notice runs the activation handler (the
// queue window comes forward). A sticky notice replaces the sticky one still shown, so
// that they do not pile up.
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

namespace zuvo {

inline constexpr const char* kNotificationsService = "org.freedesktop.Notifications";
inline constexpr const char* kNotificationsPath = "/org/freedesktop/Notifications";
inline constexpr const char* kNotificationsInterface = "org.freedesktop.Notifications";
// The Name and the file name of the desktop entry "zuvo.desktop".
inline constexpr const char* kNotificationApplicationName = "Zuvo";
inline constexpr const char* kDesktopEntryName = "zuvo";
inline constexpr const char* kDefaultNoticeAction = "default";

class DesktopNotifier : public QObject {
  Q_OBJECT

 public:
  // Made on the GUI thread, where the server's answers arrive; without a session bus
  // nothing is sent or heard.
  explicit DesktopNotifier(QObject* parent = nullptr);

  // Runs on the GUI thread when the user activates one of this program's notices.
  void setActivated(std::function<void()> activated) { activated_ = std::move(activated); }

  // One Notify call with the application icon; a sticky notice never expires. Any thread;
  // waits for the server's answer, a few seconds at most.
  void send(const QString& title, const QString& message, bool sticky);

 private slots:
  void actionInvoked(uint id, const QString& action);
  void notificationClosed(uint id, uint reason);

 private:
  QMutex lock_;
  QSet<uint> shown_;  // this program's notices the server still shows
  uint shownSticky_ = 0;
  std::function<void()> activated_;
};

}  // namespace zuvo
