#include "app/files/BCTextFieldCell.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>

#include "app/shared/Localized.h"
#include "app/tables/BCTableView.h"
#include "app/tables/TableRoles.h"

namespace zuvo {
namespace {

QFont helvetica(bool bold, int pixels) {
  QFont font(QStringLiteral("Helvetica"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

// A black box with a white label, ending at `right`; as wide as its label needs, so that a
// font wider than Helvetica widens the box instead of cutting the label. Answers its left.
int badge(QPainter* painter, int right, int top, const char* label) {
  const QFont font = helvetica(true, 10);
  const QString text = QLatin1String(label);
  const int width = std::max(20, QFontMetrics(font).horizontalAdvance(text) + 4);
  const QRect box(right - width, top, width, 10);
  painter->fillRect(box, Qt::black);
  painter->setPen(Qt::white);
  painter->setFont(font);
  painter->drawText(box, Qt::AlignCenter | Qt::TextDontClip, text);
  return box.left();
}

// A ring of twelve spokes that turns with the clock; the view redraws it while it shows.
void spinner(QPainter* painter, const QRect& spot) {
  const int step = int(QDateTime::currentMSecsSinceEpoch() / 80 % 12);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->translate(spot.center() + QPointF(0.5, 0.5));
  for (int i = 0; i < 12; ++i) {
    QColor colour(60, 60, 60);
    colour.setAlphaF(0.15f + 0.85f * float((i + 12 - step) % 12) / 11.0f);
    painter->setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
    painter->drawLine(QPointF(0, -4.5), QPointF(0, -8.5));
    painter->rotate(30);
  }
  painter->restore();
}

}  // namespace

void BCTextFieldCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  const QRect r = option.rect;
  const QVariantList values = index.data().toList();
  const auto text = [&values](int i) { return i < values.size() ? values[i].toString() : QString(); };
  const bool selected = rowSelected(option);
  painter->save();
  painter->fillRect(QRect(r.x() - 2, r.y(), r.width() + 4, r.height() - 1), cellBackground(option, index));
  const QColor ink = selected ? Qt::white : Qt::black;
  const auto line = [&](int dy, bool bold, const QString& s) {
    painter->setFont(helvetica(bold, 12));
    painter->setPen(ink);
    painter->drawText(QRect(r.x() + 55, r.y() + dy, r.width() - 60, 14), Qt::AlignLeft | Qt::AlignTop, s);
  };
  if (text(2) == QLatin1String("TV Show")) {
    line(4, false, QStringLiteral("%1 : %2").arg(localizedString("Series"), text(0)));
    line(22, true, QStringLiteral("Episode : %1").arg(text(1)));
    line(40, false,
         QStringLiteral("%1 : %2   Episode : %3").arg(localizedString("Season"), text(3), text(4)));
  } else {
    line(22, true, QStringLiteral("Movie : %1").arg(text(0)));
  }

  if (values.size() == 7) {
    const QImage artwork = values[6].value<QImage>();
    const QRect frame(r.x(), r.y() + 3, 45, 53);
    if (!artwork.isNull()) painter->drawImage(frame, artwork);
    painter->setPen(Qt::black);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(frame);
  }

  const int R = r.x() + r.width();
  const int B = r.y() + r.height();
  // "Cpt" sits left of "5.1" on the top line, "Sub" below "5.1".
  const int fiveOne = text(5) == QLatin1String("6") ? badge(painter, R - 5, B - 55, "5.1") : R - 25;
  if (index.data(TableRole::HasChapters).toBool()) badge(painter, fiveOne - 5, B - 55, "Cpt");
  if (index.data(TableRole::HasSubtitles).toBool()) badge(painter, R - 5, B - 40, "Sub");

  const QRect spot(R - 25, B - 25, 20, 20);
  if (index.data(TableRole::LookingUp).toBool()) {
    spinner(painter, spot);
    if (auto* view = dynamic_cast<BCTableView*>(const_cast<QWidget*>(option.widget))) view->keepAnimating();
  } else {
    const QImage status = index.data(TableRole::StatusImage).value<QImage>();
    if (!status.isNull()) painter->drawImage(spot, status);
  }
  painter->restore();
}

}  // namespace zuvo
