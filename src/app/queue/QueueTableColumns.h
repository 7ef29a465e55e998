#pragma once
// Puts the model and the cells on a queue table: which cell draws which column, the
// widths, the row height, what may be selected and the dragging of rows.
#include <QTableView>

namespace zuvo {

class QueueTableModel;

void installQueueTable(QTableView* view, QueueTableModel* model);

}  // namespace zuvo
