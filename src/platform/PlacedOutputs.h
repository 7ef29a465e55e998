#pragma once
// The outputs Zuvo itself placed (in a destination folder, beside the original, on the
// Desktop, in the library), each with its size and modification time then. A watched
// folder may be where outputs go: a scan must not take one as a new source, or every
// scan would convert the last output again. Kept in a file of the support folder, so that
// a restart knows them too; an output changed since is no longer taken for ours. Safe to
// use from any thread (the converter places on its worker, the scans ask on the GUI thread).
#include <QDateTime>
#include <QString>

namespace zuvo::placedoutputs {

// The record's name in the support folder.
inline constexpr const char* kRecordName = "placedoutputs.json";

// A file is about to be moved to `path`: it counts as ours whatever it holds until
// remember() or forget(), so that a scan between the move and the record cannot take it.
// Not kept across a restart.
void expect(const QString& path);
// The file at `path`, as it is now, is an output of ours.
void remember(const QString& path);
// Nothing was placed at `path` after all.
void forget(const QString& path);

// True when the file at `path`, of that size and modification time, is an output of ours.
bool isPlaced(const QString& path, qint64 size, const QDateTime& modified);
// True the first time it is asked about the output at `path` (ever, while it stays as
// placed): the user is told once, not at every scan.
bool firstTimeTold(const QString& path);

}  // namespace zuvo::placedoutputs
