#pragma once
// The tag editor: one window, made once and refilled for every item, in which the user
// reviews the item's metadata, look-up choice, artwork, tracks, subtitles, chapters, join
// list and per-file switches. Controls are set from the item in one fill and copied back
// in one write-back; the tables and a few actions change the item at once. GUI thread
// only: look-ups, downloads and the in-place save run inside their action while the
// window's events keep flowing.
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/tags/TagEditorTables.h"
#include "media/BCCReporter.h"
#include "media/MediaFile.h"

class QTableView;
class QWidget;
namespace Ui {
class TagsPanel;
}

namespace zuvo {

class BCBusyPanel;
class BCLookUpShow;

class BCTagsPanel : public QObject {
 public:
  // `init`: the look-up guesses at show names and uses the cache folder and language.
  BCTagsPanel(const QString& cachePath, const QString& language, const Reporter& reporter,
              QObject* parent = nullptr);
  ~BCTagsPanel() override;

  void fillTagsPanelFromShow(const MediaFilePtr& show);
  void UpdateTagsPannel();
  void UpdateTagsInPlace();
  void cancelTagsPannel();
  void NextShow();
  void PreviousShow();
  void SearchForShow();
  void AlternateSelected();
  void ChangeImage();
  // Asks for a file when `path` is empty.
  void saveImage(const QString& path = {});
  void MediaTypeChanged();
  void refreshChapterData();
  void SRTClearButton();
  // Paths dropped on the subtitle well: shows the file and its detected encoding only.
  void processdrop(const QStringList& paths);
  void showBusySheet(const QString& text);
  void hideBusySheet();

  // The tables' actions.
  void ChangeOnlyForcedSubtitles();
  void ChangeHardSoftSubtitles();
  void selectAudioTrackClick();
  void defaultAudioTrackClick() {}
  void sanityCheckAudioMatrix();
  void chapteralternatesclick();
  void ApplyChapaterNames();
  void ChaptersFromFile();
  void addChapter();
  void removeChapter();
  void sortChapters();
  void removeVideoJoin();
  // A drop of paths on the subtitle or join table (Qt's drop lands here through the model).
  void tableDrop(TagEditorTable table, const QStringList& paths, int draggedRow, int dropRow);

  MediaFilePtr myShow() const { return myShow_; }
  int PanelNumber() const { return PanelNumber_; }
  const QStringList& languagelist() const { return languagelist_; }
  const QStringList& chapterTitles() const { return chapterTitles_; }
  QWidget* window();
  QWidget* TagsView();
  void setTagsView(QWidget* view) { view_ = view; }
  TagEditorTableModel* model(TagEditorTable table) const;
  QTableView* tableView(TagEditorTable table) const;
  // Told the items whose fields a write-back has just changed (the files table shows them).
  void setWrittenBack(std::function<void(const QList<MediaFilePtr>&)> writtenBack) {
    writtenBack_ = std::move(writtenBack);
  }
  // Writes the tags in place off the GUI thread while its events flow; tests may replace it.
  void setInPlaceSaver(std::function<void(const QString&, const MediaFile&)> saver) {
    inPlaceSaver_ = std::move(saver);
  }

 private:
  void load();
  void connectControls();
  void showImage(const QImage& image);
  void showArtwork(const Artwork& artwork);
  void layOutForMediaType(MediaType type, bool fillRatings);
  int selectedRow(TagEditorTable table) const;
  void reload(TagEditorTable table);

  QString cachePath_;
  QString language_;
  Reporter reporter_;
  MediaFilePtr myShow_;
  int PanelNumber_ = 0;
  QStringList languagelist_;
  QStringList chapterTitles_;
  std::unique_ptr<BCLookUpShow> myLookUp_;
  std::unique_ptr<BCBusyPanel> busy_;
  QImage shownImage_;     // a picture given as such (a drop, a paste); else null
  Artwork shownArtwork_;  // what a save gives the item: the bytes it came as
  std::unique_ptr<QWidget> window_;
  QPointer<QWidget> view_;
  std::unique_ptr<::Ui::TagsPanel> ui_;
  QList<TagEditorTableModel*> models_;
  std::function<void(const QString&, const MediaFile&)> inPlaceSaver_;
  std::function<void(const QList<MediaFilePtr>&)> writtenBack_;
  bool filling_ = false;
  bool closingWithoutWriteBack_ = false;  // Cancel, or after the in-place save
  void postClose();
};

}  // namespace zuvo
