#pragma once
// QuickTime chapters: a text track whose samples are the titles, referred to by another
// track's tref.chap. Writing adds the track to the moov tree and hands back the sample bytes;
// the commit stores them in a media-data box of their own and sets the track's chunk offset.
#include <vector>

#include "mp4/Mp4Box.h"
#include "mp4/Mp4Chapter.h"
#include "mp4/Mp4FileHandle.h"

namespace zuvo {

class Mp4QuickTimeChapters {
 public:
  static constexpr size_t kMaxChapters = 100000;

  // The id of the chapter track, 0 when there is none.
  static uint32_t trackId(Mp4Box& moov);
  static Mp4Error read(Mp4Box& moov, const Mp4FileHandle& file, std::vector<Mp4Chapter>& out);
  // Removes every chapter text track and the references to it.
  static void remove(Mp4Box& moov);
  // Adds a chapter track for prepared chapters (mp4PrepareChapters) with its first chapter
  // starting at chapters[0].startMs, referred to by the video track (else the first audio
  // track, else the first track). Returns the new track's id and its sample bytes.
  static Mp4Error add(Mp4Box& moov, const std::vector<Mp4Chapter>& chapters, uint32_t& newTrackId,
                      Mp4Buffer& samples);
  // Points the single chunk of track `id` at `offset`.
  static void placeSamples(Mp4Box& moov, uint32_t id, uint64_t offset, bool use64BitOffsets);
};

}  // namespace zuvo
