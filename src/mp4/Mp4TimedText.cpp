#include "mp4/Mp4TimedText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <limits>
#include <map>

#include "mp4/Mp4Chapter.h"
#include "mp4/Mp4EditList.h"
#include "mp4/Mp4File.h"

namespace zuvo {

namespace {
constexpr uint16_t kMaxSampleText = 65535;

// The one header line a caller may rewrite to place the text box; keep its form exact.
constexpr const char* kHeaderLine =
    "<TextStreamHeader width=\"%u\" height=\"%u\" layer=\"%d\" translation_x=\"%d\" translation_y=\"%d\">";

struct Justification {
  int8_t value;
  const char* horizontal;
  const char* vertical;
};
constexpr std::array<Justification, 3> kJustifications = {
    {{0, "left", "top"}, {1, "center", "center"}, {-1, "right", "bottom"}}};

std::string trimmed(std::string_view s) {
  const size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string_view::npos) return {};
  const size_t b = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(a, b - a + 1));
}

bool validUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = s[i];
    const int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + size_t(extra) >= s.size() + (extra == 0 ? 1 : 0)) return false;
    for (int k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(s[i + size_t(k)]) & 0xC0) != 0x80) return false;
    i += size_t(extra) + 1;
  }
  return true;
}

// "h:mm:ss,mmm" or "h:mm:ss.mmm" (fewer fraction digits are tenths or hundredths); the
// whole text must be the time.
std::optional<uint64_t> parseTime(std::string_view s) {
  uint64_t parts[3] = {0, 0, 0};
  size_t i = 0;
  for (int p = 0; p < 3; ++p) {
    const size_t begin = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - begin < 9)
      parts[p] = parts[p] * 10 + uint64_t(s[i++] - '0');
    if (i == begin) return std::nullopt;
    if (p < 2 && (i >= s.size() || s[i++] != ':')) return std::nullopt;
  }
  uint64_t ms = 0;
  if (i < s.size()) {
    if (s[i] != ',' && s[i] != '.') return std::nullopt;
    ++i;
    int digits = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++digits)
      if (digits < 3) ms = ms * 10 + uint64_t(s[i] - '0');
    if (digits == 0) return std::nullopt;
    for (int d = digits; d < 3; ++d) ms *= 10;
  }
  if (i != s.size() || parts[1] > 59 || parts[2] > 59) return std::nullopt;
  return ((parts[0] * 60 + parts[1]) * 60 + parts[2]) * 1000 + ms;
}

std::string formatTime(uint64_t ms, char separator) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%02llu:%02llu:%02llu%c%03llu", (unsigned long long)(ms / 3600000),
                (unsigned long long)(ms / 60000 % 60), (unsigned long long)(ms / 1000 % 60), separator,
                (unsigned long long)(ms % 1000));
  return buffer;
}

// A SubRip timing line: "start --> end", perhaps followed by position hints.
bool parseTiming(const std::string& line, uint64_t& start, uint64_t& end) {
  const size_t arrow = line.find("-->");
  if (arrow == std::string::npos) return false;
  const std::string left = trimmed(std::string_view(line).substr(0, arrow));
  std::string right = trimmed(std::string_view(line).substr(arrow + 3));
  right = right.substr(0, right.find_first_of(" \t"));
  const auto a = parseTime(left), b = parseTime(right);
  if (!a || !b) return false;
  start = *a;
  end = *b;
  return true;
}

bool allDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Drops the formatting tags SubRip files carry; a tx3g sample would show them as text.
std::string withoutTags(const std::string& text) {
  static constexpr std::array<std::string_view, 4> kTags = {"i", "b", "u", "font"};
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '<') {
      const size_t close = text.find('>', i);
      if (close != std::string::npos) {
        std::string name = text.substr(i + 1, close - i - 1);
        if (!name.empty() && name[0] == '/') name.erase(0, 1);
        name = name.substr(0, name.find_first_of(" \t"));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (std::find(kTags.begin(), kTags.end(), name) != kTags.end()) {
          i = close + 1;
          continue;
        }
      }
    }
    out += text[i++];
  }
  return out;
}

// Cues that overlap become pieces of time, each showing every cue active in it.
std::vector<Mp4TextCue> flattened(std::vector<Mp4TextCue> cues) {
  std::stable_sort(cues.begin(), cues.end(),
                   [](const Mp4TextCue& a, const Mp4TextCue& b) { return a.startMs < b.startMs; });
  bool overlaps = false;
  for (size_t i = 1; i < cues.size(); ++i) overlaps = overlaps || cues[i].startMs < cues[i - 1].endMs;
  if (!overlaps) return cues;
  std::vector<uint64_t> bounds;
  for (const Mp4TextCue& c : cues) {
    bounds.push_back(c.startMs);
    bounds.push_back(c.endMs);
  }
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
  std::vector<Mp4TextCue> out;
  size_t first = 0;  // cues before it have ended
  for (size_t b = 0; b + 1 < bounds.size(); ++b) {
    std::string text;
    while (first < cues.size() && cues[first].endMs <= bounds[b]) ++first;
    for (size_t i = first; i < cues.size() && cues[i].startMs <= bounds[b]; ++i)
      if (cues[i].endMs > bounds[b]) text += (text.empty() ? "" : "\n") + cues[i].text;
    if (text.empty()) continue;
    if (!out.empty() && out.back().endMs == bounds[b] && out.back().text == text)
      out.back().endMs = bounds[b + 1];
    else
      out.push_back({bounds[b], bounds[b + 1], text});
  }
  return out;
}

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void appendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | c >> 6);
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | c >> 12);
    out += char(0x80 | (c >> 6 & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | c >> 18);
    out += char(0x80 | (c >> 12 & 0x3F));
    out += char(0x80 | (c >> 6 & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

std::optional<std::string> unescaped(std::string_view text) {
  static const std::map<std::string, std::string, std::less<>> kEntities = {
      {"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"quot", "\""}, {"apos", "'"}};
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] != '&') {
      out += text[i++];
      continue;
    }
    const size_t semi = text.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) return std::nullopt;
    const std::string_view name = text.substr(i + 1, semi - i - 1);
    if (auto it = kEntities.find(name); it != kEntities.end()) {
      out += it->second;
    } else if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      uint32_t c = 0;
      const std::string_view digits = name.substr(hex ? 2 : 1);
      if (digits.empty()) return std::nullopt;
      for (char d : digits) {
        const int v = d >= '0' && d <= '9'                     ? d - '0'
                      : hex && std::isxdigit((unsigned char)d) ? std::tolower(d) - 'a' + 10
                                                               : -1;
        if (v < 0 || c > 0x10FFFF) return std::nullopt;
        c = c * (hex ? 16 : 10) + uint32_t(v);
      }
      if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return std::nullopt;
      appendUtf8(out, c);
    } else {
      return std::nullopt;
    }
    i = semi + 1;
  }
  return out;
}

// One element tag of the description: its name, attributes and whether it closes itself.
struct Tag {
  std::string name;
  std::map<std::string, std::string> attributes;
  bool closing = false;
  bool selfClosing = false;
};

class DescriptionReader {
 public:
  explicit DescriptionReader(std::string_view text) : text_(text) {}

  // The next tag, skipping the prolog, comments and the text between tags.
  Mp4Error next(Tag& tag, bool& end) {
    end = false;
    for (;;) {
      const size_t open = text_.find('<', pos_);
      if (open == std::string_view::npos) {
        if (!trimmed(text_.substr(pos_)).empty()) return fail("text outside the elements");
        end = true;
        return {};
      }
      if (!trimmed(text_.substr(pos_, open - pos_)).empty()) return fail("text outside the elements");
      pos_ = open;
      if (text_.substr(pos_, 2) == "<?") {
        if (!skipPast("?>")) return fail("unterminated declaration");
        continue;
      }
      if (text_.substr(pos_, 4) == "<!--") {
        if (!skipPast("-->")) return fail("unterminated comment");
        continue;
      }
      return readTag(tag);
    }
  }

  // The text up to "</name>", which is consumed.
  Mp4Error textUntilClose(const std::string& name, std::string& out) {
    const std::string close = "</" + name + ">";
    const size_t at = text_.find(close, pos_);
    if (at == std::string_view::npos) return fail("unterminated " + name);
    const std::string_view raw = text_.substr(pos_, at - pos_);
    if (raw.find('<') != std::string_view::npos) return fail("markup inside " + name);
    auto text = unescaped(raw);
    if (!text) return fail("a malformed character reference in " + name);
    out = *text;
    pos_ = at + close.size();
    return {};
  }

  Mp4Error fail(const std::string& what) const {
    const size_t line =
        size_t(std::count(text_.begin(), text_.begin() + long(std::min(pos_, text_.size())), '\n')) + 1;
    return Mp4Error::failure("timed-text description, line " + std::to_string(line) + ": " + what);
  }

 private:
  bool skipPast(std::string_view marker) {
    const size_t at = text_.find(marker, pos_);
    if (at == std::string_view::npos) return false;
    pos_ = at + marker.size();
    return true;
  }

  static bool nameChar(char c) {
    return std::isalnum((unsigned char)c) || c == '_' || c == ':' || c == '-' || c == '.';
  }

  void spaces() {
    while (pos_ < text_.size() && std::isspace((unsigned char)text_[pos_])) ++pos_;
  }

  std::string name() {
    const size_t begin = pos_;
    while (pos_ < text_.size() && nameChar(text_[pos_])) ++pos_;
    return std::string(text_.substr(begin, pos_ - begin));
  }

  Mp4Error readTag(Tag& tag) {
    tag = Tag();
    ++pos_;  // '<'
    if (pos_ < text_.size() && text_[pos_] == '/') {
      tag.closing = true;
      ++pos_;
    }
    tag.name = name();
    if (tag.name.empty()) return fail("a malformed tag");
    for (;;) {
      spaces();
      if (pos_ >= text_.size()) return fail("unterminated tag " + tag.name);
      if (text_[pos_] == '>') {
        ++pos_;
        return {};
      }
      if (text_.substr(pos_, 2) == "/>" && !tag.closing) {
        tag.selfClosing = true;
        pos_ += 2;
        return {};
      }
      if (tag.closing) return fail("a malformed closing tag " + tag.name);
      const std::string attribute = name();
      spaces();
      if (attribute.empty() || pos_ >= text_.size() || text_[pos_] != '=')
        return fail("a malformed attribute in " + tag.name);
      ++pos_;
      spaces();
      if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\''))
        return fail("an unquoted attribute in " + tag.name);
      const char quote = text_[pos_++];
      const size_t close = text_.find(quote, pos_);
      if (close == std::string_view::npos) return fail("an unterminated attribute in " + tag.name);
      auto value = unescaped(text_.substr(pos_, close - pos_));
      if (!value) return fail("a malformed character reference in " + tag.name);
      tag.attributes[attribute] = *value;
      pos_ = close + 1;
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
};

template <typename T>
bool integerAttribute(const Tag& tag, const char* name, T& out) {
  auto it = tag.attributes.find(name);
  if (it == tag.attributes.end()) return true;  // keep the default
  const std::string& s = it->second;
  size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) ++i;
  if (i >= s.size() || s.size() - i > 9) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  if (negative) v = -v;
  if (v < int64_t(std::numeric_limits<T>::min()) || v > int64_t(std::numeric_limits<T>::max())) return false;
  out = T(v);
  return true;
}

// "r g b a" in hexadecimal, as the description writes colours.
bool colorAttribute(const Tag& tag, const char* name, uint32_t& out) {
  auto it = tag.attributes.find(name);
  if (it == tag.attributes.end()) return true;
  unsigned c[4];
  char extra;
  if (std::sscanf(it->second.c_str(), "%x %x %x %x %c", &c[0], &c[1], &c[2], &c[3], &extra) != 4)
    return false;
  if (c[0] > 255 || c[1] > 255 || c[2] > 255 || c[3] > 255) return false;
  out = c[0] << 24 | c[1] << 16 | c[2] << 8 | c[3];
  return true;
}

std::string colorText(uint32_t rgba) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02x %02x %02x %02x", rgba >> 24, rgba >> 16 & 0xFF, rgba >> 8 & 0xFF,
                rgba & 0xFF);
  return buffer;
}

bool justificationAttribute(const Tag& tag, const char* name, bool vertical, int8_t& out) {
  auto it = tag.attributes.find(name);
  if (it == tag.attributes.end()) return true;
  for (const Justification& j : kJustifications)
    if (it->second == (vertical ? j.vertical : j.horizontal)) {
      out = j.value;
      return true;
    }
  return false;
}

const char* justificationText(int8_t value, bool vertical) {
  for (const Justification& j : kJustifications)
    if (j.value == value) return vertical ? j.vertical : j.horizontal;
  return vertical ? "bottom" : "center";
}

std::string utf16ToUtf8(std::span<const uint8_t> b, bool bigEndian) {
  std::string out;
  auto unit = [&](size_t i) {
    return bigEndian ? uint32_t(b[i] << 8 | b[i + 1]) : uint32_t(b[i + 1] << 8 | b[i]);
  };
  for (size_t i = 0; i + 1 < b.size(); i += 2) {
    uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < b.size()) {
      const uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    appendUtf8(out, c);
  }
  return out;
}
}  // namespace

std::string mp4SampleText(std::span<const uint8_t> sample) {
  if (sample.size() < 2) return {};
  const size_t length = std::min<size_t>(mp4ReadUnsigned(sample.first(2)), sample.size() - 2);
  auto text = sample.subspan(2, length);
  if (text.size() >= 2 && text[0] == 0xFE && text[1] == 0xFF) return utf16ToUtf8(text.subspan(2), true);
  if (text.size() >= 2 && text[0] == 0xFF && text[1] == 0xFE) return utf16ToUtf8(text.subspan(2), false);
  return std::string(text.begin(), text.end());
}

Mp4Error Mp4TimedText::fromSrt(std::string_view srt, Mp4TimedText& out) {
  out = Mp4TimedText();
  if (srt.substr(0, 3) == "\xEF\xBB\xBF") srt.remove_prefix(3);
  if (!validUtf8(srt)) return Mp4Error::failure("the subtitle file is not UTF-8 text");
  std::vector<std::string> lines;
  for (size_t i = 0; i <= srt.size();) {
    size_t end = srt.find_first_of("\r\n", i);
    if (end == std::string_view::npos) end = srt.size();
    lines.emplace_back(srt.substr(i, end - i));
    if (end < srt.size() && srt[end] == '\r' && end + 1 < srt.size() && srt[end + 1] == '\n') ++end;
    i = end + 1;
  }
  uint64_t start = 0, end = 0;
  bool sawText = false;
  std::vector<Mp4TextCue> cues;
  for (size_t i = 0; i < lines.size();) {
    if (!parseTiming(lines[i], start, end)) {
      sawText = sawText || !trimmed(lines[i]).empty();
      ++i;
      continue;
    }
    // The text runs to a blank line or to the next cue (a number above a timing line), so
    // a file whose blank lines were lost still reads right.
    std::string text;
    uint64_t a = 0, b = 0;
    for (++i; i < lines.size() && !trimmed(lines[i]).empty() && !parseTiming(lines[i], a, b); ++i) {
      if (allDigits(trimmed(lines[i])) && i + 1 < lines.size() && parseTiming(lines[i + 1], a, b)) break;
      const std::string line = trimmed(withoutTags(lines[i]));
      if (!line.empty()) text += (text.empty() ? "" : "\n") + line;
    }
    if (!text.empty() && end > start) cues.push_back({start, end, mp4CutUtf8(text, kMaxSampleText)});
    if (cues.size() > kMaxCues) return Mp4Error::failure("too many subtitles");
    sawText = true;
  }
  if (cues.empty() && sawText) return Mp4Error::failure("no subtitle cues found: not a SubRip file");
  out.cues = flattened(std::move(cues));
  return {};
}

Mp4Error Mp4TimedText::fromDescription(std::string_view description, Mp4TimedText& out) {
  out = Mp4TimedText();
  if (description.substr(0, 3) == "\xEF\xBB\xBF") description.remove_prefix(3);
  if (!validUtf8(description)) return Mp4Error::failure("the timed-text description is not UTF-8 text");
  DescriptionReader reader(description);
  struct Timed {
    uint64_t ms;
    std::string text;
  };
  std::vector<Timed> samples;
  bool sawStream = false, closedStream = false;
  for (;;) {
    Tag tag;
    bool end = false;
    if (auto e = reader.next(tag, end)) return e;
    if (end) break;
    if (closedStream) return reader.fail("content after the end of the stream");
    if (!sawStream) {
      if (tag.name != "TextStream" || tag.closing) return reader.fail("not a timed-text description");
      sawStream = true;
      continue;
    }
    if (tag.closing) {
      closedStream = tag.name == "TextStream";
      continue;
    }
    bool ok = true;
    if (tag.name == "TextStreamHeader") {
      ok = integerAttribute(tag, "width", out.width) && integerAttribute(tag, "height", out.height) &&
           integerAttribute(tag, "layer", out.layer) &&
           integerAttribute(tag, "translation_x", out.translationX) &&
           integerAttribute(tag, "translation_y", out.translationY) && out.width <= 0x7FFF &&
           out.height <= 0x7FFF;
    } else if (tag.name == "TextSampleDescription") {
      ok = justificationAttribute(tag, "horizontalJustification", false, out.horizontalJustification) &&
           justificationAttribute(tag, "verticalJustification", true, out.verticalJustification) &&
           colorAttribute(tag, "backColor", out.backColor);
    } else if (tag.name == "FontTableEntry") {
      ok = integerAttribute(tag, "fontID", out.fontId);
      if (auto it = tag.attributes.find("fontName"); it != tag.attributes.end())
        out.fontName = it->second.substr(0, 255);
    } else if (tag.name == "TextBox") {
      Mp4TextBox box;
      ok = integerAttribute(tag, "top", box.top) && integerAttribute(tag, "left", box.left) &&
           integerAttribute(tag, "bottom", box.bottom) && integerAttribute(tag, "right", box.right);
      out.textBox = box;
    } else if (tag.name == "Style") {
      ok = integerAttribute(tag, "fontSize", out.fontSize) && colorAttribute(tag, "color", out.textColor);
    } else if (tag.name == "TextSample") {
      auto it = tag.attributes.find("sampleTime");
      const auto ms = it == tag.attributes.end() ? std::nullopt : parseTime(it->second);
      if (!ms) return reader.fail("a text sample without a valid sampleTime");
      if (!samples.empty() && *ms < samples.back().ms) return reader.fail("text samples out of time order");
      std::string text;
      if (!tag.selfClosing)
        if (auto e = reader.textUntilClose("TextSample", text)) return e;
      samples.push_back({*ms, text});
      if (samples.size() > kMaxCues) return reader.fail("too many text samples");
    }
    if (!ok) return reader.fail("a malformed attribute in " + tag.name);
  }
  if (!sawStream || !closedStream) return Mp4Error::failure("the timed-text description is incomplete");
  for (size_t i = 0; i < samples.size(); ++i) {
    if (samples[i].text.empty()) continue;
    const uint64_t end = i + 1 < samples.size() ? samples[i + 1].ms : samples[i].ms + kLastSampleMs;
    if (end > samples[i].ms)
      out.cues.push_back({samples[i].ms, end, mp4CutUtf8(samples[i].text, kMaxSampleText)});
  }
  return {};
}

Mp4Error Mp4TimedText::fromTrack(Mp4File& file, uint32_t trackId, Mp4TimedText& out) {
  out = Mp4TimedText();
  auto track = file.track(trackId);
  if (!track) return Mp4Error::failure("there is no track " + std::to_string(trackId));
  const std::string type = track->type();
  if (type != "sbtl" && type != "text" && type != "subt")
    return Mp4Error::failure("track " + std::to_string(trackId) + " is no text track");
  std::vector<Mp4Sample> samples;
  if (auto e = file.samples(trackId, samples)) return e;
  std::vector<Mp4Edit> edits;
  if (auto e = Mp4EditList::read(track->box(), edits)) return e;
  const uint32_t timescale = track->timescale();
  if (timescale == 0) return Mp4Error::failure("track " + std::to_string(trackId) + " has no time scale");
  const int64_t shift = Mp4EditList::offsetMs(edits, file.movieTimescale(), timescale);
  uint64_t t = 0;
  for (const Mp4Sample& s : samples) {
    const int64_t start = mp4AddSigned(mp4SignedMs(mp4ToMs(t, timescale)), shift);
    t = mp4AddUnsigned(t, s.duration);
    const int64_t end = mp4AddSigned(mp4SignedMs(mp4ToMs(t, timescale)), shift);
    Mp4Buffer bytes;
    if (auto e = file.readSample(s, bytes)) return e;
    // Blank lines would end a SubRip cue early.
    std::string raw = mp4SampleText(bytes), text;
    std::replace(raw.begin(), raw.end(), '\r', '\n');
    for (size_t i = 0; i <= raw.size();) {
      const size_t stop = std::min(raw.find('\n', i), raw.size());
      const std::string line = trimmed(std::string_view(raw).substr(i, stop - i));
      if (!line.empty()) text += (text.empty() ? "" : "\n") + line;
      i = stop + 1;
    }
    if (text.empty() || end <= 0 || end <= start) continue;
    out.cues.push_back({uint64_t(std::max<int64_t>(start, 0)), uint64_t(end), text});
  }
  return {};
}

std::string Mp4TimedText::srt() const {
  std::string out;
  for (size_t i = 0; i < cues.size(); ++i)
    out += std::to_string(i + 1) + "\n" + formatTime(cues[i].startMs, ',') + " --> " +
           formatTime(cues[i].endMs, ',') + "\n" + cues[i].text + "\n\n";
  return out;
}

std::string Mp4TimedText::description() const {
  char header[200];
  std::snprintf(header, sizeof header, kHeaderLine, width, height, int(layer), int(translationX),
                int(translationY));
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<TextStream version=\"1.1\">\n";
  out += std::string(header) + "\n";
  out += std::string("<TextSampleDescription horizontalJustification=\"") +
         justificationText(horizontalJustification, false) + "\" verticalJustification=\"" +
         justificationText(verticalJustification, true) + "\" backColor=\"" + colorText(backColor) + "\">\n";
  out += "<FontTable>\n<FontTableEntry fontName=\"" + escaped(fontName) + "\" fontID=\"" +
         std::to_string(fontId) + "\"/>\n</FontTable>\n";
  if (textBox)
    out += "<TextBox top=\"" + std::to_string(textBox->top) + "\" left=\"" + std::to_string(textBox->left) +
           "\" bottom=\"" + std::to_string(textBox->bottom) + "\" right=\"" + std::to_string(textBox->right) +
           "\"/>\n";
  out += "<Style styles=\"Normal\" fontID=\"" + std::to_string(fontId) + "\" fontSize=\"" +
         std::to_string(fontSize) + "\" color=\"" + colorText(textColor) + "\"/>\n";
  out += "</TextSampleDescription>\n</TextStreamHeader>\n";
  auto sample = [&](uint64_t ms, const std::string& text) {
    out += "<TextSample sampleTime=\"" + formatTime(ms, '.') + "\" xml:space=\"preserve\">" + escaped(text) +
           "</TextSample>\n";
  };
  uint64_t shownUntil = 0;
  for (const Mp4TextCue& c : cues) {
    if (c.startMs > shownUntil || (&c == cues.data() && c.startMs > 0)) sample(shownUntil, "");
    sample(c.startMs, c.text);
    shownUntil = c.endMs;
  }
  if (!cues.empty()) sample(shownUntil, "");
  out += "</TextStream>\n";
  return out;
}

Mp4Buffer Mp4TimedText::sampleEntry() const {
  const Mp4TextBox box = textBox.value_or(Mp4TextBox{0, 0, int16_t(height), int16_t(width)});
  Mp4ByteWriter ftab;
  ftab.u16(1).u16(fontId).u8(uint8_t(fontName.size())).text(fontName);
  Mp4ByteWriter w;
  w.zeros(6).u16(1);  // reserved, data reference index
  w.u32(0);           // display flags
  w.u8(uint8_t(horizontalJustification)).u8(uint8_t(verticalJustification));
  w.u32(backColor);
  w.u16(uint16_t(box.top)).u16(uint16_t(box.left)).u16(uint16_t(box.bottom)).u16(uint16_t(box.right));
  w.u16(0).u16(0).u16(fontId).u8(0).u8(fontSize).u32(textColor);  // the default style
  w.bytes(Mp4Box::leaf("ftab", ftab.take()).serialize());
  return Mp4Box::leaf("tx3g", w.take()).serialize();
}

std::vector<Mp4TimedText::Sample> Mp4TimedText::samples() const {
  std::vector<Sample> out;
  uint64_t t = 0;
  auto emit = [&](uint64_t durationMs, const std::string& text) {
    Mp4ByteWriter w;
    w.u16(uint16_t(text.size())).text(text);
    out.push_back({durationMs, w.take()});
  };
  for (const Mp4TextCue& c : cues) {
    if (c.startMs > t) emit(c.startMs - t, "");
    emit(c.endMs - c.startMs, c.text);
    t = c.endMs;
  }
  // The closing empty sample, as the description's last one and ffmpeg's muxer have it:
  // without it, players stretch the last cue to the end of the film.
  if (!cues.empty()) emit(0, "");
  return out;
}

}  // namespace zuvo
