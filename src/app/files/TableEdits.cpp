// What the user's actions on the files and queue tables do: edited cells written back into
// the media objects, the queue's stop button, the selection, the tag editor's opening, the
// remove-or-trash sheet, dragged queue rows and the window's minimum width.
#include "app/controller/Controller.h"
#include "app/shared/Localized.h"
#include "app/files/AddingPaths.h"
#include "app/files/FileLists.h"
#include "app/files/FilesTableModel.h"
#include "app/panels/BCAlertPanel.h"
#include "app/queue/QueueRowDrag.h"
#include "app/queue/QueueTableModel.h"
#include "app/tables/BCTableView.h"
#include "media/FileTypes.h"
#include "media/MediaLabels.h"
#include "media/MediaValues.h"
#include "media/StreamAnalysis.h"
#include "media/Trash.h"

#include <QPushButton>
#include <QScopedValueRollback>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QTableView>
#include <algorithm>
#include <map>

namespace zuvo {
namespace {

using Alert = std::function<void(const QString&)>;

void setFormat(MediaFile& item, const QVariant& value, const Alert& alert) {
  const int format = value.toInt();
  switch (format) {
    case int(ConversionFormat::HDAndSD):
    case int(ConversionFormat::SDOnly):
    case int(ConversionFormat::HDOnly):
    case int(ConversionFormat::Original):
      item.setConversionFormat(ConversionFormat(format));
      break;
    case int(ConversionFormat::TagsOnly):
      if (IsMP4File(item.filename()))
        item.setConversionFormat(ConversionFormat::TagsOnly);
      else
        alert(localizedString("Only .mp4 or .m4v files can have their infomation update without conversion"));
      break;
    default: break;  // no format of that number: keep the one chosen
  }
  const QString fast = isShowFastMode(item);
  const bool good = fast == QLatin1String("Good");
  item.setFastmodeEnabled(good);
  item.setFastmode(good);
  if (!good) item.setReasonfornofastmode(fast);
}

}  // namespace

void Controller::tableEditRequested(const QString& identifier, int row, const QVariant& value) {
  if (row < 0 || row >= state_.files.size()) return;
  const MediaFilePtr item = state_.files[row];
  const Alert alert = [this](const QString& text) { ControllerHooks::call(hooks_.showAlert, text); };
  // Each answers whether the files table is reloaded.
  static const std::map<QString, std::function<bool(MediaFile&, const QVariant&, const Alert&)>> edits = {
      {QStringLiteral("Season"), [](MediaFile& m, const QVariant& v, const Alert&) { return m.setSeason(v.toUInt()), false; }},
      {QStringLiteral("Show"), [](MediaFile& m, const QVariant& v, const Alert&) { return m.setShow(v.toUInt()), false; }},
      {QStringLiteral("ShowTypeStepper"),
       [](MediaFile& m, const QVariant& v, const Alert&) {
         const int step = v.toInt();
         if (step >= 1 && step <= 3) m.setMediatype(MediaType(step - 1));
         return true;
       }},
      {QStringLiteral("SDHD"), [](MediaFile& m, const QVariant& v, const Alert& a) { return setFormat(m, v, a), true; }},
      {QStringLiteral("Speed"), [](MediaFile& m, const QVariant& v, const Alert&) { return m.setFastmode(v.toInt() == 0), false; }},
      {QStringLiteral("EpisodeName"), [](MediaFile& m, const QVariant& v, const Alert&) { return m.setEpisodename(v.toString()), false; }},
      {QStringLiteral("SeriesName"), [](MediaFile& m, const QVariant& v, const Alert&) { return m.setSeriesname(v.toString()), false; }},
      {QStringLiteral("ShowType"),
       [](MediaFile& m, const QVariant& v, const Alert&) {
         // A label that names no media type would leave the item with a type nothing knows.
         const MediaType type = MediaTypeFromName(v.toString());
         if (type <= MediaType::HomeMovie) m.setMediatype(type);
         return true;
       }},
      {QStringLiteral("MediaSelected"), [](MediaFile& m, const QVariant& v, const Alert&) { return m.setSelected(v.toBool()), false; }},
  };
  if (identifier == QLatin1String("Tags")) {
    showTagsPanel(row);
    return;
  }
  const auto edit = edits.find(identifier);
  if (edit == edits.end()) return;
  if (edit->second(*item, value, alert)) reloadFiles();
  // A ticked or unticked box changes what "Convert Selected" can do.
  validateVisibleToolbarItems();
  invalidateRestorableState();
}

void Controller::stopButtonClick(int row) {
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
  reloadFiles();
  makefilestable();
  reloadQueue();
  queueTable_->clearSelection();
}

// ---------------------------------------------------------------- selection

QList<int> Controller::selectedFileRows() const {
  QList<int> rows;
  for (const QModelIndex& index : windows_.FilesTableView->selectionModel()->selectedRows()) rows << index.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

void Controller::selectFileRows(const QList<int>& rows) {
  QItemSelection selection;
  const int last = filesModel_->columnCount() - 1;
  for (int row : rows) selection.select(filesModel_->index(row, 0), filesModel_->index(row, last));
  windows_.FilesTableView->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void Controller::filesSelectionChanged() {
  validateVisibleToolbarItems();
  if (restoringSelection_) return;
  MainWindowShell& w = windows_;
  state_.mainLog->report(QStringLiteral("Selection changed in Files Table"), 4);
  QList<int> rows = selectedFileRows();
  const auto deselect = [this](const QList<int>& gone) {
    // Handled here, not again by the change the deselection reports.
    restoringSelection_ = true;
    QItemSelection selection;
    const int last = filesModel_->columnCount() - 1;
    for (int row : gone) selection.select(filesModel_->index(row, 0), filesModel_->index(row, last));
    windows_.FilesTableView->selectionModel()->select(selection, QItemSelectionModel::Deselect);
    restoringSelection_ = false;
    validateVisibleToolbarItems();
  };
  const bool multiple = rows.size() > 1;
  if (multiple) {
    QList<int> notLookedUp;
    for (int row : rows)
      if (!state_.files[row]->didlookup()) notLookedUp << row;
    if (!notLookedUp.isEmpty()) {
      deselect(notLookedUp);
      rows = selectedFileRows();
    }
  }
  if (!multiple && rows.size() == 1 && !state_.files[rows.first()]->didlookup()) {
    // Still being probed or looked up: it cannot be selected.
    deselect(rows);
    rows.clear();
  }
  if (rows.isEmpty()) {
    filesContextMenu_ = nullptr;
    w.VideoMainMenu->menuAction()->setEnabled(false);
    w.SelectTVShowMenuItem->setVisible(false);
    closeTagsPanel();
    return;
  }
  if (!multiple) {
    const MediaFilePtr& item = state_.files[rows.first()];
    filesContextMenu_ = w.VideoContextMenu.get();
    w.SelectTVShowMenuItem->setVisible(item->mediatype() == MediaType::TVShow);
    fillTagsPanelFromShow(item);
    state_.multipleEdit = false;
    setTagsView(false, true);
    w.VideoMainMenu->menuAction()->setEnabled(true);
    return;
  }
  w.SelectTVShowMenuItem->setVisible(false);
  filesContextMenu_ = w.MutipleVideoContextMenu.get();
  QList<MediaFilePtr> items;
  for (int row : rows) items << state_.files[row];
  loadShows(items);
  state_.multipleEdit = true;
  setTagsView(true, true);
  w.VideoMainMenu->menuAction()->setEnabled(true);
}

void Controller::editClick() {
  const QList<int> rows = selectedFileRows();
  if (rows.isEmpty() || state_.files.isEmpty()) return;
  if (rows.size() == 1) showTagsPanel(rows.first());
  else MultipleEditClick();
}

void Controller::showTagsPanelFromClick(const QModelIndex& clicked) {
  if (clicked.column() < 1 || clicked.column() > 4) return;
  if (clicked.row() < 0 || clicked.row() >= state_.files.size()) return;
  editClick();
}

void Controller::showTagsPanel(int row) {
  if (row < 0 || row >= state_.files.size()) return;
  fillTagsPanelFromShow(state_.files[row]);
  showTagsWindow();
  state_.multipleEdit = false;
  setTagsView(false, true);
  ShowMainWindow();
  showTagsWindow();
}

void Controller::closeTagsPanel() { closeTagsWindow(); }

// ---------------------------------------------------------------- the delete sheet

void Controller::deleteClick() {
  if (state_.files.isEmpty() || selectedFileRows().isEmpty() || deleteSheet_) return;
  auto* sheet = new QMessageBox(windows_.MainWindow.get());
  sheet->setAttribute(Qt::WA_DeleteOnClose);
  sheet->setIcon(QMessageBox::Warning);
  sheet->setWindowModality(Qt::WindowModal);
  sheet->setText(localizedString("What would you like to do?"));
  sheet->setInformativeText(
      localizedString("Would you like to remove the file from Zuvo's list or delete the file from your hard drive?"));
  QPushButton* remove = sheet->addButton(localizedString("Remove the file from Zuvo"), QMessageBox::AcceptRole);
  QPushButton* trash = sheet->addButton(localizedString("Move To Trash"), QMessageBox::DestructiveRole);
  sheet->addButton(localizedString("Cancel"), QMessageBox::RejectRole);
  sheet->setDefaultButton(remove);
  connect(sheet, &QMessageBox::finished, this, [this, sheet, remove, trash] {
    const QAbstractButton* chosen = sheet->clickedButton();
    deleteAlertDidEnd(chosen == remove ? kRemoveFromList : chosen == trash ? kMoveToTrash : kCancelDelete);
  });
  deleteSheet_ = sheet;
  sheet->open();
}

QMessageBox* Controller::deleteSheet() const { return deleteSheet_.data(); }

void Controller::deleteAlertDidEnd(int returnCode) {
  closeTagsPanel();
  const Reporter& mainLog = state_.mainLog;
  const Reporter& userLog = state_.userLog;
  QList<int> rows = selectedFileRows();
  // From the last row up, so that each removal leaves the lower rows where they are.
  std::sort(rows.rbegin(), rows.rend());
  for (int row : rows) {
    if (row >= state_.files.size()) continue;
    mainLog->report(QStringLiteral("[BLUE]Delete Button Alert Ended with row selected %1").arg(row), 4);
    if (returnCode == kRemoveFromList) {
      mainLog->report(QStringLiteral("Just removing the file from the table"), 4);
      state_.files.removeAt(row);
    } else if (returnCode == kMoveToTrash) {
      const QString path = state_.files.takeAt(row)->fullpath();
      if (QFileInfo(path).isDir()) {
        const QString text = QStringLiteral("Deleting EyeTV Directory :%1").arg(path);
        mainLog->report(text, 3);
        userLog->report(text, 3);
        QDir(path).removeRecursively();
      } else {
        mainLog->report(QStringLiteral("Move file %1 to Trash").arg(path), 3);
        userLog->report(QStringLiteral("Moving file %1 to Trash").arg(path), 3);
        MoveFileToTrash(path);
      }
    }
  }
  reloadFiles();
  makefilestable();
  invalidateRestorableState();
}

// ---------------------------------------------------------------- window width

void Controller::tableViewColumnDidResize(int column) {
  if (column == MainWindowShell::VideoColumn) sizeWindow();
}

void Controller::sizeWindow() {
  // Resizing the window resizes the stretching video column, which asks again.
  if (sizingWindow_) return;
  const QScopedValueRollback guard(sizingWindow_, true);
  const QTableView* table = windows_.FilesTableView;
  int w = table->isColumnHidden(MainWindowShell::SpeedColumn) ? 133 : 190;
  if (table->isColumnHidden(MainWindowShell::DetailsColumn)) w += 220;
  else w = w + 200 + table->columnWidth(MainWindowShell::VideoColumn);
  QMainWindow* window = windows_.MainWindow.get();
  window->setMinimumSize(w + 20, 200);
  if (window->width() < w + 20) window->resize(w + 20, window->height());
}

void Controller::stopQueueRows(const QList<int>& rows) {
  // Stopping may send a row back to the files: the items are found again each time.
  QList<MediaFilePtr> items;
  for (int row : rows)
    if (row >= 0 && row < state_.queue.size()) items << state_.queue[row];
  for (const MediaFilePtr& item : items)
    if (const qsizetype row = state_.queue.indexOf(item); row >= 0) stopButtonClick(int(row));
}

void Controller::moveQueueRow(int row, int by) {
  if (row < 0 || row >= state_.queue.size() || (by != -1 && by != 1)) return;
  const MediaFilePtr item = state_.queue[row];
  // In the drop's terms: the row it lands before.
  if (!adding_->acceptQueueDrop(item, by < 0 ? row - 1 : row + 2)) return;
  invalidateRestorableState();
  if (const qsizetype now = state_.queue.indexOf(item); now >= 0 && queueTable_) {
    queueTable_->selectRow(int(now));
    queueTable_->setCurrentIndex(queueTable_->model()->index(int(now), QueueTableModel::column(QStringLiteral("ProgressIndicator"))));
  }
}

// ---------------------------------------------------------------- dragged queue rows

QMimeData* Controller::writeQueueRows(const QList<int>& rows) {
  if (!queueModel(queueTable_).inUse()) return nullptr;
  draggedQueueItems_.clear();
  for (int row : rows)
    if (row >= 0 && row < state_.queue.size()) draggedQueueItems_ << state_.queue[row];
  if (draggedQueueItems_.isEmpty()) return nullptr;
  return queueRowsMimeData(rows);
}

bool Controller::acceptQueueRowDrop(const QMimeData* data, int row) {
  const std::optional<QList<int>> rows = queueRowsFromMimeData(data);
  if (!rows || rows->isEmpty()) return false;
  // The queue may have changed while the row was dragged (a conversion ended, the tick
  // rebuilt the lists): the item that moves is the one the drag began with.
  MediaFilePtr dragged;
  if (!draggedQueueItems_.isEmpty()) dragged = draggedQueueItems_.first();
  else if (rows->first() >= 0 && rows->first() < state_.queue.size()) dragged = state_.queue[rows->first()];
  draggedQueueItems_.clear();
  if (!dragged) return false;
  const bool moved = adding_->acceptQueueDrop(dragged, row);
  if (moved) invalidateRestorableState();
  return moved;
}

}  // namespace zuvo
