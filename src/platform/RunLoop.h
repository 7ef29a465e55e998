#pragma once
// Waiting the way a run loop waits: events of the calling thread keep flowing
// (the window stays live when this runs on the GUI thread) until a condition holds
// or a deadline passes.
#include <functional>

class QEventLoop;

namespace zuvo::runloop {

// Runs `loop` until it is quit; false when it cannot run. Once the program has begun to
// leave its loop (QCoreApplication::exit), no loop runs on that thread any more and exec
// returns at once: a wait built on it must stop or sleep rather than spin.
bool serve(QEventLoop& loop);

// Runs the calling thread's events in slices until `done` answers true or
// `timeoutSeconds` have passed. Returns the last answer of `done`.
bool waitUntil(const std::function<bool()>& done, double timeoutSeconds, int sliceMs = 100);

// Runs the calling thread's events for the given time.
void runFor(double seconds);

}  // namespace zuvo::runloop
