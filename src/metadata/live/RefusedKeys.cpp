#include "metadata/live/RefusedKeys.h"

#include "metadata/live/LiveKeys.h"

namespace zuvo::live {
namespace {

struct Where {
  LiveKey key;
  const char* fields;  // in the preferences' Metadata pane
  const char* variables;
  const char* consequence;
};
constexpr Where kWhere[] = {
    {LiveKey::TheMovieDB, "the \"TheMovieDB key\" field", "ZUVO_TMDB_KEY",
     "Movie look-ups stay offline until it is corrected, or cleared to use the iTunes Store."},
    {LiveKey::TheTVDB, "the \"TheTVDB key\" and \"TheTVDB PIN\" fields", "ZUVO_TVDB_KEY and ZUVO_TVDB_PIN",
     "TV look-ups stay offline until it is corrected, or cleared to use TVmaze."},
};

}  // namespace

QString refusedKeyAlertText(const QVariantMap& userInfo) {
  const QString service = userInfo.value(QStringLiteral("service")).toString();
  const QString preference = userInfo.value(QStringLiteral("preference")).toString();
  for (const Where& where : kWhere) {
    if (preference != liveKeySetting(where.key).key()) continue;
    // A key in the environment overrides the preference: that is the one refused.
    const QString place =
        qEnvironmentVariableIsEmpty(liveKeyVariable(where.key))
            ? QStringLiteral("Preferences, Metadata, %1").arg(QLatin1String(where.fields))
            : QStringLiteral("the environment variables %1").arg(QLatin1String(where.variables));
    return QStringLiteral("%1 refused the key set in %2. %3")
        .arg(service, place, QLatin1String(where.consequence));
  }
  return QStringLiteral("%1 refused its key.").arg(service);
}

}  // namespace zuvo::live
