#include "app/queue/QueueTableAccessible.h"

#include "app/queue/QueueTableView.h"
#include "app/tables/TableRoles.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>

namespace zuvo {
namespace {

// A child of the table without children of its own.
class TableLeaf : public QAccessibleInterface {
 public:
  explicit TableLeaf(QTableView* view) : view_(view) {}
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(view_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* focusChild() const override { return nullptr; }
  void setText(QAccessible::Text, const QString&) override {}

 protected:
  QPointer<QTableView> view_;
};

// A progress cell answers its value as text only: a value interface would have the
// screen reader offer Increase and Decrease on a value nobody can change.
class QueueCellAccessible : public TableLeaf, public QAccessibleTableCellInterface, public QAccessibleActionInterface {
 public:
  QueueCellAccessible(QTableView* view, const QModelIndex& index) : TableLeaf(view), index_(index) {}

  bool isValid() const override { return view_ && index_.isValid() && view_->model() == index_.model(); }

  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    if (t == QAccessible::Name) return index_.data(Qt::AccessibleTextRole).toString();
    if (t == QAccessible::Description) return index_.data(Qt::AccessibleDescriptionRole).toString();
    if (t == QAccessible::Value && hasValue()) return QStringLiteral("%1%").arg(index_.data(TableRole::AccessibleValue).toInt());
    return {};
  }

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
    if (type == QAccessible::ActionInterface && hasAction()) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  // QAccessibleTableCellInterface
  bool isSelected() const override {
    return isValid() && view_->selectionModel() && view_->selectionModel()->isSelected(index_);
  }
  QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return index_.column(); }
  int rowIndex() const override { return index_.row(); }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

  // QAccessibleActionInterface: the button's press.
  QStringList actionNames() const override { return hasAction() ? QStringList{pressAction()} : QStringList{}; }
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

  QPersistentModelIndex index_;
};

// The property that marks a queue's window.
constexpr const char* kQueueWindow = "zuvoQueueWindow";

// The header row and column that Qt's table views count in their events' child numbers,
// shown or not: a corner, the column titles and the row numbers. Hidden here, so they read
// as invisible.
class QueueHeaderAccessible : public TableLeaf {
 public:
  QueueHeaderAccessible(QTableView* view, int row, int column) : TableLeaf(view), row_(row), column_(column) {}

  bool isValid() const override { return view_ && view_->model(); }
  QString text(QAccessible::Text t) const override {
    if (!isValid() || t != QAccessible::Name || (row_ == 0 && column_ == 0)) return {};
    if (row_ == 0) return view_->model()->headerData(column_ - 1, Qt::Horizontal).toString();
    return QString::number(row_);
  }
  QAccessible::Role role() const override { return row_ == 0 ? QAccessible::ColumnHeader : QAccessible::RowHeader; }
  QAccessible::State state() const override {
    QAccessible::State st;
    const QHeaderView* header = !view_ ? nullptr : row_ == 0 ? view_->horizontalHeader() : view_->verticalHeader();
    st.invisible = !header || !header->isVisible();
    return st;
  }
  QRect rect() const override { return {}; }

 private:
  int row_, column_;  // in the numbering with the header row and column first
};

QAccessibleInterface* queueTableFactory(const QString& key, QObject* object) {
  if (key == QLatin1String("QWidget") && object->property(kQueueWindow).toBool())
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
  if (key != QLatin1String("QTableView")) return nullptr;
  if (auto* view = dynamic_cast<QueueTableView*>(object)) return new QueueTableAccessible(view);
  return nullptr;
}

}  // namespace

void installQueueTableAccessible() {
  static const bool installed = [] {
    QAccessible::installFactory(queueTableFactory);
    return true;
  }();
  (void)installed;
}

void setQueueWindowAccessible(QWidget* window) {
  installQueueTableAccessible();
  window->setProperty(kQueueWindow, true);
}

QueueTableAccessible::QueueTableAccessible(QWidget* view) : QAccessibleWidget(view, QAccessible::Table) {}

QueueTableAccessible::~QueueTableAccessible() { forgetCells(); }

QTableView* QueueTableAccessible::view() const { return qobject_cast<QTableView*>(object()); }

void* QueueTableAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

int QueueTableAccessible::rowCount() const {
  QTableView* v = view();
  return v && v->model() ? v->model()->rowCount() : 0;
}

int QueueTableAccessible::columnCount() const {
  QTableView* v = view();
  return v && v->model() ? v->model()->columnCount() : 0;
}

// Children are numbered as Qt's table views number them in their events: row 0 and
// column 0 are the headers, whether shown or not.
int QueueTableAccessible::childCount() const {
  QTableView* v = view();
  return v && v->model() ? (rowCount() + 1) * (columnCount() + 1) : 0;
}

QAccessibleInterface* QueueTableAccessible::cellAt(int row, int column) const {
  QTableView* v = view();
  if (!v || !v->model() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount()) return nullptr;
  const QModelIndex index = v->model()->index(row, column);
  const QPair<int, int> key(row, column);
  if (const auto found = cells_.constFind(key); found != cells_.constEnd()) {
    QAccessibleInterface* cell = QAccessible::accessibleInterface(*found);
    if (cell && cell->isValid() && cell->tableCellInterface()->rowIndex() == row &&
        cell->tableCellInterface()->columnIndex() == column)
      return cell;
    QAccessible::deleteAccessibleInterface(*found);
    cells_.remove(key);
  }
  auto* cell = new QueueCellAccessible(v, index);
  cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
  return cell;
}

QAccessibleInterface* QueueTableAccessible::child(int index) const {
  const int columns = columnCount() + 1;
  if (index < 0 || index >= childCount()) return nullptr;
  const int row = index / columns, column = index % columns;
  if (row > 0 && column > 0) return cellAt(row - 1, column - 1);
  if (const auto found = headers_.constFind(index); found != headers_.constEnd())
    if (QAccessibleInterface* header = QAccessible::accessibleInterface(*found)) return header;
  auto* header = new QueueHeaderAccessible(view(), row, column);
  headers_.insert(index, QAccessible::registerAccessibleInterface(header));
  return header;
}

int QueueTableAccessible::indexOfChild(const QAccessibleInterface* child) const {
  if (!child) return -1;
  auto* iface = const_cast<QAccessibleInterface*>(child);
  if (auto* cell = iface->tableCellInterface()) return (cell->rowIndex() + 1) * (columnCount() + 1) + cell->columnIndex() + 1;
  for (auto it = headers_.constBegin(); it != headers_.constEnd(); ++it)
    if (QAccessible::accessibleInterface(it.value()) == iface) return it.key();
  return -1;
}

QAccessibleInterface* QueueTableAccessible::childAt(int x, int y) const {
  QTableView* v = view();
  if (!v) return nullptr;
  const QModelIndex index = v->indexAt(v->viewport()->mapFromGlobal(QPoint(x, y)));
  return index.isValid() ? cellAt(index.row(), index.column()) : nullptr;
}

QList<int> QueueTableAccessible::selectedRows() const {
  QList<int> rows;
  QTableView* v = view();
  if (!v || !v->selectionModel()) return rows;
  for (const QModelIndex& index : v->selectionModel()->selectedRows()) rows << index.row();
  return rows;
}

int QueueTableAccessible::selectedCellCount() const { return int(selectedCells().size()); }

QList<QAccessibleInterface*> QueueTableAccessible::selectedCells() const {
  QList<QAccessibleInterface*> out;
  QTableView* v = view();
  if (!v || !v->selectionModel()) return out;
  for (const QModelIndex& index : v->selectionModel()->selectedIndexes())
    if (QAccessibleInterface* cell = cellAt(index.row(), index.column())) out << cell;
  return out;
}

QString QueueTableAccessible::columnDescription(int column) const {
  QTableView* v = view();
  return v && v->model() ? v->model()->headerData(column, Qt::Horizontal).toString() : QString();
}

QString QueueTableAccessible::rowDescription(int row) const {
  QTableView* v = view();
  if (!v || !v->model()) return {};
  return v->model()->index(row, 0).data(Qt::AccessibleTextRole).toString();
}

bool QueueTableAccessible::isRowSelected(int row) const { return selectedRows().contains(row); }

bool QueueTableAccessible::selectRow(int row) {
  QTableView* v = view();
  if (!v || row < 0 || row >= rowCount()) return false;
  v->selectRow(row);
  return true;
}

bool QueueTableAccessible::unselectRow(int row) {
  QTableView* v = view();
  if (!v || !v->selectionModel() || row < 0 || row >= rowCount()) return false;
  v->selectionModel()->select(v->model()->index(row, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
  return true;
}

void QueueTableAccessible::modelChange(QAccessibleTableModelChangeEvent* event) {
  // Values changing in place keep their cells; rows that come, go or move do not.
  if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged) forgetCells();
}

void QueueTableAccessible::forgetCells() const {
  for (QAccessible::Id id : std::as_const(cells_)) QAccessible::deleteAccessibleInterface(id);
  cells_.clear();
  for (QAccessible::Id id : std::as_const(headers_)) QAccessible::deleteAccessibleInterface(id);
  headers_.clear();
}

}  // namespace zuvo
