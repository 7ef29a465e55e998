#pragma once
// Puts the models and the cells on the files table and a queue table: which cell draws
// which column, the widths, the row heights and what may be selected.
#include <QTableView>

namespace zuvo {

class BCTableView;
class FilesTableModel;
class QueueTableModel;

void installFilesTable(BCTableView* view, FilesTableModel* model);
void installQueueTable(QTableView* view, QueueTableModel* model);

}  // namespace zuvo
