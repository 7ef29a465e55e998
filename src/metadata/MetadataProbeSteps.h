#pragma once
// The probe's steps that live here: taking over existing MP4 tags, chapters and their
// titles, the online look-up and the chapter-title search.
#include "media/ProbeSteps.h"

namespace zuvo {

// `steps` with those filled in; the duplicate checks are left as they are.
ProbeSteps withMetadataProbeSteps(ProbeSteps steps);

// Installs them for every later probe (start-up; tests).
void installMetadataProbeSteps();

}  // namespace zuvo
