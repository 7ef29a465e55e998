#include "mp4/Mp4SampleTable.h"

#include <algorithm>

namespace zuvo {

namespace {
// A full box's entry count after its version and flags, checked against the bytes present.
Mp4Error entries(const Mp4Box* box, const char* type, size_t entryBytes, Mp4ByteReader& r, uint32_t& count) {
  if (!box) return Mp4Error::failure(std::string("the sample table lacks its ") + type + " box");
  r = Mp4ByteReader(box->payload());
  r.skip(4);
  count = r.u32();
  if (!r.ok() || uint64_t(count) * entryBytes > r.remaining())
    return Mp4Error::failure(std::string("malformed ") + type + " box");
  return {};
}

// The tables that place samples in the file, checked for their structure only.
struct Placement {
  uint32_t sampleCount = 0;
  uint32_t fixedSize = 0;  // stsz's size for every sample; 0: a table of sizes
  uint8_t fieldBits = 32;  // width of a table entry (stz2: 4, 8 or 16)
  std::span<const uint8_t> sizes;
  std::vector<uint64_t> chunkOffsets;
  struct Run {
    uint32_t firstChunk, perChunk, description;
  };
  std::vector<Run> runs;

  uint32_t size(uint32_t i) const {
    if (fixedSize) return fixedSize;
    switch (fieldBits) {
      case 4:
        return i % 2 == 0 ? sizes[i / 2] >> 4 : sizes[i / 2] & 0x0F;
      case 8:
        return sizes[i];
      case 16:
        return uint32_t(mp4ReadUnsigned(sizes.subspan(size_t(i) * 2, 2)));
      default:
        return uint32_t(mp4ReadUnsigned(sizes.subspan(size_t(i) * 4, 4)));
    }
  }

  // Calls visit(chunk index, first sample, sample count, description) for every chunk that
  // holds samples, in decode order; returns the number of samples the chunks hold (at most
  // sampleCount).
  template <typename Visit>
  uint64_t forEachChunk(Visit&& visit) const {
    uint64_t next = 0;
    const uint64_t chunks = chunkOffsets.size();
    for (size_t r = 0; r < runs.size() && next < sampleCount; ++r) {
      const uint64_t last =
          std::min<uint64_t>(r + 1 < runs.size() ? runs[r + 1].firstChunk - 1 : chunks, chunks);
      for (uint64_t chunk = runs[r].firstChunk; chunk <= last && next < sampleCount; ++chunk) {
        const uint64_t n = std::min<uint64_t>(runs[r].perChunk, sampleCount - next);
        visit(size_t(chunk - 1), uint32_t(next), uint32_t(n), runs[r].description);
        next += n;
      }
    }
    return next;
  }
};

Mp4Error readSizes(const Mp4Box& stbl, Placement& p) {
  if (const Mp4Box* stz2 = stbl.find("stz2")) {
    Mp4ByteReader r(stz2->payload());
    r.skip(7);
    p.fieldBits = r.u8();
    p.sampleCount = r.u32();
    if (!r.ok() || (p.fieldBits != 4 && p.fieldBits != 8 && p.fieldBits != 16) ||
        (uint64_t(p.sampleCount) * p.fieldBits + 7) / 8 > r.remaining())
      return Mp4Error::failure("malformed stz2 box");
    p.sizes = r.bytes(r.remaining());
    return {};
  }
  const Mp4Box* stsz = stbl.find("stsz");
  if (!stsz) return Mp4Error::failure("the sample table lacks its stsz box");
  Mp4ByteReader r(stsz->payload());
  r.skip(4);
  p.fixedSize = r.u32();
  p.sampleCount = r.u32();
  if (!r.ok() || (p.fixedSize == 0 && uint64_t(p.sampleCount) * 4 > r.remaining()))
    return Mp4Error::failure("malformed stsz box");
  p.sizes = r.bytes(r.remaining());
  return {};
}

Mp4Error readPlacement(const Mp4Box& stbl, Placement& p) {
  if (auto e = readSizes(stbl, p)) return e;
  Mp4ByteReader co({}), stsc({});
  uint32_t chunks = 0, runs = 0;
  const bool co64 = stbl.find("co64") != nullptr;
  if (co64 && stbl.find("stco")) return Mp4Error::failure("the sample table holds both stco and co64 boxes");
  if (auto e = entries(stbl.find(co64 ? "co64" : "stco"), co64 ? "co64" : "stco", co64 ? 8 : 4, co, chunks))
    return e;
  if (auto e = entries(stbl.find("stsc"), "stsc", 12, stsc, runs)) return e;
  p.chunkOffsets.resize(chunks);
  for (uint64_t& o : p.chunkOffsets) o = co64 ? co.u64() : co.u32();
  p.runs.resize(runs);
  for (uint32_t i = 0; i < runs; ++i) {
    p.runs[i].firstChunk = stsc.u32();
    p.runs[i].perChunk = stsc.u32();
    p.runs[i].description = stsc.u32();
    // Players map chunks before the first run, empty runs and description 0 each their own
    // way: such chunks may hold media that we would take for unused bytes.
    if (p.runs[i].firstChunk == 0 || (i == 0 && p.runs[i].firstChunk != 1) ||
        (i > 0 && p.runs[i].firstChunk <= p.runs[i - 1].firstChunk))
      return Mp4Error::failure("malformed stsc box: its runs do not start at chunk 1 in order");
    if (p.runs[i].perChunk == 0 || p.runs[i].description == 0)
      return Mp4Error::failure("malformed stsc box: a run of empty chunks or of sample description 0");
  }
  return {};
}

const char* kTooFewSamples = "the chunks hold fewer samples than the sample table declares";
}  // namespace

Mp4Error Mp4SampleTable::read(const Mp4Box& stbl, uint64_t fileSize, std::vector<Mp4Sample>& out) {
  out.clear();
  Placement p;
  if (auto e = readPlacement(stbl, p)) return e;
  if (p.sampleCount > kMaxSamples) return Mp4Error::failure("the track holds too many samples");
  Mp4ByteReader stts({});
  uint32_t times = 0;
  if (auto e = entries(stbl.find("stts"), "stts", 8, stts, times)) return e;

  // Every table is checked before the list is made: a few damaged bytes can declare millions of samples.
  Mp4ByteReader timing = stts;
  uint64_t timed = 0;
  for (uint32_t e = 0; e < times; ++e) {
    timed += timing.u32();
    timing.skip(4);
  }
  if (timed < p.sampleCount)
    return Mp4Error::failure("the stts box covers fewer samples than the track holds");
  bool inside = true;
  const uint64_t placed = p.forEachChunk([&](size_t chunk, uint32_t first, uint32_t count, uint32_t) {
    uint64_t offset = p.chunkOffsets[chunk];
    if (p.fixedSize) {
      inside = inside && p.fixedSize <= kMaxSampleBytes && offset <= fileSize &&
               uint64_t(p.fixedSize) * count <= fileSize - offset;
      return;
    }
    for (uint32_t i = first; i < first + count && inside; ++i) {
      const uint32_t size = p.size(i);
      inside = size <= kMaxSampleBytes && offset <= fileSize && size <= fileSize - offset;
      offset += size;
    }
  });
  if (!inside) return Mp4Error::failure("a sample lies outside the file");
  if (placed < p.sampleCount) return Mp4Error::failure(kTooFewSamples);

  std::vector<Mp4Sample> samples(p.sampleCount);
  p.forEachChunk([&](size_t chunk, uint32_t first, uint32_t count, uint32_t description) {
    uint64_t offset = p.chunkOffsets[chunk];
    for (uint32_t i = first; i < first + count; ++i) {
      samples[i].offset = offset;
      samples[i].size = p.size(i);
      samples[i].description = description;
      offset += samples[i].size;
    }
  });
  size_t index = 0;
  for (uint32_t e = 0; e < times && index < samples.size(); ++e) {
    const uint32_t count = stts.u32();
    const uint32_t delta = stts.u32();
    for (uint32_t k = 0; k < count && index < samples.size(); ++k) samples[index++].duration = delta;
  }
  out = std::move(samples);
  return {};
}

Mp4Error Mp4SampleTable::chunks(const Mp4Box& stbl, std::vector<Mp4Chunk>& out) {
  out.clear();
  Placement p;
  if (auto e = readPlacement(stbl, p)) return e;
  Mp4ByteReader stts({});
  uint32_t times = 0;
  if (auto e = entries(stbl.find("stts"), "stts", 8, stts, times)) return e;
  // Every chunk the table lists, those holding no sample too: a player may still read them.
  std::vector<Mp4Chunk> found(p.chunkOffsets.size());
  for (size_t i = 0; i < found.size(); ++i) found[i].offset = p.chunkOffsets[i];
  const uint64_t placed = p.forEachChunk([&](size_t chunk, uint32_t first, uint32_t count, uint32_t) {
    uint64_t bytes = 0;
    if (p.fixedSize)
      bytes = uint64_t(p.fixedSize) * count;
    else
      for (uint32_t i = first; i < first + count; ++i) bytes += p.size(i);
    found[chunk].bytes = bytes;
  });
  if (placed < p.sampleCount) return Mp4Error::failure(kTooFewSamples);
  out = std::move(found);
  return {};
}

void Mp4SampleTable::writeChunks(Mp4Box& stbl, const std::vector<uint64_t>& chunkOffsets,
                                 const std::vector<uint32_t>& samplesPerChunk, bool force64BitOffsets,
                                 const std::vector<uint32_t>& descriptions) {
  auto description = [&](size_t i) { return i < descriptions.size() ? descriptions[i] : 1u; };
  Mp4ByteWriter stsc;
  uint32_t runs = 0;
  stsc.u32(0).u32(0);
  for (size_t i = 0; i < samplesPerChunk.size(); ++i) {
    if (i > 0 && samplesPerChunk[i] == samplesPerChunk[i - 1] && description(i) == description(i - 1))
      continue;
    stsc.u32(uint32_t(i + 1)).u32(samplesPerChunk[i]).u32(description(i));
    ++runs;
  }
  mp4PutUnsigned(stsc.buffer().data() + 4, 4, runs);
  const bool wide =
      force64BitOffsets ||
      (!chunkOffsets.empty() && *std::max_element(chunkOffsets.begin(), chunkOffsets.end()) > UINT32_MAX);
  Mp4ByteWriter co;
  co.u32(0).u32(uint32_t(chunkOffsets.size()));
  for (uint64_t o : chunkOffsets) wide ? co.u64(o) : co.u32(uint32_t(o));

  // Keep the usual order: the chunk tables where the old ones stood, else at the end.
  auto& children = stbl.children();
  auto at = std::find_if(children.begin(), children.end(), [](const Mp4Box& b) {
    return b.type() == "stsc" || b.type() == "stco" || b.type() == "co64";
  });
  const size_t position = size_t(at - children.begin());
  stbl.removeAll("stsc");
  stbl.removeAll("stco");
  stbl.removeAll("co64");
  const size_t insertAt = std::min(position, children.size());
  children.insert(children.begin() + long(insertAt), Mp4Box::leaf(wide ? "co64" : "stco", co.take()));
  children.insert(children.begin() + long(insertAt), Mp4Box::leaf("stsc", stsc.take()));
}

Mp4Box Mp4SampleTable::table(Mp4Buffer sampleEntry, const std::vector<Mp4Sample>& samples) {
  Mp4ByteWriter stsd;
  stsd.u32(0).u32(1).bytes(sampleEntry);
  Mp4ByteWriter stts;
  stts.u32(0).u32(0);
  uint32_t runs = 0;
  for (size_t i = 0; i < samples.size();) {
    size_t j = i;
    while (j < samples.size() && samples[j].duration == samples[i].duration) ++j;
    stts.u32(uint32_t(j - i)).u32(samples[i].duration);
    ++runs;
    i = j;
  }
  mp4PutUnsigned(stts.buffer().data() + 4, 4, runs);
  Mp4ByteWriter stsz;
  stsz.u32(0).u32(0).u32(uint32_t(samples.size()));
  for (const Mp4Sample& s : samples) stsz.u32(s.size);
  return Mp4Box::container("stbl", {Mp4Box::leaf("stsd", stsd.take()), Mp4Box::leaf("stts", stts.take()),
                                    Mp4Box::leaf("stsz", stsz.take())});
}

}  // namespace zuvo
