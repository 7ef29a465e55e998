#pragma once
// Writing a media object's chapter list into an open MP4 file, as both chapter kinds.
#include <QList>

#include "mp4/Mp4Chapter.h"

namespace zuvo {

class ChapterTrack;
class MediaFile;
class Mp4File;

// The chapters to write for a movie of `totalMs`: starts in milliseconds, in time order
// (a start that cannot be read or repeats one before it is left out), none starting at or
// after the end.
std::vector<Mp4Chapter> MP4ChaptersFromTracks(const QList<ChapterTrack>& chapters, uint64_t totalMs);

// Replaces the file's chapters (QuickTime track and Nero list) with the media object's;
// an object without chapters leaves the file's as they are. Unchanged chapters keep their
// track, so saving again adds nothing to the file. Changes the open file only; the caller
// commits.
Mp4Error saveMP4Chapters(Mp4File& file, const MediaFile& media);

}  // namespace zuvo
