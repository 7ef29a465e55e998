#pragma once
// The two lists of media objects and the only ways into and between them: adding one
// source (which refuses paths already present and starts the item's background probe)
// and the table rebuild, which moves items between the lists by their state.
// GUI thread; a rebuild asked for on another thread runs later on the GUI thread.
#include <QMultiHash>
#include <QObject>
#include <QSet>
#include <functional>
#include <optional>

#include "app/shared/ControllerHooks.h"
#include "app/shared/ControllerState.h"
#include "media/BCError.h"
#include "media/DVDTrack.h"

namespace zuvo {

// The code of a source refused because the table already holds it.
inline constexpr qint32 kAlreadyInTableCode = 1;

class FileLists : public QObject {
 public:
  // Starts the background work of a new item; `autoprocess` travels with it.
  using BackgroundStarter = std::function<void(const MediaFilePtr& media, bool autoprocess)>;

  FileLists(ControllerState& state, const ControllerHooks& hooks, QObject* parent = nullptr);

  // The probe of a new file or package, and the look-up of a new DVD title. Both do
  // nothing until set.
  void setProbeStarter(BackgroundStarter start) { startProbe_ = std::move(start); }
  void setDVDLookUpStarter(BackgroundStarter start) { startDVDLookUp_ = std::move(start); }

  BCError addfiletotable(const QString& path, bool drop, bool autoprocess);
  BCError addfileorDVDtotable(const QString& path, bool drop, bool autoprocess, bool DVD,
                              const QString& DVDTitle, const std::optional<DVDTrack>& DVDTrackInfo);

  // A name that is not valid UTF-8 reaches Zuvo with its undecodable bytes replaced, so
  // the path names no file and nothing can open it. True for such a path, after telling
  // the user (a scan, which comes back every few minutes, tells once for each path).
  // `timed`: the telling waits for nobody (timed work).
  bool refuseUnreadableName(const QString& path, bool byScan, bool timed = false);
  // True while `path` is in the files list, or in the queue list and not ended: adding
  // it again adds nothing.
  bool holds(const QString& path);

  // `makefilestable:`
  void makefilestable();
  // `RefreshWindow:`: both tables reloaded, each given a moment to redraw.
  void RefreshWindow();

  // A new item for a file or an EyeTV package, before its probe: path, name, size, drop.
  static MediaFilePtr newMediaForPath(const QString& path, bool drop);
  // A new item for a DVD title: its identity and the facts the title record carries.
  static MediaFilePtr newMediaForDVD(const QString& title, const DVDTrack& track);

 private:
  // Where each path is in the two lists. The lists as indexed are kept shared with the
  // lists themselves, so that any change made to them elsewhere shows as a list that no
  // longer shares their data, and the index is made again. Finding a path thus costs the
  // same however long the lists are.
  struct PathIndex {
    QList<MediaFilePtr> files, queue;
    QMultiHash<QString, MediaFile*> inFiles, inQueue;
  };
  const PathIndex& pathIndex();
  // True while `path` is in the queue list and not ended.
  bool queued(const PathIndex& index, const QString& path) const;
  void staleRestorableState();
  void pause(double seconds);

  ControllerState& state_;
  const ControllerHooks& hooks_;
  BackgroundStarter startProbe_;
  BackgroundStarter startDVDLookUp_;
  QSet<QString> toldUnreadable_;
  PathIndex index_;
};

}  // namespace zuvo
