#include "app/tables/BCTableView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

#include "app/tables/TableAccessible.h"
#include "platform/NotificationCenter.h"

namespace zuvo {

BCTableView::BCTableView(QWidget* parent) : QTableView(parent) {
  useTableAccessible(this);
  verticalHeader()->setDefaultSectionSize(60);
  QFont font(QStringLiteral("Helvetica"));
  font.setPixelSize(12);
  setFont(font);
  animation_.setSingleShot(true);
  animation_.setInterval(80);
  connect(&animation_, &QTimer::timeout, this, [this] { viewport()->update(); });
}

void BCTableView::setBackgroundImage(const QImage& image) {
  backgroundImage_ = image;
  viewport()->update();
}

void BCTableView::clearBackgroundImage() {
  backgroundImage_ = QImage();
  viewport()->update();
}

QList<QRect> BCTableView::tiles(const QRect& visible, const QSize& image) {
  QList<QRect> out;
  if (image.isEmpty()) return out;
  const int rows = visible.height() / image.height() + 1;
  const int columns = visible.width() / image.width() + 1;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c)
      out << QRect(QPoint(visible.x() + c * image.width(), visible.y() + r * image.height()), image);
  return out;
}

void BCTableView::keepAnimating() {
  if (!animation_.isActive()) animation_.start();
}

void BCTableView::paintEvent(QPaintEvent* event) {
  if (!backgroundImage_.isNull()) {
    QPainter painter(viewport());
    for (const QRect& tile : tiles(viewport()->rect(), backgroundImage_.size()))
      painter.drawImage(tile.topLeft(), backgroundImage_);
  }
  QTableView::paintEvent(event);
}

void BCTableView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  tellCurrentChanged(this, current);
  QAbstractItemView::currentChanged(current, previous);  // not QTableView's, which tells it wrongly
}

void BCTableView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  tellSelectionChanged(this, selected, deselected);
  QAbstractItemView::selectionChanged(selected, deselected);
}

void BCTableView::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool isReturn = key == Qt::Key_Return || key == Qt::Key_Enter;
  const bool isDelete = key == Qt::Key_Delete || key == Qt::Key_Backspace;
  if (isReturn) {
    // With no selected row the key does nothing at all.
    if (selectionModel() && selectionModel()->hasSelection())
      NotificationCenter::defaultCenter().post(QStringLiteral("EditClick"), this);
    return;
  }
  if (isDelete) {
    NotificationCenter::defaultCenter().post(QStringLiteral("DeleteClick"), this);
    return;
  }
  // Before any row is selected, the first arrow press selects the row the keyboard is on (or
  // the first): moving on from an unselected row would skip it, or do nothing in a one-row
  // table.
  const bool isMove = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                      key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End;
  if (isMove && event->modifiers() == Qt::NoModifier && model() && model()->rowCount() > 0 &&
      selectionModel() && !selectionModel()->hasSelection()) {
    const int row = currentIndex().isValid() ? currentIndex().row() : 0;
    setCurrentIndex(model()->index(row, currentIndex().isValid() ? currentIndex().column() : 0));
    selectRow(row);
    return;
  }
  QTableView::keyPressEvent(event);
}

}  // namespace zuvo
