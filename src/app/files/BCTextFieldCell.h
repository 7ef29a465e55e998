#pragma once
// The files table's title block: the artwork, the show's or movie's title lines, badges for
// chapters, 5.1 audio and subtitles, and the status circle, or a spinning indicator while
// the item is still being looked up.
#include <QStyledItemDelegate>

namespace zuvo {

class BCTextFieldCell : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace zuvo
