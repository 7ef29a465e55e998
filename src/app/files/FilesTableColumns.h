#pragma once
// Puts the model and the cells on the files table: which cell draws which column, the
// widths, the row height and what may be selected.
namespace zuvo {

class BCTableView;
class FilesTableModel;

void installFilesTable(BCTableView* view, FilesTableModel* model);

}  // namespace zuvo
