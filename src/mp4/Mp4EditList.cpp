#include "mp4/Mp4EditList.h"

namespace zuvo {

Mp4Error Mp4EditList::read(const Mp4Box& trak, std::vector<Mp4Edit>& out) {
  out.clear();
  const Mp4Box* elst = trak.find("edts.elst");
  if (!elst) return {};
  Mp4ByteReader r(elst->payload());
  const uint8_t version = r.u8();
  r.skip(3);
  const uint32_t count = r.u32();
  const size_t entryBytes = version == 1 ? 20 : 12;
  if (!r.ok() || version > 1 || count > kMaxEdits || uint64_t(count) * entryBytes > r.remaining())
    return Mp4Error::failure("malformed elst box");
  for (uint32_t i = 0; i < count; ++i) {
    Mp4Edit e;
    e.duration = version == 1 ? r.u64() : r.u32();
    e.mediaTime = version == 1 ? int64_t(r.u64()) : int64_t(int32_t(r.u32()));
    e.rate = r.u32();
    out.push_back(e);
  }
  return {};
}

void Mp4EditList::write(Mp4Box& trak, const std::vector<Mp4Edit>& edits) {
  trak.removeAll("edts");
  if (edits.empty()) return;
  bool wide = false;
  for (const Mp4Edit& e : edits)
    wide = wide || e.duration > UINT32_MAX || e.mediaTime > INT32_MAX || e.mediaTime < INT32_MIN;
  Mp4ByteWriter w;
  w.u8(wide ? 1 : 0).u24(0).u32(uint32_t(edits.size()));
  for (const Mp4Edit& e : edits) {
    if (wide)
      w.u64(e.duration).u64(uint64_t(e.mediaTime));
    else
      w.u32(uint32_t(e.duration)).u32(uint32_t(int32_t(e.mediaTime)));
    w.u32(e.rate);
  }
  // The edit box follows the track header, where readers look for it.
  auto& children = trak.children();
  auto at = children.begin();
  while (at != children.end() && at->type() == "tkhd") ++at;
  children.insert(at, Mp4Box::container("edts", {Mp4Box::leaf("elst", w.take())}));
}

int64_t Mp4EditList::offsetMs(const std::vector<Mp4Edit>& edits, uint32_t movieTimescale,
                              uint32_t mediaTimescale) {
  int64_t offset = 0;
  for (const Mp4Edit& e : edits) {
    if (e.mediaTime == Mp4Edit::kEmpty) {
      offset = mp4AddSigned(offset, mp4SignedMs(mp4ToMs(e.duration, movieTimescale)));
      continue;
    }
    if (e.mediaTime > 0)
      offset = mp4AddSigned(offset, -mp4SignedMs(mp4ToMs(uint64_t(e.mediaTime), mediaTimescale)));
    break;
  }
  return offset;
}

uint64_t Mp4EditList::duration(const std::vector<Mp4Edit>& edits) {
  uint64_t total = 0;
  for (const Mp4Edit& e : edits) total = mp4AddUnsigned(total, e.duration);
  return total;
}

std::vector<Mp4Edit> Mp4EditList::rescaled(std::vector<Mp4Edit> edits, uint32_t from, uint32_t to) {
  for (Mp4Edit& e : edits) e.duration = mp4Rescale(e.duration, from, to);
  return edits;
}

}  // namespace zuvo
