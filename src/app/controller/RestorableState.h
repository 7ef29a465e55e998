#pragma once
// What brings the two lists back at the next launch: the main window's saved state,
// the files list under "FileTable" and the queue list under "QueueTable", kept in one
// file of the support folder and replaced whole on every write.
#include "media/BCCReporter.h"
#include "media/MediaFile.h"

#include <QList>
#include <QString>
#include <optional>

namespace zuvo {

struct RestoredLists {
  std::optional<QList<MediaFilePtr>> FileTable;  // absent: leave the list alone
  std::optional<QList<MediaFilePtr>> QueueTable;
};

class RestorableState {
 public:
  // The state file in `supportFolder`.
  explicit RestorableState(const QString& supportFolder);

  const QString& path() const { return path_; }
  // Writes both lists; false when the file could not be written.
  bool write(const QList<MediaFilePtr>& files, const QList<MediaFilePtr>& queue) const;
  // Reads what was written; a missing file gives nothing, a damaged one nothing with a
  // line in the log.
  RestoredLists read(const Reporter& reporter) const;

 private:
  QString path_;
};

// A restored list in place of `current`, keeping what arrived before it: the items of
// `current` (opened at launch, found by the start-up scan) that neither restored list
// holds follow the restored ones.
QList<MediaFilePtr> mergeRestoredList(const QList<MediaFilePtr>& restored, const QList<MediaFilePtr>& current,
                                      const QList<MediaFilePtr>& otherRestored);

}  // namespace zuvo
