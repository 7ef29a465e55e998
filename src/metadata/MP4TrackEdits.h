#pragma once
// Track edits the tag writer makes on an MP4 file.
#include <QString>
#include <cstdint>

#include "mp4/Mp4Error.h"

namespace zuvo {

class Mp4File;

// Opens the file for change, names track `trackId` and commits; a file that cannot be
// opened or has no such track is left alone and said so.
Mp4Error setMP4TrackName(const QString& path, uint32_t trackId, const QString& name);

// Sets moov.mvhd.nextTrackId to the highest track id plus 1 (1 without tracks).
void fixNextTrackId(Mp4File& file);
// The id of the first video track, 0 when there is none.
uint32_t findVideoTrack(Mp4File& file);
// Drops every tref.chap reference of every track.
void removeChapterReferences(Mp4File& file);

}  // namespace zuvo
