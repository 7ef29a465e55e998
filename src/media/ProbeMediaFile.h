#pragma once
// Making the item for a source and finding out, off the main thread, what the source holds
// and what it is: streams, name, existing tags, chapters, the two rule passes, the online
// look-up, the duplicate check and the automatic queueing the preferences ask for.
//
// An item stays "not looked up" (`didlookup` reads NO) until its probe has finished all of
// that, so neither the user nor the queue runner can take it while its chapters or rules
// are still being written. Notifications "RefreshWindow" and "MakeFileTable" are posted on
// the probe's thread with the item as object.
#include <QString>

#include "media/BCError.h"
#include "media/DVDTrack.h"
#include "media/MediaFile.h"
#include "media/ProbeSteps.h"

class QThreadPool;

namespace zuvo {

inline constexpr const char* kRefreshWindow = "RefreshWindow";
inline constexpr const char* kMakeFileTable = "MakeFileTable";

// Above this many running probes a new one waits; it looks again every second and
// whenever a probe ends.
inline constexpr int kRunningProbeThreshold = 10;

// A new item for a file or an EyeTV package (state 1); its background probe is started
// before it is returned. `drop` is kept in the item; `autoprocess` lets the probe queue or
// remove the item on its own.
//
// Every probe and look-up reads the context and the steps it is handed; a caller that has
// none of its own hands on those installed for the process.
MediaFilePtr initializeMediaWithPath(const QString& path, bool drop, bool autoprocess,
                                     const ProbeSetup& setup = installedProbeSetup());

// A new item for a DVD title with the facts of `record`; a background look-up is started
// and "RefreshWindow" posted before it is returned.
MediaFilePtr initializeMediaWithDVD(const QString& title, const DVDTrack& record, bool autoprocess,
                                    const ProbeSetup& setup = installedProbeSetup());

// The two halves of each initializer, for a caller that lists the item before its
// background work can post anything about it.
MediaFilePtr newMediaWithPath(const QString& path, bool drop, bool autoprocess);
void startProbe(const MediaFilePtr& item, const ProbeSetup& setup = installedProbeSetup());
MediaFilePtr newMediaWithDVD(const QString& title, const DVDTrack& record, bool autoprocess,
                             const ProbeSetup& setup = installedProbeSetup());
void startDVDLookUp(const MediaFilePtr& item, const ProbeSetup& setup = installedProbeSetup());

// The whole probe of an item made for a path, on the calling thread (the initializer sends
// it to the probe threads). Always runs to its end.
void probeMediaFileInBackground(const MediaFilePtr& item, const ProbeSetup& setup = installedProbeSetup());

// The online look-up and the automatic decisions after it. Always succeeds.
BCError LookUpShow(MediaFile& item, const ProbeSetup& setup = installedProbeSetup());

// Deselects the item with reason 1 when it is already in the iTunes library.
void CheckForDuplicateFile(MediaFile& item, const ProbeSetup& setup = installedProbeSetup());

// Probes that have passed the gate and not yet ended.
int RunningProbeCount();

// The threads probes and DVD look-ups run on (at least 16, so that the gate is the limit).
QThreadPool& probeThreadPool();

}  // namespace zuvo
