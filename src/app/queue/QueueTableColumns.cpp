#include "app/queue/QueueTableColumns.h"

#include <QHeaderView>

#include "app/files/BCImageCell.h"
#include "app/queue/BCButtonCell2.h"
#include "app/queue/BCLevelIndicatorCell.h"
#include "app/queue/QueueTableModel.h"
#include "app/tables/TableLook.h"

namespace zuvo {

void installQueueTable(QTableView* view, QueueTableModel* model) {
  view->setModel(model);
  applyTableLook(view);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->verticalHeader()->setDefaultSectionSize(60);
  view->horizontalHeader()->hide();
  const int image = QueueTableModel::column(QStringLiteral("Image"));
  const int status = QueueTableModel::column(QStringLiteral("ProgressIndicator"));
  const int stop = QueueTableModel::column(QStringLiteral("Stop"));
  view->setItemDelegateForColumn(image, new BCImageCell(view, true));
  view->setItemDelegateForColumn(status, new BCLevelIndicatorCell(view));
  view->setItemDelegateForColumn(stop, new BCButtonCell2(view));
  view->setColumnWidth(image, 56);
  view->setColumnWidth(stop, 50);
  view->horizontalHeader()->setSectionResizeMode(status, QHeaderView::Stretch);
  view->setMouseTracking(true);
  // Rows are reordered by dragging them ("ZuvoQueueRow").
  view->setDragEnabled(true);
  view->setAcceptDrops(true);
  view->setDragDropMode(QAbstractItemView::DragDrop);
  view->setDragDropOverwriteMode(false);
  view->setDropIndicatorShown(true);
}

}  // namespace zuvo
