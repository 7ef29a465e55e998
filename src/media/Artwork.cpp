#include "media/Artwork.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace zuvo {

Artwork Artwork::fromData(const QByteArray& bytes) {
  if (bytes.isEmpty()) return {};
  QByteArray held = bytes;
  QBuffer buffer(&held);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QSize whole = reader.size();
  if (!whole.isValid() || whole.isEmpty()) return {};
  const QSize bound(kSmallSide, kSmallSide);
  // JPEG scales while it decodes: the whole picture is never held.
  if (whole.width() > kSmallSide || whole.height() > kSmallSide)
    reader.setScaledSize(whole.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
  QImage small = reader.read();
  if (small.isNull()) return {};
  Artwork artwork;
  artwork.data_ = bytes;
  artwork.small_ = std::move(small);
  artwork.size_ = whole;
  return artwork;
}

Artwork Artwork::fromFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return fromData(file.readAll());
}

Artwork Artwork::fromImage(const QImage& image) {
  if (image.isNull()) return {};
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return {};
  Artwork artwork;
  artwork.data_ = bytes;
  const QSize bound(kSmallSide, kSmallSide);
  artwork.small_ = image.width() > kSmallSide || image.height() > kSmallSide
                       ? image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                       : image;
  artwork.size_ = image.size();
  return artwork;
}

QImage Artwork::image() const {
  if (data_.isEmpty()) return {};
  return QImage::fromData(data_);
}

}  // namespace zuvo
