#pragma once
// Every path that comes in from outside (the command line, a later launch, the Services
// entry, a drop, a watched folder) goes through here once: made absolute and clean, so
// that "Show.eyetv/" is the package "Show.eyetv" and not a folder to look into, and told
// apart by what it names.
#include <QString>

namespace zuvo {

// Absolute (against the current folder), without "." and ".." parts, doubled or trailing
// slashes. An empty path stays empty.
QString normalisedPath(const QString& path);

enum class IncomingKind {
  File,     // a regular file that can be read
  Folder,   // a folder that can be listed
  Missing,  // nothing there
  Other,    // a pipe, device, socket, or something that cannot be read
};

// What the path names, following symbolic links.
IncomingKind incomingKind(const QString& path);

}  // namespace zuvo
