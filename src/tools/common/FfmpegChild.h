#pragma once
// Debian's ffmpeg as the child of one of our stand-in programs. A termination request to
// the stand-in (the conversion's stop) ends the child too, which lives in a process group
// of its own, so the stand-in can remove what it had half written.
#include <QString>
#include <QStringList>
#include <functional>

namespace zuvo::tools {

// Debian's ffmpeg, never our adapter program; empty when there is none.
QString systemFfmpeg();

// SIGTERM, SIGINT and SIGHUP set a flag instead of ending the program.
void catchStopRequests();
bool stopRequested();

struct FfmpegResult {
  bool started = false;
  bool stopped = false;  // a stop request ended it
  int exitStatus = -1;
  QString output;  // everything it printed
};
// Runs ffmpeg with `arguments`, handing every line (ended by CR or LF) to `onLine`.
FfmpegResult runFfmpeg(const QStringList& arguments, const std::function<void(const QString&)>& onLine = {});

// Seconds of an ffmpeg time ("01:02:03.45"); negative when it is none.
double ffmpegSeconds(const QString& time);

}  // namespace zuvo::tools
