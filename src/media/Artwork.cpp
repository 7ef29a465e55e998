#include "media/Artwork.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace zuvo {

namespace {

// The picture of `bytes` fitting in `bound`, and its whole size. JPEG scales while it
// decodes, so the whole picture is never held.
QImage decodedWithin(const QByteArray& bytes, QSize bound, QSize* wholeSize = nullptr) {
  QByteArray held = bytes;
  QBuffer buffer(&held);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QSize whole = reader.size();
  if (!whole.isValid() || whole.isEmpty()) return {};
  if (whole.width() > bound.width() || whole.height() > bound.height())
    reader.setScaledSize(whole.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
  if (wholeSize) *wholeSize = whole;
  return reader.read();
}

}  // namespace

Artwork Artwork::fromData(const QByteArray& bytes) {
  if (bytes.isEmpty()) return {};
  Artwork artwork;
  artwork.small_ = decodedWithin(bytes, QSize(kSmallSide, kSmallSide), &artwork.size_);
  if (artwork.small_.isNull()) return {};
  artwork.data_ = bytes;
  return artwork;
}

QImage Artwork::image(QSize bound) const {
  if (data_.isEmpty() || bound.isEmpty()) return {};
  return decodedWithin(data_, bound);
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
