#pragma once
// The user's own keys for the services that need one. They live in the settings file; the
// variables ZUVO_TMDB_KEY, ZUVO_TVDB_KEY and ZUVO_TVDB_PIN override them (headless use,
// tests). A key is never written to the log.
#include <QString>

#include "media/RegisteredSettings.h"
#include "metadata/live/LiveService.h"

namespace zuvo::live {

enum class LiveKey { TheMovieDB, TheTVDB, TheTVDBPIN };

// The key in force (trimmed), empty when there is none.
QString liveKey(LiveKey which);
// The setting that holds it.
SettingKey<QString> liveKeySetting(LiveKey which);
const char* liveKeyVariable(LiveKey which);

// Posted (once per service and run) when a service refuses the user's key; userInfo
// "service" names the service ("TheMovieDB", "TheTVDB") and "preference" the setting to fix.
inline const QString kLiveKeyRefusedNotification = QStringLiteral("LiveKeyRefused");

// Logs "<service> refused the key" in the session and posts the notice the first time.
void keyRefused(LiveSession& session, LiveHost host, LiveKey which);

}  // namespace zuvo::live
