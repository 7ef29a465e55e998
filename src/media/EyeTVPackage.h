#pragma once
// EyeTV recording packages: a folder holding the recording as an MPEG file, named after
// the show ("Series - Episode title.eyetv") or the movie ("Title.eyetv").
#include <QString>

#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"

namespace zuvo {

// The code of every failure to read a recording package.
inline constexpr qint32 kEyeTVPackageCode = 0;

// Succeeds with "<package>/<file>" of the first entry (by name) whose extension is
// "mpg"; fails with code 0 when the folder cannot be listed, is empty or holds none.
BCError FindMPEGInEyeTVPackage(const QString& packagePath);

// Series and episode names from the package name in `fullpath`: a TV show when an
// episode title follows a " - ", else a movie; season and episode number become 0.
BCError ParseEyeTVRecordingName(MediaFile& media, const Reporter& reporter);

}  // namespace zuvo
