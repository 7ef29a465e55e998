#include "mp4/Mp4Item.h"

namespace zuvo {

namespace {
// mean and name are full boxes: version and flags, then the text.
Mp4Error readFullBoxText(const Mp4Box& box, std::string& out) {
  if (box.payload().size() < 4) return Mp4Error::failure("truncated '" + box.type() + "' of a freeform item");
  out.assign(box.payload().begin() + 4, box.payload().end());
  return {};
}

Mp4Box fullBoxText(const char* type, const std::string& text) {
  Mp4ByteWriter w;
  w.u32(0).text(text);
  return Mp4Box::leaf(type, w.take());
}
}  // namespace

Mp4ItemData Mp4ItemData::fromText(const std::string& text) {
  Mp4ItemData d;
  d.value.assign(text.begin(), text.end());
  return d;
}

Mp4Item Mp4Item::freeform(std::string meaning, std::string name, std::vector<Mp4ItemData> data) {
  Mp4Item item(kFreeformCode, std::move(data));
  item.meaning_ = std::move(meaning);
  item.name_ = std::move(name);
  return item;
}

Mp4Item Mp4Item::freeformText(std::string meaning, std::string name, const std::string& utf8) {
  return freeform(std::move(meaning), std::move(name), {Mp4ItemData::fromText(utf8)});
}

Mp4Error Mp4Item::fromBox(const Mp4Box& box, Mp4Item& out) {
  out = Mp4Item();
  out.code_ = box.type();
  for (const Mp4Box& child : box.children()) {
    if (child.type() == "data") {
      Mp4ByteReader r(child.payload());
      Mp4ItemData d;
      d.type = r.u32() & 0x00FFFFFF;  // the top byte is the version
      d.locale = r.u32();
      if (!r.ok())
        return Mp4Error::failure("truncated data value of item '" + mp4PrintableType(box.type()) + "'");
      auto rest = r.bytes(r.remaining());
      d.value.assign(rest.begin(), rest.end());
      out.data_.push_back(std::move(d));
    } else if (child.type() == "mean") {
      if (auto e = readFullBoxText(child, out.meaning_)) return e;
    } else if (child.type() == "name") {
      if (auto e = readFullBoxText(child, out.name_)) return e;
    }
  }
  return {};
}

Mp4Box Mp4Item::toBox() const {
  std::vector<Mp4Box> children;
  if (isFreeform()) {
    children.push_back(fullBoxText("mean", meaning_));
    children.push_back(fullBoxText("name", name_));
  }
  for (const Mp4ItemData& d : data_) {
    Mp4ByteWriter w;
    w.u32(d.type & 0x00FFFFFF).u32(d.locale).bytes(d.value);
    children.push_back(Mp4Box::leaf("data", w.take()));
  }
  return Mp4Box::container(code_, std::move(children));
}

}  // namespace zuvo
