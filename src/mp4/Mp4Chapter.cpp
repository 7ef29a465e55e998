#include "mp4/Mp4Chapter.h"

namespace zuvo {

std::string mp4CutUtf8(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t cut = maxBytes;
  while (cut > 0 && (uint8_t(text[cut]) & 0xC0) == 0x80) --cut;  // text[cut] would start the next piece
  return text.substr(0, cut);
}

Mp4Error mp4PrepareChapters(const std::vector<Mp4Chapter>& in, uint64_t totalMs,
                            std::vector<Mp4Chapter>& out) {
  out.clear();
  for (size_t i = 0; i < in.size(); ++i) {
    if (i > 0 && in[i].startMs <= in[i - 1].startMs)
      return Mp4Error::failure("chapter " + std::to_string(i + 1) +
                               " does not start after the one before it");
    if (in[i].startMs >= totalMs) break;
    Mp4Chapter c = in[i];
    c.title = mp4CutUtf8(c.title, Mp4Chapter::kMaxTitleBytes);
    const bool last = i + 1 == in.size() || in[i + 1].startMs >= totalMs;
    c.durationMs = (last ? totalMs : in[i + 1].startMs) - c.startMs;
    out.push_back(std::move(c));
  }
  return {};
}

}  // namespace zuvo
