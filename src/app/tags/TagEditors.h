#pragma once
// The tag editors' presenter: the single-item editor filled from an item, the multiple-item
// editor loaded, which of their windows shows, those windows shown or closed, and the
// episode picker. It owns both editors and the picker's look-up.
#include <QList>
#include <QObject>
#include <functional>
#include <memory>

#include "app/shared/ControllerState.h"
#include "media/MediaFile.h"

class QMainWindow;
class QWidget;

namespace zuvo {

class BCLookUpShow;
class BCTagsPanel;
class BCTagsPanelMultiple;
struct ControllerHooks;

class TagEditors : public QObject {
  Q_OBJECT

 public:
  // `placeOnce` puts a window over the main window the first time it opens; `startLookUp`
  // starts an item's look-up again (after the episode picker).
  TagEditors(ControllerState& state, const ControllerHooks& hooks, QMainWindow* mainWindow,
             std::function<void(QWidget*)> placeOnce, std::function<void(const MediaFilePtr&)> startLookUp,
             QObject* parent = nullptr);
  ~TagEditors() override;

  // Makes both editors; needs the cache folder, the user's language and the log.
  void makeEditors();
  void fillTagsPanelFromShow(const MediaFilePtr& item);
  void loadShows(const QList<MediaFilePtr>& items);
  void setTagsView(bool multiple, bool animate);
  void showTagsWindow();
  void closeTagsWindow();
  void closeTagsPanel();
  // The editor follows the files table's selection of one item, or of several.
  void showSelected(const MediaFilePtr& item);
  void showSelected(const QList<MediaFilePtr>& items);
  // The single editor for an item, brought forward with the main window.
  void showTagsPanel(const MediaFilePtr& item);
  void MultipleEditClick(const QList<MediaFilePtr>& items);
  // The picker for the last highlighted item; an alert when there is none.
  void MenuRunEpisodePicker(const MediaFilePtr& item);

 signals:
  // An editor wrote its fields back into these items.
  void writtenBack(const QList<MediaFilePtr>& items);

 private:
  QWidget* tagsWindow(bool multiple) const;

  ControllerState& state_;
  const ControllerHooks& hooks_;
  QMainWindow* mainWindow_;
  std::function<void(QWidget*)> placeOnce_;
  std::function<void(const MediaFilePtr&)> startLookUp_;
  std::unique_ptr<BCTagsPanel> myTagsPanel_;
  std::unique_ptr<BCTagsPanelMultiple> myTagsPanelMultiple_;
  std::unique_ptr<BCLookUpShow> episodePickerLookUp_;
  bool shownTagsView_ = false;  // the multiple-item editor's view is the one shown
};

}  // namespace zuvo
