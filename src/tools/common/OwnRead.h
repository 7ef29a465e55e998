#pragma once
// Output that reaches the runner in a read of its own. The runner logs only the chunks of
// output that hold no progress bar, and a pipe hands a slow reader everything written
// since its last read in one piece, so a message written between two bars would be
// swallowed with them on a loaded machine.
#include <cstdio>
#include <string_view>

namespace zuvo::tools {

// Writes `bytes` to `out` and flushes it. When `out` is a pipe, first waits until the
// reader has taken what was written before, then until it has taken `bytes` (each wait a
// few seconds at most, so a reader that has stopped reading never holds the writer up).
void writeInOwnRead(std::FILE* out, std::string_view bytes);

}  // namespace zuvo::tools
