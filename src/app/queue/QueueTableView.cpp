#include "app/queue/QueueTableView.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

#include "app/tables/TableAccessible.h"

namespace zuvo {

QueueTableView::QueueTableView(QWidget* parent) : QTableView(parent) {
  useTableAccessible(this);
  // Actions are the user's own moves of the scroll bar (dragging, clicking, the wheel),
  // not the view's scrolling to its current row.
  connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] { scrolledByUser_ = true; });
}

void QueueTableView::followStartedRow(int row) {
  const bool follow = !scrolledByUser_;
  scrolledByUser_ = false;
  if (!follow || !model() || row < 0 || row >= model()->rowCount()) return;
  // The rows that came with the same reload must be laid out before the view can scroll
  // to them.
  executeDelayedItemsLayout();
  updateGeometries();
  scrollTo(model()->index(row, 0), QAbstractItemView::EnsureVisible);
}

void QueueTableView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  tellCurrentChanged(this, current);
  QAbstractItemView::currentChanged(current, previous);  // not QTableView's, which tells it wrongly
}

void QueueTableView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  tellSelectionChanged(this, selected, deselected);
  QAbstractItemView::selectionChanged(selected, deselected);
}

QList<int> QueueTableView::rowsToActOn() const {
  QList<int> rows;
  if (selectionModel())
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
      if (!rows.contains(index.row())) rows << index.row();
  if (rows.isEmpty() && currentIndex().isValid()) rows << currentIndex().row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

void QueueTableView::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if ((key == Qt::Key_Delete || key == Qt::Key_Backspace) && modifiers == Qt::NoModifier) {
    if (const QList<int> rows = rowsToActOn(); !rows.isEmpty() && stopRequest_) stopRequest_(rows);
    return;
  }
  if ((key == Qt::Key_Up || key == Qt::Key_Down) && modifiers == Qt::ControlModifier) {
    if (currentIndex().isValid() && moveRequest_)
      moveRequest_(currentIndex().row(), key == Qt::Key_Up ? -1 : 1);
    return;
  }
  QTableView::keyPressEvent(event);
}

}  // namespace zuvo
