#include "mp4/Mp4NeroChapters.h"

#include <algorithm>

namespace zuvo {

namespace {
constexpr uint64_t kUnitsPerMs = 10000;
}

Mp4Error Mp4NeroChapters::read(const Mp4Box& moov, uint64_t movieMs, std::vector<Mp4Chapter>& out) {
  out.clear();
  const Mp4Box* chpl = moov.find("udta.chpl");
  if (!chpl) return {};
  Mp4ByteReader r(chpl->payload());
  const uint8_t version = r.u8();
  r.skip(3);                    // flags
  if (version == 1) r.skip(4);  // reserved
  const uint8_t count = r.u8();
  if (!r.ok() || version > 1) return Mp4Error::failure("malformed chpl box");
  for (unsigned i = 0; i < count; ++i) {
    Mp4Chapter c;
    c.startMs = r.u64() / kUnitsPerMs;
    c.title = r.text(r.u8());
    if (!r.ok()) return Mp4Error::failure("chpl box shorter than its chapter count");
    out.push_back(std::move(c));
  }
  for (size_t i = 0; i < out.size(); ++i) {
    const uint64_t end = i + 1 < out.size() ? out[i + 1].startMs : movieMs;
    out[i].durationMs = end > out[i].startMs ? end - out[i].startMs : 0;
  }
  return {};
}

void Mp4NeroChapters::remove(Mp4Box& moov) {
  if (Mp4Box* udta = moov.find("udta")) udta->removeAll("chpl");
}

void Mp4NeroChapters::write(Mp4Box& moov, const std::vector<Mp4Chapter>& chapters) {
  remove(moov);
  const size_t count = std::min(chapters.size(), kMaxChapters);
  Mp4ByteWriter w;
  w.u8(1).u24(0).u32(0).u8(uint8_t(count));
  for (size_t i = 0; i < count; ++i) {
    const std::string title = mp4CutUtf8(chapters[i].title, kMaxTitleBytes);
    w.u64(chapters[i].startMs > UINT64_MAX / kUnitsPerMs ? UINT64_MAX : chapters[i].startMs * kUnitsPerMs)
        .u8(uint8_t(title.size()))
        .text(title);
  }
  moov.findOrCreate("udta").append(Mp4Box::leaf("chpl", w.take()));
}

}  // namespace zuvo
