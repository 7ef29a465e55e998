#pragma once
// What a screen reader finds in the files and queue tables: a table of the columns the
// user sees, in the order shown, of cells each named by the model's accessible text; a
// cell whose model gives a value (the progress) answers it as its current value out of
// 100, and one that names an action (a button) performs it through the model's edit, as a
// click on the button does. GUI thread only.
#include <QAccessibleWidget>
#include <QHash>
#include <QPair>

class QItemSelection;
class QTableView;

namespace zuvo {

// Gives `view` this interface; call before anything asks for the view's interface.
void useTableAccessible(QTableView* view);
// QTableView numbers the cell of its focus and selection events among every column, hidden
// ones and the header row included; a view with this interface tells them with these instead,
// by the numbers a screen reader finds the cells under, from its currentChanged and
// selectionChanged (in place of QTableView's own).
void tellCurrentChanged(QTableView* view, const QModelIndex& current);
void tellSelectionChanged(QTableView* view, const QItemSelection& selected, const QItemSelection& deselected);

class TableAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit TableAccessible(QWidget* view);
  ~TableAccessible() override;

  void* interface_cast(QAccessible::InterfaceType type) override;
  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;

  // QAccessibleTableInterface
  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override;
  int selectedCellCount() const override;
  QList<QAccessibleInterface*> selectedCells() const override;
  QString columnDescription(int column) const override;
  QString rowDescription(int row) const override;
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override { return int(selectedRows().size()); }
  int columnCount() const override;
  int rowCount() const override;
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override;
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int row) const override;
  bool selectRow(int row) override;
  bool selectColumn(int) override { return false; }
  bool unselectRow(int row) override;
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent* event) override;

  QTableView* view() const;
  // The child a screen reader finds `index` as; -1 for a hidden column's.
  static int childIndex(const QTableView* view, const QModelIndex& index);

 private:
  // The model column of the `column`th column shown; -1 past the end.
  int modelColumn(int column) const;
  void forgetCells() const;
  mutable QHash<QPair<int, int>, QAccessible::Id> cells_;  // by row and model column
};

}  // namespace zuvo
