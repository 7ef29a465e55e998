#pragma once
// Where Zuvo keeps and finds its files on a freedesktop system.
#include <QString>

namespace zuvo::paths {

// The application's identifier, used for the cache folder name.
inline constexpr const char* kBundleIdentifier = "org.zuvo.Zuvo";

QString homeFolder();
// ~/.local/share/Zuvo: logs, plug-ins, restored lists.
QString applicationSupportFolder();
// ~/.cache/org.zuvo.Zuvo: the default conversion and cache folder.
QString defaultCacheFolder();
// The XDG Videos folder (falls back to ~/Videos).
QString moviesFolder();
// The XDG Desktop folder (falls back to ~/Desktop).
QString desktopFolder();
// The INI file behind Defaults.
QString settingsFile();

// Where a file that could not be read is kept, beside it: "Name (unreadable <date and
// time>).ext", with a number added when an earlier one took that name.
QString unreadableCopyName(const QString& path);

// A file of the installed share/zuvo folder (interface files, images, scripts).
QString resourcePath(const QString& name);
// A program Zuvo starts: ours from libexec/zuvo when shipped, else the system's on PATH.
// Empty when neither exists.
QString toolPath(const QString& name);

// Tests and the build tree point the lookups at other roots.
void setResourceRoots(const QString& shareDir, const QString& libexecDir);

}  // namespace zuvo::paths
