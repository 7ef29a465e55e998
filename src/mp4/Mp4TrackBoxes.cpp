#include "mp4/Mp4TrackBoxes.h"

namespace zuvo {

namespace {
void identityMatrix(Mp4ByteWriter& w, int32_t tx, int32_t ty) {
  w.u32(0x00010000).u32(0).u32(0);
  w.u32(0).u32(0x00010000).u32(0);
  w.u32(uint32_t(tx) << 16).u32(uint32_t(ty) << 16).u32(0x40000000);
}
}  // namespace

Mp4Box mp4TrackHeader(const Mp4TrackHeaderFields& f) {
  const bool wide = f.duration > UINT32_MAX;
  Mp4ByteWriter w;
  w.u8(wide ? 1 : 0).u24(f.flags);
  if (wide)
    w.u64(0).u64(0).u32(f.id).u32(0).u64(f.duration);
  else
    w.u32(0).u32(0).u32(f.id).u32(0).u32(uint32_t(f.duration));
  w.zeros(8).u16(uint16_t(f.layer)).u16(f.alternateGroup).u16(f.volume).u16(0);
  identityMatrix(w, f.translationX, f.translationY);
  w.u32(f.width << 16).u32(f.height << 16);
  return Mp4Box::leaf("tkhd", w.take());
}

Mp4Box mp4MediaHeader(uint32_t timescale, uint64_t duration, uint16_t language) {
  const bool wide = duration > UINT32_MAX;
  Mp4ByteWriter w;
  w.u8(wide ? 1 : 0).u24(0);
  if (wide)
    w.u64(0).u64(0).u32(timescale).u64(duration);
  else
    w.u32(0).u32(0).u32(timescale).u32(uint32_t(duration));
  w.u16(language).u16(0);
  return Mp4Box::leaf("mdhd", w.take());
}

Mp4Box mp4Handler(const char* type, const std::string& name) {
  Mp4ByteWriter w;
  w.u32(0).u32(0).text(std::string_view(type, 4)).zeros(12).text(name).u8(0);
  return Mp4Box::leaf("hdlr", w.take());
}

Mp4Box mp4SelfDataInformation() {
  Mp4ByteWriter url;
  url.u32(12).text("url ").u32(1);  // flag 1: data in this file
  Mp4ByteWriter dref;
  dref.u32(0).u32(1).bytes(url.buffer());
  return Mp4Box::container("dinf", {Mp4Box::leaf("dref", dref.take())});
}

bool mp4PackLanguage(const std::string& code, uint16_t& packed) {
  if (code.size() != 3) return false;
  uint16_t v = 0;
  for (char c : code) {
    if (c < 'a' || c > 'z') return false;
    v = uint16_t(v << 5 | (c - 0x60));
  }
  packed = v;
  return true;
}

std::string mp4UnpackLanguage(uint16_t packed) {
  std::string code;
  for (int shift = 10; shift >= 0; shift -= 5) {
    const int c = (packed >> shift & 0x1F) + 0x60;
    if (c < 'a' || c > 'z') return "und";
    code += char(c);
  }
  return code;
}

}  // namespace zuvo
