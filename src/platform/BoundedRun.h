#pragma once
// A program of the user's (a metadata plug-in, the post-conversion script) run to its end
// within bounds: a time limit, a cap on the output kept (the rest is read and dropped, so a
// runaway writer cannot exhaust memory), and a stop request polled between reads. A program
// cut short is ended with its whole process group. On the GUI thread the window's events
// may keep flowing meanwhile.
#include <QByteArray>
#include <functional>

#include "platform/ToolProcess.h"

namespace zuvo {

struct RunBounds {
  double timeLimit = 0;  // seconds; 0: none
  qint64 mostOutputBytes = ToolProcess::kMostRunOutputBytes;
  std::function<bool()> stopRequested;  // polled between reads
  // What the program left running in its group when it ended goes too.
  bool endGroupAtEnd = true;
  // On the GUI thread, its events are served between reads.
  bool serveEvents = true;
};

struct BoundedRun {
  bool started = false;
  bool timedOut = false;  // ended at the time limit
  bool stopped = false;   // ended by the stop request
  int exitStatus = -1;    // -1 when cut short or killed by a signal
  QByteArray output;      // standard output and standard error, at most the cap
};

BoundedRun runBounded(const ToolProcess::Options& options, const RunBounds& bounds);

}  // namespace zuvo
