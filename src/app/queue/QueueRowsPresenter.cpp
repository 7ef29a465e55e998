#include "app/queue/QueueRowsPresenter.h"

#include <QHeaderView>
#include <algorithm>

#include "app/queue/QueueRowDrag.h"
#include "app/queue/QueueTableColumns.h"
#include "app/queue/QueueTableModel.h"
#include "app/queue/QueueTableView.h"

namespace zuvo {

QueueRowsPresenter::QueueRowsPresenter(ControllerState& state, QueueTableView* windowTable,
                                       QueueTableView* paneTable, AcceptDrop acceptDrop, QObject* parent)
    : QObject(parent),
      state_(state),
      windowTable_(windowTable),
      paneTable_(paneTable),
      acceptDrop_(std::move(acceptDrop)) {
  windowModel_ = new QueueTableModel(state_.queue, this);
  paneModel_ = new QueueTableModel(state_.queue, this);
  for (QueueTableModel* model : {windowModel_, paneModel_}) {
    model->setStopRequest([this](int row) { stopButtonClick(row); });
    model->setDragRequest([this](const QList<int>& rows) { return writeQueueRows(rows); });
    model->setDropRequest([this](const QMimeData* data, int row) { return acceptQueueRowDrop(data, row); });
  }
  installQueueTable(windowTable_, windowModel_);
  installQueueTable(paneTable_, paneModel_);
  for (QueueTableView* view : {windowTable_, paneTable_}) {
    view->setStopRequest([this](const QList<int>& rows) { stopQueueRows(rows); });
    view->setMoveRequest([this](int row, int by) { moveQueueRow(row, by); });
  }
  useQueueTable(windowTable_);
}

QueueTableModel& QueueRowsPresenter::modelOf(const QTableView* table) const {
  return table == paneTable_ ? *paneModel_ : *windowModel_;
}

void QueueRowsPresenter::useQueueTable(QTableView* table) {
  queueTable_ = table;
  windowModel_->setInUse(table == windowTable_);
  paneModel_->setInUse(table == paneTable_);
}

void QueueRowsPresenter::watch(const QueueJobs& jobs) {
  windowModel_->watch(jobs);
  paneModel_->watch(jobs);
}

void QueueRowsPresenter::reloadQueue() {
  // Detailed rows of 67 points would follow "DetailedQueue", which nothing registers or
  // writes: it always reads NO.
  queueTable_->verticalHeader()->setDefaultSectionSize(60);
  modelOf(queueTable_).reload();
  // The row that has just started comes into view once.
  const auto running = std::find_if(state_.queue.cbegin(), state_.queue.cend(), [](const MediaFilePtr& item) {
    return item->state() == MediaState::Converting;
  });
  const MediaFilePtr started = running == state_.queue.cend() ? nullptr : *running;
  if (started && started != followedRow_.lock()) {
    if (auto* view = dynamic_cast<QueueTableView*>(queueTable_))
      view->followStartedRow(int(running - state_.queue.cbegin()));
  }
  followedRow_ = started;
}

void QueueRowsPresenter::stopButtonClick(int row) {
  if (row < 0 || row >= state_.queue.size()) return;
  MediaFile& item = *state_.queue[row];
  const Reporter& log = state_.mainLog;
  log->report(QStringLiteral("[RED]Stop Button Pressed for file %1").arg(item.fullpath()), 3);
  if (item.state() == MediaState::Queued) {
    if (item.isSample()) {
      log->report(QStringLiteral("File sitting on queueis sample moving to state 0"), 3);
      item.setState(MediaState::Removed);
    } else {
      log->report(QStringLiteral("File sitting on queue moving back to state 1"), 3);
      item.setState(MediaState::InFilesTable);
    }
  } else if (item.state() == MediaState::Converting) {
    log->report(QStringLiteral("File undergoing conversion"), 3);
    item.setConversionfinished(false);
    item.setState(MediaState::Ended);
    item.setStopbuttonpressed(true);
  }
  emit rowStopped();
  reloadQueue();
  queueTable_->clearSelection();
}

void QueueRowsPresenter::stopQueueRows(const QList<int>& rows) {
  // Stopping may send a row back to the files: the items are found again each time.
  QList<MediaFilePtr> items;
  for (int row : rows)
    if (row >= 0 && row < state_.queue.size()) items << state_.queue[row];
  for (const MediaFilePtr& item : items)
    if (const qsizetype row = state_.queue.indexOf(item); row >= 0) stopButtonClick(int(row));
}

void QueueRowsPresenter::moveQueueRow(int row, int by) {
  if (row < 0 || row >= state_.queue.size() || (by != -1 && by != 1)) return;
  const MediaFilePtr item = state_.queue[row];
  // In the drop's terms: the row it lands before.
  if (!acceptDrop_(item, by < 0 ? row - 1 : row + 2)) return;
  emit queueReordered();
  if (const qsizetype now = state_.queue.indexOf(item); now >= 0 && queueTable_) {
    queueTable_->selectRow(int(now));
    queueTable_->setCurrentIndex(
        queueTable_->model()->index(int(now), QueueTableModel::column(QStringLiteral("ProgressIndicator"))));
  }
}

// ---------------------------------------------------------------- dragged rows

QMimeData* QueueRowsPresenter::writeQueueRows(const QList<int>& rows) {
  if (!modelOf(queueTable_).inUse()) return nullptr;
  draggedQueueItems_.clear();
  for (int row : rows)
    if (row >= 0 && row < state_.queue.size()) draggedQueueItems_ << state_.queue[row];
  if (draggedQueueItems_.isEmpty()) return nullptr;
  return queueRowsMimeData(rows);
}

bool QueueRowsPresenter::acceptQueueRowDrop(const QMimeData* data, int row) {
  const std::optional<QList<int>> rows = queueRowsFromMimeData(data);
  if (!rows || rows->isEmpty()) return false;
  // The queue may have changed while the row was dragged (a conversion ended, the tick
  // rebuilt the lists): the item that moves is the one the drag began with.
  MediaFilePtr dragged;
  if (!draggedQueueItems_.isEmpty())
    dragged = draggedQueueItems_.first();
  else if (rows->first() >= 0 && rows->first() < state_.queue.size())
    dragged = state_.queue[rows->first()];
  draggedQueueItems_.clear();
  if (!dragged) return false;
  const bool moved = acceptDrop_(dragged, row);
  if (moved) emit queueReordered();
  return moved;
}

}  // namespace zuvo
