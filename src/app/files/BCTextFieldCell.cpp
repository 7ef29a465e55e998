#include "app/files/BCTextFieldCell.h"

#include "app/controller/Localized.h"
#include "app/tables/BCTableView.h"
#include "app/tables/TableRoles.h"

#include <QDateTime>
#include <QImage>
#include <QPainter>

namespace zuvo {
namespace {

QFont helvetica(bool bold, int pixels) {
  QFont font(QStringLiteral("Helvetica"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void badge(QPainter* painter, int boxX, int boxY, int labelX, int labelY, const char* label) {
  painter->fillRect(QRect(boxX, boxY, 20, 10), Qt::black);
  painter->setPen(Qt::white);
  painter->setFont(helvetica(true, 10));
  painter->drawText(QRect(labelX, labelY, 20, 20), Qt::AlignLeft | Qt::AlignTop, QLatin1String(label));
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

void BCTextFieldCell::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
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
    line(40, false, QStringLiteral("%1 : %2   Episode : %3").arg(localizedString("Season"), text(3), text(4)));
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
  if (index.data(TableRole::HasChapters).toBool()) badge(painter, R - 50, B - 55, R - 49, B - 56, "Cpt");
  if (text(5) == QLatin1String("6")) badge(painter, R - 25, B - 55, R - 22, B - 56, "5.1");
  if (index.data(TableRole::HasSubtitles).toBool()) badge(painter, R - 25, B - 40, R - 24, B - 41, "Sub");

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
