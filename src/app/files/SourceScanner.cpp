#include "app/files/SourceScanner.h"

#include "app/controller/Localized.h"
#include "app/files/FileLists.h"
#include "app/preferences/Feed.h"
#include "media/FileTypes.h"
#include "platform/Defaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <dirent.h>

namespace zuvo {
namespace {

const QString kLiveBuffer = QStringLiteral("Live TV Buffer.eyetv");

bool isEyeTVPackage(const QFileInfo& entry) {
  return entry.isDir() && entry.suffix().toLower() == QLatin1String("eyetv");
}

}  // namespace

SourceScanner::SourceScanner(ControllerState& state, Notices& notices, const ControllerHooks& hooks, FileLists& lists)
    : state_(state), notices_(notices), hooks_(hooks), lists_(lists) {}

bool SourceScanner::autoprocess(bool timed) {
  const Defaults& defaults = Defaults::standard();
  return timed && (defaults.boolForKey(QStringLiteral("AutomaticallyConvertAllFiles")) ||
                   defaults.boolForKey(QStringLiteral("AutomaticallyConvertFiles")));
}

QStringList SourceScanner::folderEntries(const QString& folder) {
  QStringList entries;
  const QDir dir(folder);
  for (const QString& name :
       dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
    entries << QStringLiteral("%1/%2").arg(folder, name);
  return entries;
}

QStringList SourceScanner::unreadableEntries(const QString& folder) {
  QStringList entries;
  DIR* listing = ::opendir(QFile::encodeName(folder).constData());
  if (!listing) return entries;
  while (const dirent* entry = ::readdir(listing)) {
    const QByteArray name(entry->d_name);
    if (QFile::encodeName(QFile::decodeName(name)) != name)
      entries << folder + u'/' + QFile::decodeName(name);
  }
  ::closedir(listing);
  entries.sort();
  return entries;
}

void SourceScanner::tellUnreadableVideos(const QString& folder) {
  for (const QString& path : unreadableEntries(folder))
    if (IsVideoFile(path)) lists_.refuseUnreadableName(path, true);
}

void SourceScanner::checksources(bool timed) {
  const Reporter& log = state_.mainLog;
  log->report(QStringLiteral("[BLUE]Checking Video Sources"), 4);
  ControllerHooks::call(hooks_.showLookUpProgress, true);
  log->report(QStringLiteral("Loading Feeds Table"), 4);
  const QList<Feed> sources = loadVideoSources(log);
  const bool automatic = autoprocess(timed);

  for (const Feed& source : sources) {
    const QString path = source.path();
    if (!QFileInfo::exists(path)) {
      ControllerHooks::call(
          hooks_.showAlert,
          QStringLiteral("Video Source %1 is missing, please check video sources in Preferences.").arg(path));
      continue;
    }
    log->report(QStringLiteral("Checking directory %1").arg(path), 5);
    notices_.TextMessage(QStringLiteral("%1%2").arg(localizedString("Checking Directory "), path));
    tellUnreadableVideos(path);
    for (const QString& entryPath : folderEntries(path)) {
      const QFileInfo entry(entryPath);
      const bool found = (entry.isFile() && IsVideoFile(entryPath)) ||
                         (isEyeTVPackage(entry) && entry.fileName().toLower() != kLiveBuffer.toLower());
      if (!found) {
        if (entry.isDir() && source.recurse()) checksubdirectory(entryPath, 1, false, timed);
        continue;
      }
      log->report(QStringLiteral("Adding file %1").arg(entryPath), 3);
      notices_.GeneralMessage(QStringLiteral("Zuvo Information"), QStringLiteral("Found file %1").arg(entryPath),
                              kInformationNotice);
      (void)lists_.addfiletotable(entryPath, false, automatic);  // a refusal is logged by the list
    }
  }

  ControllerHooks::call(hooks_.showLookUpProgress, false);
  notices_.GeneralMessage(QStringLiteral("Zuvo Information"), localizedString("Video Sources Checked"),
                          kInformationNotice);
}

void SourceScanner::checksubdirectory(const QString& folder, int depth, bool drop, bool timed) {
  const Reporter& log = state_.mainLog;
  const QString last = QFileInfo(folder).fileName();
  if (last.toLower() == QLatin1String("video_ts")) {
    ControllerHooks::call(hooks_.showAlert, QStringLiteral("VIDEO_TS found. VOB import no longer supported."));
    return;
  }
  log->report(QStringLiteral("Recursing into subdirectory %1").arg(folder), 5);
  notices_.TextMessage(QStringLiteral("%1%2").arg(localizedString("Checking Directory "), last.toLower()));
  if (depth >= kDeepestScanLevel) {
    log->report(QStringLiteral("[RED]Five levels deep, terminating recurse"), 4);
    return;
  }
  const bool automatic = autoprocess(timed);
  tellUnreadableVideos(folder);
  for (const QString& entryPath : folderEntries(folder)) {
    const QFileInfo entry(entryPath);
    if ((entry.isFile() && IsVideoFile(entryPath)) || (isEyeTVPackage(entry) && entry.fileName() != kLiveBuffer)) {
      ControllerHooks::call(hooks_.setBusyText, QStringLiteral("Adding file %1").arg(entryPath));
      (void)lists_.addfiletotable(entryPath, drop, automatic);  // a refusal is logged by the list
    } else if (entry.isDir()) {
      ControllerHooks::call(hooks_.setBusyText, QStringLiteral("Checking folder %1").arg(entryPath));
      checksubdirectory(entryPath, depth + 1, drop, timed);
    }
  }
}

}  // namespace zuvo
