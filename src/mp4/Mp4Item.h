#pragma once
// One item of the iTunes item list (moov.udta.meta.ilst): a four-character code, for
// freeform "----" items a meaning and a name, and one or more typed data values.
#include <cstdint>
#include <string>
#include <vector>

#include "mp4/Mp4Box.h"

namespace zuvo {

// Well-known type codes of a data value.
enum class Mp4DataType : uint32_t {
  Implicit = 0,
  Utf8 = 1,
  Utf16 = 2,
  Gif = 12,
  Jpeg = 13,
  Png = 14,
  SignedInteger = 21,
  UnsignedInteger = 22,
  Bmp = 27,
};

struct Mp4ItemData {
  uint32_t type = uint32_t(Mp4DataType::Utf8);
  uint32_t locale = 0;
  Mp4Buffer value;

  std::string text() const { return std::string(value.begin(), value.end()); }
  static Mp4ItemData fromText(const std::string& text);
};

class Mp4Item {
 public:
  static inline const std::string kFreeformCode = "----";

  Mp4Item() = default;
  Mp4Item(std::string code, std::vector<Mp4ItemData> data) : code_(std::move(code)), data_(std::move(data)) {}
  static Mp4Item freeform(std::string meaning, std::string name, std::vector<Mp4ItemData> data);
  static Mp4Item freeformText(std::string meaning, std::string name, const std::string& utf8);

  // Reads an ilst child; fails on any size that does not add up.
  static Mp4Error fromBox(const Mp4Box& box, Mp4Item& out);
  Mp4Box toBox() const;

  const std::string& code() const { return code_; }
  bool isFreeform() const { return code_ == kFreeformCode; }
  const std::string& meaning() const { return meaning_; }
  const std::string& name() const { return name_; }
  const std::vector<Mp4ItemData>& data() const { return data_; }
  std::vector<Mp4ItemData>& data() { return data_; }

 private:
  std::string code_;
  std::string meaning_;
  std::string name_;
  std::vector<Mp4ItemData> data_;
};

}  // namespace zuvo
