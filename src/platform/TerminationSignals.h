#pragma once
// The session's request to end the program: SIGTERM (logout, shutdown, `kill`) and SIGINT
// (Ctrl-C) are turned into a call on the GUI thread, so that they end the program through
// its quit sequence instead of cutting it off mid-write.
#include <functional>

namespace zuvo {

// Installs the handlers once; `quit` runs on the calling thread's event loop each time
// one of the signals arrives. False when they could not be installed.
bool onTerminationSignals(std::function<void()> quit);

// True once one of the signals has arrived, before its call has run: long work on the GUI
// thread that runs no events (a scan) asks this to stop at once and let the quit in.
bool terminationRequested();

}  // namespace zuvo
