#pragma once
// What brings the two lists back at the next launch: the main window's saved state,
// the files list under "FileTable" and the queue list under "QueueTable", kept in one
// file of the support folder. Each item is a record sealed on its own, so that damage
// costs only the items it touches; the file is replaced whole on every write.
#include <QList>
#include <QString>
#include <atomic>
#include <optional>

#include "media/BCCReporter.h"
#include "media/MediaFile.h"

namespace zuvo {

struct RestoredLists {
  std::optional<QList<MediaFilePtr>> FileTable;  // absent: leave the list alone
  std::optional<QList<MediaFilePtr>> QueueTable;
  // Where a file that did not read whole was moved; empty when it read whole.
  QString setAside;
};

class RestorableState {
 public:
  // The state file in `supportFolder`.
  explicit RestorableState(const QString& supportFolder);

  const QString& path() const { return path_; }
  // Writes both lists into a new file and renames it over the old one, so that an
  // interruption at any moment leaves the old lists or the new ones. Any thread; writes
  // to one file are taken one at a time. False when the file could not be written.
  bool write(const QList<MediaFilePtr>& files, const QList<MediaFilePtr>& queue) const;
  // Reads what was written; a missing file gives nothing. A file that does not read whole
  // is moved aside under a name of its own before anything can replace it, and every item
  // whose own record is whole comes back. `cancelled` is polled between items. Any thread.
  RestoredLists read(const Reporter& reporter, const std::atomic<bool>* cancelled = nullptr) const;

 private:
  QString path_;
};

// A restored list in place of `current`, keeping what arrived before it: the items of
// `current` (opened at launch, found by the start-up scan) that neither restored list
// holds follow the restored ones.
QList<MediaFilePtr> mergeRestoredList(const QList<MediaFilePtr>& restored, const QList<MediaFilePtr>& current,
                                      const QList<MediaFilePtr>& otherRestored);

}  // namespace zuvo
