#pragma once
// What the desktop does when the user drags something onto a widget: it enters, moves
// and drops. Answers whether the drop was taken; what the drop sets off from the event
// loop has run by then.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace zuvo::test {

inline bool dragOnto(QWidget* target, const QMimeData& data) {
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDragMoveEvent move(QPoint(6, 6), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &move);
  QDropEvent drop(QPointF(6, 6), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  QApplication::processEvents();
  return drop.isAccepted();
}

// A file manager's drag of local files: their URLs, also as text.
inline bool dragFilesOnto(QWidget* target, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  QStringList texts;
  for (const QString& path : paths) {
    urls << QUrl::fromLocalFile(path);
    texts << urls.last().toString();
  }
  data.setUrls(urls);
  data.setText(texts.join(QLatin1Char('\n')));
  return dragOnto(target, data);
}

}  // namespace zuvo::test
