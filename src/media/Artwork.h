#pragma once
// An item's picture as it came: the encoded bytes of a download, a cover or a chosen file,
// kept as they are so that saving the lists never encodes it again, and a small decoded
// copy for the tables. The full picture is decoded only where it is shown whole or
// written (the tag editor, the tag save). Immutable once made; copies share the bytes.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace zuvo {

class Artwork {
 public:
  // The tables draw at about 60 by 70 points; twice that keeps a sharp picture on a
  // high-density screen.
  static constexpr int kSmallSide = 140;

  Artwork() = default;
  // Null when the bytes do not decode as a picture.
  static Artwork fromData(const QByteArray& bytes);
  static Artwork fromFile(const QString& path);
  // A decoded picture with no bytes of its own is encoded once, as PNG.
  static Artwork fromImage(const QImage& image);

  bool isNull() const { return data_.isEmpty(); }
  const QByteArray& data() const { return data_; }
  QImage image() const;  // the whole picture
  // The picture fitting in `bound`, decoded at that size (quick for JPEG); never enlarged.
  QImage image(QSize bound) const;
  const QImage& small() const { return small_; }  // at most kSmallSide on either side
  QSize size() const { return size_; }            // of the whole picture

  friend bool operator==(const Artwork& a, const Artwork& b) { return a.data_ == b.data_; }

 private:
  QByteArray data_;
  QImage small_;
  QSize size_;
};

}  // namespace zuvo
