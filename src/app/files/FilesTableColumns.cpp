#include "app/files/FilesTableColumns.h"

#include <QHeaderView>
#include <QStyle>
#include <algorithm>

#include "app/files/BCButtonCell.h"
#include "app/files/BCCenterTextFieldCell.h"
#include "app/files/BCFASTPopUpCell.h"
#include "app/files/BCImageCell.h"
#include "app/files/BCPopUpCell.h"
#include "app/files/BCTextFieldCell.h"
#include "app/files/FilesTableModel.h"
#include "app/tables/BCTableView.h"
#include "app/tables/TableLook.h"

namespace zuvo {

void installFilesTable(BCTableView* view, FilesTableModel* model) {
  view->setModel(model);
  applyTableLook(view);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->verticalHeader()->setDefaultSectionSize(70);
  struct Column {
    const char* identifier;
    QStyledItemDelegate* cell;
    int width;
  };
  const Column columns[] = {
      {"MediaSelected", new BCButtonCell(view), 28}, {"WhyDeselected", new BCImageCell(view), 26},
      {"Summary", new BCTextFieldCell(view), 360},   {"FileName", new BCCenterTextFieldCell(view), 220},
      {"ShowType", new BCImageCell(view), 50},       {"SDHD", new BCPopUpCell(view), 60},
      {"Speed", new BCFASTPopUpCell(view), 60},      {"Tags", new BCImageCell(view), 26},
  };
  // A column is never narrower than its heading, in whatever font the desktop gives it.
  const QHeaderView* header = view->horizontalHeader();
  const int headerMargins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 4;
  for (const Column& c : columns) {
    const int column = FilesTableModel::column(QLatin1String(c.identifier));
    view->setItemDelegateForColumn(column, c.cell);
    const QString heading = model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const int fitted =
        heading.isEmpty() ? 0 : header->fontMetrics().horizontalAdvance(heading) + headerMargins;
    view->setColumnWidth(column, std::max(c.width, fitted));
  }
  view->setAccessibleName(QStringLiteral("Files"));
  // The media type is chosen in the tag editor; the stepper's value is kept for it.
  view->setColumnHidden(FilesTableModel::column(QStringLiteral("ShowTypeStepper")), true);
  view->horizontalHeader()->setSectionResizeMode(FilesTableModel::column(QStringLiteral("Summary")),
                                                 QHeaderView::Stretch);
}

}  // namespace zuvo
