#pragma once
// The editor for several highlighted items at once: each field shows the value they all
// share or the marker "Multiple Values", and Update writes every field not left at the
// marker into every item. GUI thread only.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "media/BCCReporter.h"
#include "media/MediaFile.h"

class QWidget;
namespace Ui {
class BCTagsPanelMultiple;
}

namespace zuvo {

class BCTagsPanelMultiple : public QObject {
 public:
  BCTagsPanelMultiple(QWidget* mainWindow, const Reporter& reporter, QObject* parent = nullptr);
  ~BCTagsPanelMultiple() override;

  // Keeps the items and fills the fields; an empty list clears them and Update then
  // writes nothing.
  void loadShows(const QList<MediaFilePtr>& shows);
  void UpdateButtonClick();
  void CancelButtonClick();

  QWidget* TagsPanelMultipleView();
  void setTagsPanelMultipleView(QWidget* view) { view_ = view; }
  QWidget* window();
  const QString& marker() const { return marker_; }
  const QList<MediaFilePtr>& showarray() const { return showarray_; }
  qint32 showcount() const { return showcount_; }
  // Told the items Update has just written (the files table shows them).
  void setWrittenBack(std::function<void(const QList<MediaFilePtr>&)> writtenBack) {
    writtenBack_ = std::move(writtenBack);
  }

 private:
  void load();
  void showImage();

  QList<MediaFilePtr> showarray_;
  qint32 showcount_ = 0;
  QPointer<QWidget> MainWindow_;
  Reporter myreporter_;
  QString marker_;
  QImage shownImage_;     // the image the view shows; null when cleared
  Artwork shownArtwork_;  // its bytes, which Update gives every item
  std::unique_ptr<QWidget> window_;
  QPointer<QWidget> view_;
  std::unique_ptr<::Ui::BCTagsPanelMultiple> ui_;
  std::function<void(const QList<MediaFilePtr>&)> writtenBack_;
};

}  // namespace zuvo
