#pragma once
// Importing a converted file into the media library.
#include <QString>

#include "media/BCCReporter.h"
#include "media/MediaFile.h"

namespace zuvo {

// Copy leaves the caller's file where it is; Move hands it to the library (renamed into
// it on one file system, else copied, flushed and then removed).
enum class ImportMode { Copy, Move };

// Imports "folder/baseName+extension" with the media object's description. True only when
// the library took the file: a failed import leaves the caller's file where it is, and the
// caller must not treat it as imported.
bool importVideoIntoiTunes(const QString& folder, const MediaFile& media, const QString& baseName,
                           const QString& extension, const Reporter& reporter,
                           ImportMode mode = ImportMode::Copy);

}  // namespace zuvo
