#include "mp4/Mp4Cover.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace zuvo {

namespace {
struct Signature {
  std::string_view magic;
  Mp4DataType format;
};
constexpr std::array<Signature, 5> kSignatures = {{
    {"\xFF\xD8\xFF", Mp4DataType::Jpeg},
    {"\x89PNG\r\n\x1A\n", Mp4DataType::Png},
    {"BM", Mp4DataType::Bmp},
    {"GIF87a", Mp4DataType::Gif},
    {"GIF89a", Mp4DataType::Gif},
}};
}  // namespace

Mp4Cover Mp4Cover::fromPicture(Mp4Buffer bytes) {
  Mp4Cover c;
  c.format = Mp4DataType::Implicit;
  for (const Signature& s : kSignatures)
    if (bytes.size() >= s.magic.size() && std::equal(s.magic.begin(), s.magic.end(), bytes.begin(),
                                                     [](char a, uint8_t b) { return uint8_t(a) == b; })) {
      c.format = s.format;
      break;
    }
  c.data = std::move(bytes);
  return c;
}

}  // namespace zuvo
