#include "app/files/BCButtonCell.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "app/tables/TableRoles.h"

namespace zuvo {

void BCButtonCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  const QRect r = option.rect;
  painter->save();
  painter->fillRect(QRect(r.x(), r.y(), r.width(), r.height() - 1), cellBackground(option, index));
  QStyleOptionButton box;
  box.state = QStyle::State_Enabled | (index.data().toBool() ? QStyle::State_On : QStyle::State_Off);
  const QSize size =
      QApplication::style()->sizeFromContents(QStyle::CT_CheckBox, &box, QSize(), option.widget);
  box.rect = QRect(r.x() + (r.width() - size.width()) / 2, r.y() + (r.height() - size.height()) / 2,
                   size.width(), size.height());
  QApplication::style()->drawControl(QStyle::CE_CheckBox, &box, painter, option.widget);
  painter->setPen(Qt::black);
  painter->drawLine(r.x(), r.bottom(), r.x() + 8000, r.bottom());
  painter->restore();
}

bool BCButtonCell::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem&,
                               const QModelIndex& index) {
  if (event->type() != QEvent::MouseButtonRelease) return false;
  if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
  model->setData(index, !index.data().toBool());
  return true;
}

}  // namespace zuvo
