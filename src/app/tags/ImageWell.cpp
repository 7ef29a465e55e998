#include "app/tags/ImageWell.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPixmap>

#include "app/shared/FileDropTarget.h"

namespace zuvo {

ImageWell::ImageWell(QLabel* view, Receiver receiver) : QObject(view), receiver_(std::move(receiver)) {
  view->setAcceptDrops(true);
  view->setFocusPolicy(Qt::StrongFocus);
  view->installEventFilter(this);
}

QImage ImageWell::imageFrom(const QMimeData* data) {
  if (!data) return {};
  if (data->hasImage()) {
    const QImage image = qvariant_cast<QImage>(data->imageData());
    if (!image.isNull()) return image;
  }
  for (const QString& path : FileDropTarget::localPaths(data)) {
    const QImage image(path);
    if (!image.isNull()) return image;
  }
  return {};
}

void ImageWell::show(QLabel* view, const QImage& image) {
  if (image.isNull()) {
    view->setText(QStringLiteral("Drop or paste artwork here"));
    return;
  }
  view->setPixmap(
      QPixmap::fromImage(image).scaled(view->minimumSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

// Asked at every move of a drag: the files' headers are read, not their pictures.
bool ImageWell::offersImage(const QMimeData* data) {
  if (!data) return false;
  if (data->hasImage()) return true;
  for (const QString& path : FileDropTarget::localPaths(data))
    if (!QImageReader::imageFormat(path).isEmpty()) return true;
  return false;
}

bool ImageWell::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (!offersImage(drag->mimeData())) return false;
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QImage image = imageFrom(drop->mimeData());
      if (image.isNull()) return false;
      drop->acceptProposedAction();
      receiver_(image);
      return true;
    }
    case QEvent::MouseButtonPress:
      static_cast<QWidget*>(watched)->setFocus(Qt::MouseFocusReason);
      return false;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (!key->matches(QKeySequence::Paste)) return false;
      if (event->type() == QEvent::ShortcutOverride) {
        event->accept();  // the well's paste, not a menu's
        return true;
      }
      const QImage image = imageFrom(QGuiApplication::clipboard()->mimeData());
      if (!image.isNull()) receiver_(image);
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace zuvo
