#include "app/tags/BCTagsPanel.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <future>

#include "app/panels/BCBusyPanel.h"
#include "app/panels/PanelPlacement.h"
#include "app/shared/FileDropTarget.h"
#include "app/shared/Localized.h"
#include "app/tags/EditorWindow.h"
#include "app/tags/ImageWell.h"
#include "app/tags/TagEditorRules.h"
#include "media/BCDownloader.h"
#include "media/BCStringEncoding.h"
#include "media/ContentRatings.h"
#include "media/EntityDecoding.h"
#include "media/FileTypes.h"
#include "media/LanguageRecord.h"
#include "media/MediaValues.h"
#include "media/StreamAnalysis.h"
#include "media/StringHelpers.h"
#include "media/UniversalDetector.h"
#include "metadata/BCLookUpShow.h"
#include "metadata/FileChapters.h"
#include "metadata/SaveMP4Tags.h"
#include "metadata/ServiceCache.h"
#include "metadata/TagChimp.h"
#include "platform/NotificationCenter.h"
#include "platform/RunLoop.h"
#include "ui_TagsPanel.h"

namespace zuvo {

namespace {

constexpr int kSoftRow = 0;
constexpr int kBurntInRow = 1;

QString tokensText(const QString& stored) { return SplitCommaList(stored).join(QLatin1Char(',')); }

// Tokens joined with "," and no blanks; empty tokens are skipped.
QString storedTokens(const QString& text) {
  QStringList tokens;
  for (const QString& token : SplitCommaList(text))
    if (!token.isEmpty()) tokens << token;
  return tokens.join(QLatin1Char(','));
}

// Window closes other than Cancel write the fields back.
class CloseWatcher : public QObject {
 public:
  CloseWatcher(std::function<void()> closing, QObject* parent)
      : QObject(parent), closing_(std::move(closing)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close) closing_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> closing_;
};

}  // namespace

BCTagsPanel::BCTagsPanel(const QString& cachePath, const QString& language, const Reporter& reporter,
                         QObject* parent)
    : QObject(parent),
      cachePath_(cachePath),
      language_(language),
      reporter_(reporter),
      myLookUp_(std::make_unique<BCLookUpShow>(cachePath, language, true, reporter)),
      busy_(std::make_unique<BCBusyPanel>(QStringLiteral("Zuvo"))) {
  for (int i = 0; i < LanguageCount(); ++i) languagelist_ << LanguageAtIndex(i).longname();
  inPlaceSaver_ = [this](const QString& path, const MediaFile& media) {
    (void)saveMP4TagsInPlace(path, media, reporter_);  // the writer logs its own failures
  };
}

BCTagsPanel::~BCTagsPanel() = default;

QWidget* BCTagsPanel::window() {
  load();
  return window_.get();
}

QWidget* BCTagsPanel::TagsView() {
  load();
  return view_;
}

void BCTagsPanel::load() {
  if (window_) return;
  window_ = std::make_unique<QWidget>(nullptr, Qt::Window);
  ui_ = std::make_unique<::Ui::TagsPanel>();
  ui_->setupUi(window_.get());
  view_ = window_.get();
  TagEditorSource source;
  source.show = [this] { return myShow_; };
  source.chapterTitles = [this] { return chapterTitles_; };
  source.log = [this](const QString& text, int level) { reporter_->report(text, quint32(level)); };
  source.dropped = [this](TagEditorTable table, const QStringList& paths, int dragged, int row) {
    tableDrop(table, paths, dragged, row);
  };
  const auto columnOf = [](TagEditorTable table, const char* id) {
    return int(TagEditorTableModel::columnIdentifiers(table).indexOf(QString::fromLatin1(id)));
  };
  // Each table's free text takes the width its other columns leave; those fit their
  // headings and values, so nothing is cut or scrolled out of sight at the default size.
  const struct {
    TagEditorTable table;
    QTableView* view;
    const char* widest;
  } tables[] = {
      {TagEditorTable::Chapters, ui_->ChaptersTableView, "Title"},
      {TagEditorTable::ChapterTitles, ui_->ChapterTitlesTable, "Title"},
      {TagEditorTable::AlternativeChapters, ui_->AlternativeChaptersTable, "Name"},
      {TagEditorTable::Alternatives, ui_->AlternativesTableView, "Alternatives"},
      {TagEditorTable::Subtitles, ui_->SubtitlesTableView, "Summary"},
      {TagEditorTable::VideoJoin, ui_->VideoJoinTableView, "FilePath"},
      {TagEditorTable::AudioStreams, ui_->AudioStreamsTableView, "TrackName"},
  };
  for (const auto& [table, view, widest] : tables) {
    auto* model = new TagEditorTableModel(table, source, this);
    models_ << model;
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    QHeaderView* header = view->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(columnOf(table, widest), QHeaderView::Stretch);
    view->verticalHeader()->hide();
    // A click on a check box is taken by the box before the view selects: the row the
    // user works on is selected all the same.
    connect(view, &QAbstractItemView::clicked, view, [view](const QModelIndex& index) {
      if (!view->selectionModel()->isRowSelected(index.row(), {})) view->selectRow(index.row());
    });
  }
  // A joined file is known by its name, at the end of its path: a narrow column cuts the
  // middle, and the whole path shows as the row's tip.
  ui_->VideoJoinTableView->setTextElideMode(Qt::ElideMiddle);
  // Subtitle and join tables take dropped files; join rows are dragged within their table.
  ui_->SubtitlesTableView->setAcceptDrops(true);
  ui_->SubtitlesTableView->setDragDropMode(QAbstractItemView::DropOnly);
  ui_->VideoJoinTableView->setDragEnabled(true);
  ui_->VideoJoinTableView->setAcceptDrops(true);
  ui_->VideoJoinTableView->setDragDropMode(QAbstractItemView::DragDrop);
  ui_->VideoJoinTableView->setDropIndicatorShown(true);
  QStringList encodings;
  for (int i = 0; i < EncodingCount(); ++i) encodings << EncodingAtIndex(i).name;
  ui_->SubtitlesTableView->setItemDelegateForColumn(columnOf(TagEditorTable::Subtitles, "Language"),
                                                    new TagEditorComboDelegate(languagelist_, this));
  ui_->SubtitlesTableView->setItemDelegateForColumn(columnOf(TagEditorTable::Subtitles, "Encoding"),
                                                    new TagEditorComboDelegate(encodings, this));
  ui_->AudioStreamsTableView->setItemDelegateForColumn(columnOf(TagEditorTable::AudioStreams, "Language"),
                                                       new TagEditorComboDelegate(languagelist_, this));
  ui_->SRTFileLanguageComboBox->addItems(languagelist_);
  new FileDropTarget(ui_->SRTDropImage,
                     FileDropTarget::PathsReceiver([this](const QStringList& paths) { processdrop(paths); }));
  new ImageWell(ui_->TagsImageView, [this](const QImage& image) { showImage(image); });
  window_->installEventFilter(new CloseWatcher(
      [this] {
        reporter_->report(QStringLiteral("Tags Panel Closing"), 4);
        if (myShow_ && !closingWithoutWriteBack_) UpdateTagsPannel();
      },
      this));
  connectControls();
  prepareEditorWindow(window_.get());
}

void BCTagsPanel::connectControls() {
  ::Ui::TagsPanel& ui = *ui_;
  connect(ui.NextShowButton, &QPushButton::clicked, this, [this] { NextShow(); });
  connect(ui.PreviousShowButton, &QPushButton::clicked, this, [this] { PreviousShow(); });
  connect(ui.UpdateTagsInPlaceButton, &QPushButton::clicked, this, [this] { UpdateTagsInPlace(); });
  connect(ui.CancelButton, &QPushButton::clicked, this, [this] { cancelTagsPannel(); });
  // Escape leaves as Cancel does, wherever the focus is in the window.
  connect(new QShortcut(QKeySequence::Cancel, window_.get()), &QShortcut::activated, ui.CancelButton,
          &QPushButton::click);
  connect(ui.DoneButton, &QPushButton::clicked, window_.get(), &QWidget::close);
  connect(ui.SearchButton, &QPushButton::clicked, this, [this] { SearchForShow(); });
  connect(ui.SaveImageButton, &QPushButton::clicked, this, [this] { saveImage(); });
  connect(ui.SRTClearButton, &QPushButton::clicked, this, [this] { SRTClearButton(); });
  connect(ui.AddChapterButton, &QPushButton::clicked, this, [this] { addChapter(); });
  connect(ui.RemoveChapterButton, &QPushButton::clicked, this, [this] { removeChapter(); });
  connect(ui.ChaptersFromFileButton, &QPushButton::clicked, this, [this] { ChaptersFromFile(); });
  connect(ui.ApplyChapterNamesButton, &QPushButton::clicked, this, [this] { ApplyChapaterNames(); });
  connect(ui.RemoveVideoJoinButton, &QPushButton::clicked, this, [this] { removeVideoJoin(); });
  connect(ui.ImageStepper, &QSpinBox::valueChanged, this, [this] {
    if (!filling_) ChangeImage();
  });
  connect(ui.TagsMediaTypeComboBox, &QComboBox::activated, this, [this] { MediaTypeChanged(); });
  connect(ui.OnlyForcedSubtitleScanButton, &QCheckBox::clicked, this,
          [this] { ChangeOnlyForcedSubtitles(); });
  connect(ui.SoftSubtitlesRadio, &QRadioButton::clicked, this, [this] {
    if (myShow_ && !myShow_->SoftSubtitles()) ChangeHardSoftSubtitles();
  });
  connect(ui.BurntInSubtitlesRadio, &QRadioButton::clicked, this, [this] {
    if (myShow_ && myShow_->SoftSubtitles()) ChangeHardSoftSubtitles();
  });
  connect(ui.AlternativesTableView, &QTableView::doubleClicked, this, [this] { AlternateSelected(); });
  connect(ui.AlternativeChaptersTable, &QTableView::doubleClicked, this,
          [this] { chapteralternatesclick(); });
  connect(ui.AudioSyncSlider, &QSlider::valueChanged, this, [this](int tenths) {
    if (!filling_) ui_->AudioSyncTextField->setText(QString::asprintf("%.1f", tenths / 10.0));
  });
}

TagEditorTableModel* BCTagsPanel::model(TagEditorTable table) const {
  for (TagEditorTableModel* model : models_)
    if (model->table() == table) return model;
  return nullptr;
}

QTableView* BCTagsPanel::tableView(TagEditorTable table) const {
  if (!ui_) return nullptr;
  switch (table) {
    case TagEditorTable::Chapters:
      return ui_->ChaptersTableView;
    case TagEditorTable::ChapterTitles:
      return ui_->ChapterTitlesTable;
    case TagEditorTable::AlternativeChapters:
      return ui_->AlternativeChaptersTable;
    case TagEditorTable::Alternatives:
      return ui_->AlternativesTableView;
    case TagEditorTable::Subtitles:
      return ui_->SubtitlesTableView;
    case TagEditorTable::VideoJoin:
      return ui_->VideoJoinTableView;
    case TagEditorTable::AudioStreams:
      return ui_->AudioStreamsTableView;
  }
  return nullptr;
}

int BCTagsPanel::selectedRow(TagEditorTable table) const {
  QTableView* view = tableView(table);
  if (!view || !view->selectionModel()) return -1;
  const QModelIndexList rows = view->selectionModel()->selectedRows();
  if (!rows.isEmpty()) return rows.first().row();
  const QModelIndex current = view->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void BCTagsPanel::reload(TagEditorTable table) {
  if (TagEditorTableModel* m = model(table)) m->reload();
}

void BCTagsPanel::showImage(const QImage& image) {
  shownArtwork_ = Artwork::fromImage(image);
  shownImage_ = image;
  ImageWell::show(ui_->TagsImageView, image);
}

void BCTagsPanel::showArtwork(const Artwork& artwork) {
  // Decoded at the size the view shows, which is quick; the whole picture only when saved.
  shownArtwork_ = artwork;
  shownImage_ = QImage();
  const QSize shown = ui_->TagsImageView->minimumSize();
  ImageWell::show(ui_->TagsImageView, shown.isEmpty() ? artwork.image() : artwork.image(shown));
}

void BCTagsPanel::layOutForMediaType(MediaType type, bool fillRatings) {
  ::Ui::TagsPanel& ui = *ui_;
  const bool tv = type == MediaType::TVShow;
  for (QWidget* widget :
       {static_cast<QWidget*>(ui.TagsSeasonTextField), static_cast<QWidget*>(ui.TagsSeriesNumberTextField),
        static_cast<QWidget*>(ui.TagsEpisodeNumberTextField),
        static_cast<QWidget*>(ui.TagsSeasonLabelTextField),
        static_cast<QWidget*>(ui.TagsSeriesLabelNumberTextField),
        static_cast<QWidget*>(ui.TagsEpisodeLabelNumberTextField)})
    widget->setVisible(tv);
  ui.TagsName1TextField->setText(localizedString(tv ? "Series Name" : "Movie Name"));
  ui.TagsName2TextField->setText(localizedString("Episode Name"));
  ui.TagsName2TextField->setVisible(tv);
  if (fillRatings) {
    ui.RatingComboBox->clear();
    ui.RatingComboBox->addItems(tv ? TVRatingsForCountry() : MovieRatingsForCountry());
  }
  ui.SearchButton->setEnabled(type != MediaType::HomeMovie);
}

void BCTagsPanel::fillTagsPanelFromShow(const MediaFilePtr& show) {
  if (!show) return;
  load();
  filling_ = true;
  ::Ui::TagsPanel& ui = *ui_;
  MediaFile& media = *show;
  chapterTitles_.clear();
  myShow_ = show;
  zuvo::sortChapters(media);
  ui.Force169Button->setChecked(media.force169());
  ui.SetHDCheckBox->setCurrentIndex(media.forceHDflag());
  const bool dvd = media.isDVD();
  ui.OnlyForcedSubtitleScanButton->setVisible(dvd);
  ui.OnlyForcedSubtitleScanButton->setChecked(media.OnlyScanForForcedSubtitle());
  ui.ForcedSubtitlesCheckBox->setVisible(dvd);
  ui.ForcedSubtitlesCheckBox->setChecked(dvd && media.forcedsubtitles());
  ui.ForceAudioSyncButton->setChecked(media.ForceAudioSync());
  ui.ForceVideoSyncButton->setChecked(media.ForceVideoSync());
  // Each "%li" takes its own count, the soft one first.
  QString counts = localizedString("There are %li soft and %li hard subtitles available for this file");
  for (const qsizetype count : {media.SoftSubtitleTracks().size(), media.HardSubtitleTracks().size()}) {
    const qsizetype at = counts.indexOf(QLatin1String("%li"));
    if (at >= 0) counts.replace(at, 3, QString::number(count));
  }
  ui.NumberSoftSubtitlesTextField->setText(counts);

  const MediaType type = std::min(media.mediatype(), MediaType::HomeMovie);
  ui.TagsMediaTypeComboBox->setCurrentIndex(int(codeOf(type)));
  layOutForMediaType(type, true);
  ui.RatingComboBox->setCurrentText(media.rating());
  ui.TagsNameTextField->setText(type == MediaType::TVShow ? media.seriesname()
                                                          : UnescapeXMLEntities(media.seriesname()));
  ui.TagsSeasonTextField->setText(media.episodename());
  ui.TagsSeriesNumberTextField->setText(QString::number(media.season()));
  ui.TagsEpisodeNumberTextField->setText(QString::number(media.show()));
  const VideoTrack video = media.myvideotrack();
  ui.ResolutionTextField->setText(QStringLiteral("%1x%2").arg(video.width()).arg(video.height()));
  ui.VideoFormatTextField->setText(video.videoformat());
  ui.BitrateTextField->setText(QStringLiteral("%1").arg(video.bitrate()));
  ui.FramerateTextField->setText(QStringLiteral("%1").arg(video.framerate()));

  ui.AudioSyncSlider->setValue(qRound(media.audiosync() * 10));
  ui.AudioSyncTextField->setText(QString::asprintf("%.1f", double(media.audiosync())));
  ui.TagsDescriptionTextField->setPlainText(UnescapeXMLEntities(media.description()));
  const Artwork artwork = media.artwork();
  showArtwork(artwork);
  ui.GenreTokenField->setText(tokensText(media.genre()));
  ui.ActorsTokenField->setText(tokensText(media.actors()));
  ui.ProducersTokenField->setText(tokensText(media.producers()));
  ui.DirectorsTokenField->setText(tokensText(media.directors()));
  ui.TagsReleaseDateTextField->setText(media.releasedate());

  const int images = int(media.alternateimages().size());
  ui.ImageStepper->setRange(0, std::max(0, images - 1));
  ui.ImageStepper->setSingleStep(1);
  ui.ImageStepper->setValue(media.selectedImage());
  ui.ImageStepper->setVisible(images > 0);
  ui.NumberOfImagesTextField->setText(images > 0 ? QStringLiteral("%1 %2 of %3")
                                                       .arg(localizedString("Displaying"),
                                                            QString::number(media.selectedImage() + 1),
                                                            QString::number(images))
                                                 : localizedString("No Images"));

  ui.UpdateTagsInPlaceButton->setEnabled(IsMP4File(media.fullpath()));
  for (TagEditorTableModel* m : models_) m->reload();
  const int alternative = media.selectedAlernativeSuggestion();
  if (alternative >= 0 && alternative < ui.AlternativesTableView->model()->rowCount())
    ui.AlternativesTableView->selectRow(alternative);
  else
    ui.AlternativesTableView->clearSelection();

  const bool soft = media.SoftSubtitles();
  ui.SoftSubtitlesRadio->setChecked(soft);
  ui.BurntInSubtitlesRadio->setChecked(!soft);
  const bool subtitlesEnabled = !media.OnlyScanForForcedSubtitle();
  ui.SubtitleStreamsMatrix->setEnabled(subtitlesEnabled);
  ui.SubtitlesTableView->setEnabled(subtitlesEnabled);
  ui.VideoNoiseReductionSlider->setValue(int(media.noisereduction()));
  filling_ = false;
}

void BCTagsPanel::UpdateTagsPannel() {
  if (!myShow_ || !ui_) return;
  ::Ui::TagsPanel& ui = *ui_;
  MediaFile& media = *myShow_;
  media.setForcedsubtitles(ui.ForcedSubtitlesCheckBox->isChecked());
  media.setForceHDflag(ui.SetHDCheckBox->currentIndex());
  media.setMediatype(MediaType(std::max(0, ui.TagsMediaTypeComboBox->currentIndex())));
  media.setSeriesname(ui.TagsNameTextField->text());
  media.setSeason(quint32(IntegerValue(ui.TagsSeriesNumberTextField->text())));
  media.setEpisodename(ui.TagsSeasonTextField->text());
  media.setForce169(ui.Force169Button->isChecked());
  media.setForceAudioSync(ui.ForceAudioSyncButton->isChecked());
  media.setForceVideoSync(ui.ForceVideoSyncButton->isChecked());
  media.setShow(quint32(IntegerValue(ui.TagsEpisodeNumberTextField->text())));
  media.setDescription(ui.TagsDescriptionTextField->toPlainText());
  media.setReleasedate(ui.TagsReleaseDateTextField->text());
  media.setActors(storedTokens(ui.ActorsTokenField->text()));
  media.setProducers(storedTokens(ui.ProducersTokenField->text()));
  media.setDirectors(storedTokens(ui.DirectorsTokenField->text()));
  media.setGenre(storedTokens(ui.GenreTokenField->text()));
  media.setSelectedImage(ui.ImageStepper->value());
  media.setArtwork(shownArtwork_);
  const DeselectionReason reason = media.reasonfordeselection();
  if (!media.soliddetection() && media.mediatype() != MediaType::HomeMovie) {
    if (reason != DeselectionReason::ProtectedByDRM && reason != DeselectionReason::UnsupportedVideo &&
        reason != DeselectionReason::NoVideo) {
      media.setReasonfordeselection(DeselectionReason::NoLookUpMatch);
      media.setSelected(false);
    }
  } else if (reason != DeselectionReason::UnsupportedVideo && reason != DeselectionReason::NoVideo) {
    media.setReasonfordeselection(DeselectionReason::None);
    media.setSelected(true);
  }
  media.setRating(ui.RatingComboBox->currentText());
  media.setAudiosync(ui.AudioSyncTextField->text().trimmed().toFloat());
  media.setNoisereduction(quint32(std::max(0, ui.VideoNoiseReductionSlider->value())));
  if (writtenBack_) writtenBack_({myShow_});
}

void BCTagsPanel::UpdateTagsInPlace() {
  if (!myShow_) return;
  UpdateTagsPannel();
  // The rewrite runs beside the GUI thread, which waits for it with its events flowing,
  // so the windows keep drawing while a large file is rewritten.
  const MediaFilePtr show = myShow_;
  const QString path = show->fullpath();
  auto saver = inPlaceSaver_;
  std::future<void> saving = std::async(std::launch::async, [saver, path, show] { saver(path, *show); });
  runloop::waitUntil([&] { return saving.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                     24 * 3600, 20);
  saving.get();
  window_->hide();
  postClose();
}

void BCTagsPanel::cancelTagsPannel() { postClose(); }

// The controller closes the window on this notice; that close writes nothing back.
void BCTagsPanel::postClose() {
  closingWithoutWriteBack_ = true;
  NotificationCenter::defaultCenter().post(QStringLiteral("CloseTagPanel"), this,
                                           {{QStringLiteral("number"), PanelNumber_}});
  closingWithoutWriteBack_ = false;
}

void BCTagsPanel::NextShow() {
  UpdateTagsPannel();
  NotificationCenter::defaultCenter().post(QStringLiteral("NextShow"), this);
}

void BCTagsPanel::PreviousShow() {
  UpdateTagsPannel();
  NotificationCenter::defaultCenter().post(QStringLiteral("PreviousShow"), this);
}

void BCTagsPanel::showBusySheet(const QString& text) { busy_->activateBusyPanel(text, window_.get()); }

void BCTagsPanel::hideBusySheet() { busy_->hideBusyPanel(); }

void BCTagsPanel::SearchForShow() {
  if (!myShow_) return;
  ::Ui::TagsPanel& ui = *ui_;
  MediaFile& media = *myShow_;
  media.setMediatype(MediaType(std::max(0, ui.TagsMediaTypeComboBox->currentIndex())));
  media.setEpisodename(ui.TagsSeasonTextField->text());
  media.setSeriesname(ui.TagsNameTextField->text());
  media.setSeason(quint32(IntegerValue(ui.TagsSeriesNumberTextField->text())));
  const qint32 episode = IntegerValue(ui.TagsEpisodeNumberTextField->text());
  media.setShow(quint32(episode == 0 ? 1 : episode));
  showBusySheet(localizedString("Looking up show information"));
  reportIfFailed(reporter_, myLookUp_->LookUpShowData(media),
                 QStringLiteral("Looking up %1").arg(media.filename()));
  refreshChapterData();
  hideBusySheet();
  fillTagsPanelFromShow(myShow_);
  bringWindowForward(window_.get());
}

void BCTagsPanel::AlternateSelected() {
  reporter_->report(QStringLiteral("[BLUE]Alternate Selected"), 4);
  const int row = selectedRow(TagEditorTable::Alternatives);
  if (!myShow_ || row < 0) return;
  const QList<VideoAlternate> alternates = myShow_->AlternativeSuggestions();
  if (row >= alternates.size()) return;
  MediaFile& media = *myShow_;
  showBusySheet(localizedString("Looking up show information"));
  media.setSelectedAlernativeSuggestion(row);
  media.setSeriesname(alternates.at(row).Name());
  media.setForceid(int(alternates.at(row).ID()));
  reportIfFailed(reporter_, myLookUp_->LookUpShowData(media, false),
                 QStringLiteral("Looking up %1").arg(media.filename()));
  media.setForceid(0);
  refreshChapterData();
  hideBusySheet();
  bringWindowForward(window_.get());
  fillTagsPanelFromShow(myShow_);
}

void BCTagsPanel::refreshChapterData() {
  if (!myShow_) return;
  reportIfFailed(reporter_,
                 TagChimpSearchChapterAlternates(*myShow_, language_, cachePath_,
                                                 myShow_->mediatype() == MediaType::TVShow, reporter_),
                 QStringLiteral("Searching chapter titles"));
  matchChapters(*myShow_, language_, cachePath_, reporter_);
}

void BCTagsPanel::ChangeImage() {
  if (!myShow_) return;
  MediaFile& media = *myShow_;
  const int i = ui_->ImageStepper->value();
  const QStringList addresses = media.alternateimages();
  if (i < 0 || i >= addresses.size()) return;
  const QString file =
      cachePath_ +
      QStringLiteral("/%1%2.%3.%4.jpg")
          .arg(media.mediatype() == MediaType::TVShow ? QStringLiteral("TV") : QStringLiteral("MOVIE"),
               QString::number(media.showid()), QString::number(media.season()), QString::number(i));
  if (!QFileInfo::exists(file)) {
    reporter_->report(QStringLiteral("Downloading movie image to cache"), 4);
    showBusySheet(localizedString("Downloading Image"));
    // Through the look-up's own path, which answers banner addresses from today's services.
    downloadIntoCache(addresses.at(i), file, BCDownloader::kDefaultTimeout, reporter_,
                      BCDownloader::kMostImageBytes);
    hideBusySheet();
    bringWindowForward(window_.get());
  } else {
    reporter_->report(QStringLiteral("Selecting new image from cache"), 4);
  }
  if (QFileInfo::exists(file)) {
    reporter_->report(QStringLiteral("Movie image now in cache"), 4);
    const Artwork artwork = Artwork::fromFile(file);
    showArtwork(artwork);
    ui_->NumberOfImagesTextField->setText(
        QStringLiteral("Displaying %1 of %2").arg(i + 1).arg(addresses.size()));
    runloop::runFor(0.02);
  }
  bringWindowForward(window_.get());
}

void BCTagsPanel::saveImage(const QString& path) {
  reporter_->report(QStringLiteral("[BLUE] Saving Image to user selected destination"), 3);
  QString chosen = path;
  if (chosen.isEmpty() && myShow_)
    chosen =
        QFileDialog::getSaveFileName(window_.get(), localizedString("Choose the location to save your image"),
                                     QStringLiteral("%1.png").arg(myShow_->seriesname()));
  if (chosen.isEmpty()) {
    reporter_->report(QStringLiteral("Cancel on  Saving Image to user selected destination"), 3);
    return;
  }
  QFile::remove(chosen);
  const QImage whole = shownImage_.isNull() ? shownArtwork_.image() : shownImage_;
  if (!whole.isNull()) whole.save(chosen, "PNG");
}

void BCTagsPanel::MediaTypeChanged() {
  ::Ui::TagsPanel& ui = *ui_;
  int type = ui.TagsMediaTypeComboBox->currentIndex();
  if (type < 0 || type > 2) {
    type = int(MediaType::HomeMovie);
    ui.TagsMediaTypeComboBox->setCurrentIndex(type);
  }
  if (type != int(MediaType::TVShow)) ui.TagsDescriptionTextField->clear();
  layOutForMediaType(MediaType(type), true);
  ui.RatingComboBox->setCurrentIndex(ui.RatingComboBox->count() > 0 ? 0 : -1);
}

void BCTagsPanel::SRTClearButton() {
  ui_->SRTTextField->setText(localizedString("Drop SRT File Here"));
  ui_->SRTEncodingTextField->clear();
}

void BCTagsPanel::processdrop(const QStringList& paths) {
  load();
  reporter_->report(QStringLiteral("processdrop : Called through delegation."), 4);
  reporter_->report(QStringLiteral("Image dropped on SRT image view"), 4);
  reporter_->report(QStringLiteral("processdrop: Got:%1").arg(paths.join(QLatin1Char('\n'))), 4);
  for (const QString& path : paths) {
    reporter_->report(QStringLiteral("processdrop: File dropped with path %1").arg(path), 4);
    if (!IsSubtitleFile(path)) {
      reporter_->report(QStringLiteral("processdrop : Unknown format for dropped file"), 4);
      continue;
    }
    reporter_->report(QStringLiteral("processdrop : Is a supported subtitle file"), 4);
    ui_->SRTTextField->setText(path);
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
    UniversalDetector detector;
    detector.analyzeData(bytes);
    ui_->SRTEncodingTextField->setText(
        QStringLiteral("%1 encoding").arg(detector.MIMECharset().value_or(QString())));
    window_->update();
    runloop::runFor(0.04);
    bringWindowForward(window_.get());
    reporter_->report(QStringLiteral("processdrop : setting srt file to %1").arg(path), 4);
  }
}

void BCTagsPanel::ChangeOnlyForcedSubtitles() {
  if (!myShow_) return;
  const bool on = !myShow_->OnlyScanForForcedSubtitle();
  myShow_->setOnlyScanForForcedSubtitle(on);
  ui_->OnlyForcedSubtitleScanButton->setChecked(on);
  ui_->SubtitleStreamsMatrix->setEnabled(!on);
  ui_->SubtitlesTableView->setEnabled(!on);
}

void BCTagsPanel::ChangeHardSoftSubtitles() {
  if (!myShow_) return;
  myShow_->setSoftSubtitles(!myShow_->SoftSubtitles());
  ui_->SoftSubtitlesRadio->setChecked(myShow_->SoftSubtitles());
  ui_->BurntInSubtitlesRadio->setChecked(!myShow_->SoftSubtitles());
  reload(TagEditorTable::Subtitles);
}

void BCTagsPanel::selectAudioTrackClick() { sanityCheckAudioMatrix(); }

void BCTagsPanel::sanityCheckAudioMatrix() {
  if (!myShow_) return;
  QList<AudioTrack> tracks = myShow_->AudioTracks();
  zuvo::sanityCheckAudioMatrix(tracks, selectedRow(TagEditorTable::AudioStreams));
  myShow_->setAudioTracks(tracks);
  reload(TagEditorTable::AudioStreams);
}

void BCTagsPanel::chapteralternatesclick() {
  const int row = selectedRow(TagEditorTable::AlternativeChapters);
  if (!myShow_ || row < 0) return;
  const QList<VideoAlternate> candidates = myShow_->ChaptersAlternates();
  if (row >= candidates.size()) return;
  const BCError answer = TagChimpLookupChapterTitles(*myShow_, qint32(candidates.at(row).ID()), language_,
                                                     cachePath_, reporter_);
  if (answer.Error()) return;
  chapterTitles_ = answer.NoErrorResult().toStringList();
  reload(TagEditorTable::ChapterTitles);
}

void BCTagsPanel::ApplyChapaterNames() {
  if (!myShow_) return;
  QList<ChapterTrack> chapters = myShow_->Chapters();
  for (int i = 0; i < chapters.size() && i < chapterTitles_.size(); ++i)
    chapters[i].setTitle(chapterTitles_.at(i));
  myShow_->setChapters(chapters);
  reload(TagEditorTable::Chapters);
}

void BCTagsPanel::ChaptersFromFile() {
  if (!myShow_ || myShow_->isDVD()) return;
  reportIfFailed(reporter_, zuvo::ChaptersFromFile(*myShow_, cachePath_, reporter_),
                 QStringLiteral("Reading chapters"));
  zuvo::sortChapters(*myShow_);
  reload(TagEditorTable::Chapters);
}

void BCTagsPanel::addChapter() {
  if (!myShow_) return;
  QList<ChapterTrack> chapters = myShow_->Chapters();
  const int row = selectedRow(TagEditorTable::Chapters);
  if (row >= 0 && row < chapters.size())
    chapters.insert(row, ChapterTrack());
  else
    chapters.append(ChapterTrack());
  myShow_->setChapters(sortedChapters(chapters));
  reload(TagEditorTable::Chapters);
}

void BCTagsPanel::removeChapter() {
  if (!myShow_) return;
  QList<ChapterTrack> chapters = myShow_->Chapters();
  const int row = selectedRow(TagEditorTable::Chapters);
  if (row < 0 || row >= chapters.size()) return;
  chapters.removeAt(row);
  myShow_->setChapters(chapters);
  reload(TagEditorTable::Chapters);
}

void BCTagsPanel::sortChapters() {
  if (myShow_) zuvo::sortChapters(*myShow_);
}

void BCTagsPanel::removeVideoJoin() {
  if (!myShow_) return;
  QStringList paths = myShow_->VideoJoinPaths();
  const int row = selectedRow(TagEditorTable::VideoJoin);
  if (row < 0 || row >= paths.size()) return;
  paths.removeAt(row);
  myShow_->setVideoJoinPaths(paths);
  reload(TagEditorTable::VideoJoin);
}

void BCTagsPanel::tableDrop(TagEditorTable table, const QStringList& paths, int draggedRow, int dropRow) {
  if (!myShow_) return;
  MediaFile& media = *myShow_;
  if (table == TagEditorTable::Subtitles) {
    reporter_->report(QStringLiteral("SubtitlesTableView Accepting Drop"), 3);
    reporter_->report(QStringLiteral("Got %1").arg(paths.join(QLatin1Char('\n'))), 3);
    for (const QString& path : paths) {
      reporter_->report(QStringLiteral("File dropped with path %1").arg(path), 3);
      if (!IsSubtitleFile(path)) {
        reporter_->report(QStringLiteral("Unknown format for dropped file"), 3);
        continue;
      }
      reporter_->report(QStringLiteral("Is supported subtitle file"), 3);
      reporter_->report(QStringLiteral("Deselecting any hard subtitles and switching to soft subtitles."), 4);
      QList<SubtitleTrack> hard = media.HardSubtitleTracks();
      for (SubtitleTrack& track : hard) track.setSelected(false);
      media.setHardSubtitleTracks(hard);
      media.setSoftSubtitles(true);
      ui_->SoftSubtitlesRadio->setChecked(true);
      const AnalysisContext context{reporter_, cachePath_, language_};
      if (addSutbtitleFile(media, path, false, context)) {
        QList<SubtitleTrack> soft = media.SoftSubtitleTracks();
        if (!soft.isEmpty()) soft.last().setSelected(true);
        media.setSoftSubtitleTracks(soft);
      }
    }
    reload(TagEditorTable::Subtitles);
    return;
  }
  if (table != TagEditorTable::VideoJoin) return;
  reporter_->report(QStringLiteral("VideoJoinTableView Accepting Drop"), 3);
  QStringList joined = media.VideoJoinPaths();
  if (!paths.isEmpty()) reporter_->report(QStringLiteral("Got %1").arg(paths.join(QLatin1Char('\n'))), 3);
  for (const QString& path : paths) {
    if (IsVideoFile(path)) {
      reporter_->report(QStringLiteral("Is supported video file"), 3);
      joined << path;
    } else {
      reporter_->report(QStringLiteral("Unknown format for dropped file"), 3);
    }
  }
  if (draggedRow >= 0) joined = movedJoinRow(joined, draggedRow, dropRow);
  media.setVideoJoinPaths(joined);
  reload(TagEditorTable::VideoJoin);
}

}  // namespace zuvo
