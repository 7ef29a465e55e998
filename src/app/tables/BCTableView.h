#pragma once
// The files table's view: a tiled background image behind the rows, Return posting
// "EditClick" (when a row is selected) and Delete posting "DeleteClick", each with the view
// as object, and a redraw every few frames while a cell shows something turning. A screen
// reader finds the columns shown, through `TableAccessible`.
#include <QImage>
#include <QTableView>
#include <QTimer>

namespace zuvo {

class BCTableView : public QTableView {
 public:
  explicit BCTableView(QWidget* parent = nullptr);

  void setBackgroundImage(const QImage& image);
  void clearBackgroundImage();
  const QImage& backgroundImage() const { return backgroundImage_; }
  // Where the tiles go to cover `visible` (in viewport coordinates).
  static QList<QRect> tiles(const QRect& visible, const QSize& image);

  // A cell asks for another frame of its animation.
  void keepAnimating();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

 private:
  QImage backgroundImage_;
  QTimer animation_;
};

}  // namespace zuvo
