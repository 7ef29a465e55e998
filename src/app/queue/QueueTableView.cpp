#include "app/queue/QueueTableView.h"

#include "app/tables/TableAccessible.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <algorithm>

namespace zuvo {

QueueTableView::QueueTableView(QWidget* parent) : QTableView(parent) { useTableAccessible(this); }

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
    if (currentIndex().isValid() && moveRequest_) moveRequest_(currentIndex().row(), key == Qt::Key_Up ? -1 : 1);
    return;
  }
  QTableView::keyPressEvent(event);
}

}  // namespace zuvo
