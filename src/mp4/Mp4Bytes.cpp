#include "mp4/Mp4Bytes.h"

namespace zuvo {

bool Mp4ByteReader::need(size_t n) {
  if (!ok_ || n > remaining()) {
    ok_ = false;
    pos_ = data_.size();
    return false;
  }
  return true;
}

uint8_t Mp4ByteReader::u8() { return need(1) ? data_[pos_++] : 0; }

uint16_t Mp4ByteReader::u16() { return uint16_t(need(2) ? mp4ReadUnsigned(bytes(2)) : 0); }

uint32_t Mp4ByteReader::u24() { return uint32_t(need(3) ? mp4ReadUnsigned(bytes(3)) : 0); }

uint32_t Mp4ByteReader::u32() { return uint32_t(need(4) ? mp4ReadUnsigned(bytes(4)) : 0); }

uint64_t Mp4ByteReader::u64() { return need(8) ? mp4ReadUnsigned(bytes(8)) : 0; }

std::span<const uint8_t> Mp4ByteReader::bytes(size_t n) {
  if (!need(n)) return {};
  auto s = data_.subspan(pos_, n);
  pos_ += n;
  return s;
}

std::string Mp4ByteReader::text(size_t n) {
  auto b = bytes(n);
  return std::string(b.begin(), b.end());
}

Mp4ByteWriter& Mp4ByteWriter::u8(uint8_t v) {
  out_.push_back(v);
  return *this;
}

Mp4ByteWriter& Mp4ByteWriter::put(int width, uint64_t v) {
  uint8_t b[8];
  mp4PutUnsigned(b, width, v);
  return bytes(std::span<const uint8_t>(b, size_t(width)));
}

Mp4ByteWriter& Mp4ByteWriter::bytes(std::span<const uint8_t> b) {
  out_.insert(out_.end(), b.begin(), b.end());
  return *this;
}

Mp4ByteWriter& Mp4ByteWriter::text(std::string_view s) {
  out_.insert(out_.end(), s.begin(), s.end());
  return *this;
}

Mp4ByteWriter& Mp4ByteWriter::zeros(size_t n) {
  out_.insert(out_.end(), n, 0);
  return *this;
}

uint64_t mp4ReadUnsigned(std::span<const uint8_t> b) {
  uint64_t v = 0;
  for (size_t i = 0; i < b.size() && i < 8; ++i) v = (v << 8) | b[i];
  return v;
}

void mp4PutUnsigned(uint8_t* b, int width, uint64_t v) {
  for (int i = width - 1; i >= 0; --i) {
    b[i] = uint8_t(v & 0xFF);
    v >>= 8;
  }
}

uint64_t mp4ToMs(uint64_t units, uint32_t timescale) {
  if (timescale == 0) return 0;
  const unsigned __int128 v = (static_cast<unsigned __int128>(units) * 1000 + timescale / 2) / timescale;
  return v > UINT64_MAX ? UINT64_MAX : uint64_t(v);
}

uint64_t mp4FromMs(uint64_t ms, uint32_t timescale) {
  const unsigned __int128 v = (static_cast<unsigned __int128>(ms) * timescale + 500) / 1000;
  return v > UINT64_MAX ? UINT64_MAX : uint64_t(v);
}

uint64_t mp4Rescale(uint64_t units, uint32_t from, uint32_t to) {
  if (from == 0 || from == to) return units;
  const unsigned __int128 v = (static_cast<unsigned __int128>(units) * to + from / 2) / from;
  return v > UINT64_MAX ? UINT64_MAX : uint64_t(v);
}

int64_t mp4SignedMs(uint64_t ms) { return ms > uint64_t(INT64_MAX) ? INT64_MAX : int64_t(ms); }

int64_t mp4AddSigned(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? INT64_MAX : INT64_MIN;
  return sum;
}

uint64_t mp4AddUnsigned(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

}  // namespace zuvo
