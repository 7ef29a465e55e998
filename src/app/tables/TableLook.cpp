#include "app/tables/TableLook.h"

#include <QHeaderView>

namespace zuvo {

void applyTableLook(QTableView* view) {
  view->verticalHeader()->hide();
  view->setShowGrid(false);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view->horizontalHeader()->setHighlightSections(false);
  // Rows are chosen whole, with the arrow keys: Tab leaves the table for the next control.
  view->setTabKeyNavigation(false);
}

}  // namespace zuvo
