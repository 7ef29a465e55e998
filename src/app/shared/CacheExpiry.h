#pragma once
// The expiry of old cache files, run every 12th tick. Only files that Zuvo itself put in
// the cache folder (the look-up answers and artwork, which the folder's record of made
// files names) are judged, since the folder is the user's choice and may hold anything; a
// file that a running job uses is never deleted.
#include <QDateTime>
#include <QString>
#include <functional>

#include "media/BCCReporter.h"

namespace zuvo {

// True for the names the online look-ups give their cache files.
bool IsZuvoCacheFileName(const QString& fileName);

// One pass over `folder` (one level) at the time `now`, by the settings "CacheDuration"
// and "CacheInformation".
void expireCacheFiles(const QString& folder, const QDateTime& now, const Reporter& reporter,
                      const std::function<bool(const QString& path)>& inUse = {});

}  // namespace zuvo
