#include "app/shared/CacheExpiry.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdlib>

#include "app/shared/FolderEntries.h"
#include "media/FileTypes.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/MadeFiles.h"

namespace zuvo {
namespace {

constexpr int kOneHourRule = 1;
constexpr int kOneDayRule = 2;
constexpr int kOneWeekRule = 3;
constexpr int kWeekDays = 8;  // the week rule waits for the eighth day

// Artwork: "TV<show>.<season>.<episode or index>.jpg" and "MOVIE<show>.<season>.<index>.jpg".
bool isArtworkName(const QString& fileName) {
  static const QRegularExpression artwork(QStringLiteral("^(TV|MOVIE).+\\.\\d+\\.\\d+\\.jpg$"));
  return artwork.match(fileName).hasMatch();
}

}  // namespace

bool IsZuvoCacheFileName(const QString& fileName) {
  if (!IsCacheFile(fileName)) return false;
  // Every cache extension but "jpg" is one only Zuvo's look-ups use.
  if (QFileInfo(fileName).suffix().toLower() != QLatin1String("jpg")) return true;
  return isArtworkName(fileName);
}

void expireCacheFiles(const QString& folder, const QDateTime& now, const Reporter& reporter,
                      const std::function<bool(const QString& path)>& inUse) {
  const Defaults& defaults = Defaults::standard();
  // The folder may be the user's: a name that only looks like a cache file's is not ours.
  const QSet<QString> made = madefiles::names(folder);
  QStringList deleted;
  for (const QString& path : folderEntries(folder)) {
    const QFileInfo file(path);
    if (!file.isFile() || !made.contains(file.fileName()) || !IsZuvoCacheFileName(file.fileName())) continue;
    if (inUse && inUse(path)) continue;
    const QDateTime modified = file.lastModified();
    const qint64 age = std::llabs(modified.secsTo(now));
    const double hours = static_cast<double>(age) / 3600;
    const int days = static_cast<int>(hours / 24);
    const int wholeHours = static_cast<int>(hours);
    const QString name = file.fileName();
    reporter->report(
        QStringLiteral("Cache file %1 has last modification time of %2").arg(name, modified.toString()), 5);
    reporter->report(QStringLiteral("Cache file is %1 days %2 hours old").arg(days).arg(wholeHours), 5);

    bool expired = false;
    constexpr auto duration = setting::CacheDuration;
    if (defaults.get(duration) == kOneHourRule || !defaults.get(setting::CacheInformation)) {
      reporter->report(QStringLiteral("Cache Duration is Never so checking file has been around for 1 hour"),
                       5);
      if (wholeHours >= 1) {
        reporter->report(QStringLiteral("%1  is older than 1 hour so deleting").arg(name), 4);
        expired = true;
      }
    }
    if (defaults.get(duration) == kOneDayRule && days >= 1) {
      reporter->report(QStringLiteral("%1  is older than 1 day so deleting").arg(name), 4);
      expired = true;
    }
    if (defaults.get(duration) == kOneWeekRule && days >= kWeekDays) {
      reporter->report(QStringLiteral("%1  is older than 1 week so deleting").arg(name), 4);
      expired = true;
    }
    if (expired && QFile::remove(path)) deleted << name;
  }
  madefiles::forget(folder, deleted);
}

}  // namespace zuvo
