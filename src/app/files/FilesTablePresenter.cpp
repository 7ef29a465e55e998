#include "app/files/FilesTablePresenter.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableView>
#include <algorithm>
#include <map>

#include "app/files/FilesTableColumns.h"
#include "app/files/FilesTableModel.h"
#include "app/shared/ControllerHooks.h"
#include "app/shared/Localized.h"
#include "app/tables/BCTableView.h"
#include "media/FileTypes.h"
#include "media/MediaLabels.h"
#include "media/MediaValues.h"
#include "media/ProbeMediaFile.h"
#include "media/RegisteredSettings.h"
#include "media/StreamAnalysis.h"
#include "media/Trash.h"
#include "platform/Defaults.h"

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
    default:
      break;  // no format of that number: keep the one chosen
  }
  const QString fast = isShowFastMode(item);
  const bool good = fast == QLatin1String("Good");
  item.setFastmodeEnabled(good);
  item.setFastmode(good);
  if (!good) item.setReasonfornofastmode(fast);
}

// Columns that settings show or hide, and the one that stretches.
const int kVideoColumn = FilesTableModel::column(QStringLiteral("Summary"));
const int kDetailsColumn = FilesTableModel::column(QStringLiteral("FileName"));
const int kSpeedColumn = FilesTableModel::column(QStringLiteral("Speed"));

}  // namespace

FilesTablePresenter::FilesTablePresenter(ControllerState& state, const ControllerHooks& hooks,
                                         const Widgets& widgets,
                                         std::function<void(const MediaFilePtr&)> startLookUp,
                                         QObject* parent)
    : QObject(parent), state_(state), hooks_(hooks), w_(widgets), startLookUp_(std::move(startLookUp)) {
  model_ = new FilesTableModel(state_.files, this);
  model_->setEditRequest([this](const QString& identifier, int row, const QVariant& value) {
    tableEditRequested(identifier, row, value);
  });
  installFilesTable(w_.table, model_);
  connectTable();
}

void FilesTablePresenter::connectTable() {
  BCTableView* files = w_.table;
  // The selected items are noted before anything else hears of a change: by the next
  // reload the list may have moved them.
  connect(files->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    selectedFiles_.clear();
    for (int row : selectedFileRows()) selectedFiles_ << state_.files.value(row);
  });
  connect(files->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &FilesTablePresenter::filesSelectionChanged);
  connect(files, &QAbstractItemView::doubleClicked, this, &FilesTablePresenter::showTagsPanelFromClick);
  connect(files->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column) { tableViewColumnDidResize(column); });
  files->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(files, &QWidget::customContextMenuRequested, this, [this, files](const QPoint& at) {
    if (filesContextMenu_) filesContextMenu_->popup(files->viewport()->mapToGlobal(at));
  });
}

void FilesTablePresenter::showAlert(const QString& text) const {
  ControllerHooks::call(hooks_.showAlert, text);
}

void FilesTablePresenter::reloadFiles() {
  // A reload keeps the selection: the same items stay selected wherever they now are.
  // The current cell (where the arrow keys move from) stays on its item too.
  const QList<MediaFilePtr> selected = selectedFiles_;
  BCTableView* view = w_.table;
  const QModelIndex current = view->currentIndex();
  const MediaFilePtr currentItem = current.isValid() ? model_->shownItem(current.row()) : nullptr;
  model_->reload();
  QList<int> rows;
  for (const MediaFilePtr& item : selected)
    if (const qsizetype row = state_.files.indexOf(item); item && row >= 0) rows << int(row);
  restoringSelection_ = true;
  if (const qsizetype row = currentItem ? state_.files.indexOf(currentItem) : -1; row >= 0)
    view->selectionModel()->setCurrentIndex(model_->index(int(row), current.column()),
                                            QItemSelectionModel::NoUpdate);
  selectFileRows(rows);
  restoringSelection_ = false;
  // Items that left the table take the tag editor and the menus with them.
  if (rows.size() != selected.size())
    filesSelectionChanged();
  else
    emit toolbarChanged();
  // The hint to drop files shows only over an empty list, and never in full screen.
  w_.dropHint->setVisible(state_.files.isEmpty() && !w_.mainWindow->isFullScreen());
}

void FilesTablePresenter::showWrittenBack(const QList<MediaFilePtr>& items) {
  const int last = model_->columnCount() - 1;
  for (const MediaFilePtr& item : items)
    if (const qsizetype row = state_.files.indexOf(item); row >= 0)
      emit model_->dataChanged(model_->index(int(row), 0), model_->index(int(row), last));
}

QList<MediaFilePtr> FilesTablePresenter::highlightedItems() const {
  QList<MediaFilePtr> items;
  for (int row : selectedFileRows()) items << state_.files.value(row);
  return items;
}

void FilesTablePresenter::tableEditRequested(const QString& identifier, int row, const QVariant& value) {
  if (row < 0 || row >= state_.files.size()) return;
  const MediaFilePtr item = state_.files[row];
  const Alert alert = [this](const QString& text) { showAlert(text); };
  // Each answers whether the files table is reloaded.
  static const std::map<QString, std::function<bool(MediaFile&, const QVariant&, const Alert&)>> edits = {
      {QStringLiteral("Season"),
       [](MediaFile& m, const QVariant& v, const Alert&) { return m.setSeason(v.toUInt()), false; }},
      {QStringLiteral("Show"),
       [](MediaFile& m, const QVariant& v, const Alert&) { return m.setShow(v.toUInt()), false; }},
      {QStringLiteral("ShowTypeStepper"),
       [](MediaFile& m, const QVariant& v, const Alert&) {
         const int step = v.toInt();
         if (step >= 1 && step <= 3) m.setMediatype(MediaType(step - 1));
         return true;
       }},
      {QStringLiteral("SDHD"),
       [](MediaFile& m, const QVariant& v, const Alert& a) { return setFormat(m, v, a), true; }},
      {QStringLiteral("Speed"),
       [](MediaFile& m, const QVariant& v, const Alert&) { return m.setFastmode(v.toInt() == 0), false; }},
      {QStringLiteral("EpisodeName"),
       [](MediaFile& m, const QVariant& v, const Alert&) { return m.setEpisodename(v.toString()), false; }},
      {QStringLiteral("SeriesName"),
       [](MediaFile& m, const QVariant& v, const Alert&) { return m.setSeriesname(v.toString()), false; }},
      {QStringLiteral("ShowType"),
       [](MediaFile& m, const QVariant& v, const Alert&) {
         // A label that names no media type would leave the item with a type nothing knows.
         const MediaType type = MediaTypeFromName(v.toString());
         if (type <= MediaType::HomeMovie) m.setMediatype(type);
         return true;
       }},
      {QStringLiteral("MediaSelected"),
       [](MediaFile& m, const QVariant& v, const Alert&) { return m.setSelected(v.toBool()), false; }},
  };
  if (identifier == QLatin1String("Tags")) {
    showTagsPanel(row);
    return;
  }
  const auto edit = edits.find(identifier);
  if (edit == edits.end()) return;
  if (edit->second(*item, value, alert)) reloadFiles();
  // A ticked or unticked box changes what "Convert Selected" can do.
  emit toolbarChanged();
  emit listsChanged();
}

// ---------------------------------------------------------------- selection

QList<int> FilesTablePresenter::selectedFileRows() const {
  QList<int> rows;
  for (const QModelIndex& index : w_.table->selectionModel()->selectedRows()) rows << index.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

void FilesTablePresenter::selectFileRows(const QList<int>& rows) {
  QItemSelection selection;
  const int last = model_->columnCount() - 1;
  for (int row : rows) selection.select(model_->index(row, 0), model_->index(row, last));
  w_.table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void FilesTablePresenter::filesSelectionChanged() {
  emit toolbarChanged();
  if (restoringSelection_) return;
  state_.mainLog->report(QStringLiteral("Selection changed in Files Table"), 4);
  QList<int> rows = selectedFileRows();
  const auto deselect = [this](const QList<int>& gone) {
    // Handled here, not again by the change the deselection reports.
    restoringSelection_ = true;
    QItemSelection selection;
    const int last = model_->columnCount() - 1;
    for (int row : gone) selection.select(model_->index(row, 0), model_->index(row, last));
    w_.table->selectionModel()->select(selection, QItemSelectionModel::Deselect);
    restoringSelection_ = false;
    emit toolbarChanged();
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
    w_.videoMainMenu->menuAction()->setEnabled(false);
    w_.selectTVShowItem->setVisible(false);
    emit closeTagsPanelWanted();
    return;
  }
  if (!multiple) {
    const MediaFilePtr& item = state_.files[rows.first()];
    filesContextMenu_ = w_.singleContextMenu;
    w_.selectTVShowItem->setVisible(item->mediatype() == MediaType::TVShow);
    emit singleSelected(item);
    w_.videoMainMenu->menuAction()->setEnabled(true);
    return;
  }
  w_.selectTVShowItem->setVisible(false);
  filesContextMenu_ = w_.multipleContextMenu;
  QList<MediaFilePtr> items;
  for (int row : rows) items << state_.files[row];
  emit multipleSelected(items);
  w_.videoMainMenu->menuAction()->setEnabled(true);
}

void FilesTablePresenter::editClick() {
  const QList<int> rows = selectedFileRows();
  if (rows.isEmpty() || state_.files.isEmpty()) return;
  if (rows.size() == 1)
    showTagsPanel(rows.first());
  else
    MultipleEditClick();
}

void FilesTablePresenter::showTagsPanelFromClick(const QModelIndex& clicked) {
  if (clicked.column() < 1 || clicked.column() > 4) return;
  if (clicked.row() < 0 || clicked.row() >= state_.files.size()) return;
  editClick();
}

void FilesTablePresenter::showTagsPanel(int row) {
  if (row < 0 || row >= state_.files.size()) return;
  emit tagsPanelRequested(state_.files[row]);
}

// ---------------------------------------------------------------- the delete sheet

void FilesTablePresenter::deleteClick() {
  if (state_.files.isEmpty() || selectedFileRows().isEmpty() || deleteSheet_) return;
  auto* sheet = new QMessageBox(w_.mainWindow);
  sheet->setObjectName(QStringLiteral("DeleteSheet"));
  sheet->setAttribute(Qt::WA_DeleteOnClose);
  sheet->setIcon(QMessageBox::Warning);
  sheet->setWindowModality(Qt::WindowModal);
  sheet->setText(localizedString("What would you like to do?"));
  sheet->setInformativeText(localizedString(
      "Would you like to remove the file from Zuvo's list or delete the file from your hard drive?"));
  QPushButton* remove =
      sheet->addButton(localizedString("Remove the file from Zuvo"), QMessageBox::AcceptRole);
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

void FilesTablePresenter::deleteAlertDidEnd(int returnCode) {
  emit closeTagsPanelWanted();
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
  emit rebuildWanted();
  emit listsChanged();
}

// ---------------------------------------------------------------- window width

void FilesTablePresenter::tableViewColumnDidResize(int column) {
  if (column == kVideoColumn) sizeWindow();
}

void FilesTablePresenter::sizeWindow() {
  // Resizing the window resizes the stretching video column, which asks again.
  if (sizingWindow_) return;
  const QScopedValueRollback guard(sizingWindow_, true);
  const QTableView* table = w_.table;
  int w = table->isColumnHidden(kSpeedColumn) ? 133 : 190;
  if (table->isColumnHidden(kDetailsColumn))
    w += 220;
  else
    w = w + 200 + table->columnWidth(kVideoColumn);
  QMainWindow* window = w_.mainWindow;
  window->setMinimumSize(w + 20, 200);
  if (window->width() < w + 20) window->resize(w + 20, window->height());
}

// ---------------------------------------------------------------- columns and selection moves

void FilesTablePresenter::ChangeShowDetails() {
  const bool on = Defaults::standard().get(setting::ShowFileDetails);
  w_.table->setColumnHidden(kDetailsColumn, !on);
  state_.mainLog->report(on ? QStringLiteral("File details on") : QStringLiteral("File details off"), 3);
  sizeWindow();
}

void FilesTablePresenter::NextShow() {
  const QList<int> rows = selectedFileRows();
  const int count = int(state_.files.size());
  if (count == 0) return;
  int next = (rows.isEmpty() ? -1 : rows.last()) + 1;
  if (next >= count) next = 0;
  selectFileRows({next});
}

void FilesTablePresenter::PreviousShow() {
  const QList<int> rows = selectedFileRows();
  const int count = int(state_.files.size());
  // Nothing selected: there is no row before it.
  if (count == 0 || rows.isEmpty()) return;
  const int current = rows.last();
  selectFileRows({current == 0 ? count - 1 : current - 1});
}

// ---------------------------------------------------------------- commands on highlighted rows

void FilesTablePresenter::setHighlightedFormat(const char* allLog, const char* rowLog,
                                               ConversionFormat format) {
  const QList<int> rows = selectedFileRows();
  if (rows.isEmpty()) return;
  const Reporter& log = state_.mainLog;
  log->report(QLatin1String(allLog), 4);
  bool refused = false;
  for (int row : rows) {
    log->report(QString::fromLatin1(rowLog).arg(row), 4);
    MediaFile& item = *state_.files[row];
    if (format == ConversionFormat::TagsOnly && !IsMP4File(item.filename()))
      refused = true;
    else
      item.setConversionFormat(format);
  }
  reloadFiles();
  emit listsChanged();
  if (refused)
    showAlert(localizedString("Some files where not of mp4 or m4v format. These have not been changed."));
}

void FilesTablePresenter::MultipleToSDHDClick() {
  setHighlightedFormat("Changing seleted shows to SDHD", "Changing format of row %1 to SDHD",
                       ConversionFormat::HDAndSD);
}
void FilesTablePresenter::MultipleToSDClick() {
  setHighlightedFormat("Changing seleted shows to SD", "Changing format of row %1 to SD",
                       ConversionFormat::SDOnly);
}
void FilesTablePresenter::MultipleToHDClick() {
  setHighlightedFormat("Changing seleted shows to HD", "Changing format of row %1 to HD",
                       ConversionFormat::HDOnly);
}
void FilesTablePresenter::MultipleToOriginalClick() {
  setHighlightedFormat("Changing selected shows to Original", "Changing format of row %1 to Original",
                       ConversionFormat::Original);
}
void FilesTablePresenter::MultipleToInfoClick() {
  setHighlightedFormat("Changing selected shows to Info Only", "Changing format of row %1 to Info Only",
                       ConversionFormat::TagsOnly);
}

void FilesTablePresenter::MultipleSearchClick() {
  const QList<int> rows = selectedFileRows();
  if (rows.isEmpty()) return;
  state_.mainLog->report(QStringLiteral("Search for new info for multiple files"), 4);
  for (int row : rows)
    if (startLookUp_) startLookUp_(state_.files[row]);
  reloadFiles();
}

void FilesTablePresenter::MultipleEditClick() {
  const QList<MediaFilePtr> items = highlightedItems();
  if (items.isEmpty()) return;
  emit multipleEditRequested(items);
}

void FilesTablePresenter::DeleteDuplicatesButtonPress() {
  const Reporter& log = state_.mainLog;
  for (const MediaFilePtr& item : QList<MediaFilePtr>(state_.files)) {
    CheckForDuplicateFile(*item);
    if (item->reasonfordeselection() != DeselectionReason::Duplicate) continue;
    item->setState(MediaState::Removed);
    if (item->type() == QLatin1String("Eye TV")) {
      log->report(QStringLiteral("Deleting Duplicate EyeTV Directory %1").arg(item->fullpath()), 3);
      QDir(item->fullpath()).removeRecursively();
    } else {
      log->report(QStringLiteral("Moving Duplicate File to Trash %1").arg(item->fullpath()), 3);
      MoveFileToTrash(item->fullpath());
    }
  }
  reloadFiles();
  emit rebuildWanted();
}

}  // namespace zuvo
