#pragma once
// The files table's file details: a small plain text on the row's colour.
#include <QStyledItemDelegate>

namespace zuvo {

class BCCenterTextFieldCell : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace zuvo
