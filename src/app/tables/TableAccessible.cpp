#include "app/tables/TableAccessible.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>

#include "app/tables/TableRoles.h"

namespace zuvo {
namespace {

constexpr const char* kTableAccessible = "zuvoTableAccessible";

// The model columns the user sees, in the order shown.
QList<int> shownColumns(const QTableView* view) {
  QList<int> columns;
  if (!view || !view->model()) return columns;
  const QHeaderView* header = view->horizontalHeader();
  for (int visual = 0; visual < header->count(); ++visual) {
    const int logical = header->logicalIndex(visual);
    if (logical >= 0 && !view->isColumnHidden(logical)) columns << logical;
  }
  return columns;
}

// A progress cell answers its value as text only: a value interface would have the
// screen reader offer Increase and Decrease on a value nobody can change.
class TableCellAccessible : public QAccessibleInterface,
                            public QAccessibleTableCellInterface,
                            public QAccessibleActionInterface {
 public:
  TableCellAccessible(QTableView* view, const QModelIndex& index) : view_(view), index_(index) {}

  bool isValid() const override { return view_ && index_.isValid() && view_->model() == index_.model(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(view_.data());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* focusChild() const override { return nullptr; }

  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    if (t == QAccessible::Name) {
      const QString spoken = index_.data(Qt::AccessibleTextRole).toString();
      return spoken.isEmpty() ? index_.data(Qt::DisplayRole).toString() : spoken;
    }
    if (t == QAccessible::Description) return index_.data(Qt::AccessibleDescriptionRole).toString();
    if (t == QAccessible::Value && hasValue())
      return QStringLiteral("%1%").arg(index_.data(TableRole::AccessibleValue).toInt());
    return {};
  }
  void setText(QAccessible::Text, const QString&) override {}

  QAccessible::Role role() const override {
    if (hasAction()) return QAccessible::Button;
    if (hasValue()) return QAccessible::ProgressBar;
    return QAccessible::Cell;
  }
  QAccessible::State state() const override {
    QAccessible::State st;
    if (!isValid()) return st;
    st.selectable = true;
    st.focusable = true;
    st.selected = isSelected();
    st.focused = view_->hasFocus() && view_->currentIndex() == QModelIndex(index_);
    const QVariant enabled = index_.data(TableRole::Enabled);
    st.disabled = enabled.isValid() && !enabled.toBool();
    const QRect shown = view_->visualRect(index_);
    st.invisible = !view_->isVisible() || !shown.intersects(view_->viewport()->rect());
    return st;
  }
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect r = view_->visualRect(index_);
    return QRect(view_->viewport()->mapToGlobal(r.topLeft()), r.size());
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableCellInterface) return static_cast<QAccessibleTableCellInterface*>(this);
    if (type == QAccessible::ActionInterface && hasAction())
      return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  // QAccessibleTableCellInterface
  bool isSelected() const override {
    return isValid() && view_->selectionModel() && view_->selectionModel()->isSelected(index_);
  }
  QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return int(shownColumns(view_).indexOf(index_.column())); }
  int rowIndex() const override { return index_.row(); }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

  // QAccessibleActionInterface: the button's press.
  QStringList actionNames() const override {
    return hasAction() ? QStringList{pressAction()} : QStringList{};
  }
  QString localizedActionDescription(const QString& name) const override {
    return name == pressAction() ? index_.data(Qt::AccessibleTextRole).toString() : QString();
  }
  void doAction(const QString& name) override {
    if (name != pressAction() || !hasAction() || state().disabled) return;
    // What a click on the button does: the model hears of it as an edit of the cell.
    view_->model()->setData(index_, true, Qt::EditRole);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  bool hasValue() const { return isValid() && index_.data(TableRole::AccessibleValue).isValid(); }
  bool hasAction() const { return isValid() && index_.data(TableRole::AccessibleAction).toBool(); }

  QPointer<QTableView> view_;
  QPersistentModelIndex index_;
};

QAccessibleInterface* tableFactory(const QString& key, QObject* object) {
  if (key != QLatin1String("QTableView") || !object->property(kTableAccessible).toBool()) return nullptr;
  return new TableAccessible(static_cast<QTableView*>(object));
}

}  // namespace

void useTableAccessible(QTableView* view) {
  static const bool installed = [] {
    QAccessible::installFactory(tableFactory);
    return true;
  }();
  (void)installed;
  view->setProperty(kTableAccessible, true);
}

TableAccessible::TableAccessible(QWidget* view) : QAccessibleWidget(view, QAccessible::Table) {}

TableAccessible::~TableAccessible() { forgetCells(); }

namespace {
void tell(QTableView* view, QAccessible::Event type, const QModelIndex& index) {
  const int child = TableAccessible::childIndex(view, index);
  if (child < 0) return;
  QAccessibleEvent event(view, type);
  event.setChild(child);
  QAccessible::updateAccessibility(&event);
}
}  // namespace

void tellCurrentChanged(QTableView* view, const QModelIndex& current) {
  if (QAccessible::isActive() && current.isValid()) tell(view, QAccessible::Focus, current);
}

void tellSelectionChanged(QTableView* view, const QItemSelection& selected,
                          const QItemSelection& deselected) {
  if (!QAccessible::isActive()) return;
  if (const QModelIndex added = selected.indexes().value(0); added.isValid())
    tell(view, QAccessible::SelectionAdd, added);
  if (const QModelIndex removed = deselected.indexes().value(0); removed.isValid())
    tell(view, QAccessible::SelectionRemove, removed);
}

QTableView* TableAccessible::view() const { return qobject_cast<QTableView*>(object()); }

void* TableAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

int TableAccessible::rowCount() const {
  QTableView* v = view();
  return v && v->model() ? v->model()->rowCount() : 0;
}

int TableAccessible::columnCount() const { return int(shownColumns(view()).size()); }

int TableAccessible::modelColumn(int column) const { return shownColumns(view()).value(column, -1); }

int TableAccessible::childCount() const { return rowCount() * columnCount(); }

QAccessibleInterface* TableAccessible::cellAt(int row, int column) const {
  QTableView* v = view();
  const int shown = modelColumn(column);
  if (!v || !v->model() || row < 0 || shown < 0 || row >= rowCount()) return nullptr;
  const QModelIndex index = v->model()->index(row, shown);
  const QPair<int, int> key(row, shown);
  if (const auto found = cells_.constFind(key); found != cells_.constEnd()) {
    QAccessibleInterface* cell = QAccessible::accessibleInterface(*found);
    if (cell && cell->isValid() && cell->tableCellInterface()->rowIndex() == row &&
        cell->tableCellInterface()->columnIndex() == column)
      return cell;
    QAccessible::deleteAccessibleInterface(*found);
    cells_.remove(key);
  }
  auto* cell = new TableCellAccessible(v, index);
  cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
  return cell;
}

int TableAccessible::childIndex(const QTableView* view, const QModelIndex& index) {
  const QList<int> shown = shownColumns(view);
  const int column = int(shown.indexOf(index.column()));
  return index.isValid() && column >= 0 ? index.row() * int(shown.size()) + column : -1;
}

QAccessibleInterface* TableAccessible::child(int index) const {
  const int columns = columnCount();
  if (columns == 0 || index < 0) return nullptr;
  return cellAt(index / columns, index % columns);
}

int TableAccessible::indexOfChild(const QAccessibleInterface* child) const {
  if (!child || !const_cast<QAccessibleInterface*>(child)->tableCellInterface()) return -1;
  auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
  if (cell->columnIndex() < 0) return -1;  // a hidden column's
  return cell->rowIndex() * columnCount() + cell->columnIndex();
}

QAccessibleInterface* TableAccessible::childAt(int x, int y) const {
  QTableView* v = view();
  if (!v) return nullptr;
  const QModelIndex index = v->indexAt(v->viewport()->mapFromGlobal(QPoint(x, y)));
  return index.isValid() ? cellAt(index.row(), int(shownColumns(v).indexOf(index.column()))) : nullptr;
}

QList<int> TableAccessible::selectedRows() const {
  QList<int> rows;
  QTableView* v = view();
  if (!v || !v->selectionModel()) return rows;
  for (const QModelIndex& index : v->selectionModel()->selectedRows()) rows << index.row();
  return rows;
}

int TableAccessible::selectedCellCount() const { return int(selectedCells().size()); }

QList<QAccessibleInterface*> TableAccessible::selectedCells() const {
  QList<QAccessibleInterface*> out;
  QTableView* v = view();
  if (!v || !v->selectionModel()) return out;
  const QList<int> shown = shownColumns(v);
  for (const QModelIndex& index : v->selectionModel()->selectedIndexes())
    if (QAccessibleInterface* cell = cellAt(index.row(), int(shown.indexOf(index.column())))) out << cell;
  return out;
}

QString TableAccessible::columnDescription(int column) const {
  QTableView* v = view();
  const int shown = modelColumn(column);
  return v && v->model() && shown >= 0 ? v->model()->headerData(shown, Qt::Horizontal).toString() : QString();
}

QString TableAccessible::rowDescription(int row) const {
  QTableView* v = view();
  if (!v || !v->model()) return {};
  return v->model()->index(row, modelColumn(0)).data(Qt::AccessibleTextRole).toString();
}

bool TableAccessible::isRowSelected(int row) const { return selectedRows().contains(row); }

bool TableAccessible::selectRow(int row) {
  QTableView* v = view();
  if (!v || row < 0 || row >= rowCount()) return false;
  v->selectRow(row);
  return true;
}

bool TableAccessible::unselectRow(int row) {
  QTableView* v = view();
  if (!v || !v->selectionModel() || row < 0 || row >= rowCount()) return false;
  v->selectionModel()->select(v->model()->index(row, 0),
                              QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
  return true;
}

void TableAccessible::modelChange(QAccessibleTableModelChangeEvent* event) {
  // Values changing in place keep their cells; rows that come, go or move do not.
  if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged) forgetCells();
}

void TableAccessible::forgetCells() const {
  for (QAccessible::Id id : std::as_const(cells_)) QAccessible::deleteAccessibleInterface(id);
  cells_.clear();
}

}  // namespace zuvo
