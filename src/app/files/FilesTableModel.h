#pragma once
// The files table: row i is item i of the controller's files list, one column per
// identifier. Every value is worked out from the item when asked; the model keeps nothing
// of its own. Clicks and choices in the cells come back as edit requests. GUI thread only.
#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <functional>

#include "media/MediaFile.h"

namespace zuvo {

class FilesTableModel : public QAbstractTableModel {
 public:
  // Column identifiers, in their column order.
  static const QStringList& identifiers();
  static int column(const QString& identifier) { return int(identifiers().indexOf(identifier)); }

  // (column identifier, row, chosen value)
  using EditRequest = std::function<void(const QString&, int, const QVariant&)>;

  explicit FilesTableModel(const QList<MediaFilePtr>& files, QObject* parent = nullptr);

  void setEditRequest(EditRequest request) { editRequest_ = std::move(request); }
  // Brings the rows in line with the list: the same items in the same order are redrawn in
  // place (the view keeps its current cell and a screen reader its place); any other change
  // resets the rows.
  void reload();
  // The item the row showed at the last reload (null beyond its end).
  MediaFilePtr shownItem(int row) const { return row >= 0 && row < shown_.size() ? shown_[row] : nullptr; }

  // What a screen reader says for a cell: the text, label or state it shows.
  static QString accessibleText(const QString& identifier, const MediaFile& item);

  // The value shown for an item in a column; "No Data" for an identifier not known.
  static QVariant value(const QString& identifier, const MediaFile& item);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const QList<MediaFilePtr>& files_;
  QList<MediaFilePtr> shown_;
  EditRequest editRequest_;
};

}  // namespace zuvo
