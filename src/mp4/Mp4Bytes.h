#pragma once
// Big-endian byte access for box contents. The reader never reads past its span: a short
// read marks it failed and yields zeros, so a parser checks `ok()` once at the end.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

using Mp4Buffer = std::vector<uint8_t>;

class Mp4ByteReader {
 public:
  explicit Mp4ByteReader(std::span<const uint8_t> data) : data_(data) {}

  uint8_t u8();
  uint16_t u16();
  uint32_t u24();
  uint32_t u32();
  uint64_t u64();
  // The next `n` bytes; an empty span (and failure) when fewer remain.
  std::span<const uint8_t> bytes(size_t n);
  std::string text(size_t n);
  void skip(size_t n) { bytes(n); }

  size_t position() const { return pos_; }
  size_t remaining() const { return data_.size() - pos_; }
  bool ok() const { return ok_; }

 private:
  bool need(size_t n);
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

class Mp4ByteWriter {
 public:
  Mp4ByteWriter& u8(uint8_t v);
  Mp4ByteWriter& u16(uint16_t v) { return put(2, v); }
  Mp4ByteWriter& u24(uint32_t v) { return put(3, v); }
  Mp4ByteWriter& u32(uint32_t v) { return put(4, v); }
  Mp4ByteWriter& u64(uint64_t v) { return put(8, v); }
  Mp4ByteWriter& bytes(std::span<const uint8_t> b);
  Mp4ByteWriter& text(std::string_view s);
  Mp4ByteWriter& zeros(size_t n);

  Mp4Buffer& buffer() { return out_; }
  Mp4Buffer take() { return std::move(out_); }

 private:
  Mp4ByteWriter& put(int width, uint64_t v);
  Mp4Buffer out_;
};

// Reads a big-endian unsigned integer of 1 to 8 bytes.
uint64_t mp4ReadUnsigned(std::span<const uint8_t> b);
// Writes `v` big-endian into b[0..width).
void mp4PutUnsigned(uint8_t* b, int width, uint64_t v);
// Milliseconds of `units` in `timescale`, rounded to nearest; no overflow for any 64-bit input.
uint64_t mp4ToMs(uint64_t units, uint32_t timescale);
uint64_t mp4FromMs(uint64_t ms, uint32_t timescale);
// `units` of time scale `from` in time scale `to`, rounded to nearest (unchanged when `from` is 0).
uint64_t mp4Rescale(uint64_t units, uint32_t from, uint32_t to);
// Time arithmetic on values read from files, which may be anything: results stop at the
// type's limits instead of wrapping.
int64_t mp4SignedMs(uint64_t ms);
int64_t mp4AddSigned(int64_t a, int64_t b);
uint64_t mp4AddUnsigned(uint64_t a, uint64_t b);

}  // namespace zuvo
