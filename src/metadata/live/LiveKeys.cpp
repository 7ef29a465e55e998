#include "metadata/live/LiveKeys.h"

#include <QMutex>
#include <QSet>

#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"

namespace zuvo::live {

SettingKey<QString> liveKeySetting(LiveKey which) {
  switch (which) {
    case LiveKey::TheMovieDB:
      return setting::TheMovieDBKey;
    case LiveKey::TheTVDB:
      return setting::TheTVDBKey;
    case LiveKey::TheTVDBPIN:
      return setting::TheTVDBPIN;
  }
  return setting::TheMovieDBKey;
}

const char* liveKeyVariable(LiveKey which) {
  switch (which) {
    case LiveKey::TheMovieDB:
      return "ZUVO_TMDB_KEY";
    case LiveKey::TheTVDB:
      return "ZUVO_TVDB_KEY";
    case LiveKey::TheTVDBPIN:
      return "ZUVO_TVDB_PIN";
  }
  return "ZUVO_TMDB_KEY";
}

QString liveKey(LiveKey which) {
  const QString overridden = QString::fromUtf8(qgetenv(liveKeyVariable(which))).trimmed();
  if (!overridden.isEmpty()) return overridden;
  return Defaults::standard().get(liveKeySetting(which)).trimmed();
}

void keyRefused(LiveSession& session, LiveHost host, LiveKey which) {
  const QString service = hostName(host);
  session.fail(QStringLiteral("%1 refused the key").arg(service),
               QStringLiteral("the key was refused; see Preferences > Metadata"));
  static QMutex lock;
  static QSet<QString> told;
  {
    QMutexLocker guard(&lock);
    if (told.contains(service)) return;
    told.insert(service);
  }
  NotificationCenter::defaultCenter().post(
      kLiveKeyRefusedNotification, nullptr,
      {{QStringLiteral("service"), service},
       {QStringLiteral("preference"),
        liveKeySetting(which == LiveKey::TheTVDBPIN ? LiveKey::TheTVDB : which).key()}});
}

}  // namespace zuvo::live
