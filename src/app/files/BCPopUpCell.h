#pragma once
// The files table's output-format choice drawn as a bold label with a small arrow; a
// click opens the menu of formats and asks for the chosen one. `BCFASTPopUpCell` shares
// the background, the arrow and the menu.
#include <QStringList>
#include <QStyledItemDelegate>

namespace zuvo {

class BCPopUpCell : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

  // The labels of the menu items, in item order.
  virtual QStringList itemTitles() const;
  // The format menu's labels, in the order of the format codes.
  static QStringList formatTitles();

 protected:
  static void fillBackground(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index);
  static void drawArrow(QPainter* painter, const QStyleOptionViewItem& option);
  static QFont labelFont(int pixels);
};

}  // namespace zuvo
