#include "app/files/BCFASTPopUpCell.h"

#include <QFontMetrics>
#include <QPainter>

#include "app/shared/Localized.h"
#include "app/tables/TableRoles.h"

namespace zuvo {
namespace {

constexpr int kBand = 57;  // the labels are centred in this width

int centred(const QRect& r, const QFont& font, const QString& text) {
  const int n = kBand - QFontMetrics(font).horizontalAdvance(text);
  return n >= 0 ? r.x() + n / 2 : r.x();
}

}  // namespace

QStringList BCFASTPopUpCell::itemTitles() const { return {localizedString("YES"), localizedString("NO")}; }

void BCFASTPopUpCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  const QVariant reason = index.data(TableRole::Reason);
  if (!reason.isValid()) return;
  const QRect r = option.rect;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  fillBackground(painter, option, index);
  const int item = index.data().toInt();
  QString label;
  int dy = 0;
  if (item == 0) label = localizedString("YES"), dy = 20;
  if (item == 1) label = localizedString("NO"), dy = 20;
  if (item == 2) label = QStringLiteral("-"), dy = 20;
  painter->setPen(rowSelected(option) ? Qt::white : Qt::black);
  const QFont big = labelFont(15);
  painter->setFont(big);
  painter->drawText(QRect(centred(r, big, label), r.y() + dy, r.width(), 20), Qt::AlignLeft | Qt::AlignTop,
                    label);
  const QFont small = labelFont(9);
  painter->setFont(small);
  const QString why = reason.toString();
  painter->drawText(QRect(centred(r, small, why), r.y() + 40, r.width(), 14), Qt::AlignLeft | Qt::AlignTop,
                    why);
  if (index.data(TableRole::Enabled).toBool()) drawArrow(painter, option);
  painter->restore();
}

}  // namespace zuvo
