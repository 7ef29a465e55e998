#include "app/files/FileLists.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <algorithm>

#include "media/MediaValues.h"
#include "media/ProbeMediaFile.h"
#include "platform/RunLoop.h"

namespace zuvo {
namespace {

constexpr double kRedrawSlice = 0.1;

bool onThreadOf(const QObject* object) { return QThread::currentThread() == object->thread(); }

}  // namespace

FileLists::FileLists(ControllerState& state, const ControllerHooks& hooks, QObject* parent)
    : QObject(parent), state_(state), hooks_(hooks) {}

void FileLists::staleRestorableState() {
  if (state_.systemMinor >= 7) ControllerHooks::call(hooks_.invalidateRestorableState);
}

void FileLists::pause(double seconds) {
  if (hooks_.runFor)
    hooks_.runFor(seconds);
  else
    runloop::runFor(seconds);
}

MediaFilePtr FileLists::newMediaForPath(const QString& path, bool drop) {
  return newMediaWithPath(path, drop, false);
}

MediaFilePtr FileLists::newMediaForDVD(const QString& title, const DVDTrack& track) {
  return newMediaWithDVD(title, track, false);
}

bool FileLists::refuseUnreadableName(const QString& path, bool byScan, bool timed) {
  if (!path.contains(QChar::ReplacementCharacter) || QFileInfo::exists(path)) return false;
  if (byScan && toldUnreadable_.contains(path)) return true;
  toldUnreadable_.insert(path);
  const QString message =
      QStringLiteral("%1 cannot be added to Zuvo: its name is not valid UTF-8. Rename it, then add it again.")
          .arg(path);
  state_.mainLog->report(QStringLiteral("[RED]") + message, 3);
  state_.userLog->report(message, 3);
  ControllerHooks::call(timed && hooks_.showNotice ? hooks_.showNotice : hooks_.showAlert, message);
  return true;
}

const FileLists::PathIndex& FileLists::pathIndex() {
  if (index_.files.constData() == state_.files.constData() && index_.files.size() == state_.files.size() &&
      index_.queue.constData() == state_.queue.constData() && index_.queue.size() == state_.queue.size())
    return index_;
  index_ = PathIndex{state_.files, state_.queue, {}, {}};
  index_.inFiles.reserve(state_.files.size());
  for (const MediaFilePtr& item : std::as_const(index_.files))
    index_.inFiles.insert(item->fullpath(), item.get());
  for (const MediaFilePtr& item : std::as_const(index_.queue))
    index_.inQueue.insert(item->fullpath(), item.get());
  return index_;
}

bool FileLists::queued(const PathIndex& index, const QString& path) const {
  for (auto it = index.inQueue.constFind(path); it != index.inQueue.constEnd() && it.key() == path; ++it)
    if ((*it)->state() != MediaState::Ended) return true;
  return false;
}

bool FileLists::holds(const QString& path) {
  const PathIndex& index = pathIndex();
  return index.inFiles.contains(path) || queued(index, path);
}

BCError FileLists::addfiletotable(const QString& path, bool drop, bool autoprocess) {
  return addfileorDVDtotable(path, drop, autoprocess, false, QString(), std::nullopt);
}

BCError FileLists::addfileorDVDtotable(const QString& path, bool drop, bool autoprocess, bool DVD,
                                       const QString& DVDTitle, const std::optional<DVDTrack>& DVDTrackInfo) {
  // Whatever a quit interrupted (a scan, a drop) adds nothing once it has begun.
  if (state_.quitting) return BCError::NoError();
  const PathIndex& index = pathIndex();
  if (index.inFiles.contains(path)) {
    state_.userLog->report(
        QStringLiteral("File %1 not added to Zuvo as already present in main window").arg(path), 3);
    return BCError::NoError();
  }
  if (queued(index, path)) {
    state_.userLog->report(
        QStringLiteral("File %1 not added to Zuvo as already present in queue and not completed conversion")
            .arg(path),
        3);
    return BCError::NoError();
  }

  const bool dvdTitle = DVD && DVDTrackInfo.has_value();
  const MediaFilePtr media = dvdTitle ? newMediaForDVD(DVDTitle, *DVDTrackInfo) : newMediaForPath(path, drop);

  const auto duplicate = [&](const MediaFile& item) {
    if (item.state() == MediaState::Removed) return false;
    if (!dvdTitle) return item.fullpath() == media->fullpath();
    const std::optional<DVDTrack> track = item.DVDTrackInfo();
    return track && track->tracknumber() == DVDTrackInfo->tracknumber() && item.DVDTitle() == DVDTitle;
  };
  // A file's item can only match by its path; a DVD title's, by its title and track.
  bool found = false;
  if (dvdTitle) {
    found = std::any_of(state_.files.cbegin(), state_.files.cend(),
                        [&](const MediaFilePtr& item) { return duplicate(*item); });
  } else {
    const QList<MediaFile*> samePath = index.inFiles.values(media->fullpath());
    found = std::any_of(samePath.cbegin(), samePath.cend(),
                        [&](const MediaFile* item) { return duplicate(*item); });
  }
  if (found) {
    if (dvdTitle) {
      state_.mainLog->report(
          QStringLiteral("[BLUE]DVD Track %1 is already in table").arg(DVDTrackInfo->tracknumber()), 3);
      state_.userLog->report(
          QStringLiteral("DVD Track %1 is already in Zuvo").arg(DVDTrackInfo->tracknumber()), 3);
    } else {
      state_.mainLog->report(QStringLiteral("[BLUE]File %1 is already in table").arg(media->fullpath()), 3);
      state_.userLog->report(QStringLiteral("File %1 is already in Zuvo").arg(media->fullpath()), 3);
    }
    return BCError::Code(kAlreadyInTableCode, QStringLiteral("File or Track already in table"));
  }

  if (dvdTitle) {
    state_.mainLog->report(QStringLiteral("[GREEN]Importing new DVD track %1::%2")
                               .arg(DVDTitle, QString::number(DVDTrackInfo->tracknumber())),
                           3);
    state_.userLog->report(QStringLiteral("Importing new DVD track %1::%2")
                               .arg(DVDTitle, QString::number(DVDTrackInfo->tracknumber())),
                           3);
  } else {
    state_.mainLog->report(QStringLiteral("[GREEN]Found new file %1").arg(media->fullpath()), 3);
    state_.userLog->report(QStringLiteral("Adding new file %1").arg(media->fullpath()), 3);
  }
  // The index lets go of the list while it grows, so that the list is not copied for it.
  index_.files = {};
  state_.files.append(media);
  index_.files = state_.files;
  index_.inFiles.insert(media->fullpath(), media.get());
  staleRestorableState();
  // The item is in the list before its background work can post anything about it.
  const BackgroundStarter& start = dvdTitle ? startDVDLookUp_ : startProbe_;
  if (start) start(media, autoprocess);
  return BCError::NoError();
}

void FileLists::makefilestable() {
  if (!onThreadOf(this)) {
    QMetaObject::invokeMethod(
        this, [this] { makefilestable(); }, Qt::QueuedConnection);
    return;
  }
  state_.mainLog->report(QStringLiteral("[BLUE]Building File Table"), 4);
  for (const MediaFilePtr& item : state_.files) {
    const MediaState itemState = item->state();
    if (itemState == MediaState::Removed || itemState == MediaState::Ended || item->isDVD()) continue;
    if (QFileInfo::exists(item->fullpath())) continue;
    state_.mainLog->report(
        QStringLiteral("[RED]File %1 is missing. Setting state to zero.").arg(item->filename()), 3);
    item->setState(MediaState::Removed);
  }
  for (const MediaFilePtr& item : QList<MediaFilePtr>(state_.files)) {
    if (item->state() == MediaState::Removed) {
      state_.files.removeOne(item);
    } else if (item->state() == MediaState::Queued && item->didlookup()) {
      state_.queue.append(item);
      state_.files.removeOne(item);
      state_.mainLog->report(
          QStringLiteral("[BLUE]Show %1 has state set to 2 and completed lookup moving to queue table")
              .arg(item->fullpath()),
          4);
    }
  }
  for (const MediaFilePtr& item : QList<MediaFilePtr>(state_.queue)) {
    if (item->state() == MediaState::Removed) {
      state_.queue.removeOne(item);
    } else if (item->state() == MediaState::InFilesTable) {
      state_.files.append(item);
      state_.queue.removeOne(item);
    }
  }
  staleRestorableState();
  RefreshWindow();
}

void FileLists::RefreshWindow() {
  if (!onThreadOf(this)) {
    QMetaObject::invokeMethod(
        this, [this] { RefreshWindow(); }, Qt::QueuedConnection);
    return;
  }
  ControllerHooks::call(hooks_.reloadFilesTable);
  pause(kRedrawSlice);
  ControllerHooks::call(hooks_.reloadQueueTable);
  pause(kRedrawSlice);
}

}  // namespace zuvo
