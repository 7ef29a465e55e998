#pragma once
// Pictures made at test time, as the bytes a download or a chosen file would give.
#include <QBuffer>
#include <QByteArray>
#include <QImage>

namespace zuvo::test {

inline QByteArray encodedPicture(const QImage& image, const char* format = "JPEG", int quality = 90) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format, quality);
  return bytes;
}

}  // namespace zuvo::test
