#pragma once
// The queue tables' presenter: which of the two tables (the queue window's or the main
// window's pane) is in use, their reload, the jobs whose rows they redraw, and the row
// commands: the stop button, the move keys and rows dragged to another place. It owns both
// tables' models.
#include <QList>
#include <QObject>
#include <functional>
#include <memory>

#include "app/shared/ControllerState.h"
#include "media/MediaFile.h"

class QMimeData;
class QTableView;

namespace zuvo {

class QueueJobs;
class QueueTableModel;
class QueueTableView;

class QueueRowsPresenter : public QObject {
  Q_OBJECT

 public:
  // `acceptDrop` moves an item of the queue to land before a row; false when it cannot.
  using AcceptDrop = std::function<bool(const MediaFilePtr& item, int row)>;
  QueueRowsPresenter(ControllerState& state, QueueTableView* windowTable, QueueTableView* paneTable,
                     AcceptDrop acceptDrop, QObject* parent = nullptr);

  void useQueueTable(QTableView* table);
  QTableView* queueTableInUse() const { return queueTable_; }
  void reloadQueue();
  // Both tables draw a job's row again when its status or progress changes.
  void watch(const QueueJobs& jobs);

  // The stop or reset button of a row of the table in use.
  void stopButtonClick(int row);
  // The stop key on rows of the table in use: each row's stop button, in turn.
  void stopQueueRows(const QList<int>& rows);
  // The move keys: the row goes one place up (-1) or down (+1) and stays current.
  void moveQueueRow(int row, int by);
  // The pasteboard data of dragged rows, and a drop of them on the table in use.
  QMimeData* writeQueueRows(const QList<int>& rows);
  bool acceptQueueRowDrop(const QMimeData* data, int row);

 signals:
  // A stopped row went back to the files, or was taken off: both lists want rebuilding.
  void rowStopped();
  // The queue's order changed: the saved lists are written again.
  void queueReordered();

 private:
  QueueTableModel& modelOf(const QTableView* table) const;

  ControllerState& state_;
  QueueTableView* windowTable_;
  QueueTableView* paneTable_;
  AcceptDrop acceptDrop_;
  QueueTableModel* windowModel_ = nullptr;
  QueueTableModel* paneModel_ = nullptr;
  QTableView* queueTable_ = nullptr;
  // The running item last brought into view.
  std::weak_ptr<MediaFile> followedRow_;
  QList<MediaFilePtr> draggedQueueItems_;  // what the last drag carried
};

}  // namespace zuvo
