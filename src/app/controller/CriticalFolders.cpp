#include "app/controller/CriticalFolders.h"

#include <QDir>
#include <QFileInfo>

#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"

namespace zuvo {
namespace {

bool makeFolder(const QString& path) {
  if (!path.isEmpty()) QDir().mkpath(path);
  return isUsableFolder(path);
}

void both(const Reporter& mainLog, const Reporter& userLog, const QString& text, quint32 level) {
  mainLog->report(text, level);
  userLog->report(text, level);
}

}  // namespace

bool isUsableFolder(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.isDir() && info.isWritable();
}

CriticalFolders checkCriticalFolders(const Reporter& mainLog, const Reporter& userLog,
                                     const FolderAlert& alert) {
  Defaults& defaults = Defaults::standard();
  CriticalFolders result;

  const QString cache = defaults.get(setting::ConversionDirectory);
  if (isUsableFolder(cache)) {
    both(mainLog, userLog, QStringLiteral("Cache directory exists"), 3);
    result.cacheFolder = cache;
  } else {
    both(mainLog, userLog,
         QStringLiteral("[BLUE]Cache directory %1 does not exist. Attempting to create.").arg(cache), 3);
    if (makeFolder(cache)) {
      mainLog->report(QStringLiteral("[GREEN]Cache directory created."), 3);
      userLog->report(QStringLiteral("Cache directory created."), 3);
      result.cacheFolder = cache;
    } else {
      mainLog->report(QStringLiteral("[RED]Cache directory still does not exist reverting to default."), 2);
      userLog->report(QStringLiteral("Cache directory still does not exist reverting to default."), 2);
      const QString fallback = paths::defaultCacheFolder();
      alert(QStringLiteral("Missing Cache Directory"),
            QStringLiteral("Cache Directory %1 is missing reventing to default of %2").arg(cache, fallback));
      if (makeFolder(fallback)) {
        defaults.set(setting::ConversionDirectory, fallback);
        result.cacheFolder = fallback;
      } else {
        alert(QStringLiteral("Unable to create default cache directory"),
              QStringLiteral("Program will abort."));
        result.fatal = true;
        return result;
      }
    }
  }

  const QString converted = defaults.get(setting::ConvertedFilesDirectory);
  bool exists = isUsableFolder(converted);
  if (!exists) {
    mainLog->report(QStringLiteral("[BLUE]Original files directory %1 does not exist. Attempting to create.")
                        .arg(converted),
                    3);
    userLog->report(
        QStringLiteral("Original files directory %1 does not exist. Attempting to create.").arg(converted),
        3);
    exists = makeFolder(converted);
    if (exists) {
      mainLog->report(QStringLiteral("[GREEN]Original files directory created."), 3);
      userLog->report(QStringLiteral("Original files directory created."), 3);
    } else {
      mainLog->report(
          QStringLiteral(
              "[RED]Original files directory still does not exist. Defaulting back to Movies directory"),
          2);
      userLog->report(
          QStringLiteral(
              "Original files directory still does not exist. Defaulting back to Movies directory"),
          2);
      defaults.set(setting::ConvertedFilesDirectory, paths::moviesFolder());
    }
  }
  if (exists) both(mainLog, userLog, QStringLiteral("Original files directory exists"), 3);
  return result;
}

}  // namespace zuvo
