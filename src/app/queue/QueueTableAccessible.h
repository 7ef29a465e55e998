#pragma once
// What a screen reader finds in a queue table: a table of cells, each named by the model's
// accessible text; a cell whose model gives a value (a running row's progress) reads it as
// its value text, and one that names an action (the stop button) performs it through the
// model's edit, as a click on the button does. The queue's own window reads as a window
// named by its title. GUI thread only.
#include <QAccessibleWidget>
#include <QHash>
#include <QPair>

class QTableView;

namespace zuvo {

// Installs the factory that gives every `QueueTableView` this interface; once per program.
void installQueueTableAccessible();
// `window`, a plain widget holding a queue table, reads as a window (not a filler).
void setQueueWindowAccessible(QWidget* window);

class QueueTableAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit QueueTableAccessible(QWidget* view);
  ~QueueTableAccessible() override;

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

 private:
  void forgetCells() const;
  mutable QHash<QPair<int, int>, QAccessible::Id> cells_;
  mutable QHash<int, QAccessible::Id> headers_;  // by child number
};

}  // namespace zuvo
