#pragma once
// One cover picture of the "covr" item.
#include <cstdint>

#include "mp4/Mp4Bytes.h"
#include "mp4/Mp4Item.h"

namespace zuvo {

struct Mp4Cover {
  Mp4DataType format = Mp4DataType::Jpeg;
  Mp4Buffer data;

  // A cover whose format is taken from the picture's own signature (JPEG, PNG, BMP, GIF;
  // anything else is stored as implicit data).
  static Mp4Cover fromPicture(Mp4Buffer bytes);
  bool operator==(const Mp4Cover&) const = default;
};

}  // namespace zuvo
