#include "app/files/BCPopUpCell.h"

#include <QAbstractItemView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include "app/tables/TableRoles.h"

namespace zuvo {
namespace {

struct Label {
  const char* text;
  int dx;
  int dy;
  int pixels;
};
const Label kLabels[] = {{"SD/HD", 4, 20, 15},
                         {"SD", 15, 20, 15},
                         {"HD", 15, 20, 15},
                         {"INFO", 10, 20, 15},
                         {"ORIGINAL", 5, 23, 10}};

}  // namespace

QStringList BCPopUpCell::formatTitles() {
  return {QStringLiteral("SD/HD"), QStringLiteral("SD"), QStringLiteral("HD"), QStringLiteral("INFO"),
          QStringLiteral("ORIGINAL")};
}

QStringList BCPopUpCell::itemTitles() const { return formatTitles(); }

QFont BCPopUpCell::labelFont(int pixels) {
  QFont font(QStringLiteral("Helvetica"));
  font.setPixelSize(pixels);
  font.setBold(true);
  return font;
}

void BCPopUpCell::fillBackground(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) {
  const QRect r = option.rect;
  painter->fillRect(QRect(r.x(), r.y(), r.width() + 2, r.height() - 1), cellBackground(option, index));
}

void BCPopUpCell::drawArrow(QPainter* painter, const QStyleOptionViewItem& option) {
  const QRect r = option.rect;
  QPainterPath arrow;
  arrow.moveTo(r.x() + 45, r.y() + 46);
  arrow.lineTo(r.x() + 53, r.y() + 46);
  arrow.lineTo(r.x() + 49, r.y() + 51);
  arrow.closeSubpath();
  const QColor colour = rowSelected(option) ? Qt::white : Qt::black;
  painter->setPen(colour);
  painter->setBrush(colour);
  painter->drawPath(arrow);
}

void BCPopUpCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
  const QRect r = option.rect;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  fillBackground(painter, option, index);
  const int item = index.data().toInt();
  if (item >= 0 && item < int(std::size(kLabels))) {
    const Label& label = kLabels[item];
    painter->setFont(labelFont(label.pixels));
    painter->setPen(rowSelected(option) ? Qt::white : Qt::black);
    painter->drawText(QRect(r.x() + label.dx, r.y() + label.dy, r.width(), 20), Qt::AlignLeft | Qt::AlignTop,
                      QLatin1String(label.text));
  }
  drawArrow(painter, option);
  painter->restore();
}

bool BCPopUpCell::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                              const QModelIndex& index) {
  if (event->type() != QEvent::MouseButtonRelease || !index.data(TableRole::Enabled).toBool()) return false;
  auto* view = qobject_cast<QAbstractItemView*>(const_cast<QWidget*>(option.widget));
  auto* menu = new QMenu(view);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const QStringList titles = itemTitles();
  const QPersistentModelIndex target(index);
  QPointer<QAbstractItemModel> receiver(model);
  for (int i = 0; i < titles.size(); ++i) {
    QAction* action = menu->addAction(titles[i]);
    action->setCheckable(true);
    action->setChecked(i == index.data().toInt());
    QObject::connect(action, &QAction::triggered, menu, [receiver, target, i] {
      if (receiver && target.isValid()) receiver->setData(target, i);
    });
  }
  const QPoint at = view ? view->viewport()->mapToGlobal(option.rect.bottomLeft()) : option.rect.bottomLeft();
  menu->popup(at);
  return true;
}

}  // namespace zuvo
