#include "app/files/BCCenterTextFieldCell.h"

#include <QPainter>

#include "app/tables/TableRoles.h"

namespace zuvo {

void BCCenterTextFieldCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  const QRect r = option.rect;
  painter->save();
  painter->fillRect(QRect(r.x(), r.y(), r.width(), r.height() - 1), cellBackground(option, index));
  QFont font(QStringLiteral("Helvetica"));
  font.setPixelSize(10);
  painter->setFont(font);
  painter->setPen(rowSelected(option) ? Qt::white : Qt::black);
  painter->drawText(r.translated(3, 3), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                    index.data().toString());
  painter->restore();
}

}  // namespace zuvo
