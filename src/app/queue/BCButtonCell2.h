#pragma once
// The queue's stop / reset button: its icon drawn in the upper part of the cell; only a
// small spot at the icon answers a click, which asks the model for the row's action.
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
  // Whether a point of the view falls on the clickable spot of a cell.
  static bool hits(const QPoint& point, const QRect& frame);
};

}  // namespace zuvo
