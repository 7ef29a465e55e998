#pragma once
// What the source preparation steps share: handing the conversion a new source, and
// ending the item's row as failed.
#include <QString>

#include "convert/converter/BCConverter.h"
#include "convert/passes/VideoPasses.h"  // conversionStopped

namespace zuvo {

// Later steps and the passes read the new file.
void useAsSource(BCConverter& converter, const QString& path);
// Not finished, its progress bar full.
void markFailed(MediaFile& media);

}  // namespace zuvo
