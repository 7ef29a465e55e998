#include "mp4/Mp4Box.h"

#include <algorithm>
#include <array>

namespace zuvo {

namespace {
// Boxes whose children we read or edit. Everything else is kept as raw bytes.
constexpr std::array<std::string_view, 10> kContainers = {"moov", "trak", "mdia", "minf", "stbl",
                                                          "edts", "dinf", "tref", "udta", "ilst"};
constexpr int kMaxDepth = 16;

bool isContainerType(std::string_view type, std::string_view parentType) {
  if (parentType == "ilst") return true;  // every item holds data/mean/name boxes
  if (type == "meta") return parentType == "udta";
  return std::find(kContainers.begin(), kContainers.end(), type) != kContainers.end();
}

std::string_view head(std::string_view path) { return path.substr(0, path.find('.')); }
std::string_view rest(std::string_view path) {
  const size_t dot = path.find('.');
  return dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
}
}  // namespace

std::string mp4PrintableType(std::string_view type) {
  std::string s;
  for (unsigned char c : type) s += (c >= 0x20 && c < 0x7F) ? char(c) : (c == 0xA9 ? '@' : '?');
  return s;
}

Mp4Error mp4ReadBoxHeader(std::span<const uint8_t> data, Mp4BoxHeader& h) {
  Mp4ByteReader r(data);
  const uint32_t size32 = r.u32();
  h.type = r.text(4);
  if (!r.ok()) return Mp4Error::failure("truncated box header");
  h.headerSize = 8;
  h.size = size32;
  if (size32 == 1) {
    h.size = r.u64();
    h.headerSize = 16;
    if (!r.ok())
      return Mp4Error::failure("truncated 64-bit box header of '" + mp4PrintableType(h.type) + "'");
    if (h.size < 16)
      return Mp4Error::failure("box '" + mp4PrintableType(h.type) + "' has an impossible size");
  } else if (size32 != 0 && size32 < 8) {
    return Mp4Error::failure("box '" + mp4PrintableType(h.type) + "' has an impossible size");
  }
  return {};
}

Mp4Box Mp4Box::leaf(std::string_view type, Mp4Buffer payload) {
  Mp4Box b;
  b.type_ = std::string(type);
  b.payload_ = std::move(payload);
  return b;
}

Mp4Box Mp4Box::container(std::string_view type, std::vector<Mp4Box> children, Mp4Buffer prefix) {
  Mp4Box b;
  b.type_ = std::string(type);
  b.container_ = true;
  b.payload_ = std::move(prefix);
  b.children_ = std::move(children);
  return b;
}

Mp4Error Mp4Box::parse(std::string_view type, std::span<const uint8_t> content, std::string_view parentType,
                       int depth, Mp4Box& out) {
  out = Mp4Box();
  out.type_ = std::string(type);
  if (!isContainerType(type, parentType)) {
    out.payload_.assign(content.begin(), content.end());
    return {};
  }
  if (depth > kMaxDepth) return Mp4Error::failure("boxes nested too deeply");
  out.container_ = true;
  size_t pos = 0;
  if (type == "meta") {
    // ISO meta is a full box; QuickTime's starts straight with its hdlr child.
    const bool quickTimeStyle =
        content.size() >= 8 && std::string_view((const char*)content.data() + 4, 4) == "hdlr";
    if (!quickTimeStyle) {
      if (content.size() < 4) return Mp4Error::failure("truncated 'meta' box");
      out.payload_.assign(content.begin(), content.begin() + 4);
      pos = 4;
    }
  }
  while (pos < content.size()) {
    const size_t left = content.size() - pos;
    if (left < 8) {
      out.tail_.assign(content.begin() + pos, content.end());
      break;
    }
    Mp4BoxHeader h;
    if (auto e = mp4ReadBoxHeader(content.subspan(pos), h))
      return Mp4Error::failure(e.message() + " in '" + mp4PrintableType(type) + "'");
    // A zero size inside a container: a QuickTime terminator when the rest is zeros.
    if (h.size == 0) {
      const auto restBytes = content.subspan(pos);
      if (std::all_of(restBytes.begin(), restBytes.end(), [](uint8_t b) { return b == 0; })) {
        out.tail_.assign(restBytes.begin(), restBytes.end());
        break;
      }
      h.size = left;
    }
    if (h.size > left)
      return Mp4Error::failure("box '" + mp4PrintableType(h.type) + "' overruns its parent '" +
                               mp4PrintableType(type) + "'");
    Mp4Box child;
    if (auto e = parse(h.type, content.subspan(pos + h.headerSize, size_t(h.size - h.headerSize)), type,
                       depth + 1, child))
      return e;
    out.children_.push_back(std::move(child));
    pos += size_t(h.size);
  }
  return {};
}

const Mp4Box* Mp4Box::find(std::string_view path) const { return const_cast<Mp4Box*>(this)->find(path); }

Mp4Box* Mp4Box::find(std::string_view path) {
  if (path.empty()) return this;
  const std::string_view first = head(path);
  for (Mp4Box& c : children_)
    if (c.type_ == first) return c.find(rest(path));
  return nullptr;
}

Mp4Box& Mp4Box::findOrCreate(std::string_view path) {
  if (path.empty()) return *this;
  const std::string_view first = head(path);
  for (Mp4Box& c : children_)
    if (c.type_ == first) return c.findOrCreate(rest(path));
  children_.push_back(first == "meta" ? container(first, {}, Mp4Buffer(4, 0)) : container(first));
  return children_.back().findOrCreate(rest(path));
}

std::vector<Mp4Box*> Mp4Box::all(std::string_view type) {
  std::vector<Mp4Box*> v;
  for (Mp4Box& c : children_)
    if (c.type_ == type) v.push_back(&c);
  return v;
}

std::vector<const Mp4Box*> Mp4Box::all(std::string_view type) const {
  std::vector<const Mp4Box*> v;
  for (const Mp4Box& c : children_)
    if (c.type_ == type) v.push_back(&c);
  return v;
}

size_t Mp4Box::removeAll(std::string_view type) {
  const size_t before = children_.size();
  std::erase_if(children_, [&](const Mp4Box& c) { return c.type_ == type; });
  return before - children_.size();
}

uint64_t Mp4Box::size() const {
  uint64_t content = payload_.size() + tail_.size();
  for (const Mp4Box& c : children_) content += c.size();
  return content + 8 > UINT32_MAX ? content + 16 : content + 8;
}

void Mp4Box::serialize(Mp4Buffer& out) const {
  const uint64_t total = size();
  Mp4ByteWriter w;
  if (total > UINT32_MAX)
    w.u32(1).text(type_).u64(total);
  else
    w.u32(uint32_t(total)).text(type_);
  out.insert(out.end(), w.buffer().begin(), w.buffer().end());
  out.insert(out.end(), payload_.begin(), payload_.end());
  for (const Mp4Box& c : children_) c.serialize(out);
  out.insert(out.end(), tail_.begin(), tail_.end());
}

Mp4Buffer Mp4Box::serialize() const {
  Mp4Buffer out;
  out.reserve(size_t(size()));
  serialize(out);
  return out;
}

}  // namespace zuvo
