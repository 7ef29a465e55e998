#include "app/tags/BCTagsPanelMultiple.h"

#include <QLabel>
#include <QPixmap>
#include <QShortcut>
#include <QWidget>

#include "app/panels/PanelPlacement.h"
#include "app/shared/Localized.h"
#include "app/tags/EditorWindow.h"
#include "app/tags/ImageWell.h"
#include "ui_BCTagsPanelMultiple.h"

namespace zuvo {

namespace {

constexpr int kMultipleHDFlags = 3;  // the HD item that stands for differing flags

// One text field and the media-object field it stands for.
struct TextRow {
  QLineEdit* ::Ui::BCTagsPanelMultiple::*field;
  QString (*read)(const MediaFile&);
  void (*write)(MediaFile&, const QString&);
};

const TextRow kTextRows[] = {
    {&::Ui::BCTagsPanelMultiple::TagsSeriesNameTextField, [](const MediaFile& m) { return m.seriesname(); },
     [](MediaFile& m, const QString& t) { m.setSeriesname(t); }},
    {&::Ui::BCTagsPanelMultiple::TagsEpisodeNameTextField, [](const MediaFile& m) { return m.episodename(); },
     [](MediaFile& m, const QString& t) { m.setEpisodename(t); }},
    {&::Ui::BCTagsPanelMultiple::TagsSeasonTextField,
     [](const MediaFile& m) { return QString::number(m.season()); },
     [](MediaFile& m, const QString& t) { m.setSeason(quint32(t.trimmed().toInt())); }},
    {&::Ui::BCTagsPanelMultiple::TagsDescriptionTextField, [](const MediaFile& m) { return m.description(); },
     [](MediaFile& m, const QString& t) { m.setDescription(t); }},
    {&::Ui::BCTagsPanelMultiple::TagsGenreTextField, [](const MediaFile& m) { return m.genre(); },
     [](MediaFile& m, const QString& t) { m.setGenre(t); }},
    {&::Ui::BCTagsPanelMultiple::TagsActorsTextField, [](const MediaFile& m) { return m.actors(); },
     [](MediaFile& m, const QString& t) { m.setActors(t); }},
    {&::Ui::BCTagsPanelMultiple::TagsDirectorsTextField, [](const MediaFile& m) { return m.directors(); },
     [](MediaFile& m, const QString& t) { m.setDirectors(t); }},
    {&::Ui::BCTagsPanelMultiple::TagsProducersTextField, [](const MediaFile& m) { return m.producers(); },
     [](MediaFile& m, const QString& t) { m.setProducers(t); }},
    {&::Ui::BCTagsPanelMultiple::TagsReleaseDateTextField, [](const MediaFile& m) { return m.releasedate(); },
     [](MediaFile& m, const QString& t) { m.setReleasedate(t); }},
    {&::Ui::BCTagsPanelMultiple::TagsRatingTextField, [](const MediaFile& m) { return m.rating(); },
     [](MediaFile& m, const QString& t) { m.setRating(t); }},
};

}  // namespace

BCTagsPanelMultiple::BCTagsPanelMultiple(QWidget* mainWindow, const Reporter& reporter, QObject* parent)
    : QObject(parent),
      MainWindow_(mainWindow),
      myreporter_(reporter),
      marker_(localizedString("Multiple Values")) {}

BCTagsPanelMultiple::~BCTagsPanelMultiple() = default;

void BCTagsPanelMultiple::load() {
  if (window_) return;
  window_ = std::make_unique<QWidget>(nullptr, Qt::Window);
  ui_ = std::make_unique<::Ui::BCTagsPanelMultiple>();
  ui_->setupUi(window_.get());
  view_ = window_.get();
  ui_->TagsMediaTypeComboBox->setInsertPolicy(QComboBox::NoInsert);
  // A picture given to the view goes to every item at Update.
  new ImageWell(ui_->TagsImageView, [this](const QImage& image) {
    shownImage_ = image;
    shownArtwork_ = Artwork::fromImage(image);
    showImage();
  });
  connect(ui_->UpdateButton, &QPushButton::clicked, this, [this] { UpdateButtonClick(); });
  connect(ui_->CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
  // Escape leaves as Cancel does, wherever the focus is in the window.
  connect(new QShortcut(QKeySequence::Cancel, window_.get()), &QShortcut::activated, ui_->CancelButton,
          &QPushButton::click);
  prepareEditorWindow(window_.get());
}

QWidget* BCTagsPanelMultiple::window() {
  load();
  return window_.get();
}

QWidget* BCTagsPanelMultiple::TagsPanelMultipleView() {
  load();
  return view_;
}

void BCTagsPanelMultiple::loadShows(const QList<MediaFilePtr>& shows) {
  load();
  showarray_ = shows;
  showcount_ = qint32(shows.size());
  ::Ui::BCTagsPanelMultiple& ui = *ui_;
  shownImage_ = QImage();
  shownArtwork_ = Artwork();
  showImage();
  if (shows.isEmpty()) {
    for (const TextRow& row : kTextRows) (ui.*row.field)->clear();
    return;
  }
  const MediaFile& first = *shows.first();
  for (const TextRow& row : kTextRows) (ui.*row.field)->setText(row.read(first));
  ui.TagsMediaTypeComboBox->setCurrentIndex(int(first.mediatype()));
  ui.HDComboBox->setCurrentIndex(first.forceHDflag());
  shownArtwork_ = first.artwork();

  for (qsizetype i = 1; i < shows.size(); ++i) {
    const MediaFile& media = *shows.at(i);
    for (const TextRow& row : kTextRows) {
      QLineEdit* field = ui.*row.field;
      if (field->text() != row.read(media)) field->setText(marker_);
    }
    if (int(media.mediatype()) != ui.TagsMediaTypeComboBox->currentIndex())
      ui.TagsMediaTypeComboBox->setEditText(marker_);
    if (media.forceHDflag() != ui.HDComboBox->currentIndex())
      ui.HDComboBox->setCurrentIndex(kMultipleHDFlags);
    const Artwork artwork = media.artwork();
    if (artwork.isNull() || !(artwork == shownArtwork_)) shownArtwork_ = Artwork();
  }
  shownImage_ = shownArtwork_.image();
  showImage();
}

void BCTagsPanelMultiple::showImage() { ImageWell::show(ui_->TagsImageView, shownImage_); }

void BCTagsPanelMultiple::UpdateButtonClick() {
  load();
  ::Ui::BCTagsPanelMultiple& ui = *ui_;
  const bool typeShared = ui.TagsMediaTypeComboBox->currentText() != marker_;
  // The combo's items are the three types: its index is the shared type unless the
  // marker was written over the edit text.
  const int typeIndex = ui.TagsMediaTypeComboBox->currentIndex();
  for (const MediaFilePtr& media : showarray_) {
    if (!shownArtwork_.isNull()) media->setArtwork(shownArtwork_);
    if (typeShared && typeIndex >= 0) media->setMediatype(MediaType(typeIndex));
    for (const TextRow& row : kTextRows) {
      const QString text = (ui.*row.field)->text();
      if (text != marker_) row.write(*media, text);
    }
    if (ui.HDComboBox->currentIndex() != kMultipleHDFlags)
      media->setForceHDflag(ui.HDComboBox->currentIndex());
  }
  myreporter_->report(QStringLiteral("Multiple tags updated on %1 items").arg(showcount_), 4);
  if (writtenBack_) writtenBack_(showarray_);
  window_->hide();
  bringWindowForward(MainWindow_);
}

void BCTagsPanelMultiple::CancelButtonClick() {
  if (window_) window_->close();
}

}  // namespace zuvo
