#include "app/preferences/BCPreferencePanel.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>

#include "app/panels/PanelPlacement.h"
#include "app/preferences/DestinationSummary.h"
#include "app/preferences/LanguageNameList.h"
#include "app/preferences/PreferenceBindings.h"
#include "app/preferences/RuleEditor.h"
#include "app/preferences/RulesTableModel.h"
#include "app/preferences/ServiceKeyTests.h"
#include "app/shared/CacheExpiry.h"
#include "app/shared/FolderEntries.h"
#include "app/shared/Localized.h"
#include "media/FileTypes.h"
#include "media/RegisteredSettings.h"
#include "metadata/MetadataPlugin.h"
#include "metadata/live/ServiceCredits.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "ui_BCPreferencePanel.h"

namespace zuvo {

// The close box keeps the edits like OK; Escape leaves like Cancel.
class BCPreferencePanel::Dialog : public QDialog {
 public:
  std::function<void()> onClose, onEscape;

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (onClose) onClose();
    event->accept();
  }
  void reject() override {
    if (onEscape) onEscape();
  }
};

namespace {

constexpr int kFeedNameColumn = 0, kRecurseColumn = 1, kFeedPathColumn = 2, kSelectPathColumn = 3;

QList<QRadioButton*> cells(QGroupBox* matrix) { return matrix->findChildren<QRadioButton*>(); }

// Selects one cell of a matrix, or none when `index` is outside it.
void selectCell(QGroupBox* matrix, int index) {
  const QList<QRadioButton*> all = cells(matrix);
  for (int i = 0; i < all.size(); ++i) {
    const QSignalBlocker quiet(all[i]);
    all[i]->setAutoExclusive(false);
    all[i]->setChecked(i == index);
    all[i]->setAutoExclusive(true);
  }
}

// Each toolbar item with the pane it shows.
std::vector<std::pair<QAbstractButton*, QWidget*>> toolbarItems(::Ui::BCPreferencePanel& u) {
  return {{u.DevicesToolbarItem, u.DevicesTabView},       {u.GeneralToolbarItem, u.GeneralTabView},
          {u.ConversionToolbarItem, u.ConversionTabView}, {u.VideoSourcesToolbarItem, u.VideoSourcesTabView},
          {u.AutomateToolbarItem, u.AutomateTabView},     {u.AdvancedToolbarItem, u.AdvancedTabView},
          {u.RulesToolbarItem, u.RulesTabView},           {u.MetaDataToolbarItem, u.MetadataTabView},
          {u.TurboToolbarItem, u.HardwareTabView},        {u.ConvertedFileToolbarItem, u.ConvertedFileView}};
}

int selectedCell(QGroupBox* matrix) {
  const QList<QRadioButton*> all = cells(matrix);
  for (int i = 0; i < all.size(); ++i)
    if (all[i]->isChecked()) return i;
  return -1;
}

QString sixtyMinutes(const QString& rateText) {
  const float rate = rateText.toFloat();
  const int perSecond = int(rate * 1000 * 0.125f);
  return QStringLiteral("%1 MB").arg(perSecond * 3600 / 1000);
}

}  // namespace

BCPreferencePanel::BCPreferencePanel(const Reporter& reporter, QObject* parent)
    : QObject(parent), bcreporter_(reporter), myAlertPanel_(localizedString("Zuvo Alert")) {
  feeds_ = loadVideoSources(reporter);
  rules_ = ConversionRulesFromSettings(reporter);
}

BCPreferencePanel::~BCPreferencePanel() = default;

QDialog* BCPreferencePanel::window() {
  if (!window_) load();
  return window_.get();
}

::Ui::BCPreferencePanel& BCPreferencePanel::ui() {
  window();
  return *ui_;
}

void BCPreferencePanel::load() {
  window_ = std::make_unique<Dialog>();
  ui_ = std::make_unique<::Ui::BCPreferencePanel>();
  ui_->setupUi(window_.get());
  window_->setWindowModality(Qt::ApplicationModal);
  window_->onClose = [this] {
    if (!hiding_) UpdateButtonPressed();
  };
  window_->onEscape = [this] { CancelButtonPressed(); };

  ui_->IfRuleEditor->setRoots(newIfCriteria());
  ui_->ThenRuleEditor->setRoots(newThenCriteria());
  rulesModel_ =
      new RulesTableModel([this]() -> const QList<BCConversionRule>& { return rules_; },
                          [this](const QList<int>& dragged, int row) { rulesDropped(dragged, row); }, this);
  QTableView* rulesTable = ui_->RulesTableView;
  rulesTable->setModel(rulesModel_);
  rulesTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  rulesTable->setDragDropMode(QAbstractItemView::DragDrop);
  rulesTable->setDefaultDropAction(Qt::MoveAction);
  rulesTable->setDragDropOverwriteMode(false);
  rulesTable->horizontalHeader()->setStretchLastSection(true);
  rulesTable->verticalHeader()->hide();

  QTableWidget* feedsTable = ui_->FeedsTableView;
  feedsTable->setColumnCount(4);
  feedsTable->setHorizontalHeaderLabels(
      {QStringLiteral("Name"), QStringLiteral("Recurse"), QStringLiteral("Folder"), QString()});
  feedsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  feedsTable->setSelectionMode(QAbstractItemView::SingleSelection);
  feedsTable->horizontalHeader()->setSectionResizeMode(kFeedPathColumn, QHeaderView::Stretch);
  feedsTable->verticalHeader()->hide();

  const auto popUp = [](QComboBox* box, bool perType) {
    const QSignalBlocker quiet(box);
    box->clear();
    if (perType) box->addItem(QStringLiteral("Use Default"));
    box->addItems(
        {QStringLiteral("Desktop"), QStringLiteral("Media Library"), QStringLiteral("Original Folder")});
    box->insertSeparator(box->count());
    box->addItem(QStringLiteral("Other Folder…"));
  };
  popUp(ui_->DestinationPopUp, false);
  popUp(ui_->HomeMovieDestinationPopUp, true);
  popUp(ui_->MovieDestinationPopUp, true);
  popUp(ui_->TVShowDestinationPopUp, true);
  destinations_ = {
      {ui_->DestinationPopUp,
       ui_->DestinationPathTextField,
       {ui_->ImportFileIntoiTunesCheckBox, ui_->DeleteFileAfterImportToiTunesCheckBox,
        ui_->RunPostConversionAppleScriptCheckBox, ui_->PostConversionAppleScriptPathTextField,
        ui_->PostConversionAppleScriptBrowseButton},
       nullptr,
       setting::ShowDestination,
       setting::ImportFileIntoiTunes,
       setting::DeleteFileAfterImport,
       true},
      {ui_->HomeMovieDestinationPopUp,
       ui_->HomeMovieDestinationPathTextField,
       {ui_->ImportHomeMovieIntoiTunesCheckBox, ui_->DeleteHomeMovieAfterImportToiTunesCheckBox},
       ui_->HomeMovieDestinationTextField,
       setting::HomeMovieDestination,
       setting::ImportHomeMovieFileIntoiTunes,
       setting::DeleteHomeMovieFileAfterImport,
       false},
      {ui_->MovieDestinationPopUp,
       ui_->MovieDestinationPathTextField,
       {ui_->ImportMovieIntoiTunesCheckBox, ui_->DeleteMovieAfterImportToiTunesCheckBox},
       ui_->MovieDestinationTextField,
       setting::MovieDestination,
       setting::ImportMovieFileIntoiTunes,
       setting::DeleteMovieFileAfterImport,
       false},
      {ui_->TVShowDestinationPopUp,
       ui_->TVShowDestinationPathTextField,
       {ui_->ImportTVShowIntoiTunesCheckBox, ui_->DeleteTVShowAfterImportToiTunesCheckBox,
        ui_->CreateShowSeasonFolderCheckBox},
       ui_->TVShowDestinationTextField,
       setting::TVShowDestination,
       setting::ImportTVShowFileIntoiTunes,
       setting::DeleteTVShowFileAfterImport,
       false},
  };

  // The Mac's extra QuickTime codec package has no counterpart here: ffmpeg reads the
  // formats itself, so there is nothing to ask the user to install.
  ui_->Turbo264PerianTextField->hide();
  ui_->GetPerianButton->hide();
  ui_->ElgatoAudioSlider->setRange(0, 200);  // tenths of a second
  // "CacheDuration" is a code, not a number of days: 3 keeps files for eight days.
  for (const auto& [text, code] : {std::pair{"one hour", 1}, {"one day", 2}, {"eight days", 3}, {"ever", 4}})
    ui_->CacheDurationComboBox->addItem(QString::fromLatin1(text), code);

  ui_->ServiceCreditsLabel->setText(live::serviceCredits().join(u'\n'));
  keyTests_ = new ServiceKeyTests(this);
  keyTests_->add({QStringLiteral("TheMovieDB"), ui_->TMDBKeyTextField, nullptr, ui_->TestTMDBKeyButton,
                  ui_->TMDBKeyTestResult,
                  [](const QString& key, const QString&) { return live::testTMDBKey(key); }});
  keyTests_->add({QStringLiteral("TheTVDB"), ui_->TVDBKeyTextField, ui_->TVDBPinTextField,
                  ui_->TestTVDBKeyButton, ui_->TVDBKeyTestResult, live::testTVDBKey});

  // Return is OK's wherever the focus is; Space still presses the button in focus.
  for (QPushButton* button : window_->findChildren<QPushButton*>()) button->setAutoDefault(false);
  ui_->UpdateButton->setDefault(true);

  connectBoundControls(window_.get());
  connectControls();
  windowDidLoad();
}

void BCPreferencePanel::windowDidLoad() {
  firstrun_ = false;
  // The rules table takes its own rows only ("RulesTableRow").
  ui_->RulesTableView->setAcceptDrops(true);
  ui_->RulesTableView->setDragEnabled(true);
}

void BCPreferencePanel::connectControls() {
  ::Ui::BCPreferencePanel& u = *ui_;
  const auto press = [this](QAbstractButton* button, void (BCPreferencePanel::*action)()) {
    connect(button, &QAbstractButton::clicked, this, [this, action] { (this->*action)(); });
  };
  press(u.UpdateButton, &BCPreferencePanel::UpdateButtonPressed);
  press(u.CancelButton, &BCPreferencePanel::CancelButtonPressed);
  press(u.ResetButton, &BCPreferencePanel::ResetButtonPressed);
  press(u.ResetFileNamingButton, &BCPreferencePanel::ResetFileNaming);
  press(u.FlushCacheButton, &BCPreferencePanel::FlushCacheButtonPress);
  press(u.DirectoryForFilesUnderConversionButton,
        &BCPreferencePanel::DirectoryForFilesUnderConversionButtonPress);
  press(u.DirectoryForOriginalFilesButton, &BCPreferencePanel::DirectoryForOriginalFilesButtonPress);
  press(u.PostConversionAppleScriptBrowseButton, &BCPreferencePanel::selectPostConversionAppleScript);
  press(u.ScanForTurbo264Button, &BCPreferencePanel::ScanForTurbo264);
  press(u.AddFeedButton, &BCPreferencePanel::AddFeedButtonPress);
  press(u.DeleteFeedButton, &BCPreferencePanel::DeleteFeedButtonPress);
  press(u.AddRuleButton, &BCPreferencePanel::AddRuleButtonPress);
  press(u.DeleteRuleButton, &BCPreferencePanel::DeleteRuleButtonPress);
  // On the state change, not the click: Space and a screen reader's toggle change the
  // state without clicking. The bound setting is stored first (connected before these).
  connect(u.EnableFASTModeCheckBox, &QCheckBox::toggled, this, [this] { ChangeFASTMode(); });
  connect(u.ShowFileDetailsCheckBox, &QCheckBox::toggled, this, [this] { ChangeShowDetails(); });

  for (QCheckBox* device :
       {u.SupportiTunesCheckBox, u.SupportAppleTVCheckBox, u.SupportAppleTV2CheckBox,
        u.SupportAppleTV3CheckBox, u.SupportMobileDevicesCheckBox, u.SupportVideoEditingCheckBox})
    connect(device, &QCheckBox::clicked, this, [this] { DevicesChanged(false); });
  connect(u.HDBitrateComboBox, &QComboBox::currentTextChanged, this, [this] { BitRateSlidersMoved(); });
  connect(u.SDBitrateComboBox, &QComboBox::currentTextChanged, this, [this] { BitRateSlidersMoved(); });
  connect(u.PercentageBitrateSlider, &QSlider::valueChanged, this, [this] { BitRateSlidersMoved(); });
  connect(u.AutomateTimeStepper, &QSpinBox::valueChanged, this,
          [this](int value) { TimeStepperValueChanged(value); });
  connect(u.ElgatoAudioSlider, &QSlider::valueChanged, this,
          [this](int tenths) { ui_->ElgatoAudioTextField->setText(QString::asprintf("%f", tenths / 10.0)); });

  for (const Destination& destination : destinations_) {
    QComboBox* box = destination.popUp;
    connect(box, &QComboBox::activated, this, [this, box](int index) {
      const Destination* d = destinationOf(box);
      if (index == d->folderItem())
        SelectDestinationDirectory(box);
      else
        SelectDestinationNotADirectory(box);
    });
  }
  // The summaries follow the import and delete flags.
  for (const Destination& destination : destinations_)
    for (QWidget* control : destination.folderControls)
      if (auto* box = qobject_cast<QCheckBox*>(control))
        connect(box, &QCheckBox::toggled, this, [this] { updateDestinationStrings(); });

  // The items are checkable: a screen reader toggles them rather than clicking. Checking
  // one shows its pane; unchecking the shown pane's item checks it again.
  for (const auto& [item, pane] : toolbarItems(u)) {
    QWidget* target = pane;
    connect(item, &QAbstractButton::toggled, this, [this, target](bool checked) {
      if (checked != (shownPane_ == target)) setViewTab(target, true);
    });
  }

  connect(u.FeedsTableView, &QTableWidget::cellChanged, this,
          [this](int row, int column) { feedEdited(row, column); });
}

// ---------------------------------------------------------------- opening and leaving

void BCPreferencePanel::activatePanel(int pane, QWidget* parentWindow) {
  parentwindow_ = parentWindow;
  const bool loaded = window_ != nullptr;
  QDialog* dialog = window();
  if (loaded) windowDidLoad();
  ui_->PreferencesTabView->setCurrentIndex(pane);
  fillPreferences();
  if (pane == 3) setViewTab(ui_->VideoSourcesTabView, true);
  ui_->RulesTableView->verticalHeader()->setDefaultSectionSize(60);
  dialog->adjustSize();
  centreWindowOnWindow(dialog, parentWindow);
  hiding_ = false;
  dialog->show();
  bringWindowForward(dialog);
  dialog->exec();
}

void BCPreferencePanel::hidePanel() {
  hiding_ = true;
  if (window_) window_->QDialog::done(0);
  bringWindowForward(parentwindow_);
}

void BCPreferencePanel::UpdateButtonPressed() {
  storeBoundSettings(window());
  updatePreferences();
  Defaults::standard().synchronize();
  hidePanel();
}

void BCPreferencePanel::CancelButtonPressed() {
  revertToInitialValues();
  hidePanel();
}

void BCPreferencePanel::ResetButtonPressed() {
  // Only what the window edits: the program's own counters (the next catalogue id, the
  // number of conversions) must never start again from their defaults.
  Defaults& defaults = Defaults::standard();
  for (const QString& key : preferenceKeys()) defaults.removeObjectForKey(key);
  defaults.synchronize();
  fillPreferences();
}

void BCPreferencePanel::takeInitialValues() {
  const Defaults& defaults = Defaults::standard();
  initialValues_.clear();
  for (const QString& key : preferenceKeys())
    initialValues_.append({key, defaults.hasUserValue(key)
                                    ? std::optional<QVariant>(defaults.objectForKey(key))
                                    : std::nullopt});
}

void BCPreferencePanel::revertToInitialValues() {
  Defaults& defaults = Defaults::standard();
  for (const auto& [key, value] : initialValues_) {
    if (value)
      defaults.setObject(*value, key);
    else
      defaults.removeObjectForKey(key);
  }
  defaults.synchronize();
  if (window_) showBoundSettings(window_.get());
}

void BCPreferencePanel::writeSettingNow(SettingKey<QString> key, const QString& value) {
  Defaults::standard().set(key, value);
  if (window_) showBoundSetting(window_.get(), key.key());
}

// ---------------------------------------------------------------- store and controls

void BCPreferencePanel::fillLists() {
  const auto refill = [](QComboBox* box, const QStringList& items) {
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItems(items);
  };
  const QStringList plugins = pluginNames();
  refill(ui_->MoivePlugInComboBox, plugins);
  refill(ui_->TVShowPlugInComboBox, plugins);
  refill(ui_->LanguageForShowInformationComboBox, LanguageNameList());
}

void BCPreferencePanel::fillPreferences() {
  window();
  Defaults& defaults = Defaults::standard();
  defaults.synchronize();
  takeInitialValues();
  fillLists();
  showBoundSettings(window_.get());
  DevicesChanged(true);

  ::Ui::BCPreferencePanel& u = *ui_;
  const int format = defaults.get(setting::DefaultVideoFormat);
  selectCell(u.VersionFormatMatrix, format == 4 ? 3 : format);
  const int subtitles = defaults.get(setting::IncludeSubtitleTracks);
  selectCell(u.ImportSubtitlesMatrix, subtitles > 3 ? 2 : subtitles < 0 ? 0 : subtitles);
  selectCell(u.DefaultAudioTracksMatrix, defaults.get(setting::AddAllAudioTracks) ? 0 : 1);
  const QString type = defaults.get(setting::AssumeMediaType);
  selectCell(u.MediaTypeMatrix, type == QLatin1String("TV Show")      ? 1
                                : type == QLatin1String("Home Movie") ? 2
                                                                      : 0);
  const auto source = [&](SettingKey<int> key) {
    const int value = defaults.get(key);
    return value >= 0 && value <= 2 ? value : 0;
  };
  selectCell(u.MovieSourceMatrix, source(setting::MovieSource));
  selectCell(u.TVSourceMatrix, source(setting::TVSource));
  selectCell(u.EyeTVSelectionMatrix, defaults.get(setting::ElgatoEyeTVDevice));
  const int quality = defaults.get(setting::EncodingQuality);
  selectCell(u.EncodingQualityMatrix, quality >= 1 && quality <= 3 ? quality - 1 : 3);

  for (const Destination& destination : destinations_) fillDestination(destination);

  selectCell(u.FileFromVideoSourcesMatrix, defaults.get(setting::VideoSourcesFileAction));
  selectCell(u.FileDroppedMatrix, defaults.get(setting::DroppedFileAction));
  const int hour = defaults.get(setting::AutomaticallyScanForFilesHour);
  {
    const QSignalBlocker quiet(u.AutomateTimeStepper);
    u.AutomateTimeStepper->setValue(hour);
  }
  u.AutomateTimeTextField->setText(QStringLiteral("%1:00").arg(hour));
  {
    const QSignalBlocker quiet(u.PercentageBitrateSlider);
    u.PercentageBitrateSlider->setValue(defaults.get(setting::PercentageBitrate));
  }
  BitRateSlidersMoved();

  if (u.IfRuleEditor->numberOfRows() == 0) u.IfRuleEditor->addRow();
  if (u.ThenRuleEditor->numberOfRows() == 0) u.ThenRuleEditor->addRow();

  u.HomeMovieNameTokenField->setText(defaults.get(setting::HomeMovieName));
  u.MovieNameTokenField->setText(defaults.get(setting::MovieName));
  u.TVShowNameTokenField->setText(defaults.get(setting::TVShowName));

  ScanForTurbo264();

  const double delay = defaults.get(setting::ElgatoAudioDelay);
  {
    const QSignalBlocker quiet(u.ElgatoAudioSlider);
    u.ElgatoAudioSlider->setValue(qRound(delay * 10));
  }
  u.ElgatoAudioTextField->setText(QString::asprintf("%f", delay));

  reloadFeeds();
  rulesModel_->reload();
  setViewTab(u.DevicesTabView, false);
  updateDestinationStrings();
}

void BCPreferencePanel::updatePreferences() {
  window();
  Defaults& defaults = Defaults::standard();
  ::Ui::BCPreferencePanel& u = *ui_;
  // A matrix with no cell chosen (a stored value it cannot show) keeps the stored value.
  const auto storeRow = [&](QGroupBox* matrix, const char* key, const std::function<QVariant(int)>& value) {
    const int row = selectedCell(matrix);
    if (row >= 0) defaults.setObject(value(row), QLatin1String(key));
  };
  const auto rowNumber = [](int row) { return QVariant(row); };
  storeRow(u.VersionFormatMatrix, setting::DefaultVideoFormat.name,
           [](int row) { return QVariant(row == 3 ? 4 : row); });
  storeRow(u.ImportSubtitlesMatrix, setting::IncludeSubtitleTracks.name, rowNumber);
  storeRow(u.DefaultAudioTracksMatrix, setting::AddAllAudioTracks.name,
           [](int row) { return QVariant(row == 0); });
  storeRow(u.MediaTypeMatrix, setting::AssumeMediaType.name, [](int row) {
    return QVariant(row == 1   ? QStringLiteral("TV Show")
                    : row == 2 ? QStringLiteral("Home Movie")
                               : QStringLiteral("Movie"));
  });
  storeRow(u.MovieSourceMatrix, setting::MovieSource.name, rowNumber);
  storeRow(u.TVSourceMatrix, setting::TVSource.name, rowNumber);
  storeRow(u.EyeTVSelectionMatrix, setting::ElgatoEyeTVDevice.name, rowNumber);
  storeRow(u.EncodingQualityMatrix, setting::EncodingQuality.name,
           [](int cell) { return QVariant(cell + 1); });
  storeRow(u.FileFromVideoSourcesMatrix, setting::VideoSourcesFileAction.name, rowNumber);
  storeRow(u.FileDroppedMatrix, setting::DroppedFileAction.name, rowNumber);
  defaults.set(setting::AutomaticallyScanForFilesHour, u.AutomateTimeStepper->value());
  defaults.set(setting::PercentageBitrate, u.PercentageBitrateSlider->value());
  defaults.set(setting::ElgatoAudioDelay, u.ElgatoAudioTextField->text().toDouble());
  defaults.set(setting::HomeMovieName, u.HomeMovieNameTokenField->text());
  defaults.set(setting::MovieName, u.MovieNameTokenField->text());
  defaults.set(setting::TVShowName, u.TVShowNameTokenField->text());

  const int item = u.DestinationPopUp->currentIndex();
  defaults.set(setting::ShowDestination, item == 2   ? QStringLiteral("Original Folder")
                                         : item == 1 ? QStringLiteral("iTunes")
                                         : item == 4 ? u.DestinationPathTextField->text()
                                                     : QStringLiteral("Desktop"));

  storeVideoSources(feeds_);
  SaveConversionRules(rules_);
  defaults.synchronize();
}

void BCPreferencePanel::ResetFileNaming() {
  const QString home = QStringLiteral("Original File Name"), movie = QStringLiteral("Movie Name"),
                show = QStringLiteral("Series Name,.S,Season Number,.E,Episode Number,.,Episode Name");
  Defaults& defaults = Defaults::standard();
  defaults.set(setting::HomeMovieName, home);
  defaults.set(setting::MovieName, movie);
  defaults.set(setting::TVShowName, show);
  ui().HomeMovieNameTokenField->setText(home);
  ui_->MovieNameTokenField->setText(movie);
  ui_->TVShowNameTokenField->setText(show);
}

// ---------------------------------------------------------------- summaries and checks

void BCPreferencePanel::TimeStepperValueChanged(int value) {
  const QSignalBlocker quiet(ui().AutomateTimeStepper);
  ui_->AutomateTimeStepper->setValue(value);
  ui_->AutomateTimeTextField->setText(QStringLiteral("%1:00").arg(value));
}

void BCPreferencePanel::BitRateSlidersMoved() {
  if (bcreporter_) bcreporter_->report(QStringLiteral("Bitrate changed"), 5);
  ::Ui::BCPreferencePanel& u = ui();
  u.HDSixtyMinutes->setText(sixtyMinutes(u.HDBitrateComboBox->currentText()));
  u.SDSixtyMinutes->setText(sixtyMinutes(u.SDBitrateComboBox->currentText()));
  u.ShowHDBitrate->setText(QStringLiteral("%1 Mb/s").arg(Defaults::standard().get(setting::HDBitrate2)));
}

void BCPreferencePanel::DevicesChanged(bool byWindow) {
  const Defaults& defaults = Defaults::standard();
  const auto on = [&](SettingKey<bool> key) { return defaults.get(key); };
  if (!byWindow) {
    QString rate = QStringLiteral("4.5");
    if (on(setting::SupportAppleTV2) || on(setting::SupportAppleTV)) rate = QStringLiteral("3.5");
    writeSettingNow(setting::HDBitrate2, rate);
  }
  ::Ui::BCPreferencePanel& u = ui();
  u.ShowHDBitrate->setText(QStringLiteral("%1 Mb/s").arg(defaults.get(setting::HDBitrate2)));
  u.MaxResolution->setText(on(setting::SupportAppleTV2) || on(setting::SupportAppleTV)
                               ? QStringLiteral("1280x720 (720p)")
                               : QStringLiteral("1920x1080 (1080p)"));
  u.ConversionSpeedIndicator->setValue(on(setting::SupportMobileDevices) ? 1
                                       : on(setting::SupportAppleTV)     ? 2
                                                                         : 3);
  u.FileSizeIndicator->setValue(on(setting::SupportMobileDevices)  ? 1
                                : on(setting::SupportVideoEditing) ? 2
                                                                   : 3);
  u.VideoQualityIndicator->setValue(on(setting::SupportAppleTV) ? 1 : 2);
}

void BCPreferencePanel::ChangeFASTMode() {
  NotificationCenter::defaultCenter().post(QStringLiteral("ChangeFASTMode"), this,
                                           {{QStringLiteral("number"), 0}});
}

void BCPreferencePanel::ChangeShowDetails() {
  NotificationCenter::defaultCenter().post(QStringLiteral("ChangeShowDetails"), this,
                                           {{QStringLiteral("number"), 0}});
}

void BCPreferencePanel::ScanForTurbo264() {
  const HelperInfo info =
      run264HelperInfo(paths::toolPath(QStringLiteral("Zuvo264Helper")), QStringLiteral("/"), bcreporter_);
  if (helperSink_) helperSink_(info);
  ::Ui::BCPreferencePanel& u = ui();
  if (!info.FrameworkInstalled)
    u.TurboFrameWorkTextField->setText(QStringLiteral("Turbo.264 Framework Not Installed"));
  else if (info.FrameworkVersion != 0)
    u.TurboFrameWorkTextField->setText(
        QStringLiteral("Turbo.264 Framework Version %1 Installed").arg(info.FrameworkVersion));
  else
    u.TurboFrameWorkTextField->setText(QStringLiteral("Turbo.264 Framework Installed"));
  QString image, name = QStringLiteral("None");
  if (info.HDDeviceAvailable) {
    image = QStringLiteral("Turbo264HD.png");
    name = QStringLiteral("Turbo.264 HD");
  } else if (info.DeviceAvailable) {
    image = QStringLiteral("Turbo264.png");
    name = QStringLiteral("Turbo.264");
  }
  u.Turbo264ImageCell->setPixmap(image.isEmpty() ? QPixmap() : QPixmap(paths::resourcePath(image)));
  u.Turbo264NameTextField->setText(name);
}

// ---------------------------------------------------------------- destinations

const BCPreferencePanel::Destination* BCPreferencePanel::destinationOf(QComboBox* popUp) const {
  for (const Destination& destination : destinations_)
    if (destination.popUp == popUp) return &destination;
  return nullptr;
}

void BCPreferencePanel::showFolderControls(const Destination& destination, bool shown) {
  for (QWidget* control : destination.folderControls) control->setVisible(shown);
}

void BCPreferencePanel::fillDestination(const Destination& destination) {
  const QString value = Defaults::standard().get(destination.key);
  QStringList named{QStringLiteral("Desktop"), QStringLiteral("iTunes"), QStringLiteral("Original Folder")};
  if (!destination.isDefault) named.prepend(QLatin1String(kUseDefaultDestination));
  const int item = int(named.indexOf(value));
  const QSignalBlocker quiet(destination.popUp);
  if (item >= 0) {
    destination.popUp->setCurrentIndex(item);
    destination.pathField->clear();
    showFolderControls(destination, false);
  } else {
    destination.popUp->setCurrentIndex(destination.folderItem());
    destination.pathField->setText(value);
    showFolderControls(destination, true);
  }
}

void BCPreferencePanel::SelectDestinationNotADirectory(QComboBox* popUp) {
  const Destination* destination = destinationOf(popUp);
  if (!destination) return;
  showFolderControls(*destination, false);
  const int item = popUp->currentIndex();
  if (item < 4) destination->pathField->clear();
  QString value;
  if (destination->isDefault) {
    value = item == 2   ? QStringLiteral("Original Folder")
            : item == 1 ? QStringLiteral("iTunes")
            : item == 4 ? destination->pathField->text()
                        : QStringLiteral("Desktop");
  } else {
    static const char* const named[] = {kUseDefaultDestination, "Desktop", "iTunes", "Original Folder"};
    value = item >= 0 && item < 4 ? QString::fromLatin1(named[item])
            : item == 5           ? destination->pathField->text()
                                  : QStringLiteral("Desktop");
  }
  Defaults::standard().set(destination->key, value);
  updateDestinationStrings();
}

void BCPreferencePanel::SelectDestinationDirectory(QComboBox* popUp) {
  const Destination* destination = destinationOf(popUp);
  if (!destination) return;
  const QStringList chosen = choose(Choose::Folder);
  if (!chosen.isEmpty()) {
    Defaults::standard().set(destination->key, chosen.first());
    destination->pathField->setText(chosen.first());
    showFolderControls(*destination, true);
  } else {
    // The pop-up must show what is stored, or the next OK would store the empty path
    // field as the destination.
    if (destination->isDefault) {
      Defaults::standard().set(destination->key, QStringLiteral("iTunes"));
      destination->pathField->clear();
    }
    fillDestination(*destination);
  }
  updateDestinationStrings();
}

void BCPreferencePanel::updateDestinationStrings() {
  for (const Destination& destination : destinations_)
    if (destination.summary)
      destination.summary->setText(
          destinationSummary(destination.key, destination.importKey, destination.deleteKey));
}

// ---------------------------------------------------------------- folders, files, cache

QStringList BCPreferencePanel::choose(Choose kind) {
  if (chooser_) return chooser_(kind, window_.get());
  if (kind == Choose::Folder) {
    const QString folder = QFileDialog::getExistingDirectory(window_.get());
    return folder.isEmpty() ? QStringList{} : QStringList{folder};
  }
  const QString file = QFileDialog::getOpenFileName(window_.get());
  return file.isEmpty() ? QStringList{} : QStringList{file};
}

void BCPreferencePanel::DirectoryForFilesUnderConversionButtonPress() {
  const QStringList chosen = choose(Choose::Folder);
  if (!chosen.isEmpty()) writeSettingNow(setting::ConversionDirectory, chosen.first());
}

void BCPreferencePanel::DirectoryForOriginalFilesButtonPress() {
  const QStringList chosen = choose(Choose::Folder);
  if (!chosen.isEmpty()) writeSettingNow(setting::ConvertedFilesDirectory, chosen.first());
}

void BCPreferencePanel::selectPostConversionAppleScript() {
  if (bcreporter_) bcreporter_->report(QStringLiteral("Browse for Post Conversion Apple Script"), 3);
  const QStringList chosen = choose(Choose::File);
  if (chosen.isEmpty()) {
    if (bcreporter_) bcreporter_->report(QStringLiteral("Cancel on selecting Apple script"), 3);
    return;
  }
  writeSettingNow(setting::PostConversionApplescriptPath, chosen.first());
}

void BCPreferencePanel::FlushCacheButtonPress() {
  if (bcreporter_) bcreporter_->report(QStringLiteral("Cache Flush Button Pressed"), 2);
  if (cacheFolder_.isEmpty()) return;
  // The folder is the user's choice and may hold their own pictures and documents: only the
  // files the look-ups saved there, by the names they give them, are Zuvo's to remove. The
  // look-ups write into the folder itself, never below it.
  QStringList doomed;
  for (const QString& path : folderEntries(cacheFolder_)) {
    const QFileInfo entry(path);
    if (entry.isFile() && IsZuvoCacheFileName(entry.fileName())) doomed << path;
  }
  if (!confirmCacheFlush(doomed)) return;
  for (const QString& path : doomed) {
    QFile file(path);
    if (!file.remove() && bcreporter_)
      bcreporter_->report(
          QStringLiteral("[RED] Unable to delete cache file %1 with error :%2").arg(path, file.errorString()),
          3);
  }
}

bool BCPreferencePanel::confirmCacheFlush(const QStringList& doomed) {
  constexpr int kNamesShown = 10;
  QMessageBox box(window());
  box.setWindowTitle(QStringLiteral("Zuvo"));
  if (doomed.isEmpty()) {
    box.setIcon(QMessageBox::Information);
    box.setText(QStringLiteral("The cache folder %1 holds no cache files of Zuvo's.").arg(cacheFolder_));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return false;
  }
  QStringList names;
  for (const QString& path : doomed) names << QFileInfo(path).fileName();
  QStringList shown = names.mid(0, kNamesShown);
  if (names.size() > kNamesShown) shown << QStringLiteral("and %1 more").arg(names.size() - kNamesShown);
  box.setIcon(QMessageBox::Warning);
  box.setText(QStringLiteral("Remove %1 cache files from %2?").arg(doomed.size()).arg(cacheFolder_));
  box.setInformativeText(
      QStringLiteral(
          "Zuvo saved these answers and pictures of online look-ups there; nothing else in the folder "
          "is touched:\n%1")
          .arg(shown.join(u'\n')));
  if (names.size() > kNamesShown) box.setDetailedText(names.join(u'\n'));
  QPushButton* remove = box.addButton(QStringLiteral("Remove"), QMessageBox::DestructiveRole);
  box.setDefaultButton(box.addButton(QMessageBox::Cancel));
  box.exec();
  return box.clickedButton() == remove;
}

// ---------------------------------------------------------------- panes and lists

void BCPreferencePanel::setViewTab(QWidget* pane, bool animate) {
  (void)animate;  // the window manager moves the window; Qt has nothing to animate here
  QDialog* dialog = window();
  QStackedWidget* panes = ui_->PreferencesTabView;
  // The window is the shown pane's size plus the toolbar and the buttons around it: the
  // hidden panes must not count, or every pane would take the largest one's size.
  for (int i = 0; i < panes->count(); ++i) {
    QWidget* page = panes->widget(i);
    const QSizePolicy::Policy policy = page == pane ? QSizePolicy::Preferred : QSizePolicy::Ignored;
    page->setSizePolicy(policy, policy);
  }
  panes->setCurrentWidget(pane);
  shownPane_ = pane;
  selectToolbarItem(pane);
  panes->updateGeometry();
  dialog->layout()->invalidate();
  dialog->layout()->activate();
  const QSize size = dialog->sizeHint();
  // Keep the top edge where it was while the window takes the pane's size.
  const QRect before = dialog->geometry();
  if (dialog->isVisible())
    dialog->setGeometry(before.x(), before.y(), size.width(), size.height());
  else
    dialog->resize(size);
}

void BCPreferencePanel::selectToolbarItem(QWidget* pane) {
  for (const auto& [item, itemPane] : toolbarItems(*ui_)) item->setChecked(itemPane == pane);
}

QStringList BCPreferencePanel::pluginNames() const {
  QStringList names;
  const QDir folder(paths::applicationSupportFolder());
  for (const QFileInfo& entry : folder.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Unsorted))
    if (entry.suffix().toLower() == QLatin1String(kPluginExtension)) names << entry.completeBaseName();
  return names;
}

// ---------------------------------------------------------------- video sources

void BCPreferencePanel::reloadFeeds() {
  QTableWidget* table = ui().FeedsTableView;
  const QSignalBlocker quiet(table);
  table->setRowCount(int(feeds_.size()));
  for (int row = 0; row < feeds_.size(); ++row) {
    const Feed& feed = feeds_[row];
    table->setItem(row, kFeedNameColumn, new QTableWidgetItem(feed.name()));
    auto* recurse = new QTableWidgetItem;
    recurse->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    recurse->setCheckState(feed.recurse() ? Qt::Checked : Qt::Unchecked);
    table->setItem(row, kRecurseColumn, recurse);
    auto* path = new QTableWidgetItem(feed.path());
    path->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    table->setItem(row, kFeedPathColumn, path);
    auto* select = new QPushButton(QStringLiteral("Choose…"));
    connect(select, &QPushButton::clicked, this, [this, row] { selectFeedPath(row); });
    table->setCellWidget(row, kSelectPathColumn, select);
  }
}

void BCPreferencePanel::feedEdited(int row, int column) {
  if (row < 0 || row >= feeds_.size()) return;
  QTableWidgetItem* item = ui_->FeedsTableView->item(row, column);
  if (!item) return;
  if (column == kFeedNameColumn) feeds_[row].setName(item->text());
  if (column == kRecurseColumn) feeds_[row].setRecurse(item->checkState() == Qt::Checked);
  reloadFeeds();
}

void BCPreferencePanel::AddFeedButtonPress() {
  Feed feed;
  feed.setName(localizedString("New Source"));
  feed.setPath(paths::homeFolder());
  feed.setRecurse(false);
  feeds_ << feed;
  reloadFeeds();
}

void BCPreferencePanel::DeleteFeedButtonPress() {
  const int row = ui().FeedsTableView->currentRow();
  if (row >= 0 && row < feeds_.size() && ui_->FeedsTableView->selectionModel()->isRowSelected(row, {}))
    feeds_.removeAt(row);
  reloadFeeds();
}

void BCPreferencePanel::selectFeedPath(int row) {
  if (row < 0 || row >= feeds_.size()) return;
  for (const QString& folder : choose(Choose::Folder)) {
    const bool taken =
        std::any_of(feeds_.begin(), feeds_.end(), [&](const Feed& feed) { return feed.path() == folder; });
    if (taken) {
      myAlertPanel_.ShowAlertPanel(
          localizedString("The selected path is already present in another video source"), window_.get());
      continue;
    }
    feeds_[row].setPath(folder);
  }
  reloadFeeds();
}

// ---------------------------------------------------------------- rules

void BCPreferencePanel::AddRuleButtonPress() {
  rules_ << ruleFromEditorRows(ui().IfRuleEditor->editorRows(), ui_->ThenRuleEditor->editorRows());
  rulesModel_->reload();
  // The new rule is the last row: show it however long the list has grown, once the
  // table has laid out its new rows.
  QTimer::singleShot(0, ui_->RulesTableView, [this] { ui_->RulesTableView->scrollToBottom(); });
}

void BCPreferencePanel::DeleteRuleButtonPress() {
  QItemSelectionModel* selection = ui().RulesTableView->selectionModel();
  const QModelIndexList rows = selection ? selection->selectedRows() : QModelIndexList{};
  if (!rows.isEmpty() && rows.first().row() < rules_.size()) rules_.removeAt(rows.first().row());
  rulesModel_->reload();
}

void BCPreferencePanel::rulesDropped(const QList<int>& dragged, int row) {
  if (bcreporter_) bcreporter_->report(QStringLiteral("Rules Table Accepting Drop"), 4);
  rules_ = reorderedRules(rules_, dragged, row);
}

}  // namespace zuvo
