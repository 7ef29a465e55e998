#pragma once
// A notice shown by the desktop's notification server (org.freedesktop.Notifications
// on the session bus), the way notices go out where no GNTP daemon is expected.
#include <QString>

namespace zuvo {

inline constexpr const char* kNotificationsService = "org.freedesktop.Notifications";
inline constexpr const char* kNotificationsPath = "/org/freedesktop/Notifications";
inline constexpr const char* kNotificationsInterface = "org.freedesktop.Notifications";
inline constexpr const char* kNotificationApplicationName = "Zuvo Pro";

// Sends one Notify call with the application icon; a sticky notice never expires.
// The outcome is not awaited; without a session bus nothing is sent.
void sendDesktopNotification(const QString& title, const QString& message, bool sticky);

}  // namespace zuvo
