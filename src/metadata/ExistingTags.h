#pragma once
// Taking over the iTunes tags an MP4/M4V source already carries (written by an earlier
// conversion or another tagger) instead of parsing its name and looking it up. The probe
// asks testforMP4tags first and, with "ImportExistingMP4Information" on, runs
// createVideoDataFromm4v; both read the item's `fullpath` through readExistingMP4Tags.
#include <QString>

#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"

namespace zuvo {

namespace ExistingTagsCode {
inline constexpr qint32 CannotOpen = 1;
}  // namespace ExistingTagsCode

// True when the file opens as MP4 and has a name tag.
bool testforMP4tags(const MediaFile& item, const Reporter& reporter);

// Takes the tags over: kind, names, season and episode, artwork, description, date,
// genre, the content rating of "iTunEXTC" and the people of "iTunMOVI" (added to what
// the item holds); then the service look-ups for candidates, posters or banner and chapter
// candidates, in `language`; then, with `autoprocess` and "AutomaticallyConvertAllFiles"
// on, queues the item (state 2, "MakeFileTable" with the item as object).
// Code 1 "Can't open MP4 file to read tags", with the item untouched, when the file does
// not open as MP4.
BCError createVideoDataFromm4v(MediaFile& item, const QString& language, const QString& cachePath,
                               const Reporter& reporter, bool autoprocess);

}  // namespace zuvo
