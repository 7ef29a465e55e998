// The commands the main window's menus and toolbar send to the lists and the tables: the
// selection moves, the commands on the highlighted rows, duplicate deletion, the episode
// picker and the tag editors.
#include "app/controller/Controller.h"
#include "app/files/AddingPaths.h"
#include "app/preferences/BCPreferencePanel.h"
#include "app/tables/BCTableView.h"
#include "app/tags/BCTagsPanel.h"
#include "app/tags/BCTagsPanelMultiple.h"

#include "app/files/FileLists.h"
#include "app/panels/PanelPlacement.h"
#include "app/preferences/BCPreferencePanel.h"
#include "app/preview/Viewer.h"
#include "app/queue/QueueRunner.h"
#include "app/queue/QueueTableModel.h"
#include "app/shared/Feed.h"
#include "app/shared/Localized.h"
#include "app/tags/EpisodePickerWindow.h"
#include "media/FileTypes.h"
#include "media/MediaValues.h"
#include "media/ProbeMediaFile.h"
#include "media/RegisteredSettings.h"
#include "media/Trash.h"
#include "metadata/BCLookUpShow.h"
#include "platform/Defaults.h"
#include "platform/ServiceAddresses.h"

#include <QDialog>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QUrl>

namespace zuvo {

void Controller::connectCommands() {
  MainWindowShell& w = windows_;
  const std::pair<QAction*, void (Controller::*)()> commands[] = {
      {w.EditToolbarItem, &Controller::editClick},
      {w.DeleteToolbarItem, &Controller::deleteClick},
      {w.LookUpToolbarItem, &Controller::MultipleSearchClick},
      {w.EditMenuItem, &Controller::editClick},
      {w.SearchMenuItem, &Controller::MultipleSearchClick},
      {w.SelectTVShowMenuItem, &Controller::MenuRunEpisodePicker},
      {w.ToSDHDMenuItem, &Controller::MultipleToSDHDClick},
      {w.ToSDMenuItem, &Controller::MultipleToSDClick},
      {w.ToHDMenuItem, &Controller::MultipleToHDClick},
      {w.ToOriginalMenuItem, &Controller::MultipleToOriginalClick},
      {w.ToInfoMenuItem, &Controller::MultipleToInfoClick},
      {w.DeleteDuplicatesMenuItem, &Controller::DeleteDuplicatesButtonPress},
  };
  for (const auto& [item, command] : commands)
    connect(item, &QAction::triggered, this, [this, command = command] { (this->*command)(); });
  // The queue runner's and the sources' commands.
  connect(w.ConvertToolbarItem, &QAction::triggered, this, [this] { runner_->ConvertButtonPress(); });
  connect(w.ConvertAllToolbarItem, &QAction::triggered, this, [this] { runner_->ConvertAllButtonPress(); });
  connect(w.ConvertSelectedToolbarItem, &QAction::triggered, this, [this] { runner_->ConvertSelectedButtonPress(); });
  connect(w.CreateSampleToolbarItem, &QAction::triggered, this, [this] { runner_->MakeSample(); });
  connect(w.CheckSourcesToolbarItem, &QAction::triggered, this, [this] { adding_->RefreshFilesTableButtonPress(); });
  connect(w.OpenFolderMenuItem, &QAction::triggered, this, [this] { adding_->LoadDirectory(); });
  for (QPushButton* button : {w.QueuePauseButton, w.QueuePauseButton2})
    connect(button, &QPushButton::clicked, this, [this] { runner_->QueuePauseButtonPress(); });
  for (QPushButton* button : {w.ClearCompletedButton, w.ClearCompletedButton2})
    connect(button, &QPushButton::clicked, this, [this] { runner_->ClearCompletedButtonPress(); });
  connect(w.ClearCompletedMenuItem, &QAction::triggered, this, [this] { runner_->ClearCompletedButtonPress(); });
}

// ---------------------------------------------------------------- columns and selection moves

void Controller::ChangeShowDetails() {
  const bool on = Defaults::standard().get(setting::ShowFileDetails);
  windows_.FilesTableView->setColumnHidden(MainWindowShell::DetailsColumn, !on);
  state_.mainLog->report(on ? QStringLiteral("File details on") : QStringLiteral("File details off"), 3);
  sizeWindow();
}

void Controller::NextShow() {
  const QList<int> rows = selectedFileRows();
  const int count = int(state_.files.size());
  if (count == 0) return;
  int next = (rows.isEmpty() ? -1 : rows.last()) + 1;
  if (next >= count) next = 0;
  selectFileRows({next});
}

void Controller::PreviousShow() {
  const QList<int> rows = selectedFileRows();
  const int count = int(state_.files.size());
  // Nothing selected: there is no row before it.
  if (count == 0 || rows.isEmpty()) return;
  const int current = rows.last();
  selectFileRows({current == 0 ? count - 1 : current - 1});
}

void Controller::MenuRunEpisodePicker() {
  const QList<int> rows = selectedFileRows();
  if (rows.isEmpty()) {
    ControllerHooks::call(
        hooks_.showAlert,
        QStringLiteral("You must select a show from the Video Files table before you can run the Episode Picker"));
    return;
  }
  const MediaFilePtr item = state_.files[rows.last()];
  episodePickerLookUp_ =
      std::make_unique<BCLookUpShow>(state_.cacheFolder, state_.userLanguageCode, true, state_.mainLog);
  BCLookUpShow& lookUp = *episodePickerLookUp_;
  lookUp.setEpisodePickerPanel(std::make_unique<EpisodePickerWindow>(lookUp));
  lookUp.setMainWindow(windows_.MainWindow.get());
  lookUp.RunEpisodePicker(item);
  if (const MediaFilePtr picked = lookUp.pickerShow()) {
    item->setSeriesname(picked->seriesname());
    item->setShow(picked->show());
    item->setSeason(picked->season());
    if (startLookUp_) startLookUp_(item);
  }
}

// ---------------------------------------------------------------- commands on highlighted rows

void Controller::setHighlightedFormat(const char* allLog, const char* rowLog, ConversionFormat format) {
  const QList<int> rows = selectedFileRows();
  if (rows.isEmpty()) return;
  const Reporter& log = state_.mainLog;
  log->report(QLatin1String(allLog), 4);
  bool refused = false;
  for (int row : rows) {
    log->report(QString::fromLatin1(rowLog).arg(row), 4);
    MediaFile& item = *state_.files[row];
    if (format == ConversionFormat::TagsOnly && !IsMP4File(item.filename())) refused = true;
    else item.setConversionFormat(format);
  }
  reloadFiles();
  invalidateRestorableState();
  if (refused)
    ControllerHooks::call(hooks_.showAlert,
                          localizedString("Some files where not of mp4 or m4v format. These have not been changed."));
}

void Controller::MultipleToSDHDClick() {
  setHighlightedFormat("Changing seleted shows to SDHD", "Changing format of row %1 to SDHD", ConversionFormat::HDAndSD);
}
void Controller::MultipleToSDClick() {
  setHighlightedFormat("Changing seleted shows to SD", "Changing format of row %1 to SD", ConversionFormat::SDOnly);
}
void Controller::MultipleToHDClick() {
  setHighlightedFormat("Changing seleted shows to HD", "Changing format of row %1 to HD", ConversionFormat::HDOnly);
}
void Controller::MultipleToOriginalClick() {
  setHighlightedFormat("Changing selected shows to Original", "Changing format of row %1 to Original",
                       ConversionFormat::Original);
}
void Controller::MultipleToInfoClick() {
  setHighlightedFormat("Changing selected shows to Info Only", "Changing format of row %1 to Info Only",
                       ConversionFormat::TagsOnly);
}

void Controller::MultipleSearchClick() {
  const QList<int> rows = selectedFileRows();
  if (rows.isEmpty()) return;
  state_.mainLog->report(QStringLiteral("Search for new info for multiple files"), 4);
  for (int row : rows)
    if (startLookUp_) startLookUp_(state_.files[row]);
  reloadFiles();
}

void Controller::MultipleEditClick() {
  QList<MediaFilePtr> items;
  for (int row : selectedFileRows()) items << state_.files[row];
  if (items.isEmpty()) return;
  state_.multipleEdit = true;
  setTagsView(true, true);
  showTagsWindow();
  loadShows(items);
}

void Controller::DeleteDuplicatesButtonPress() {
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
  makefilestable();
}

// ---------------------------------------------------------------- tag editors

// Each editor has a window of its own where the shared tag window would show its view:
// switching views hands the open window's place to the other editor's.
QWidget* Controller::tagsWindow(bool multiple) const {
  if (multiple) return myTagsPanelMultiple_ ? myTagsPanelMultiple_->window() : nullptr;
  return myTagsPanel_ ? myTagsPanel_->window() : nullptr;
}

void Controller::fillTagsPanelFromShow(const MediaFilePtr& item) {
  if (myTagsPanel_) myTagsPanel_->fillTagsPanelFromShow(item);
}

void Controller::loadShows(const QList<MediaFilePtr>& items) {
  if (myTagsPanelMultiple_) myTagsPanelMultiple_->loadShows(items);
}

void Controller::setTagsView(bool multiple, bool) {
  shownTagsView_ = multiple;
  QWidget* other = tagsWindow(!multiple);
  QWidget* chosen = tagsWindow(multiple);
  if (!other || !other->isVisible()) return;
  // Hidden, not closed: a view taken out of the window writes nothing back.
  const QRect frame = other->geometry();
  other->hide();
  if (!chosen) return;
  chosen->move(frame.topLeft());
  chosen->show();
}

void Controller::showTagsWindow() {
  QWidget* window = tagsWindow(shownTagsView_);
  if (!window) return;
  placeOverMainWindowOnce(window);
  window->show();
  bringWindowForward(window);
}

void Controller::closeTagsWindow() {
  // Closing the single editor's window writes its fields back (the editor does that).
  for (const bool multiple : {false, true})
    if (QWidget* window = tagsWindow(multiple); window && window->isVisible()) window->close();
}

}  // namespace zuvo
