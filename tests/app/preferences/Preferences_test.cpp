#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "app/preferences/BCPreferencePanel.h"
#include "app/preferences/LanguageNameList.h"
#include "app/preferences/PreferenceBindings.h"
#include "app/preferences/RuleComposition.h"
#include "app/preferences/RuleEditor.h"
#include "app/preferences/RulesTableModel.h"
#include "app/support/DesktopDrag.h"
#include "app/support/WidgetApplication.h"
#include "media/LanguageRecord.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"
#include "ui_BCPreferencePanel.h"

using namespace zuvo;

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

  // A filled panel whose window is on screen.
  std::unique_ptr<BCPreferencePanel> shownPanel() {
    auto panel = makePanel();
    panel->fillPreferences();
    panel->window()->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(panel->window()));
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
      if (combo->itemData(0).isValid()) {  // items carry the stored codes
        const int code = combo->itemData(combo->count() - 1).toInt();
        defaults().setInteger(code, key);
        panel->fillPreferences();
        EXPECT_EQ(combo->currentData().toInt(), code);
        combo->setCurrentIndex(0);
        EXPECT_EQ(defaults().integerForKey(key), combo->itemData(0).toInt());
      } else if (combo->isEditable()) {
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

TEST_F(PreferencesTest, CacheDurationOffersTheFourCodesItStandsFor) {
  auto panel = makePanel();
  panel->fillPreferences();
  QComboBox* duration = panel->ui().CacheDurationComboBox;
  QStringList shown;
  for (int i = 0; i < duration->count(); ++i) shown << duration->itemText(i);
  EXPECT_EQ(shown, QStringList({"one hour", "one day", "eight days", "ever"}));
  EXPECT_EQ(duration->currentText(), "eight days") << "the registered default, code 3";
  const QList<std::pair<QString, int>> picks{{"one hour", 1}, {"ever", 4}, {"one day", 2}};
  for (const auto& [text, code] : picks) {
    duration->setCurrentIndex(duration->findText(text));
    EXPECT_EQ(defaults().integerForKey("CacheDuration"), code) << text.toStdString();
  }
  // A stored code the list does not know shows no choice and OK keeps it.
  defaults().setInteger(9, "CacheDuration");
  panel->fillPreferences();
  EXPECT_EQ(duration->currentIndex(), -1);
  panel->UpdateButtonPressed();
  EXPECT_EQ(defaults().integerForKey("CacheDuration"), 9);
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
  EXPECT_EQ(defaults().stringForKey("TVShowName"),
            "Series Name,.S,Season Number,.E,Episode Number,.,Episode Name");
  EXPECT_EQ(ui.TVShowNameTokenField->text(), "Series Name,.S,Season Number,.E,Episode Number,.,Episode Name");
}

TEST_F(PreferencesTest, CancelPutsBackWhatTheWindowChangedButNotTheProgramsOwnCounters) {
  defaults().setBool(true, "Deinterlace");
  auto panel = makePanel();
  panel->fillPreferences();
  Ui::BCPreferencePanel& ui = panel->ui();
  ui.DeinterlaceCheckBox->click();
  ui.CacheDurationComboBox->setCurrentIndex(0);
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
    seen << QString("FAST %1 %2")
                .arg(n.userInfo.value("number").toInt())
                .arg(defaults().boolForKey("EnableFASTMode"));
  });
  const auto details = centre.addObserver("ChangeShowDetails", [&](const Notification& n) {
    seen << QString("Details %1 %2")
                .arg(n.userInfo.value("number").toInt())
                .arg(defaults().boolForKey("ShowFileDetails"));
  });
  panel->ui().EnableFASTModeCheckBox->click();
  panel->ui().ShowFileDetailsCheckBox->click();
  centre.removeObserver(fast);
  centre.removeObserver(details);
  EXPECT_EQ(seen, QStringList({"FAST 0 1", "Details 0 1"}));
}

// What a screen reader and the keyboard do to the pane items and the column boxes: they
// change the state without a click, and the window follows as it does for a click.
TEST_F(PreferencesTest, PaneItemsAndColumnBoxesAnswerAccessibilityAndTheKeyboardAsAClick) {
  auto panel = shownPanel();
  Ui::BCPreferencePanel& ui = panel->ui();
  const auto toggle = [](QAbstractButton* button) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
    ASSERT_TRUE(accessible && accessible->actionInterface());
    ASSERT_TRUE(
        accessible->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  };

  toggle(ui.RulesToolbarItem);
  EXPECT_EQ(panel->shownPane(), ui.RulesTabView);
  EXPECT_TRUE(ui.RulesToolbarItem->isChecked());
  EXPECT_FALSE(ui.DevicesToolbarItem->isChecked());
  // Toggling the shown pane's item again leaves it shown and checked.
  toggle(ui.RulesToolbarItem);
  EXPECT_EQ(panel->shownPane(), ui.RulesTabView);
  EXPECT_TRUE(ui.RulesToolbarItem->isChecked());
  // Space on a focused item.
  ui.AutomateToolbarItem->setFocus();
  QTest::keyClick(ui.AutomateToolbarItem, Qt::Key_Space);
  EXPECT_EQ(panel->shownPane(), ui.AutomateTabView);

  QStringList seen;
  auto& centre = NotificationCenter::defaultCenter();
  const auto fast = centre.addObserver("ChangeFASTMode", [&](const Notification&) {
    seen << QString("FAST %1").arg(defaults().boolForKey("EnableFASTMode"));
  });
  const auto details = centre.addObserver("ChangeShowDetails", [&](const Notification&) {
    seen << QString("Details %1").arg(defaults().boolForKey("ShowFileDetails"));
  });
  toggle(ui.EnableFASTModeCheckBox);
  toggle(ui.ShowFileDetailsCheckBox);
  ui.ShowFileDetailsCheckBox->setFocus();
  QTest::keyClick(ui.ShowFileDetailsCheckBox, Qt::Key_Space);
  centre.removeObserver(fast);
  centre.removeObserver(details);
  EXPECT_EQ(seen, QStringList({"FAST 1", "Details 1", "Details 0"}));
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
  for (const char* name : {"a.mdplugin", "B.MDPLUGIN", "c.txt"})
    test::writeFile(support + "/" + name, "#!/bin/sh\n");
  auto panel = makePanel();
  QStringList names = panel->pluginNames();
  names.sort();
  EXPECT_EQ(names, QStringList({"B", "a"}));
  panel->fillPreferences();
  EXPECT_EQ(panel->ui().MoivePlugInComboBox->count(), 2);
  for (const char* name : {"a.mdplugin", "B.MDPLUGIN", "c.txt"}) QFile::remove(support + "/" + name);
}

TEST_F(PreferencesTest, OpeningShowsTheVideoSourcesPaneForChoiceThreeElseDevices) {
  for (const auto& [choice, pane] :
       {std::pair{3, "VideoSourcesTabView"}, {0, "DevicesTabView"}, {5, "DevicesTabView"}}) {
    auto panel = makePanel();
    QString shown;
    bool modal = false;
    // The encoder check keeps events flowing while the window fills: wait for its modal run.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (QApplication::activeModalWidget() != panel->window()) return;
      poll.stop();
      shown = panel->shownPane()->objectName();
      modal = true;
      panel->ui().UpdateButton->click();
    });
    poll.start(20);
    QWidget parent;
    parent.show();
    panel->activatePanel(choice, &parent);
    EXPECT_EQ(shown, pane) << choice;
    EXPECT_TRUE(modal);
    EXPECT_FALSE(panel->window()->isVisible());
  }
}

// A keyboard user ends the window with Return, from wherever the window put the focus or
// from a field, and it is OK that Return presses.
TEST_F(PreferencesTest, ReturnPressesOKWhereverTheFocusIs) {
  for (const bool fromAField : {false, true}) {
    SCOPED_TRACE(fromAField ? "from a field" : "from the first focus");
    auto panel = makePanel();
    bool ok = false, closed = false;
    int waits = 0;
    QObject::connect(panel->ui().UpdateButton, &QPushButton::clicked, [&] { ok = true; });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (QApplication::activeModalWidget() != panel->window()) return;
      // The window gives the focus as it becomes active, which takes a while on a busy machine.
      if (!panel->window()->focusWidget() && ++waits < 250) return;
      poll.stop();
      QWidget* focus = panel->window()->focusWidget();
      if (fromAField)
        for (QCheckBox* box : panel->window()->findChildren<QCheckBox*>())
          if (box->isVisible()) {
            box->setFocus();
            focus = box;
            break;
          }
      EXPECT_TRUE(focus) << "nothing in the window has the focus";
      if (focus) QTest::keyClick(focus, Qt::Key_Return);
      closed = !panel->window()->isVisible();
      if (!closed) panel->ui().CancelButton->click();
    });
    poll.start(20);
    QWidget parent;
    parent.show();
    panel->activatePanel(0, &parent);
    EXPECT_TRUE(closed) << "Return left the window open";
    EXPECT_TRUE(ok) << "Return did not press OK";
  }
}

// Each toolbar item shows its pane in a window of that pane's own size, the top edge
// staying where it was.
TEST_F(PreferencesTest, EachPaneGivesTheWindowItsOwnSize) {
  auto panel = shownPanel();
  QDialog* window = panel->window();
  Ui::BCPreferencePanel& ui = panel->ui();
  const struct {
    QToolButton* item;
    QWidget* pane;
  } panes[] = {{ui.DevicesToolbarItem, ui.DevicesTabView},
               {ui.RulesToolbarItem, ui.RulesTabView},
               {ui.AutomateToolbarItem, ui.AutomateTabView},
               {ui.ConvertedFileToolbarItem, ui.ConvertedFileView},
               {ui.TurboToolbarItem, ui.HardwareTabView}};
  QList<int> heights;
  int chrome = -1;
  const int top = window->geometry().top();
  for (const auto& p : panes) {
    SCOPED_TRACE(p.pane->objectName().toStdString());
    QTest::mouseClick(p.item, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(panel->shownPane(), p.pane);
    EXPECT_EQ(window->geometry().top(), top);
    const int height = window->height();
    heights << height;
    // The window is the pane plus the same toolbar and buttons, whatever the pane.
    if (chrome < 0) chrome = height - p.pane->sizeHint().height();
    EXPECT_EQ(height - p.pane->sizeHint().height(), chrome);
    EXPECT_GE(p.pane->height(), p.pane->sizeHint().height() - 1) << "the pane is not squeezed";
  }
  std::sort(heights.begin(), heights.end());
  EXPECT_LT(heights.first() + 100, heights.last()) << "a small pane gives a small window";
}

TEST_F(PreferencesTest, FlushCacheAsksNamingZuvosCacheFilesAndRemovesOnlyThose) {
  // The cache folder is the user's choice, here a folder of their photos as well.
  const QStringList zuvos{"80379.tvdbftc", "TV80379.2.5.jpg", "MOVIEAmelie.2001.0.jpg",
                          "the office-2-5.tagchimpftc"};
  const QStringList users{"Holiday.jpg", "IMG_0001.JPG",    "TV night.jpg",    "notes.txt",
                          "work.mp4",    "sub/TV1.1.1.jpg", "sub/show.tvdbftc"};
  struct Case {
    const char* what;
    QStringList present;
    const char* answer;
    bool removed;
  } cases[] = {
      {"confirmed", zuvos + users, "Remove", true},
      {"cancelled", zuvos + users, "Cancel", false},
      {"nothing of Zuvo's to remove", users, "OK", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    cache = test::freshFolder("cache");
    QDir().mkpath(cache + "/sub");
    for (const QString& name : c.present) test::writeFile(cache + "/" + name, "bytes of " + name.toUtf8());
    auto panel = makePanel();

    // The user opens the preferences, goes to the pane with the button, presses it, answers
    // the question and leaves with OK.
    QString asked;
    bool pressed = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        asked = box->text() + "\n" + box->informativeText();
        for (QAbstractButton* button : box->buttons())
          if (button->text().remove('&') == c.answer) button->click();
        return;
      }
      if (modal != panel->window() || pressed) return;
      pressed = true;
      panel->ui().GeneralToolbarItem->click();
      QTimer::singleShot(0, [&] {
        EXPECT_TRUE(panel->ui().FlushCacheButton->isVisible());
        panel->ui().FlushCacheButton->click();
        panel->ui().UpdateButton->click();
      });
    });
    poll.start(20);
    QWidget parent;
    parent.show();
    panel->activatePanel(0, &parent);
    poll.stop();

    ASSERT_TRUE(pressed);
    if (c.present.contains(zuvos.first())) {
      EXPECT_TRUE(asked.contains(QStringLiteral("Remove 4 cache files from %1?").arg(cache)))
          << asked.toStdString();
      for (const QString& name : zuvos) EXPECT_TRUE(asked.contains(name)) << name.toStdString();
    } else {
      EXPECT_TRUE(asked.contains("holds no cache files")) << asked.toStdString();
    }
    for (const QString& name : users)
      EXPECT_FALSE(asked.contains("\n" + QFileInfo(name).fileName())) << name.toStdString();
    for (const QString& name : c.present) {
      const bool gone = c.removed && zuvos.contains(name);
      EXPECT_EQ(QFile::exists(cache + "/" + name), !gone) << name.toStdString();
      if (!gone) {
        EXPECT_EQ(test::readFile(cache + "/" + name), "bytes of " + name.toUtf8()) << name.toStdString();
      }
    }
  }
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

// ---------------------------------------------------------------- rules

TEST_F(PreferencesTest, RuleEditorRowsBecomeOneRuleStoredAtOK) {
  auto panel = makePanel();
  panel->fillPreferences();
  RuleEditor& conditions = *panel->ui().IfRuleEditor;
  RuleEditor& actions = *panel->ui().ThenRuleEditor;
  ASSERT_EQ(conditions.numberOfRows(), 1);
  ASSERT_EQ(actions.numberOfRows(), 1);

  ASSERT_TRUE(conditions.selectCriteria(0, {"", "Media Type", "is", "TV Show"}));
  conditions.addRow(0);
  ASSERT_TRUE(conditions.selectCriteria(1, {"", "Filename", "contains"}));
  conditions.textFieldForRow(1)->setText("first");
  conditions.addRow(1);
  ASSERT_TRUE(conditions.selectCriteria(2, {"", "Filename", "contains"}));
  conditions.textFieldForRow(2)->setText("Simpsons");
  conditions.addRow(2);
  ASSERT_TRUE(conditions.selectCriteria(3, {"", "Video Height", "is less than or equal to "}));
  conditions.setTextForRow(3, "720");

  ASSERT_TRUE(actions.selectCriteria(0, {"Change", "Conversion Quality", "to", "High"}));
  actions.addRow(0);
  ASSERT_TRUE(actions.selectCriteria(1, {"Change", "To 16:9 Aspect Ratio"}));
  actions.addRow(1);
  ASSERT_TRUE(actions.selectCriteria(2, {"Change", "Show/Movie Name", "to"}));
  actions.setTextForRow(2, "The Simpsons");
  EXPECT_FALSE(actions.selectCriteria(2, {"Change", "Colour"}));

  panel->AddRuleButtonPress();
  ASSERT_EQ(panel->rules().size(), 1);
  const BCConversionRule& rule = panel->rules()[0];
  EXPECT_EQ(rule.IfConditions(),
            BCConversionRule::Dictionary({{0, "TV Show"}, {1, "Simpsons"}, {3, "<720"}}));
  EXPECT_EQ(rule.ThenActions().value(4), QVariant("High"));
  EXPECT_EQ(rule.ThenActions().value(7).typeId(), QMetaType::Bool);
  EXPECT_EQ(rule.ThenActions().value(7), QVariant(true));
  EXPECT_EQ(rule.ThenActions().value(1), QVariant("The Simpsons"));
  // The editors keep their rows for the next rule.
  EXPECT_EQ(conditions.numberOfRows(), 4);
  EXPECT_EQ(conditions.textForRow(2), "Simpsons");

  const QAbstractItemModel& table = panel->rulesModel();
  ASSERT_EQ(table.rowCount(), 1);
  EXPECT_EQ(table.index(0, RulesTableModel::NumberColumn).data().toInt(), 1);
  EXPECT_EQ(table.index(0, RulesTableModel::RuleColumn).data().toString(), rule.description());

  EXPECT_TRUE(ConversionRulesFromSettings({}).isEmpty()) << "nothing is stored before OK";
  panel->UpdateButtonPressed();
  const QList<BCConversionRule> stored = ConversionRulesFromSettings({});
  ASSERT_EQ(stored.size(), 1);
  EXPECT_EQ(stored[0], rule);
  EXPECT_EQ(stored[0].description(), rule.description());
}

// The pop-ups of a rule-editor row that the user sees, left to right.
QList<QComboBox*> rowPopUps(RuleEditor& editor, int row) {
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QList<QComboBox*> shown;
  QWidget* rowWidget = editor.textFieldForRow(row) ? editor.textFieldForRow(row)->parentWidget() : nullptr;
  for (QComboBox* box : editor.findChildren<QComboBox*>())
    if (!box->isHidden() && (!rowWidget || box->parentWidget() == rowWidget)) shown << box;
  std::sort(shown.begin(), shown.end(), [](QComboBox* a, QComboBox* b) { return a->x() < b->x(); });
  return shown;
}

// A user builds "Source Folder is <dropped folder>" then "Artwork to <dropped file>" with
// the keyboard and the mouse: the values are the local paths, a kind change starts its
// value afresh, and the keyboard stays on the pop-up being worked.
TEST_F(PreferencesTest, RuleValuesDroppedFromTheDesktopAreLocalPathsAndKindChangesStartAfresh) {
  const QString folder = test::freshFolder("Recordings of mine");
  const QString artwork = test::writeFile(folder + "/cover art.png", "png");
  auto panel = makePanel();
  panel->fillPreferences();
  QDialog* window = panel->window();
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  RuleEditor& conditions = *panel->ui().IfRuleEditor;

  // Media Type → Filename (a text value) by the keyboard on the kind pop-up.
  QComboBox* kind = rowPopUps(conditions, 0).value(0);
  ASSERT_NE(kind, nullptr);
  ASSERT_EQ(kind->currentText(), "Media Type");
  kind->setFocus();
  QTest::keyClick(kind, Qt::Key_Down);
  ASSERT_NE(conditions.textFieldForRow(0), nullptr);
  EXPECT_EQ(conditions.criteriaForRow(0)[1]->displayValue(), "Filename");
  auto* focused = qobject_cast<QComboBox*>(QApplication::focusWidget());
  ASSERT_NE(focused, nullptr) << "the keyboard left the row";
  EXPECT_EQ(focused->currentText(), "Filename");
  EXPECT_EQ(focused->parentWidget(), conditions.textFieldForRow(0)->parentWidget());

  QTest::keyClicks(conditions.textFieldForRow(0), "Simpsons");
  EXPECT_EQ(conditions.textForRow(0), "Simpsons");
  QTest::keyClick(focused, Qt::Key_Down);  // Source Folder
  EXPECT_EQ(conditions.criteriaForRow(0)[1]->displayValue(), "Source Folder");
  EXPECT_EQ(conditions.textFieldForRow(0)->text(), "") << "the file name is no folder";
  EXPECT_EQ(conditions.textForRow(0), "");

  ASSERT_TRUE(test::dragFilesOnto(conditions.textFieldForRow(0), {folder}));
  EXPECT_EQ(conditions.textFieldForRow(0)->text(), folder);
  RuleEditor& actions = *panel->ui().ThenRuleEditor;
  ASSERT_TRUE(actions.selectCriteria(0, {"Change", "Artwork", "to"}));
  ASSERT_TRUE(test::dragFilesOnto(actions.textFieldForRow(0), {artwork}));
  EXPECT_EQ(actions.textForRow(0), artwork);

  QTest::mouseClick(panel->ui().AddRuleButton, Qt::LeftButton);
  ASSERT_EQ(panel->rules().size(), 1);
  EXPECT_EQ(panel->rules()[0].IfConditions(), BCConversionRule::Dictionary({{2, folder}}));
  EXPECT_EQ(panel->rules()[0].ThenActions(), BCConversionRule::Dictionary({{5, artwork}}));
  panel->ui().UpdateButton->click();
  EXPECT_EQ(ConversionRulesFromSettings({}).value(0).IfConditions().value(2), QVariant(folder));
}

TEST_F(PreferencesTest, ANewRuleIsScrolledIntoView) {
  auto panel = makePanel();
  panel->fillPreferences();
  QDialog* window = panel->window();
  panel->setViewTab(panel->ui().RulesTabView, false);
  window->show();
  QTableView* table = panel->ui().RulesTableView;
  table->verticalHeader()->setDefaultSectionSize(60);
  table->setFixedHeight(150);
  QApplication::processEvents();
  for (int i = 0; i < 8; ++i) {
    QTest::mouseClick(panel->ui().AddRuleButton, Qt::LeftButton);
    QApplication::processEvents();
    const QRect row = table->visualRect(panel->rulesModel().index(i, 0));
    EXPECT_TRUE(table->viewport()->rect().contains(row)) << "rule " << i + 1 << " at " << row.y();
  }
}

TEST_F(PreferencesTest, VideoHeightConditionTakesItsComparisonFromTheOperator) {
  const struct {
    const char* op;
    const char* value;
  } cases[] = {{"is greater than or equal to", ">720"}, {"is less than or equal to ", "<720"}};
  for (const auto& c : cases) {
    const BCConversionRule rule = ruleFromEditorRows({{{"", "Video Height", c.op, ""}, "720"}}, {});
    EXPECT_EQ(rule.IfConditions().value(3), QVariant(c.value)) << c.op;
  }
  // A rule with nothing in it is kept as built; unknown kinds add nothing.
  const BCConversionRule empty = ruleFromEditorRows({{{"", "Colour", "is", "Red"}, ""}}, {{{"Change"}, ""}});
  EXPECT_TRUE(empty.IfConditions().isEmpty());
  EXPECT_TRUE(empty.ThenActions().isEmpty());
}

BCConversionRule named(const char* name) {
  BCConversionRule rule;
  rule.addThenAction(RuleActionCode::ShowName, name);
  return rule;
}

QString order(const QList<BCConversionRule>& rules) {
  QString text;
  for (const BCConversionRule& rule : rules) text += rule.ThenActions().value(1).toString();
  return text;
}

TEST_F(PreferencesTest, DraggedRulesMoveToTheDropRowInTheirOldOrder) {
  const struct {
    QList<int> dragged;
    int row;
    const char* expected;
  } cases[] = {
      {{1, 3}, 0, "BDAC"}, {{1, 3}, 1, "ABDC"}, {{0}, 4, "BCDA"}, {{2}, 2, "ABCD"}, {{3, 9}, 0, "DABC"}};
  auto panel = makePanel();
  panel->fillPreferences();
  RulesTableModel& model = panel->rulesModel();
  for (const auto& c : cases) {
    const QList<BCConversionRule> abcd{named("A"), named("B"), named("C"), named("D")};
    EXPECT_EQ(order(reorderedRules(abcd, c.dragged, c.row)), c.expected);

    // The same through the table: the rows travel under "RulesTableRow".
    while (!panel->rules().isEmpty()) {
      panel->ui().RulesTableView->selectRow(0);
      panel->DeleteRuleButtonPress();
    }
    for (const char* name : {"A", "B", "C", "D"}) {
      panel->ui().IfRuleEditor->selectCriteria(0, {"", "Filename", "contains"});
      panel->ui().ThenRuleEditor->selectCriteria(0, {"Change", "Show/Movie Name", "to"});
      panel->ui().ThenRuleEditor->setTextForRow(0, name);
      panel->AddRuleButtonPress();
    }
    QModelIndexList indexes;
    for (int row : c.dragged) indexes << model.index(row, 0);
    std::unique_ptr<QMimeData> data(model.mimeData(indexes));
    ASSERT_TRUE(data->hasFormat("RulesTableRow"));
    model.dropMimeData(data.get(), Qt::MoveAction, c.row, 0, {});
    EXPECT_EQ(order(panel->rules()), c.expected);
  }
  // A drop without the rules' own type changes nothing.
  const QString before = order(panel->rules());
  QMimeData text;
  text.setText("A");
  model.dropMimeData(&text, Qt::MoveAction, 0, 0, {});
  EXPECT_EQ(order(panel->rules()), before);
}

TEST_F(PreferencesTest, DeletingARuleNeedsASelectedRow) {
  auto panel = makePanel();
  panel->fillPreferences();
  panel->AddRuleButtonPress();
  panel->AddRuleButtonPress();
  panel->ui().RulesTableView->clearSelection();
  panel->DeleteRuleButtonPress();
  EXPECT_EQ(panel->rules().size(), 2);
  panel->ui().RulesTableView->selectRow(1);
  panel->DeleteRuleButtonPress();
  EXPECT_EQ(panel->rules().size(), 1);
}

TEST_F(PreferencesTest, RulesAndSourcesEditedThenCancelledComeBackAtTheNextOpeningAndOKStoresThem) {
  auto panel = makePanel();
  panel->fillPreferences();
  panel->AddRuleButtonPress();
  panel->AddFeedButtonPress();
  panel->CancelButtonPressed();
  EXPECT_TRUE(ConversionRulesFromSettings({}).isEmpty());
  EXPECT_TRUE(loadVideoSources().isEmpty());
  panel->fillPreferences();
  EXPECT_EQ(panel->ui().FeedsTableView->rowCount(), 1);
  EXPECT_EQ(panel->rulesModel().rowCount(), 1);
  EXPECT_EQ(panel->ui().IfRuleEditor->numberOfRows(), 1);
  panel->ResetButtonPressed();
  EXPECT_EQ(panel->ui().IfRuleEditor->numberOfRows(), 1);
  panel->UpdateButtonPressed();
  EXPECT_EQ(ConversionRulesFromSettings({}).size(), 1);
  EXPECT_EQ(loadVideoSources().size(), 1);
}

// ---------------------------------------------------------------- destinations

struct DestinationCase {
  const char* key;
  const char* value;
  const char* popUp;
  int item;
  const char* folderControl;  // shown only for a folder
  const char* summaryField;   // null for the default destination
  const char* summary;
};

TEST_F(PreferencesTest, EachDestinationShowsItsStoredChoiceAndSummary) {
  const DestinationCase cases[] = {
      {"ShowDestination", "Desktop", "DestinationPopUp", 0, "RunPostConversionAppleScriptCheckBox", nullptr,
       nullptr},
      {"ShowDestination", "iTunes", "DestinationPopUp", 1, "ImportFileIntoiTunesCheckBox", nullptr, nullptr},
      {"ShowDestination", "Original Folder", "DestinationPopUp", 2, "PostConversionAppleScriptBrowseButton",
       nullptr, nullptr},
      {"ShowDestination", "/srv/out", "DestinationPopUp", 4, "RunPostConversionAppleScriptCheckBox", nullptr,
       nullptr},
      {"HomeMovieDestination", "Use Default", "HomeMovieDestinationPopUp", 0,
       "ImportHomeMovieIntoiTunesCheckBox", "HomeMovieDestinationTextField",
       "Import converted file into iTunes"},
      {"HomeMovieDestination", "Desktop", "HomeMovieDestinationPopUp", 1,
       "DeleteHomeMovieAfterImportToiTunesCheckBox", "HomeMovieDestinationTextField",
       "Place converted file onto the Desktop"},
      {"MovieDestination", "Original Folder", "MovieDestinationPopUp", 3, "ImportMovieIntoiTunesCheckBox",
       "MovieDestinationTextField", "Place converted file into the same folder as the orignal file"},
      {"MovieDestination", "/media/Films", "MovieDestinationPopUp", 5, "ImportMovieIntoiTunesCheckBox",
       "MovieDestinationTextField", "Place converted file into Films import into iTunes"},
      {"TVShowDestination", "Desktop", "TVShowDestinationPopUp", 1, "CreateShowSeasonFolderCheckBox",
       "TVShowDestinationTextField", "Place converted file onto the Desktop"},
      {"TVShowDestination", "iTunes", "TVShowDestinationPopUp", 2, "CreateShowSeasonFolderCheckBox",
       "TVShowDestinationTextField", "Import converted file into iTunes"},
      {"TVShowDestination", "/srv/tv/", "TVShowDestinationPopUp", 5, "CreateShowSeasonFolderCheckBox",
       "TVShowDestinationTextField", "Place converted file into tv import into iTunes"},
  };
  auto panel = makePanel();
  QDialog* window = panel->window();
  for (DestinationCase c : cases) {
    const QString value = c.value;
    SCOPED_TRACE(QString("%1 = %2").arg(c.key, value).toStdString());
    defaults().setString(value, c.key);
    panel->fillPreferences();
    const bool folder = c.item == (QString(c.key) == "ShowDestination" ? 4 : 5);
    EXPECT_EQ(window->findChild<QComboBox*>(c.popUp)->currentIndex(), c.item);
    const QString pathField = QString(c.popUp).replace("PopUp", "PathTextField");
    EXPECT_EQ(window->findChild<QLineEdit*>(pathField)->text(), folder ? value : QString());
    EXPECT_EQ(!window->findChild<QWidget*>(c.folderControl)->isHidden(), folder);
    if (c.summaryField) {
      EXPECT_EQ(window->findChild<QLabel*>(c.summaryField)->text(), c.summary);
    }
    defaults().removeObjectForKey(c.key);
  }
}

TEST_F(PreferencesTest, AMovieFolderSummarySaysImportAndDeleteInThatOrder) {
  defaults().setString("/media/Films", "MovieDestination");
  defaults().setBool(true, "ImportMovieFileIntoiTunes");
  defaults().setBool(true, "DeleteMovieFileAfterImport");
  auto panel = makePanel();
  panel->fillPreferences();
  EXPECT_EQ(panel->ui().MovieDestinationTextField->text(),
            "Place converted file into Films import into iTunes then delete");
  panel->ui().DeleteMovieAfterImportToiTunesCheckBox->click();
  EXPECT_EQ(panel->ui().MovieDestinationTextField->text(),
            "Place converted file into Films import into iTunes");
}

TEST_F(PreferencesTest, PerTypeChoicesAreWrittenAtOnceAndLeaveTheDefaultAlone) {
  defaults().setString("/srv/default", "ShowDestination");
  auto panel = makePanel();
  panel->fillPreferences();
  Ui::BCPreferencePanel& ui = panel->ui();
  const struct {
    QComboBox* popUp;
    int item;
    const char* key;
    const char* value;
  } choices[] = {{ui.MovieDestinationPopUp, 1, "MovieDestination", "Desktop"},
                 {ui.MovieDestinationPopUp, 0, "MovieDestination", "Use Default"},
                 {ui.HomeMovieDestinationPopUp, 3, "HomeMovieDestination", "Original Folder"},
                 {ui.TVShowDestinationPopUp, 2, "TVShowDestination", "iTunes"}};
  for (const auto& c : choices) {
    c.popUp->setCurrentIndex(c.item);
    emit c.popUp->activated(c.item);
    EXPECT_EQ(defaults().stringForKey(c.key), c.value);
  }
  EXPECT_EQ(ui.MovieDestinationTextField->text(), "Place converted file into default import into iTunes");
  EXPECT_EQ(defaults().stringForKey("ShowDestination"), "/srv/default");
  EXPECT_EQ(ui.DestinationPathTextField->text(), "/srv/default");
  panel->UpdateButtonPressed();
  EXPECT_EQ(defaults().stringForKey("ShowDestination"), "/srv/default");

  // The folder item asks for a folder and takes it at once.
  panel->fillPreferences();
  answers = {{"/srv/tv"}};
  ui.TVShowDestinationPopUp->setCurrentIndex(5);
  emit ui.TVShowDestinationPopUp->activated(5);
  EXPECT_EQ(defaults().stringForKey("TVShowDestination"), "/srv/tv");
  EXPECT_EQ(ui.TVShowDestinationPathTextField->text(), "/srv/tv");
  EXPECT_FALSE(ui.CreateShowSeasonFolderCheckBox->isHidden());
  // A cancelled choice for a type keeps what it had.
  ui.TVShowDestinationPopUp->setCurrentIndex(1);
  emit ui.TVShowDestinationPopUp->activated(1);
  ui.TVShowDestinationPopUp->setCurrentIndex(5);
  emit ui.TVShowDestinationPopUp->activated(5);
  EXPECT_EQ(defaults().stringForKey("TVShowDestination"), "Desktop");
  EXPECT_EQ(ui.TVShowDestinationPopUp->currentIndex(), 1);
}

TEST_F(PreferencesTest, ACancelledDefaultFolderFallsBackToTheLibraryAndOKKeepsIt) {
  auto panel = makePanel();
  defaults().setString("Desktop", "ShowDestination");
  panel->fillPreferences();
  Ui::BCPreferencePanel& ui = panel->ui();
  ui.DestinationPopUp->setCurrentIndex(4);
  emit ui.DestinationPopUp->activated(4);
  EXPECT_EQ(defaults().stringForKey("ShowDestination"), "iTunes");
  EXPECT_EQ(ui.DestinationPathTextField->text(), "");
  EXPECT_EQ(ui.DestinationPopUp->currentIndex(), 1);
  panel->UpdateButtonPressed();
  EXPECT_EQ(defaults().stringForKey("ShowDestination"), "iTunes");
}

// ---------------------------------------------------------------- video sources

TEST_F(PreferencesTest, VideoSourcesAreAddedEditedRemovedAndStoredAtOK) {
  auto panel = makePanel();
  panel->fillPreferences();
  QTableWidget& table = *panel->ui().FeedsTableView;
  EXPECT_EQ(table.rowCount(), 0);
  panel->AddFeedButtonPress();
  panel->AddFeedButtonPress();
  ASSERT_EQ(table.rowCount(), 2);
  EXPECT_EQ(table.item(0, 0)->text(), "New Source");
  EXPECT_EQ(table.item(0, 1)->checkState(), Qt::Unchecked);
  EXPECT_EQ(table.item(0, 2)->text(), paths::homeFolder());
  EXPECT_FALSE(table.item(0, 2)->flags() & Qt::ItemIsEditable);

  table.item(1, 0)->setText("Recordings");
  table.item(1, 1)->setCheckState(Qt::Checked);
  const QString recordings = test::freshFolder("recordings");
  answers = {{recordings}};
  panel->selectFeedPath(1);
  EXPECT_EQ(table.item(1, 2)->text(), recordings);

  // Row 0 may not take a folder another source has.
  QString alert;
  QTimer::singleShot(50, [&] {
    alert = panel->alertPanel().message();
    panel->alertPanel().CloseAlertPanelButtonPress();
  });
  answers = {{recordings}};
  panel->selectFeedPath(0);
  EXPECT_EQ(alert, "The selected path is already present in another video source");
  EXPECT_EQ(panel->feeds()[0].path(), paths::homeFolder());

  table.clearSelection();
  panel->DeleteFeedButtonPress();
  EXPECT_EQ(table.rowCount(), 2);

  panel->UpdateButtonPressed();
  const QList<Feed> stored = loadVideoSources();
  ASSERT_EQ(stored.size(), 2);
  EXPECT_EQ(stored[0].description(), "Feed name:New Source path:" + paths::homeFolder() + " recurse:NO");
  EXPECT_EQ(stored[1].description(), "Feed name:Recordings path:" + recordings + " recurse:YES");

  panel->fillPreferences();
  table.selectRow(0);
  panel->DeleteFeedButtonPress();
  ASSERT_EQ(table.rowCount(), 1);
  panel->UpdateButtonPressed();
  ASSERT_EQ(loadVideoSources().size(), 1);
  EXPECT_EQ(loadVideoSources()[0].name(), "Recordings");
}

TEST_F(PreferencesTest, ChoosingASourcesOwnFolderAgainShowsTheDuplicateAlert) {
  auto panel = makePanel();
  panel->fillPreferences();
  panel->AddFeedButtonPress();
  int alerts = 0;
  QTimer::singleShot(50, [&] {
    ++alerts;
    panel->alertPanel().CloseAlertPanelButtonPress();
  });
  answers = {{paths::homeFolder()}};
  panel->selectFeedPath(0);
  EXPECT_EQ(alerts, 1);
  EXPECT_EQ(panel->feeds()[0].path(), paths::homeFolder());
  // Cancelled: nothing changes, nothing is said.
  panel->selectFeedPath(0);
  EXPECT_EQ(panel->feeds()[0].path(), paths::homeFolder());
}

}  // namespace
