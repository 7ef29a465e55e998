// The commands the main window's menus and toolbar send to the lists and the tables: the
// selection moves, the commands on the highlighted rows, duplicate deletion, the episode
// picker and the tag editors.
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QUrl>

#include "app/controller/Controller.h"
#include "app/files/AddingPaths.h"
#include "app/files/FileLists.h"
#include "app/files/FilesTablePresenter.h"
#include "app/panels/PanelPlacement.h"
#include "app/preferences/BCPreferencePanel.h"
#include "app/preview/Viewer.h"
#include "app/queue/QueueRunner.h"
#include "app/shared/Feed.h"
#include "app/shared/Localized.h"
#include "app/tables/BCTableView.h"
#include "app/tags/TagEditors.h"
#include "media/MediaValues.h"
#include "media/ProbeMediaFile.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/ServiceAddresses.h"

namespace zuvo {

void Controller::connectCommands() {
  MainWindowShell& w = windows_;
  // The files table's commands, on its highlighted rows.
  const std::pair<QAction*, void (FilesTablePresenter::*)()> fileCommands[] = {
      {w.EditToolbarItem, &FilesTablePresenter::editClick},
      {w.DeleteToolbarItem, &FilesTablePresenter::deleteClick},
      {w.LookUpToolbarItem, &FilesTablePresenter::MultipleSearchClick},
      {w.EditMenuItem, &FilesTablePresenter::editClick},
      {w.SearchMenuItem, &FilesTablePresenter::MultipleSearchClick},
      {w.ToSDHDMenuItem, &FilesTablePresenter::MultipleToSDHDClick},
      {w.ToSDMenuItem, &FilesTablePresenter::MultipleToSDClick},
      {w.ToHDMenuItem, &FilesTablePresenter::MultipleToHDClick},
      {w.ToOriginalMenuItem, &FilesTablePresenter::MultipleToOriginalClick},
      {w.ToInfoMenuItem, &FilesTablePresenter::MultipleToInfoClick},
      {w.DeleteDuplicatesMenuItem, &FilesTablePresenter::DeleteDuplicatesButtonPress},
  };
  for (const auto& [item, command] : fileCommands) connect(item, &QAction::triggered, filesTable_, command);
  connect(w.SelectTVShowMenuItem, &QAction::triggered, tagEditors_.get(), [this] {
    const QList<MediaFilePtr> items = filesTable_->highlightedItems();
    tagEditors_->MenuRunEpisodePicker(items.isEmpty() ? nullptr : items.last());
  });
  // The queue runner's and the sources' commands.
  connect(w.ConvertToolbarItem, &QAction::triggered, this, [this] { runner_->ConvertButtonPress(); });
  connect(w.ConvertAllToolbarItem, &QAction::triggered, this, [this] { runner_->ConvertAllButtonPress(); });
  connect(w.ConvertSelectedToolbarItem, &QAction::triggered, this,
          [this] { runner_->ConvertSelectedButtonPress(); });
  connect(w.CreateSampleToolbarItem, &QAction::triggered, this, [this] { runner_->MakeSample(); });
  connect(w.CheckSourcesToolbarItem, &QAction::triggered, this,
          [this] { adding_->RefreshFilesTableButtonPress(); });
  connect(w.OpenFolderMenuItem, &QAction::triggered, this, [this] { adding_->LoadDirectory(); });
  for (QPushButton* button : {w.QueuePauseButton, w.QueuePauseButton2})
    connect(button, &QPushButton::clicked, this, [this] { runner_->QueuePauseButtonPress(); });
  for (QPushButton* button : {w.ClearCompletedButton, w.ClearCompletedButton2})
    connect(button, &QPushButton::clicked, this, [this] { runner_->ClearCompletedButtonPress(); });
  connect(w.ClearCompletedMenuItem, &QAction::triggered, this,
          [this] { runner_->ClearCompletedButtonPress(); });
}

}  // namespace zuvo
