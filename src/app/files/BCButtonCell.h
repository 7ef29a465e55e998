#pragma once
// The files table's check box: the row's colour (or the selection colour) behind a check
// box, a black line under the row; a click asks for the opposite value.
#include <QStyledItemDelegate>

namespace zuvo {

class BCButtonCell : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

}  // namespace zuvo
