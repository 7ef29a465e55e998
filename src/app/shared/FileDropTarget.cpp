#include "app/shared/FileDropTarget.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace zuvo {

FileDropTarget::FileDropTarget(QWidget* widget, Receiver receiver)
    : FileDropTarget(widget, PathsReceiver([receiver = std::move(receiver)](const QStringList& paths) {
                       receiver(filenamesPropertyList(paths));
                     })) {}

FileDropTarget::FileDropTarget(QWidget* widget, PathsReceiver receiver)
    : QObject(widget), receiver_(std::move(receiver)) {
  widget->setAcceptDrops(true);
  widget->installEventFilter(this);
}

QStringList FileDropTarget::localPaths(const QMimeData* data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

QString FileDropTarget::filenamesPropertyList(const QStringList& paths) {
  QString text = QStringLiteral(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n<array>\n");
  for (const QString& path : paths)
    text += QStringLiteral("\t<string>%1</string>\n").arg(path.toHtmlEscaped());
  text += QStringLiteral("</array>\n</plist>\n");
  return text;
}

bool FileDropTarget::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (localPaths(drag->mimeData()).isEmpty()) return false;  // rows dragged inside the table
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList paths = localPaths(drop->mimeData());
      if (paths.isEmpty()) return false;
      drop->acceptProposedAction();
      QTimer::singleShot(0, this, [this, paths] { receiver_(paths); });
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace zuvo
