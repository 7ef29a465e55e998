#include "app/preview/YuvsImage.h"

#include <algorithm>

namespace zuvo {

namespace {
inline uchar clamp(int value) { return static_cast<uchar>(std::clamp(value, 0, 255)); }
}  // namespace

QImage imageFromYuvs(const uchar* data, int width, int height) {
  if (!data || width <= 0 || height <= 0 || width % 2 != 0) return {};
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    const uchar* in = data + static_cast<size_t>(y) * width * 2;
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; x += 2, in += 4) {
      // Fixed-point BT.601 video range: 1.164 (Y-16), 1.596 V, 0.391 U + 0.813 V, 2.018 U.
      const int d = in[1] - 128;
      const int e = in[3] - 128;
      const int r = 409 * e + 128;
      const int g = -100 * d - 208 * e + 128;
      const int b = 516 * d + 128;
      for (int i = 0; i < 2; ++i) {
        const int c = 298 * (in[i * 2] - 16);
        out[x + i] = qRgb(clamp((c + r) >> 8), clamp((c + g) >> 8), clamp((c + b) >> 8));
      }
    }
  }
  return image;
}

}  // namespace zuvo
