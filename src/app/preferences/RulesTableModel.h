#pragma once
// The rules list of the preferences: a number and the rule's sentence per row, rows
// dragged to a new place under the pasteboard type "RulesTableRow".
#include <QAbstractTableModel>
#include <functional>

#include "media/BCConversionRule.h"

namespace zuvo {

inline constexpr const char* kRulesTableRowType = "RulesTableRow";

class RulesTableModel : public QAbstractTableModel {
 public:
  enum Column { NumberColumn, RuleColumn };
  using RulesSource = std::function<const QList<BCConversionRule>&()>;
  // `onDrop` gets the dragged rows and the row they were dropped at.
  using DropHandler = std::function<void(const QList<int>& dragged, int row)>;

  RulesTableModel(RulesSource rules, DropHandler onDrop, QObject* parent = nullptr);

  void reload();
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDropActions() const override;
  bool canDropMimeData(const QMimeData*, Qt::DropAction, int, int, const QModelIndex&) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

 private:
  RulesSource rules_;
  DropHandler onDrop_;
};

}  // namespace zuvo
