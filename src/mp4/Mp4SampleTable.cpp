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

Mp4Error sampleSizes(const Mp4Box& stbl, std::vector<Mp4Sample>& out) {
  if (const Mp4Box* stz2 = stbl.find("stz2")) {
    Mp4ByteReader r(stz2->payload());
    r.skip(7);
    const uint8_t fieldBits = r.u8();
    const uint32_t count = r.u32();
    if (!r.ok() || (fieldBits != 4 && fieldBits != 8 && fieldBits != 16) || count > Mp4SampleTable::kMaxSamples ||
        (uint64_t(count) * fieldBits + 7) / 8 > r.remaining())
      return Mp4Error::failure("malformed stz2 box");
    out.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
      if (fieldBits == 16) out[i].size = r.u16();
      else if (fieldBits == 8) out[i].size = r.u8();
      else out[i].size = i % 2 == 0 ? (stz2->payload()[12 + i / 2] >> 4) : (stz2->payload()[12 + i / 2] & 0x0F);
    }
    return {};
  }
  const Mp4Box* stsz = stbl.find("stsz");
  if (!stsz) return Mp4Error::failure("the sample table lacks its stsz box");
  Mp4ByteReader r(stsz->payload());
  r.skip(4);
  const uint32_t fixed = r.u32();
  const uint32_t count = r.u32();
  if (!r.ok() || count > Mp4SampleTable::kMaxSamples || (fixed == 0 && uint64_t(count) * 4 > r.remaining()))
    return Mp4Error::failure("malformed stsz box");
  out.resize(count);
  for (Mp4Sample& s : out) s.size = fixed ? fixed : r.u32();
  return {};
}
}  // namespace

Mp4Error Mp4SampleTable::read(const Mp4Box& stbl, uint64_t fileSize, std::vector<Mp4Sample>& out) {
  out.clear();
  std::vector<Mp4Sample> samples;
  if (auto e = sampleSizes(stbl, samples)) return e;

  // Chunk offsets, and how many samples each chunk holds.
  Mp4ByteReader co({}), stsc({}), stts({});
  uint32_t chunks = 0, runs = 0, times = 0;
  const bool co64 = stbl.find("co64") != nullptr;
  if (auto e = entries(stbl.find(co64 ? "co64" : "stco"), co64 ? "co64" : "stco", co64 ? 8 : 4, co, chunks)) return e;
  if (auto e = entries(stbl.find("stsc"), "stsc", 12, stsc, runs)) return e;
  if (auto e = entries(stbl.find("stts"), "stts", 8, stts, times)) return e;
  if (chunks > kMaxSamples || runs > kMaxSamples) return Mp4Error::failure("malformed chunk tables");
  std::vector<uint64_t> chunkOffsets(chunks);
  for (uint64_t& o : chunkOffsets) o = co64 ? co.u64() : co.u32();
  struct Run {
    uint32_t firstChunk, perChunk;
  };
  std::vector<Run> chunkRuns(runs);
  for (uint32_t i = 0; i < runs; ++i) {
    chunkRuns[i].firstChunk = stsc.u32();
    chunkRuns[i].perChunk = stsc.u32();
    stsc.skip(4);  // sample description
    if (chunkRuns[i].firstChunk == 0 || (i > 0 && chunkRuns[i].firstChunk <= chunkRuns[i - 1].firstChunk))
      return Mp4Error::failure("malformed stsc box");
  }

  size_t next = 0;
  for (size_t r = 0; r < chunkRuns.size() && next < samples.size(); ++r) {
    const uint64_t last = r + 1 < chunkRuns.size() ? chunkRuns[r + 1].firstChunk - 1 : chunks;
    for (uint64_t chunk = chunkRuns[r].firstChunk; chunk <= std::min<uint64_t>(last, chunks) && next < samples.size(); ++chunk) {
      uint64_t offset = chunkOffsets[chunk - 1];
      for (uint32_t k = 0; k < chunkRuns[r].perChunk && next < samples.size(); ++k, ++next) {
        Mp4Sample& s = samples[next];
        if (s.size > kMaxSampleBytes || offset > fileSize || s.size > fileSize - offset)
          return Mp4Error::failure("a sample lies outside the file");
        s.offset = offset;
        offset += s.size;
      }
    }
  }
  if (next < samples.size()) return Mp4Error::failure("the chunks hold fewer samples than the sample table declares");

  size_t index = 0;
  for (uint32_t e = 0; e < times && index < samples.size(); ++e) {
    const uint32_t count = stts.u32();
    const uint32_t delta = stts.u32();
    for (uint32_t k = 0; k < count && index < samples.size(); ++k) samples[index++].duration = delta;
  }
  if (index < samples.size()) return Mp4Error::failure("the stts box covers fewer samples than the track holds");
  out = std::move(samples);
  return {};
}

void Mp4SampleTable::writeChunks(Mp4Box& stbl, const std::vector<uint64_t>& chunkOffsets,
                                 const std::vector<uint32_t>& samplesPerChunk, bool force64BitOffsets) {
  Mp4ByteWriter stsc;
  uint32_t runs = 0;
  stsc.u32(0).u32(0);
  for (size_t i = 0; i < samplesPerChunk.size(); ++i) {
    if (i > 0 && samplesPerChunk[i] == samplesPerChunk[i - 1]) continue;
    stsc.u32(uint32_t(i + 1)).u32(samplesPerChunk[i]).u32(1);
    ++runs;
  }
  mp4PutUnsigned(stsc.buffer().data() + 4, 4, runs);
  const bool wide =
      force64BitOffsets || (!chunkOffsets.empty() && *std::max_element(chunkOffsets.begin(), chunkOffsets.end()) > UINT32_MAX);
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
