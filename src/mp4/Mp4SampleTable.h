#pragma once
// A track's sample table (trak.mdia.minf.stbl) read as a list of samples, and the chunk
// tables written for samples laid out anew.
#include <cstdint>
#include <vector>

#include "mp4/Mp4Box.h"

namespace zuvo {

struct Mp4Sample {
  uint64_t offset = 0;  // in the file
  uint32_t size = 0;
  uint32_t duration = 0;     // in the media's time scale
  uint32_t description = 1;  // index into stsd, from 1
};

// Where one chunk's samples lie: `bytes` from `offset` (0 for a listed chunk holding none).
struct Mp4Chunk {
  uint64_t offset = 0;
  uint64_t bytes = 0;
};

class Mp4SampleTable {
 public:
  static constexpr uint32_t kMaxSamples = 20'000'000;
  static constexpr uint32_t kMaxSampleBytes = 64u << 20;

  // The samples of `stbl` in decode order, each checked to lie inside a file of `fileSize`
  // bytes (whether the track's data reference names this file is the caller's to check).
  static Mp4Error read(const Mp4Box& stbl, uint64_t fileSize, std::vector<Mp4Sample>& out);
  // Every chunk of the offset table, once the tables are checked to be whole and to place every
  // sample the track declares. Unlike read(), no sample list is built, so any count is fine.
  static Mp4Error chunks(const Mp4Box& stbl, std::vector<Mp4Chunk>& out);
  // Replaces stsc and stco/co64: chunk i starts at chunkOffsets[i] and holds samplesPerChunk[i]
  // samples of sample description descriptions[i] (1 when not given).
  static void writeChunks(Mp4Box& stbl, const std::vector<uint64_t>& chunkOffsets,
                          const std::vector<uint32_t>& samplesPerChunk, bool force64BitOffsets = false,
                          const std::vector<uint32_t>& descriptions = {});
  // An empty stbl's tables for a track with one sample description.
  static Mp4Box table(Mp4Buffer sampleEntry, const std::vector<Mp4Sample>& samples);
};

}  // namespace zuvo
