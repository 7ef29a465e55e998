#pragma once
// Moving a file without ever leaving half of it under its new name or replacing another
// file. Within one file system the move is a rename, so no byte is copied. Across file
// systems the file is copied to a hidden temporary name in the target folder, flushed to
// the disk, then given its name; only then does the source go. On any failure (a full disk,
// a name taken meanwhile) the partial copy is removed and the source stays where it was.
#include <QString>

namespace zuvo {

struct FileMoveResult {
  bool done = false;
  bool copied = false;     // it crossed file systems
  bool nameTaken = false;  // the target exists: nothing was done
  QString error;           // the system's description of the failure
};

// Moves the file `source` to `target`, which must not exist.
FileMoveResult moveFileNoReplace(const QString& source, const QString& target);

// Copies the file `source` to `target` (which must not exist) the same way: under a
// temporary name, flushed, then renamed. The source is left as it is.
FileMoveResult copyFileNoReplace(const QString& source, const QString& target);

}  // namespace zuvo
