#include "app/preferences/RulesTableModel.h"

#include <QCborArray>
#include <QCborValue>
#include <QMimeData>
#include <algorithm>

namespace zuvo {

RulesTableModel::RulesTableModel(RulesSource rules, DropHandler onDrop, QObject* parent)
    : QAbstractTableModel(parent), rules_(std::move(rules)), onDrop_(std::move(onDrop)) {}

void RulesTableModel::reload() {
  beginResetModel();
  endResetModel();
}

int RulesTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(rules_().size());
}

int RulesTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant RulesTableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rules_().size()) return {};
  if (index.column() == NumberColumn) return index.row() + 1;
  if (index.column() == RuleColumn) return rules_()[index.row()].description();
  return QStringLiteral("No Data");
}

QVariant RulesTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  return section == NumberColumn ? QStringLiteral("Number") : QStringLiteral("Rule");
}

Qt::ItemFlags RulesTableModel::flags(const QModelIndex& index) const {
  const Qt::ItemFlags base = QAbstractTableModel::flags(index) | Qt::ItemIsDropEnabled;
  return index.isValid() ? base | Qt::ItemIsDragEnabled : base;
}

QStringList RulesTableModel::mimeTypes() const { return {QLatin1String(kRulesTableRowType)}; }

QMimeData* RulesTableModel::mimeData(const QModelIndexList& indexes) const {
  QList<int> rows;
  for (const QModelIndex& index : indexes)
    if (index.isValid() && !rows.contains(index.row())) rows << index.row();
  std::sort(rows.begin(), rows.end());
  QCborArray array;
  for (int row : rows) array.append(row);
  auto* data = new QMimeData;
  data->setData(QLatin1String(kRulesTableRowType), QCborValue(array).toCbor());
  return data;
}

Qt::DropActions RulesTableModel::supportedDropActions() const { return Qt::MoveAction | Qt::CopyAction; }

bool RulesTableModel::canDropMimeData(const QMimeData*, Qt::DropAction, int, int, const QModelIndex&) const {
  return true;
}

bool RulesTableModel::dropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                   const QModelIndex& parent) {
  // A drop on a row counts as a drop above it; one below the last row goes at the end.
  const int target = row >= 0 ? row : parent.isValid() ? parent.row() : rowCount();
  if (data && data->hasFormat(QLatin1String(kRulesTableRowType))) {
    QList<int> dragged;
    for (const QCborValue& value :
         QCborValue::fromCbor(data->data(QLatin1String(kRulesTableRowType))).toArray())
      if (value.isInteger()) dragged << int(value.toInteger());
    onDrop_(dragged, target);
  }
  reload();
  // The rows are already in place: the view must not remove the dragged ones as a move.
  return false;
}

}  // namespace zuvo
