#pragma once
// The queue's stop / reset button: its icon drawn in the upper part of the cell; a click
// anywhere on the drawn icon asks the model for the row's action.
#include <QRect>
#include <QStyledItemDelegate>

namespace zuvo {

class BCButtonCell2 : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

  // Where the icon goes in a cell: lower and shorter in a standard row than in a tall one.
  static QRect imageRect(const QRect& frame);
  // The icon as drawn: square, at the left of the area, as tall as the area allows and no
  // taller than the image, centred on the area's height.
  static QRect buttonRect(const QRect& frame, const QSize& image);
  // Whether a point of the view falls on the drawn button of a cell.
  static bool hits(const QPoint& point, const QRect& frame, const QSize& image);
};

}  // namespace zuvo
