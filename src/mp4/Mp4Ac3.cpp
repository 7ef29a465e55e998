#include "mp4/Mp4Ac3.h"

#include <array>

namespace zuvo {

namespace {
constexpr std::array<uint32_t, 3> kSampleRates = {48000, 44100, 32000};
// kbit/s per frame size code / 2.
constexpr std::array<uint32_t, 19> kBitRates = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                                                192, 224, 256, 320, 384, 448, 512, 576, 640};
constexpr std::array<unsigned, 8> kFullChannels = {2, 1, 2, 3, 3, 4, 4, 5};
constexpr size_t kHeaderBytes = 7;
constexpr size_t kReadBlock = 1 << 20;

// Frame length in bytes: 1536 samples at the code's bit rate; 44.1 kHz frames alternate
// in length, the odd codes carrying one word more.
uint32_t frameBytes(uint8_t fscod, uint8_t frmsizecod) {
  const uint32_t kbps = kBitRates[frmsizecod >> 1];
  const uint32_t words = fscod == 0 ? kbps * 2 : fscod == 2 ? kbps * 3 : kbps * 320 / 147 + (frmsizecod & 1);
  return words * 2;
}

struct BitReader {
  const uint8_t* data;
  size_t bit = 0;
  unsigned take(int n) {
    unsigned v = 0;
    for (int i = 0; i < n; ++i, ++bit) v = v << 1 | ((data[bit / 8] >> (7 - bit % 8)) & 1);
    return v;
  }
};
}  // namespace

unsigned Mp4Ac3::channels() const { return kFullChannels[acmod & 7] + lfeon; }

Mp4Error Mp4Ac3::scan(const Mp4FileHandle& file, Mp4Ac3& out) {
  out = Mp4Ac3();
  uint64_t size = 0;
  if (auto e = file.size(size)) return e;
  if (size == 0) return Mp4Error::failure("the AC-3 file is empty");
  Mp4Buffer block;
  uint64_t blockStart = 0;
  for (uint64_t pos = 0; pos < size;) {
    auto where = [&] { return " at offset " + std::to_string(pos); };
    if (size - pos < kHeaderBytes) return Mp4Error::failure("a truncated AC-3 frame" + where());
    if (pos < blockStart || pos + kHeaderBytes > blockStart + block.size()) {
      blockStart = pos;
      if (auto e = file.readAt(pos, size_t(std::min<uint64_t>(kReadBlock, size - pos)), block)) return e;
    }
    const uint8_t* h = block.data() + (pos - blockStart);
    if (h[0] != 0x0B || h[1] != 0x77) return Mp4Error::failure("no AC-3 sync word" + where());
    BitReader bits{h + 4};
    const uint8_t fscod = uint8_t(bits.take(2));
    const uint8_t frmsizecod = uint8_t(bits.take(6));
    const uint8_t bsid = uint8_t(bits.take(5));
    const uint8_t bsmod = uint8_t(bits.take(3));
    const uint8_t acmod = uint8_t(bits.take(3));
    if (bsid > 10) return Mp4Error::failure("E-AC-3 is not supported" + where());
    if (fscod == 3 || frmsizecod >= 38) return Mp4Error::failure("a malformed AC-3 frame header" + where());
    if ((acmod & 1) && acmod != 1) bits.take(2);  // centre mix level
    if (acmod & 4) bits.take(2);                  // surround mix level
    if (acmod == 2) bits.take(2);                 // Dolby surround mode
    const uint8_t lfeon = uint8_t(bits.take(1));
    const uint32_t length = frameBytes(fscod, frmsizecod);
    if (length > size - pos) return Mp4Error::failure("a truncated AC-3 frame" + where());
    if (out.frames.empty()) {
      out.fscod = fscod;
      out.sampleRate = kSampleRates[fscod];
      out.bsid = bsid;
      out.bsmod = bsmod;
      out.acmod = acmod;
      out.lfeon = lfeon;
      out.bitRateCode = uint8_t(frmsizecod >> 1);
    } else if (fscod != out.fscod || acmod != out.acmod || lfeon != out.lfeon) {
      return Mp4Error::failure("the AC-3 stream changes its sample rate or channels" + where());
    }
    if (out.frames.size() >= Mp4SampleTable::kMaxSamples) return Mp4Error::failure("too many AC-3 frames");
    out.frames.push_back({pos, length, kSamplesPerFrame});
    pos += length;
  }
  return {};
}

Mp4Buffer Mp4Ac3::sampleEntry() const {
  // dac3: fscod(2) bsid(5) bsmod(3) acmod(3) lfeon(1) bit_rate_code(5) reserved(5).
  const uint32_t bits = uint32_t(fscod) << 22 | uint32_t(bsid) << 17 | uint32_t(bsmod) << 14 |
                        uint32_t(acmod) << 11 | uint32_t(lfeon) << 10 | uint32_t(bitRateCode) << 5;
  Mp4ByteWriter dac3;
  dac3.u24(bits);
  Mp4ByteWriter w;
  w.zeros(6).u16(1);        // reserved, data reference index
  w.zeros(8);               // reserved
  w.u16(2).u16(16).u32(0);  // channel count and sample size as the format prescribes, reserved
  w.u32(sampleRate << 16);  // 16.16
  w.bytes(Mp4Box::leaf("dac3", dac3.take()).serialize());
  return Mp4Box::leaf("ac-3", w.take()).serialize();
}

}  // namespace zuvo
