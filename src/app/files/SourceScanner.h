#pragma once
// The scans of folders for new sources: the watched video-source folders (at start-up,
// on the timer, by hand) and any folder dropped, opened or chosen, one level at a time
// down to a fixed depth, each folder once however links lead back to it. Every video
// file and EyeTV recording package found is added to the files list. A timed scan takes
// a source only once it has settled, and leaves out the sources it has converted before;
// no scan of the watched folders takes an output that Zuvo placed there itself.
// Scans run without waits of their own and stop when quitting begins. GUI thread.
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <functional>
#include <memory>

#include "app/files/ConvertedSources.h"
#include "app/notices/Notices.h"
#include "app/shared/ControllerHooks.h"
#include "app/shared/ControllerState.h"

namespace zuvo {

class FileLists;

// The deepest folder level a scan lists is the one before this.
inline constexpr int kDeepestScanLevel = 5;
// A source whose last change is this old has settled (seconds).
inline constexpr int kSettleSeconds = 30;
// Two scans at least this far apart (ticks come every ten seconds, give or take) that see a
// source unchanged find it settled too (seconds).
inline constexpr int kSettleScanGap = 5;

class SourceScanner {
 public:
  using FolderIds = QSet<QPair<quint64, quint64>>;  // device and inode
  // What a walk of a folder meets, in order, for the GUI thread to act on.
  struct FolderStep {
    enum Kind {
      Log,         // `text` to the main log at `level`
      Listing,     // the folder named `text` (its last component, lower case) is listed
      Checking,    // the subfolder `text` is looked into next
      VideoTS,     // a "VIDEO_TS" folder, which is not looked into
      Unreadable,  // a video at `text` whose name is not valid UTF-8
      Found,       // a video file or recording package at `text`
    };
    Kind kind;
    QString text;
    int level = 0;
  };
  using StepSink = std::function<void(FolderStep&& step)>;

  SourceScanner(ControllerState& state, Notices& notices, const ControllerHooks& hooks, FileLists& lists);
  ~SourceScanner();

  // `checksources:`: every video source of the setting "Sources", in order.
  void checksources(bool timed);
  // `checksubdirectory:depth:dropvalue:timed:`
  void checksubdirectory(const QString& folder, int depth, bool drop, bool timed);
  // The same walk with nothing but the file system touched, so that it can run on any
  // thread: what it meets goes to `sink`, for `take` on the GUI thread. It ends early once
  // `stopping` answers true.
  static void walkFolder(const QString& folder, int depth, FolderIds& followed, const StepSink& sink,
                         const std::function<bool()>& stopping);
  // Acts on one step of a walk (GUI thread).
  void take(const FolderStep& step, bool drop, bool timed);

  // A conversion ended with its file made: a source found by a scan is not queued again
  // while it stays as it was when it was taken.
  void sourceConverted(const MediaFile& media);

  // The time the settling is judged by (tests set their own).
  void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }

  // Items found by a timed scan queue themselves when the settings ask for it.
  static bool autoprocess(bool timed);
  // The entries of one folder level whose names are not valid UTF-8, which
  // folderEntries never shows, as "folder/name" with the undecodable bytes replaced.
  static QStringList unreadableEntries(const QString& folder);

 private:
  struct Sighting {
    SourceIdentity identity;
    QDateTime since;  // when a scan first saw it so
  };
  // The quit has begun, or its signal has come and waits for the scan to give way.
  bool stopping() const;
  void scanFolder(const QString& folder, int depth, bool drop, bool timed, FolderIds& followed);
  // A found source: added unless a timed scan must leave it for now; announced when new.
  void found(const QString& path, bool drop, bool timed, bool announce);
  bool settled(const QString& path, const SourceIdentity& identity);
  // An output Zuvo placed, as it placed it; the user log says so once per output.
  bool placedByUs(const QString& path);
  // False when the folder was followed already in this scan.
  static bool followOnce(const QString& folder, FolderIds& followed);
  void tell(const QString& text, bool timed);
  // Videos the listing cannot show are named to the user instead of being skipped unseen.
  void tellUnreadableVideos(const QString& folder, bool timed);
  ConvertedSources& converted();

  ControllerState& state_;
  Notices& notices_;
  const ControllerHooks& hooks_;
  FileLists& lists_;
  std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
  QHash<QString, Sighting> seen_;         // by the last timed scan, for settling
  QHash<QString, Sighting> seenNow_;      // by the timed scan under way
  QHash<QString, SourceIdentity> taken_;  // what each source was when a timed scan took it
  std::unique_ptr<ConvertedSources> converted_;
};

}  // namespace zuvo
