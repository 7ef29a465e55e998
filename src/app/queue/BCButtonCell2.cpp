#include "app/queue/BCButtonCell2.h"

#include "app/tables/TableRoles.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace zuvo {

QRect BCButtonCell2::imageRect(const QRect& f) {
  if (f.height() > 65) return QRect(f.x(), f.y() + 8, f.width() - 30, f.height() - 12);
  return QRect(f.x(), f.y() + 22, f.width() - 30, f.height() - 28);
}

bool BCButtonCell2::hits(const QPoint& point, const QRect& f) {
  const int dx = point.x() - f.x();
  const int dy = point.y() - f.y() - 31;
  const int lowest = f.height() > 65 ? 12 : 15;
  return dx >= 0 && dx <= 14 && dy >= 0 && dy <= lowest;
}

void BCButtonCell2::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QImage image = index.data(TableRole::ButtonImage).value<QImage>();
  if (image.isNull()) return;
  const QRect area = imageRect(option.rect);
  // The icon keeps its proportions inside the area, at its left edge.
  const int side = qMin(qMin(area.width(), area.height()), image.height());
  painter->save();
  painter->setRenderHint(QPainter::SmoothPixmapTransform);
  if (!index.data(TableRole::Enabled).toBool()) painter->setOpacity(0.4);
  painter->drawImage(QRect(area.x(), area.y() + (area.height() - side) / 2, side, side), image);
  painter->restore();
}

bool BCButtonCell2::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                const QModelIndex& index) {
  if (event->type() != QEvent::MouseButtonRelease) return false;
  const auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton || !index.data(TableRole::Enabled).toBool()) return false;
  if (!hits(mouse->position().toPoint(), option.rect)) return false;
  model->setData(index, true);
  return true;
}

}  // namespace zuvo
