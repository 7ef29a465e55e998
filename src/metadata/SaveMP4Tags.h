#pragma once
// Writing a media object's metadata into an MP4/M4V file as iTunes tags: the tag set, the
// cover, the chapters, the content rating and the cast and crew. Both savers block the
// calling thread while the file's metadata is rewritten, log their failures and return
// the outcome.
#include <QString>
#include <cstdint>

#include "media/BCCReporter.h"
#include "media/BCError.h"

namespace zuvo {

class MediaFile;

// Codes of a failed save.
constexpr qint32 kMP4CannotOpenCode = 1;   // not an MP4 file we can change; nothing was written
constexpr qint32 kMP4CannotWriteCode = 3;  // the new metadata, or its chapters, did not reach the file

// A converted file: its present tags are kept unless replaced; the cover is added to those
// already there; a catalogue id of 0 keeps the present one. Unless the file is already laid out
// for streaming (its index first, its tracks taking turns), it is then laid out so, once (media
// bytes unchanged): the converter's single layout step after its last added track.
BCError saveMP4Tags(const QString& path, uint32_t catalogueId, const MediaFile& media, uint8_t hdVideo,
                    const Reporter& reporter);

// The user's own file: the tag set is written afresh, so every iTunes tag this save does not
// set (encoded-by, content id, HD flag, an earlier cover) is removed.
BCError saveMP4TagsInPlace(const QString& path, const MediaFile& media, const Reporter& reporter);

}  // namespace zuvo
