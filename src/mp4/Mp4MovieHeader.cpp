#include "mp4/Mp4MovieHeader.h"

namespace zuvo {

namespace {
uint64_t field(const Mp4Buffer& p, size_t offset, int width) {
  return mp4ReadUnsigned(std::span<const uint8_t>(p).subspan(offset, size_t(width)));
}
}  // namespace

Mp4Error Mp4MovieHeader::validate(const Mp4Box* mvhd) {
  if (!mvhd) return Mp4Error::failure("the moov box has no mvhd box");
  const Mp4Buffer& p = mvhd->payload();
  if (p.empty() || p[0] > 1 || p.size() < (p[0] == 1 ? 112u : 100u))
    return Mp4Error::failure("malformed mvhd box");
  return {};
}

uint32_t Mp4MovieHeader::timescale() const { return uint32_t(field(mvhd_->payload(), v1() ? 20 : 12, 4)); }

uint64_t Mp4MovieHeader::duration() const {
  return v1() ? field(mvhd_->payload(), 24, 8) : field(mvhd_->payload(), 16, 4);
}

void Mp4MovieHeader::setDuration(uint64_t duration) {
  Mp4Buffer& p = mvhd_->payload();
  if (!v1() && duration > UINT32_MAX) {
    Mp4ByteWriter w;
    w.u8(1).bytes(std::span<const uint8_t>(p).subspan(1, 3));
    w.u64(field(p, 4, 4)).u64(field(p, 8, 4)).u32(uint32_t(field(p, 12, 4))).u64(0);
    w.bytes(std::span<const uint8_t>(p).subspan(20));
    p = w.take();
  }
  if (v1())
    mp4PutUnsigned(p.data() + 24, 8, duration);
  else
    mp4PutUnsigned(p.data() + 16, 4, duration);
}

uint32_t Mp4MovieHeader::nextTrackId() const { return uint32_t(field(mvhd_->payload(), v1() ? 108 : 96, 4)); }

void Mp4MovieHeader::setNextTrackId(uint32_t id) {
  mp4PutUnsigned(mvhd_->payload().data() + (v1() ? 108 : 96), 4, id);
}

}  // namespace zuvo
