#pragma once
// The alert for a key its service refused (the notification kLiveKeyRefusedNotification,
// posted once per service and run): it names where the key was given, so that the user
// knows what to correct.
#include <QString>
#include <QVariantMap>

namespace zuvo::live {

// The alert's text for the notification's user info ("service", "preference").
QString refusedKeyAlertText(const QVariantMap& userInfo);

}  // namespace zuvo::live
