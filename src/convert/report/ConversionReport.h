#pragma once
// What a running conversion tells whoever queued it: user-facing events, that its item shows
// something new (its row should be drawn again) and the percentage done. Handed to the
// converter when it is made; the steps and tools it runs report through it. Callable from any
// thread and never waits; an empty part discards.
#include <functional>

#include "media/BCCReporter.h"

namespace zuvo {

struct ConversionReport {
  Reporter userLog = BCCReporter::dummy();
  std::function<void()> changed = {};
  std::function<void(float percent)> progress = {};

  void itemChanged() const {
    if (changed) changed();
  }
  void percentDone(float percent) const {
    if (progress) progress(percent);
  }
};

}  // namespace zuvo
