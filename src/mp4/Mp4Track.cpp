#include "mp4/Mp4Track.h"

#include <algorithm>

#include "mp4/Mp4TrackBoxes.h"

namespace zuvo {

namespace {
// Field offsets inside tkhd and mdhd depend on the version byte.
size_t tkhdIdOffset(const Mp4Buffer& p) { return p[0] == 1 ? 20 : 12; }
size_t tkhdAlternateGroupOffset(const Mp4Buffer& p) { return p[0] == 1 ? 42 : 34; }
size_t tkhdSize(const Mp4Buffer& p) { return p.empty() ? 0 : (p[0] == 1 ? 96 : 84); }
size_t mdhdSize(const Mp4Buffer& p) { return p.empty() ? 0 : (p[0] == 1 ? 36 : 24); }
size_t mdhdLanguageOffset(const Mp4Buffer& p) { return p[0] == 1 ? 32 : 20; }
size_t tkhdWidthOffset(const Mp4Buffer& p) { return p[0] == 1 ? 88 : 76; }

uint64_t readAt(const Mp4Buffer& p, size_t offset, int width) {
  return mp4ReadUnsigned(std::span<const uint8_t>(p).subspan(offset, size_t(width)));
}
}  // namespace

Mp4Error Mp4Track::validate(const Mp4Box& trak) {
  const Mp4Box* tkhd = trak.find("tkhd");
  const Mp4Box* mdhd = trak.find("mdia.mdhd");
  const Mp4Box* hdlr = trak.find("mdia.hdlr");
  if (!tkhd || !mdhd || !hdlr) return Mp4Error::failure("a track lacks its tkhd, mdhd or hdlr box");
  if (tkhd->payload().empty() || tkhd->payload()[0] > 1 || tkhd->payload().size() < tkhdSize(tkhd->payload()))
    return Mp4Error::failure("malformed tkhd box");
  if (mdhd->payload().empty() || mdhd->payload()[0] > 1 || mdhd->payload().size() < mdhdSize(mdhd->payload()))
    return Mp4Error::failure("malformed mdhd box");
  if (hdlr->payload().size() < 12) return Mp4Error::failure("malformed hdlr box");
  if (const Mp4Box* tref = trak.find("tref"))
    for (const Mp4Box& r : tref->children())
      if (r.payload().size() % 4 != 0) return Mp4Error::failure("malformed track reference box");
  return {};
}

uint32_t Mp4Track::id() const {
  const Mp4Buffer& p = trak_->find("tkhd")->payload();
  return uint32_t(readAt(p, tkhdIdOffset(p), 4));
}

std::string Mp4Track::type() const {
  const Mp4Buffer& p = trak_->find("mdia.hdlr")->payload();
  return std::string(p.begin() + 8, p.begin() + 12);
}

uint32_t Mp4Track::timescale() const {
  const Mp4Buffer& p = trak_->find("mdia.mdhd")->payload();
  return uint32_t(readAt(p, p[0] == 1 ? 20 : 12, 4));
}

uint64_t Mp4Track::duration() const {
  const Mp4Buffer& p = trak_->find("mdia.mdhd")->payload();
  return p[0] == 1 ? readAt(p, 24, 8) : readAt(p, 16, 4);
}

uint64_t Mp4Track::durationMs() const { return mp4ToMs(duration(), timescale()); }

std::string Mp4Track::name() const {
  const Mp4Box* box = trak_->find("udta.name");
  if (!box) return {};
  std::string s(box->payload().begin(), box->payload().end());
  while (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

void Mp4Track::setName(const std::string& name) {
  Mp4Box& udta = trak_->findOrCreate("udta");
  udta.removeAll("name");
  udta.append(Mp4Box::leaf("name", Mp4Buffer(name.begin(), name.end())));
}

// hdlr: version and flags, pre-defined, handler type, 12 reserved bytes, then the name.
constexpr size_t kHandlerNameOffset = 24;

void Mp4Track::setHandlerName(const std::string& name) {
  Mp4Buffer& p = trak_->find("mdia.hdlr")->payload();
  p.resize(kHandlerNameOffset);
  p.insert(p.end(), name.begin(), name.end());
  p.push_back(0);
}

std::string Mp4Track::language() const {
  const Mp4Buffer& p = trak_->find("mdia.mdhd")->payload();
  return mp4UnpackLanguage(uint16_t(readAt(p, mdhdLanguageOffset(p), 2) & 0x7FFF));
}

bool Mp4Track::setLanguage(const std::string& code) {
  uint16_t packed = 0;
  if (!mp4PackLanguage(code, packed)) return false;
  Mp4Buffer& p = trak_->find("mdia.mdhd")->payload();
  mp4PutUnsigned(p.data() + mdhdLanguageOffset(p), 2, packed);
  return true;
}

uint64_t Mp4Track::presentationDuration() const {
  const Mp4Buffer& p = trak_->find("tkhd")->payload();
  return p[0] == 1 ? readAt(p, 28, 8) : readAt(p, 20, 4);
}

void Mp4Track::setPresentationDuration(uint64_t duration) {
  Mp4Buffer& p = trak_->find("tkhd")->payload();
  if (p[0] == 0 && duration > UINT32_MAX) {
    // Version 1 widens the times and the duration to 64 bits.
    Mp4ByteWriter w;
    w.u8(1).bytes(std::span<const uint8_t>(p).subspan(1, 3));
    w.u64(readAt(p, 4, 4)).u64(readAt(p, 8, 4)).bytes(std::span<const uint8_t>(p).subspan(12, 8)).u64(0);
    w.bytes(std::span<const uint8_t>(p).subspan(24));
    p = w.take();
  }
  if (p[0] == 1)
    mp4PutUnsigned(p.data() + 28, 8, duration);
  else
    mp4PutUnsigned(p.data() + 20, 4, duration);
}

uint32_t Mp4Track::width() const {
  const Mp4Buffer& p = trak_->find("tkhd")->payload();
  return uint32_t(readAt(p, tkhdWidthOffset(p), 4) >> 16);
}

uint32_t Mp4Track::height() const {
  const Mp4Buffer& p = trak_->find("tkhd")->payload();
  return uint32_t(readAt(p, tkhdWidthOffset(p) + 4, 4) >> 16);
}

uint32_t Mp4Track::flags() const { return uint32_t(readAt(trak_->find("tkhd")->payload(), 1, 3)); }

void Mp4Track::setFlags(uint32_t flags) {
  mp4PutUnsigned(trak_->find("tkhd")->payload().data() + 1, 3, flags);
}

uint16_t Mp4Track::alternateGroup() const {
  const Mp4Buffer& p = trak_->find("tkhd")->payload();
  return uint16_t(readAt(p, tkhdAlternateGroupOffset(p), 2));
}

void Mp4Track::setAlternateGroup(uint16_t group) {
  Mp4Buffer& p = trak_->find("tkhd")->payload();
  mp4PutUnsigned(p.data() + tkhdAlternateGroupOffset(p), 2, group);
}

std::vector<uint32_t> Mp4Track::references(const std::string& type) const {
  std::vector<uint32_t> ids;
  const Mp4Box* tref = trak_->find("tref");
  if (!tref) return ids;
  for (const Mp4Box* r : tref->all(type))
    for (size_t i = 0; i + 4 <= r->payload().size(); i += 4)
      ids.push_back(uint32_t(readAt(r->payload(), i, 4)));
  return ids;
}

void Mp4Track::addReference(const std::string& type, uint32_t trackId) {
  Mp4Box& ref = trak_->findOrCreate("tref." + type);
  if (ref.isContainer()) ref = Mp4Box::leaf(type);
  const auto present = references(type);
  if (std::find(present.begin(), present.end(), trackId) != present.end()) return;
  Mp4ByteWriter w;
  w.u32(trackId);
  ref.payload().insert(ref.payload().end(), w.buffer().begin(), w.buffer().end());
}

void Mp4Track::removeReferences(const std::string& type) {
  Mp4Box* tref = trak_->find("tref");
  if (!tref) return;
  if (!type.empty()) tref->removeAll(type);
  if (type.empty() || tref->children().empty()) trak_->removeAll("tref");
}

}  // namespace zuvo
