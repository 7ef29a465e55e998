#pragma once
// Metadata plug-ins: programs the user installs in place of a built-in service. One is
// started with the item's facts as its arguments, in the cache folder, and answers in
// tagged text ("<Result>yes</Result>" and the like) on its output.
#include <QString>
#include <QStringList>

#include "media/MediaFile.h"

namespace zuvo {

inline constexpr const char* kPluginExtension = "mdplugin";
// A plug-in that has not ended by then is stopped: the longest of the look-up time-outs.
inline constexpr double kPluginTimeLimit = 120;
// Output kept of one run; the rest is read and dropped, so a runaway writer cannot
// exhaust memory before its time is up.
inline constexpr qsizetype kPluginOutputLimit = 16 * 1024 * 1024;

// "NAME.mdplugin" in the Application Support folder.
QString metadataPluginPath(const QString& name);
// A TV show (type 0): file name, series name, season, episode, year, month, day; any
// other item: file name, series name, year. A file name that starts with "-" is given as
// the file's absolute path.
QStringList metadataPluginArguments(const MediaFile& item);

struct PluginRun {
  bool started = false;
  bool timedOut = false;  // stopped at the time limit
  QString output;         // standard output and standard error, decoded as UTF-8
};

// Runs the program to its end, at most `timeLimit` seconds; what it started in the
// background is stopped when it ends. On the GUI thread the window's events keep
// flowing meanwhile.
PluginRun runMetadataPlugin(const QString& program, const QStringList& arguments,
                            const QString& workingFolder, double timeLimit);

}  // namespace zuvo
