#pragma once
// Moving files to the desktop's Trash (the freedesktop.org Trash, so the file manager
// can restore them).
#include <QString>

namespace zuvo {

// Moves the file or folder at `path` to the Trash; a name already in the Trash is
// kept beside it. True on success; callers may ignore it.
bool MoveFileToTrash(const QString& path);

}  // namespace zuvo
