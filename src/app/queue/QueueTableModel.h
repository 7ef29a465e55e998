#pragma once
// A queue table: row i is item i of the controller's queue list. Only the queue table in
// use shows rows; the other answers none. The status column's value is the row's
// `QueueRowStatus` list, built afresh on every draw. Items added, removed or moved reload
// the table; a job's changes redraw its row. GUI thread only.
#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <functional>

#include "app/queue/QueueJobs.h"
#include "media/MediaFile.h"

namespace zuvo {

class QueueTableModel : public QAbstractTableModel {
 public:
  static const QStringList& identifiers();
  static int column(const QString& identifier) { return int(identifiers().indexOf(identifier)); }

  explicit QueueTableModel(const QList<MediaFilePtr>& queue, QObject* parent = nullptr);

  // The stop or reset button of a row was clicked.
  void setStopRequest(std::function<void(int row)> request) { stopRequest_ = std::move(request); }
  // Dragging rows (the pasteboard data, or null for no drag) and dropping on a row.
  using DragRequest = std::function<QMimeData*(const QList<int>& rows)>;
  using DropRequest = std::function<bool(const QMimeData* data, int row)>;
  void setDragRequest(DragRequest request) { dragRequest_ = std::move(request); }
  void setDropRequest(DropRequest request) { dropRequest_ = std::move(request); }
  void setInUse(bool inUse);
  bool inUse() const { return inUse_; }
  void reload();
  // What a screen reader says for a cell: the row's title, its state and progress, or
  // what its button does.
  static QString accessibleText(const QString& identifier, const MediaFile& item);
  // A job's status or progress changes redraw that job's row alone, wherever it is now.
  void watch(const QueueJobs& jobs);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;
  Qt::DropActions supportedDropActions() const override;
  Qt::DropActions supportedDragActions() const override;

 private:
  void jobChanged(QueueJobs::Id id);

  const QList<MediaFilePtr>& queue_;
  const QueueJobs* jobs_ = nullptr;
  bool inUse_ = false;
  std::function<void(int)> stopRequest_;
  DragRequest dragRequest_;
  DropRequest dropRequest_;
};

}  // namespace zuvo
