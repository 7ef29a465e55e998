#pragma once
// The output base name: the stem of every file a conversion makes. The user's template for
// the media type ("TVShowName", "MovieName", "HomeMovieName") is a comma-separated token
// list; each token appends a value of the media object, any other token itself.
#include <QString>

#include "media/MediaFile.h"
#include "platform/Defaults.h"

namespace zuvo {

// The template filled in, with every "/", "\" and ":" removed.
QString OutputBaseName(const MediaFile& media, const Defaults& defaults);

// A base name that a Linux file name can hold, with the conversion's suffixes after it: no
// NUL or other control characters, no leading dots (which would hide it), not so long that
// a suffix pushes it past the file-name limit, and never empty (`fallback` then, made safe
// the same way, else "Untitled").
QString SafeFileBaseName(const QString& name, const QString& fallback);

}  // namespace zuvo
