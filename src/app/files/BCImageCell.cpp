#include "app/files/BCImageCell.h"

#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "app/shared/Localized.h"
#include "app/tables/TableRoles.h"

namespace zuvo {

void BCImageCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
  const QRect r = option.rect;
  const QImage image = index.data().value<QImage>();
  painter->save();
  painter->setRenderHint(QPainter::SmoothPixmapTransform);
  if (fitArtwork_) {
    if (!image.isNull()) {
      const QSize size = image.size().scaled(r.size() - QSize(4, 4), Qt::KeepAspectRatio);
      painter->drawImage(QRect(r.x() + (r.width() - size.width()) / 2,
                               r.y() + (r.height() - size.height()) / 2, size.width(), size.height()),
                         image);
    }
    painter->restore();
    return;
  }
  const QString description = index.data(TableRole::Description).toString();
  painter->fillRect(QRect(r.x(), r.y(), r.width(), r.height() - 1), cellBackground(option, index));
  if (!image.isNull()) {
    const QRect target =
        description.isEmpty() ? QRect(r.x() + 2, r.y() + 20, 20, 20) : QRect(r.x() + 10, r.y() + 5, 30, 30);
    painter->drawImage(target, image);
  }
  if (!description.isEmpty()) {
    QFont font(QStringLiteral("Helvetica"), 9);
    font.setPixelSize(9);
    font.setBold(true);
    painter->setFont(font);
    painter->setPen(rowSelected(option) ? Qt::white : Qt::black);
    const QString text = localizedString(description.toUtf8().constData());
    const int height = QFontMetrics(font).horizontalAdvance(text) < 40 ? 15 : 25;
    painter->drawText(QRect(r.x(), r.y() + 40, 43, height),
                      Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
  }
  painter->restore();
}

bool BCImageCell::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem&,
                              const QModelIndex& index) {
  if (fitArtwork_ || event->type() != QEvent::MouseButtonDblClick) return false;
  model->setData(index, true);
  return true;
}

}  // namespace zuvo
