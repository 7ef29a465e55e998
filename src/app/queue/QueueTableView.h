#pragma once
// A queue table's view: Delete (or Backspace) stops the selected rows, as their stop
// buttons do, and Ctrl+Up and Ctrl+Down move the current row, as dragging it does. A
// screen reader finds each row's title, state and progress, and the stop button's action,
// through `TableAccessible`. A row that starts is brought into view. GUI thread only.
#include <QList>
#include <QTableView>
#include <functional>

namespace zuvo {

class QueueTableView : public QTableView {
 public:
  explicit QueueTableView(QWidget* parent = nullptr);

  // The rows whose stop buttons the key presses, top row first.
  void setStopRequest(std::function<void(const QList<int>& rows)> request) {
    stopRequest_ = std::move(request);
  }
  // `row` goes up (-1) or down (+1) by one place.
  void setMoveRequest(std::function<void(int row, int by)> request) { moveRequest_ = std::move(request); }

  // The selected rows, or the current one when none is selected.
  QList<int> rowsToActOn() const;

  // A row has started: it is scrolled into view, unless the user has scrolled the table
  // since the previous row started (they are looking at something else).
  void followStartedRow(int row);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

 private:
  std::function<void(const QList<int>&)> stopRequest_;
  std::function<void(int, int)> moveRequest_;
  bool scrolledByUser_ = false;
};

}  // namespace zuvo
