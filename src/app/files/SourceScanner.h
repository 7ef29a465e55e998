#pragma once
// The scans of folders for new sources: the watched video-source folders (at start-up,
// on the timer, by hand) and any folder dropped, opened or chosen, one level at a time
// down to a fixed depth. Every video file and EyeTV recording package found is added to
// the files list. GUI thread.
#include "app/controller/ControllerHooks.h"
#include "app/controller/ControllerState.h"
#include "app/notices/Notices.h"

namespace zuvo {

class FileLists;

// The deepest folder level a scan lists is the one before this.
inline constexpr int kDeepestScanLevel = 5;

class SourceScanner {
 public:
  SourceScanner(ControllerState& state, Notices& notices, const ControllerHooks& hooks, FileLists& lists);

  // `checksources:`: every video source of the setting "Sources", in order.
  void checksources(bool timed);
  // `checksubdirectory:depth:dropvalue:timed:`
  void checksubdirectory(const QString& folder, int depth, bool drop, bool timed);

  // Items found by a timed scan queue themselves when the settings ask for it.
  static bool autoprocess(bool timed);
  // The entries of one folder level as "folder/name", in name order; an unreadable
  // folder has none.
  static QStringList folderEntries(const QString& folder);
  // The entries of one folder level whose names are not valid UTF-8, which the listing
  // above never shows, as "folder/name" with the undecodable bytes replaced.
  static QStringList unreadableEntries(const QString& folder);

 private:
  // Videos the listing cannot show are named to the user instead of being skipped unseen.
  void tellUnreadableVideos(const QString& folder);

  ControllerState& state_;
  Notices& notices_;
  const ControllerHooks& hooks_;
  FileLists& lists_;
};

}  // namespace zuvo
