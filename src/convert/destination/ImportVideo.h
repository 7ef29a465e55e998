#pragma once
// Importing a converted file into the media library.
#include <QString>

#include "media/BCCReporter.h"
#include "media/MediaFile.h"

namespace zuvo {

// Imports "folder/baseName+extension" with the media object's description. True only when
// the library took the file: a failed import leaves the caller's file where it is, and the
// caller must not treat it as imported.
bool importVideoIntoiTunes(const QString& folder, const MediaFile& media, const QString& baseName,
                           const QString& extension, const Reporter& reporter);

}  // namespace zuvo
