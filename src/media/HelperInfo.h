#pragma once
// The encoder check: what the hardware-encoder helper program says about the Turbo.264
// framework and its devices.
#include <QString>

#include "media/BCCReporter.h"

namespace zuvo {

struct HelperInfo {
  bool FrameworkInstalled = false;
  int FrameworkVersion = 0;
  bool DeviceAvailable = false;
  bool HDDeviceAvailable = false;
  friend bool operator==(const HelperInfo&, const HelperInfo&) = default;
};

// Runs the helper with "-info 1" in `workingFolder` and reads its answer while the
// calling thread's events keep flowing. A helper that is missing or cannot be started
// gives the all-NO record and a line in the log; one that has not ended after
// `timeoutSeconds` is stopped, and what it said so far stands.
HelperInfo run264HelperInfo(const QString& helperPath, const QString& workingFolder, const Reporter& reporter,
                            double timeoutSeconds = 30);

// One line of the helper's answer: logged, and any flag it states set in `info` (a flag
// once set stays set; the version is that of the last version line).
void examineHelperInfoLine(const QString& line, HelperInfo& info, const Reporter& reporter);

}  // namespace zuvo
