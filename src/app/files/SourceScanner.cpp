#include "app/files/SourceScanner.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/files/FileLists.h"
#include "app/files/IncomingPaths.h"
#include "app/shared/Feed.h"
#include "app/shared/FolderEntries.h"
#include "app/shared/Localized.h"
#include "media/FileTypes.h"
#include "media/MediaFile.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/PlacedOutputs.h"
#include "platform/TerminationSignals.h"

namespace zuvo {
namespace {

const QString kLiveBuffer = QStringLiteral("Live TV Buffer.eyetv");

bool isEyeTVPackage(const QFileInfo& entry) {
  return entry.isDir() && entry.suffix().toLower() == QLatin1String("eyetv");
}

}  // namespace

bool SourceScanner::stopping() const { return state_.quitting || terminationRequested(); }

SourceScanner::SourceScanner(ControllerState& state, Notices& notices, const ControllerHooks& hooks,
                             FileLists& lists)
    : state_(state), notices_(notices), hooks_(hooks), lists_(lists) {}

SourceScanner::~SourceScanner() = default;

bool SourceScanner::autoprocess(bool timed) {
  const Defaults& defaults = Defaults::standard();
  return timed && (defaults.get(setting::AutomaticallyConvertAllFiles) ||
                   defaults.get(setting::AutomaticallyConvertFiles));
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

ConvertedSources& SourceScanner::converted() {
  // The support folder is known once start-up has made it.
  if (!converted_)
    converted_ = std::make_unique<ConvertedSources>(
        state_.supportFolder.isEmpty() ? QString()
                                       : state_.supportFolder + u'/' + QLatin1String(kConvertedSourcesFile));
  return *converted_;
}

void SourceScanner::tell(const QString& text, bool timed) {
  // Timed work runs with nobody at the screen: an alert that waited for a click would
  // hold the timer, and the queue with it.
  ControllerHooks::call(timed && hooks_.showNotice ? hooks_.showNotice : hooks_.showAlert, text);
}

void SourceScanner::tellUnreadableVideos(const QString& folder, bool timed) {
  for (const QString& path : unreadableEntries(folder))
    if (IsVideoFile(path)) lists_.refuseUnreadableName(path, true, timed);
}

bool SourceScanner::followOnce(const QString& folder, FolderIds& followed) {
  struct stat status {};
  if (::stat(QFile::encodeName(folder).constData(), &status) != 0) return true;  // it lists as empty
  const QPair<quint64, quint64> id(quint64(status.st_dev), quint64(status.st_ino));
  if (followed.contains(id)) return false;
  followed.insert(id);
  return true;
}

bool SourceScanner::settled(const QString& path, const SourceIdentity& identity) {
  const QDateTime now = now_();
  Sighting sighting{identity, now};
  if (const auto before = seen_.constFind(path); before != seen_.constEnd() && before->identity == identity)
    sighting.since = before->since;
  if (const auto before = seenNow_.constFind(path);
      before != seenNow_.constEnd() && before->identity == identity)
    sighting.since = std::min(sighting.since, before->since);
  seenNow_.insert(path, sighting);
  // Unchanged across two scans, or untouched for the settle time: no longer being written.
  return sighting.since.secsTo(now) >= kSettleScanGap || identity.modified.secsTo(now) >= kSettleSeconds;
}

bool SourceScanner::placedByUs(const QString& path) {
  const QFileInfo file(path);
  if (!file.isFile() || !placedoutputs::isPlaced(path, file.size(), file.lastModified())) return false;
  const QString skipped =
      QStringLiteral("File %1 was made by Zuvo, it is not taken as a new source").arg(path);
  state_.mainLog->report(skipped, 5);
  if (placedoutputs::firstTimeTold(path)) state_.userLog->report(skipped, 3);
  return true;
}

void SourceScanner::found(const QString& path, bool drop, bool timed, bool announce) {
  const Reporter& log = state_.mainLog;
  // A watched folder may be where the outputs go: converting one would make the next.
  if (!drop && placedByUs(path)) return;
  std::optional<SourceIdentity> identity;
  if (timed) {
    identity = sourceIdentity(path);
    if (!identity) return;
    if (converted().contains(path, *identity)) {
      log->report(QStringLiteral("File %1 was converted before and has not changed since").arg(path), 5);
      return;
    }
    if (!settled(path, *identity)) {
      log->report(QStringLiteral("File %1 is still changing, it is taken once it has settled").arg(path), 4);
      return;
    }
  }
  const bool known = lists_.holds(path);
  if (announce) {
    // Only new sources are announced: a scan that meets thousands it knows stays quick.
    if (!known) {
      log->report(QStringLiteral("Adding file %1").arg(path), 3);
      const QString message = QStringLiteral("Found file %1").arg(path);
      notices_.GrowlMessage(QStringLiteral("Zuvo Information"), message, kInformationNotice);
      notices_.showStatus(message);
    }
  } else {
    ControllerHooks::call(hooks_.setBusyText, QStringLiteral("Adding file %1").arg(path));
  }
  if (identity && !known) taken_.insert(path, *identity);
  (void)lists_.addfiletotable(path, drop, autoprocess(timed));  // a refusal is logged by the list
}

void SourceScanner::sourceConverted(const MediaFile& media) {
  if (media.drop() || media.isDVD()) return;
  const QString path = media.fullpath();
  // A source restored from the last run was taken then; it is remembered as it is now.
  const std::optional<SourceIdentity> identity =
      taken_.contains(path) ? std::optional(taken_.take(path)) : sourceIdentity(path);
  if (identity) converted().remember(path, *identity);
}

void SourceScanner::checksources(bool timed) {
  const Reporter& log = state_.mainLog;
  log->report(QStringLiteral("[BLUE]Checking Video Sources"), 4);
  ControllerHooks::call(hooks_.showLookUpProgress, true);
  log->report(QStringLiteral("Loading Feeds Table"), 4);
  const QList<Feed> sources = loadVideoSources(log);
  FolderIds followed;
  seenNow_.clear();

  for (const Feed& source : sources) {
    if (stopping()) return;
    const QString path = normalisedPath(source.path());
    if (!QFileInfo::exists(path)) {
      tell(QStringLiteral("Video Source %1 is missing, please check video sources in Preferences.").arg(path),
           timed);
      continue;
    }
    if (!followOnce(path, followed)) continue;
    log->report(QStringLiteral("Checking directory %1").arg(path), 5);
    notices_.showStatus(QStringLiteral("%1%2").arg(localizedString("Checking Directory "), path));
    tellUnreadableVideos(path, timed);
    for (const QString& entryPath : folderEntries(path)) {
      if (stopping()) return;
      const QFileInfo entry(entryPath);
      const bool isFound = (entry.isFile() && IsVideoFile(entryPath)) ||
                           (isEyeTVPackage(entry) && entry.fileName().toLower() != kLiveBuffer.toLower());
      if (isFound)
        found(entryPath, false, timed, true);
      else if (entry.isDir() && source.recurse())
        scanFolder(entryPath, 1, false, timed, followed);
    }
  }
  if (timed) seen_ = std::exchange(seenNow_, {});

  ControllerHooks::call(hooks_.showLookUpProgress, false);
  // The one redraw wait of the scan.
  notices_.GeneralMessage(QStringLiteral("Zuvo Information"), localizedString("Video Sources Checked"),
                          kInformationNotice);
}

void SourceScanner::checksubdirectory(const QString& folder, int depth, bool drop, bool timed) {
  FolderIds followed;
  scanFolder(folder, depth, drop, timed, followed);
}

void SourceScanner::scanFolder(const QString& folder, int depth, bool drop, bool timed, FolderIds& followed) {
  walkFolder(
      folder, depth, followed, [&](FolderStep&& step) { take(step, drop, timed); },
      [this] { return stopping(); });
}

void SourceScanner::walkFolder(const QString& folder, int depth, FolderIds& followed, const StepSink& sink,
                               const std::function<bool()>& stopping) {
  const QString last = QFileInfo(folder).fileName();
  if (last.toLower() == QLatin1String("video_ts")) {
    sink({FolderStep::VideoTS, folder});
    return;
  }
  sink({FolderStep::Log, QStringLiteral("Recursing into subdirectory %1").arg(folder), 5});
  sink({FolderStep::Listing, last.toLower()});
  if (depth >= kDeepestScanLevel) {
    sink({FolderStep::Log, QStringLiteral("[RED]Five levels deep, terminating recurse"), 4});
    return;
  }
  // A link back to a folder above (or to one already listed) would list its videos again.
  if (!followOnce(folder, followed)) {
    sink({FolderStep::Log,
          QStringLiteral("Folder %1 was listed already in this scan, not listed again").arg(folder), 4});
    return;
  }
  for (const QString& path : unreadableEntries(folder))
    if (IsVideoFile(path)) sink({FolderStep::Unreadable, path});
  for (const QString& entryPath : folderEntries(folder)) {
    if (stopping()) return;
    const QFileInfo entry(entryPath);
    if ((entry.isFile() && IsVideoFile(entryPath)) ||
        (isEyeTVPackage(entry) && entry.fileName() != kLiveBuffer)) {
      sink({FolderStep::Found, entryPath});
    } else if (entry.isDir()) {
      sink({FolderStep::Checking, entryPath});
      walkFolder(entryPath, depth + 1, followed, sink, stopping);
    }
  }
}

void SourceScanner::take(const FolderStep& step, bool drop, bool timed) {
  switch (step.kind) {
    case FolderStep::Log:
      state_.mainLog->report(step.text, quint32(step.level));
      break;
    case FolderStep::Listing:
      notices_.showStatus(QStringLiteral("%1%2").arg(localizedString("Checking Directory "), step.text));
      break;
    case FolderStep::Checking:
      ControllerHooks::call(hooks_.setBusyText, QStringLiteral("Checking folder %1").arg(step.text));
      break;
    case FolderStep::VideoTS:
      tell(QStringLiteral("VIDEO_TS found. VOB import no longer supported."), timed);
      break;
    case FolderStep::Unreadable:
      lists_.refuseUnreadableName(step.text, true, timed);
      break;
    case FolderStep::Found:
      found(step.text, drop, timed, false);
      break;
  }
}

}  // namespace zuvo
