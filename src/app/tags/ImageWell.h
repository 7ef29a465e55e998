#pragma once
// Lets an image view take a picture from the user: an image file or image data dragged
// onto it, or an image pasted while it has the keyboard focus (a click gives it the
// focus). Anything that is no readable image is refused. GUI thread only.
#include <QImage>
#include <QObject>
#include <functional>

class QLabel;
class QMimeData;

namespace zuvo {

class ImageWell : public QObject {
 public:
  using Receiver = std::function<void(const QImage&)>;

  // Watches `view` and gives every picture it takes to `receiver`.
  ImageWell(QLabel* view, Receiver receiver);

  // The picture a drag or the clipboard offers: image data, else the first local file
  // that reads as an image; null when there is none.
  static QImage imageFrom(const QMimeData* data);
  // Shows `image` in `view` at the view's least size, or, for none, what the view takes.
  static void show(QLabel* view, const QImage& image);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static bool offersImage(const QMimeData* data);
  Receiver receiver_;
};

}  // namespace zuvo
