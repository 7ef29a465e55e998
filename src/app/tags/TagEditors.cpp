#include "app/tags/TagEditors.h"

#include <QMainWindow>
#include <QWidget>

#include "app/panels/PanelPlacement.h"
#include "app/shared/ControllerHooks.h"
#include "app/tags/BCTagsPanel.h"
#include "app/tags/BCTagsPanelMultiple.h"
#include "app/tags/EpisodePickerWindow.h"
#include "metadata/BCLookUpShow.h"

namespace zuvo {

TagEditors::TagEditors(ControllerState& state, const ControllerHooks& hooks, QMainWindow* mainWindow,
                       std::function<void(QWidget*)> placeOnce,
                       std::function<void(const MediaFilePtr&)> startLookUp, QObject* parent)
    : QObject(parent),
      state_(state),
      hooks_(hooks),
      mainWindow_(mainWindow),
      placeOnce_(std::move(placeOnce)),
      startLookUp_(std::move(startLookUp)) {}

TagEditors::~TagEditors() = default;

void TagEditors::makeEditors() {
  myTagsPanel_ = std::make_unique<BCTagsPanel>(state_.cacheFolder, state_.userLanguageCode, state_.mainLog);
  myTagsPanelMultiple_ = std::make_unique<BCTagsPanelMultiple>(mainWindow_, state_.mainLog);
  // Edits the editors write back show in the files table at once, not at the next tick.
  const auto written = [this](const QList<MediaFilePtr>& items) { emit writtenBack(items); };
  myTagsPanel_->setWrittenBack(written);
  myTagsPanelMultiple_->setWrittenBack(written);
}

// Each editor has a window of its own where the shared tag window would show its view:
// switching views hands the open window's place to the other editor's.
QWidget* TagEditors::tagsWindow(bool multiple) const {
  if (multiple) return myTagsPanelMultiple_ ? myTagsPanelMultiple_->window() : nullptr;
  return myTagsPanel_ ? myTagsPanel_->window() : nullptr;
}

void TagEditors::fillTagsPanelFromShow(const MediaFilePtr& item) {
  if (myTagsPanel_) myTagsPanel_->fillTagsPanelFromShow(item);
}

void TagEditors::loadShows(const QList<MediaFilePtr>& items) {
  if (myTagsPanelMultiple_) myTagsPanelMultiple_->loadShows(items);
}

void TagEditors::setTagsView(bool multiple, bool) {
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

void TagEditors::showTagsWindow() {
  QWidget* window = tagsWindow(shownTagsView_);
  if (!window) return;
  placeOnce_(window);
  window->show();
  bringWindowForward(window);
}

void TagEditors::closeTagsWindow() {
  // Closing the single editor's window writes its fields back (the editor does that).
  for (const bool multiple : {false, true})
    if (QWidget* window = tagsWindow(multiple); window && window->isVisible()) window->close();
}

void TagEditors::closeTagsPanel() { closeTagsWindow(); }

void TagEditors::showSelected(const MediaFilePtr& item) {
  fillTagsPanelFromShow(item);
  state_.multipleEdit = false;
  setTagsView(false, true);
}

void TagEditors::showSelected(const QList<MediaFilePtr>& items) {
  loadShows(items);
  state_.multipleEdit = true;
  setTagsView(true, true);
}

void TagEditors::showTagsPanel(const MediaFilePtr& item) {
  fillTagsPanelFromShow(item);
  showTagsWindow();
  state_.multipleEdit = false;
  setTagsView(false, true);
  ControllerHooks::call(hooks_.showMainWindow);
  showTagsWindow();
}

void TagEditors::MultipleEditClick(const QList<MediaFilePtr>& items) {
  state_.multipleEdit = true;
  setTagsView(true, true);
  showTagsWindow();
  loadShows(items);
}

void TagEditors::MenuRunEpisodePicker(const MediaFilePtr& item) {
  if (!item) {
    ControllerHooks::call(
        hooks_.showAlert,
        QStringLiteral(
            "You must select a show from the Video Files table before you can run the Episode Picker"));
    return;
  }
  episodePickerLookUp_ =
      std::make_unique<BCLookUpShow>(state_.cacheFolder, state_.userLanguageCode, true, state_.mainLog);
  BCLookUpShow& lookUp = *episodePickerLookUp_;
  lookUp.setEpisodePickerPanel(std::make_unique<EpisodePickerWindow>(lookUp));
  lookUp.setMainWindow(mainWindow_);
  lookUp.RunEpisodePicker(item);
  if (const MediaFilePtr picked = lookUp.pickerShow()) {
    item->setSeriesname(picked->seriesname());
    item->setShow(picked->show());
    item->setSeason(picked->season());
    if (startLookUp_) startLookUp_(item);
  }
}

}  // namespace zuvo
