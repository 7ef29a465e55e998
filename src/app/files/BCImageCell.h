#pragma once
// An image on the row's colour: a small status circle, or with a description a larger
// image and the description under it. A click asks for the cell's action (the tag editor
// from the "Tags" column). `fitArtwork` draws the image scaled to the whole cell instead,
// as the queue's artwork column does.
#include <QStyledItemDelegate>

namespace zuvo {

class BCImageCell : public QStyledItemDelegate {
 public:
  explicit BCImageCell(QObject* parent = nullptr, bool fitArtwork = false)
      : QStyledItemDelegate(parent), fitArtwork_(fitArtwork) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

 private:
  bool fitArtwork_;
};

}  // namespace zuvo
