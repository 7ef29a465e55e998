#include "app/queue/BCButtonCell2.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "app/tables/TableRoles.h"

namespace zuvo {

QRect BCButtonCell2::imageRect(const QRect& f) {
  if (f.height() > 65) return QRect(f.x(), f.y() + 8, f.width() - 30, f.height() - 12);
  return QRect(f.x(), f.y() + 22, f.width() - 30, f.height() - 28);
}

QRect BCButtonCell2::buttonRect(const QRect& f, const QSize& image) {
  const QRect area = imageRect(f);
  const int side = qMax(0, qMin(qMin(area.width(), area.height()), image.height()));
  return QRect(area.x(), area.y() + (area.height() - side) / 2, side, side);
}

bool BCButtonCell2::hits(const QPoint& point, const QRect& f, const QSize& image) {
  return buttonRect(f, image).contains(point);
}

void BCButtonCell2::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
  const QImage image = index.data(TableRole::ButtonImage).value<QImage>();
  if (image.isNull()) return;
  painter->save();
  painter->setRenderHint(QPainter::SmoothPixmapTransform);
  if (!index.data(TableRole::Enabled).toBool()) painter->setOpacity(0.4);
  painter->drawImage(buttonRect(option.rect, image.size()), image);
  painter->restore();
}

bool BCButtonCell2::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                const QModelIndex& index) {
  if (event->type() != QEvent::MouseButtonRelease) return false;
  const auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton || !index.data(TableRole::Enabled).toBool()) return false;
  const QImage image = index.data(TableRole::ButtonImage).value<QImage>();
  if (image.isNull() || !hits(mouse->position().toPoint(), option.rect, image.size())) return false;
  model->setData(index, true);
  return true;
}

}  // namespace zuvo
