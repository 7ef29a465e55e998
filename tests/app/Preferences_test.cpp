#include "app/BCPreferencePanel.h"
#include "app/LanguageNameList.h"
#include "app/PreferenceBindings.h"
#include "app/RuleComposition.h"
#include "app/RuleEditor.h"
#include "app/RulesTableModel.h"
#include "media/LanguageRecord.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"
#include "ui_BCPreferencePanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zuvo;

QCoreApplication* zuvo::test::makeApplication(int& argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return new QApplication(argc, argv);
}

namespace {

class PreferencesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Defaults::standard().setStorageFile(test::freshFolder("settings") + "/Zuvo.conf");
    registerSettingDefaults();
    cache = test::freshFolder("cache");
  }

  // A panel made the way the controller makes it, with the desktop's dialogs replaced.
  std::unique_ptr<BCPreferencePanel> makePanel() {
    auto panel = std::make_unique<BCPreferencePanel>(BCCReporter::path(cache + "/main.log"));
    panel->setCacheFolder(cache);
    panel->setChooser([this](BCPreferencePanel::Choose kind, QWidget*) {
      kinds << kind;
      return answers.isEmpty() ? QStringList{} : answers.takeFirst();
    });
    return panel;
  }

  Defaults& defaults() { return Defaults::standard(); }

  QString cache;
  QList<QStringList> answers;  // what the next choosers answer; none: cancelled
  QList<BCPreferencePanel::Choose> kinds;
};

int checkedCell(QWidget* window, const QString& matrix) {
  const QList<QRadioButton*> all = window->findChild<QGroupBox*>(matrix)->findChildren<QRadioButton*>();
  for (int i = 0; i < all.size(); ++i)
    if (all[i]->isChecked()) return i;
  return -1;
}

// ---------------------------------------------------------------- bound settings

TEST_F(PreferencesTest, EveryBoundControlShowsItsSettingAndWritesTheUsersChangeAtOnce) {
  auto panel = makePanel();
  QDialog* window = panel->window();
  for (const PreferenceBinding& binding : preferenceBindings()) {
    const QString key = binding.key;
    SCOPED_TRACE(key.toStdString());
    auto* control = window->findChild<QWidget*>(binding.control);
    ASSERT_NE(control, nullptr) << binding.control;
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
      const bool stored = !defaults().boolForKey(key);
      defaults().setBool(stored, key);
      panel->fillPreferences();
      EXPECT_EQ(box->isChecked(), stored);
      box->click();
      EXPECT_EQ(defaults().boolForKey(key), !stored);
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
      defaults().setInteger(spin->minimum() + 3, key);
      panel->fillPreferences();
      EXPECT_EQ(spin->value(), spin->minimum() + 3);
      spin->setValue(spin->minimum() + 5);
      EXPECT_EQ(defaults().integerForKey(key), spin->minimum() + 5);
    } else if (auto* field = qobject_cast<QLineEdit*>(control)) {
      const bool list = key == "AdditionalExtensions";
      if (list)
        defaults().setObject(QStringList{"DV", "VOB"}, key);
      else
        defaults().setString("/stored/" + key, key);
      panel->fillPreferences();
      EXPECT_EQ(field->text(), list ? QString("DV, VOB") : "/stored/" + key);
      field->setText(list ? "TS, , M2V" : "/edited/" + key);
      emit field->editingFinished();
      if (list)
        EXPECT_EQ(defaults().stringArrayForKey(key), QStringList({"TS", "M2V"}));
      else
        EXPECT_EQ(defaults().stringForKey(key), "/edited/" + key);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
      if (combo->isEditable()) {
        defaults().setString("7.25", key);
        panel->fillPreferences();
        EXPECT_EQ(combo->currentText(), "7.25");
        combo->setEditText("8.5");
        EXPECT_EQ(defaults().stringForKey(key), "8.5");
      } else {
        const QString other = combo->itemText(combo->count() - 1);
        defaults().setString(other, key);
        panel->fillPreferences();
        EXPECT_EQ(combo->currentText(), other);
        combo->setCurrentIndex(0);
        EXPECT_EQ(defaults().stringForKey(key), combo->itemText(0));
      }
    } else {
      ADD_FAILURE() << "control of an unknown kind";
    }
  }
}

struct ConvertedCase {
  const char* key;
  QVariant stored;
  const char* matrix;  // null: not a matrix
  int cell;            // the cell shown
  QVariant written;    // what OK stores
};

TEST_F(PreferencesTest, ConvertedControlsShowTheStoredValueAndOKStoresTheirOwn) {
  const ConvertedCase cases[] = {
      {"DefaultVideoFormat", 4, "VersionFormatMatrix", 3, 4},
      {"DefaultVideoFormat", 2, "VersionFormatMatrix", 2, 2},
      {"DefaultVideoFormat", 0, "VersionFormatMatrix", 0, 0},
      {"EncodingQuality", 0, "EncodingQualityMatrix", 3, 4},
      {"EncodingQuality", 7, "EncodingQualityMatrix", 3, 4},
      {"EncodingQuality", 1, "EncodingQualityMatrix", 0, 1},
      {"EncodingQuality", 2, "EncodingQualityMatrix", 1, 2},
      {"EncodingQuality", 3, "EncodingQualityMatrix", 2, 3},
      {"IncludeSubtitleTracks", 9, "ImportSubtitlesMatrix", 2, 2},
      {"IncludeSubtitleTracks", -1, "ImportSubtitlesMatrix", 0, 0},
      {"IncludeSubtitleTracks", 3, "ImportSubtitlesMatrix", 3, 3},
      {"AddAllAudioTracks", true, "DefaultAudioTracksMatrix", 0, true},
      {"AddAllAudioTracks", false, "DefaultAudioTracksMatrix", 1, false},
      {"AssumeMediaType", "TV Show", "MediaTypeMatrix", 1, "TV Show"},
      {"AssumeMediaType", "Home Movie", "MediaTypeMatrix", 2, "Home Movie"},
      {"AssumeMediaType", "Cartoon", "MediaTypeMatrix", 0, "Movie"},
      {"MovieSource", 3, "MovieSourceMatrix", 0, 0},
      {"MovieSource", 2, "MovieSourceMatrix", 2, 2},
      {"TVSource", 1, "TVSourceMatrix", 1, 1},
      {"ElgatoEyeTVDevice", 1, "EyeTVSelectionMatrix", 1, 1},
      {"VideoSourcesFileAction", 1, "FileFromVideoSourcesMatrix", 1, 1},
      {"DroppedFileAction", 2, "FileDroppedMatrix", 2, 2},
      // A value no cell shows selects none, and OK leaves it as it was.
      {"DroppedFileAction", 7, "FileDroppedMatrix", -1, 7},
  };
  auto panel = makePanel();
  QDialog* window = panel->window();
  for (const ConvertedCase& c : cases) {
    SCOPED_TRACE(QString("%1 = %2").arg(c.key, c.stored.toString()).toStdString());
    defaults().setObject(c.stored, c.key);
    panel->fillPreferences();
    EXPECT_EQ(checkedCell(window, c.matrix), c.cell);
    defaults().setObject("overwritten", c.key);
    if (c.cell < 0) defaults().setObject(c.stored, c.key);
    panel->UpdateButtonPressed();
    EXPECT_EQ(defaults().objectForKey(c.key).toString(), c.written.toString());
  }
}

TEST_F(PreferencesTest, StepperSliderDelayAndNamingFieldsRoundTrip) {
  defaults().setInteger(7, "AutomaticallyScanForFilesHour");
  defaults().setInteger(80, "PercentageBitrate");
  defaults().setDouble(2.5, "ElgatoAudioDelay");
  defaults().setString("Movie Name,.,Year", "MovieName");
  auto panel = makePanel();
  panel->fillPreferences();
  Ui::BCPreferencePanel& ui = panel->ui();
  EXPECT_EQ(ui.AutomateTimeStepper->value(), 7);
  EXPECT_EQ(ui.AutomateTimeTextField->text(), "7:00");
  EXPECT_EQ(ui.PercentageBitrateSlider->value(), 80);
  EXPECT_EQ(ui.ElgatoAudioTextField->text(), "2.500000");
  EXPECT_EQ(ui.ElgatoAudioSlider->value(), 25);
  EXPECT_EQ(ui.MovieNameTokenField->text(), "Movie Name,.,Year");
  EXPECT_EQ(ui.HomeMovieNameTokenField->text(), "Original File Name");

  ui.AutomateTimeStepper->setValue(22);
  EXPECT_EQ(ui.AutomateTimeTextField->text(), "22:00");
  ui.PercentageBitrateSlider->setValue(120);
  ui.ElgatoAudioTextField->setText("1.25");
  ui.TVShowNameTokenField->setText("Series Name,.,Episode Name");
  panel->UpdateButtonPressed();
  EXPECT_EQ(defaults().integerForKey("AutomaticallyScanForFilesHour"), 22);
  EXPECT_EQ(defaults().integerForKey("PercentageBitrate"), 120);
  EXPECT_DOUBLE_EQ(defaults().doubleForKey("ElgatoAudioDelay"), 1.25);
  EXPECT_EQ(defaults().stringForKey("TVShowName"), "Series Name,.,Episode Name");

  panel->ResetFileNaming();
  EXPECT_EQ(defaults().stringForKey("MovieName"), "Movie Name");
  EXPECT_EQ(defaults().stringForKey("TVShowName"), "Series Name,.S,Season Number,.E,Episode Number,.,Episode Name");
  EXPECT_EQ(ui.TVShowNameTokenField->text(), "Series Name,.S,Season Number,.E,Episode Number,.,Episode Name");
}

TEST_F(PreferencesTest, CancelPutsBackWhatTheWindowChangedButNotTheProgramsOwnCounters) {
  defaults().setBool(true, "Deinterlace");
  auto panel = makePanel();
  panel->fillPreferences();
  Ui::BCPreferencePanel& ui = panel->ui();
  ui.DeinterlaceCheckBox->click();
  ui.CacheDurationSpinBox->setValue(9);
  ui.MovieDestinationPopUp->setCurrentIndex(1);
  panel->SelectDestinationNotADirectory(ui.MovieDestinationPopUp);
  ASSERT_FALSE(defaults().boolForKey("Deinterlace"));
  ASSERT_EQ(defaults().stringForKey("MovieDestination"), "Desktop");
  // A conversion finishing while the window is open.
  defaults().setInteger(42, "NextCNID");

  panel->CancelButtonPressed();
  EXPECT_TRUE(defaults().boolForKey("Deinterlace"));
  EXPECT_FALSE(defaults().hasUserValue("CacheDuration"));
  EXPECT_EQ(defaults().stringForKey("MovieDestination"), "iTunes");
  EXPECT_EQ(defaults().integerForKey("NextCNID"), 42);
  EXPECT_TRUE(ui.DeinterlaceCheckBox->isChecked());
}

TEST_F(PreferencesTest, ResetGivesTheWindowsSettingsTheirDefaultsAndALaterCancelKeepsThem) {
  defaults().setBool(true, "Deinterlace");
  defaults().setInteger(4, "DefaultVideoFormat");
  defaults().setInteger(77, "SucessfulConversions");
  defaults().setBool(false, "FirstRunWithDevices");
  auto panel = makePanel();
  panel->fillPreferences();
  panel->ResetButtonPressed();
  EXPECT_FALSE(defaults().boolForKey("Deinterlace"));
  EXPECT_EQ(checkedCell(panel->window(), "VersionFormatMatrix"), 0);
  EXPECT_FALSE(panel->ui().DeinterlaceCheckBox->isChecked());
  EXPECT_EQ(defaults().integerForKey("SucessfulConversions"), 77);
  EXPECT_FALSE(defaults().boolForKey("FirstRunWithDevices"));
  panel->CancelButtonPressed();
  EXPECT_FALSE(defaults().boolForKey("Deinterlace"));
  EXPECT_EQ(defaults().integerForKey("DefaultVideoFormat"), 0);
}

// ---------------------------------------------------------------- devices and bitrates

TEST_F(PreferencesTest, DeviceChoicesSetTheHDBitrateAndTheSummary) {
  defaults().setBool(false, "SupportAppleTV2");
  defaults().setString("6.5", "HDBitrate2");
  auto panel = makePanel();
  panel->fillPreferences();
  Ui::BCPreferencePanel& ui = panel->ui();
  EXPECT_EQ(defaults().stringForKey("HDBitrate2"), "6.5") << "opening never changes the rate";
  EXPECT_EQ(ui.MaxResolution->text(), "1920x1080 (1080p)");

  ui.SupportAppleTVCheckBox->click();
  EXPECT_EQ(defaults().stringForKey("HDBitrate2"), "3.5");
  EXPECT_EQ(ui.MaxResolution->text(), "1280x720 (720p)");
  EXPECT_EQ(ui.ShowHDBitrate->text(), "3.5 Mb/s");
  EXPECT_EQ(ui.HDBitrateComboBox->currentText(), "3.5");
  EXPECT_EQ(ui.VideoQualityIndicator->value(), 1);
  EXPECT_EQ(ui.ConversionSpeedIndicator->value(), 2);

  ui.SupportAppleTVCheckBox->click();
  ui.SupportMobileDevicesCheckBox->click();
  EXPECT_EQ(defaults().stringForKey("HDBitrate2"), "4.5");
  EXPECT_EQ(ui.MaxResolution->text(), "1920x1080 (1080p)");
  EXPECT_EQ(ui.ConversionSpeedIndicator->value(), 1);
  EXPECT_EQ(ui.FileSizeIndicator->value(), 1);
}

TEST_F(PreferencesTest, BitrateSummaryGivesTheSizeOfAnHour) {
  auto panel = makePanel();
  panel->fillPreferences();
  Ui::BCPreferencePanel& ui = panel->ui();
  ui.HDBitrateComboBox->setEditText("3.5");
  ui.SDBitrateComboBox->setEditText("1.5");
  EXPECT_EQ(ui.HDSixtyMinutes->text(), "1573 MB");
  EXPECT_EQ(ui.SDSixtyMinutes->text(), "673 MB");
}

TEST_F(PreferencesTest, FASTAndDetailsBoxesPostTheirNotificationsAfterStoring) {
  auto panel = makePanel();
  panel->fillPreferences();
  QStringList seen;
  auto& centre = NotificationCenter::defaultCenter();
  const auto fast = centre.addObserver("ChangeFASTMode", [&](const Notification& n) {
    seen << QString("FAST %1 %2").arg(n.userInfo.value("number").toInt()).arg(defaults().boolForKey("EnableFASTMode"));
  });
  const auto details = centre.addObserver("ChangeShowDetails", [&](const Notification& n) {
    seen << QString("Details %1 %2").arg(n.userInfo.value("number").toInt()).arg(defaults().boolForKey("ShowFileDetails"));
  });
  panel->ui().EnableFASTModeCheckBox->click();
  panel->ui().ShowFileDetailsCheckBox->click();
  centre.removeObserver(fast);
  centre.removeObserver(details);
  EXPECT_EQ(seen, QStringList({"FAST 0 1", "Details 0 1"}));
}

TEST_F(PreferencesTest, EncoderCheckReplacesTheSharedRecordAndShowsItsAnswer) {
  auto panel = makePanel();
  HelperInfo answer;
  answer.DeviceAvailable = true;  // what a stale record might say
  int calls = 0;
  panel->setHelperInfoSink([&](const HelperInfo& info) {
    answer = info;
    ++calls;
  });
  panel->fillPreferences();
  EXPECT_EQ(calls, 1);
  // The helper runs without the vendor framework here.
  EXPECT_EQ(answer, HelperInfo{});
  EXPECT_EQ(panel->ui().TurboFrameWorkTextField->text(), "Turbo.264 Framework Not Installed");
  EXPECT_EQ(panel->ui().Turbo264NameTextField->text(), "None");
}

// ---------------------------------------------------------------- lists and panes

TEST_F(PreferencesTest, LanguageListStartsWithAutomaticAndDropsTheNameThatSortsFirst) {
  const QStringList& names = LanguageNameList();
  // "Automatic" and every row of the built-in table.
  ASSERT_EQ(names.size(), LanguageCount() + 1);
  EXPECT_EQ(names.mid(0, 3), QStringList({"Automatic", "Abkhazian", "Afar"}));
  EXPECT_FALSE(names.contains("1453-"));
  EXPECT_EQ(names.count("Automatic"), 2);
  EXPECT_EQ(names.count("Norwegian"), 2);
}

TEST_F(PreferencesTest, PluginListsShowMetadataPluginsOfAnyLetterCase) {
  const QString support = paths::applicationSupportFolder();
  QDir().mkpath(support);
  for (const char* name : {"a.mdplugin", "B.MDPLUGIN", "c.txt"}) test::writeFile(support + "/" + name, "#!/bin/sh\n");
  auto panel = makePanel();
  QStringList names = panel->pluginNames();
  names.sort();
  EXPECT_EQ(names, QStringList({"B", "a"}));
  panel->fillPreferences();
  EXPECT_EQ(panel->ui().MoivePlugInComboBox->count(), 2);
  for (const char* name : {"a.mdplugin", "B.MDPLUGIN", "c.txt"}) QFile::remove(support + "/" + name);
}

TEST_F(PreferencesTest, OpeningShowsTheVideoSourcesPaneForChoiceThreeElseDevices) {
  for (const auto& [choice, pane] : {std::pair{3, "VideoSourcesTabView"}, {0, "DevicesTabView"}, {5, "DevicesTabView"}}) {
    auto panel = makePanel();
    QString shown;
    bool modal = false;
    QTimer::singleShot(50, [&] {
      shown = panel->shownPane()->objectName();
      modal = QApplication::activeModalWidget() == panel->window();
      panel->ui().UpdateButton->click();
    });
    QWidget parent;
    parent.show();
    panel->activatePanel(choice, &parent);
    EXPECT_EQ(shown, pane) << choice;
    EXPECT_TRUE(modal);
    EXPECT_FALSE(panel->window()->isVisible());
  }
}

TEST_F(PreferencesTest, CacheFlushRemovesOnlyCacheFiles) {
  const QStringList doomed{cache + "/show.tvdbftc", cache + "/sub/movie.movieinfo2", cache + "/art.jpg"};
  const QStringList kept{cache + "/work.mp4", cache + "/sub/notes.txt"};
  QDir().mkpath(cache + "/sub");
  for (const QString& path : doomed + kept) test::writeFile(path, "x");
  auto panel = makePanel();
  panel->FlushCacheButtonPress();
  for (const QString& path : doomed) EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
  for (const QString& path : kept) EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
}

TEST_F(PreferencesTest, ChosenFoldersAndScriptAreWrittenAtOnce) {
  auto panel = makePanel();
  panel->fillPreferences();
  answers = {{"/srv/work"}, {"/srv/originals"}, {"/usr/local/bin/after"}};
  panel->DirectoryForFilesUnderConversionButtonPress();
  panel->DirectoryForOriginalFilesButtonPress();
  panel->selectPostConversionAppleScript();
  EXPECT_EQ(kinds, QList({BCPreferencePanel::Choose::Folder, BCPreferencePanel::Choose::Folder,
                          BCPreferencePanel::Choose::File}));
  EXPECT_EQ(defaults().stringForKey("ConversionDirectory"), "/srv/work");
  EXPECT_EQ(defaults().stringForKey("ConvertedFilesDirectory"), "/srv/originals");
  EXPECT_EQ(defaults().stringForKey("PostConversionApplescriptPath"), "/usr/local/bin/after");
  EXPECT_EQ(panel->ui().ConversionDirectoryTextField->text(), "/srv/work");
  // OK writes the bound fields back: the choices must survive it.
  panel->UpdateButtonPressed();
  EXPECT_EQ(defaults().stringForKey("ConversionDirectory"), "/srv/work");
  panel->selectPostConversionAppleScript();  // cancelled
  EXPECT_EQ(defaults().stringForKey("PostConversionApplescriptPath"), "/usr/local/bin/after");
}

}  // namespace
