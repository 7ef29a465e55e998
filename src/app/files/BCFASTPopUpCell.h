#pragma once
// The files table's pass-through choice: "YES" or "NO" over the reason pass-through is
// not possible, nothing at all while the item has no reason text; the arrow and the menu
// only while the choice is open to the user.
#include "app/files/BCPopUpCell.h"

namespace zuvo {

class BCFASTPopUpCell : public BCPopUpCell {
 public:
  using BCPopUpCell::BCPopUpCell;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QStringList itemTitles() const override;
};

}  // namespace zuvo
