#include "app/preferences/PreferenceBindings.h"

#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

namespace zuvo {

const std::vector<PreferenceBinding>& preferenceBindings() {
  static const std::vector<PreferenceBinding> table{
      // Devices
      {"SupportiTunesCheckBox", "SupportiTunes"},
      {"SupportAppleTVCheckBox", "SupportAppleTV"},
      {"SupportAppleTV2CheckBox", "SupportAppleTV2"},
      {"SupportAppleTV3CheckBox", "SupportAppleTV3"},
      {"SupportMobileDevicesCheckBox", "SupportMobileDevices"},
      {"SupportVideoEditingCheckBox", "SupportVideoEditing"},
      // General
      {"CheckVideoSourcesOnStartUpCheckBox", "CheckVideoSourcesOnStartUp"},
      {"ShowStatusItemCheckBox", "ShowStatusItem"},
      {"QueueAlwaysOntopCheckBox", "QueueAlwaysOntop"},
      {"GrowlStickyCheckBox", "GrowlSticky"},
      {"EnableLoggingCheckBox", "EnableLogging"},
      {"EnableFASTModeCheckBox", "EnableFASTMode"},
      {"ShowFileDetailsCheckBox", "ShowFileDetails"},
      {"CacheInformationCheckBox", "CacheInformation"},
      {"CacheDurationComboBox", "CacheDuration"},
      {"ConversionDirectoryTextField", "ConversionDirectory"},
      {"ConvertedFilesDirectoryTextField", "ConvertedFilesDirectory"},
      {"AdditionalExtensionsTextField", "AdditionalExtensions"},
      // Conversion
      {"HDBitrateComboBox", "HDBitrate2"},
      {"SDBitrateComboBox", "SDBitrate2"},
      {"FrameRateTypeComboBox", "FrameRateType"},
      {"ConversionThreadsSpinBox", "ConversionThreads"},
      {"AudioBitrateSpinBox", "AudioBitrate"},
      {"AudioVolumeSpinBox", "AudioVolume"},
      {"DeinterlaceCheckBox", "Deinterlace"},
      {"ForceSDCheckBox", "ForceSD"},
      {"NormalizeStereoAudioCheckBox", "NormalizeStereoAudio"},
      {"DefaultUnlabledTracksToUsersLanguageCheckBox", "DefaultUnlabledTracksToUsersLanguage"},
      {"AutoscanForDVDSubtitlesCheckBox", "AutoscanForDVDSubtitles"},
      {"MTSPreprocessCheckBox", "MTSPreprocess"},
      {"iPod5GAtomCheckBox", "iPod5GAtom"},
      // Automate
      {"AutomaticallyScanForFilesCheckBox", "AutomaticallyScanForFiles"},
      {"ScanVideoSourcesEveryMinutesCheckBox", "ScanVideoSourcesEveryMinutes"},
      {"AutomateEveryMinutesSpinBox", "AutomateEveryMinutes"},
      {"AutomaticallyConvertFilesCheckBox", "AutomaticallyConvertFiles"},
      {"AutomaticallyConvertAllFilesCheckBox", "AutomaticallyConvertAllFiles"},
      {"AutomaticallyCheckForDuplicatesCheckBox", "AutomaticallyCheckForDuplicates"},
      {"AutomaticallyDeleteDuplicatesCheckBox", "AutomaticallyDeleteDuplicates"},
      // Advanced
      {"PreserveOriginalFileModifyTimeCheckBox", "PreserveOriginalFileModifyTime"},
      {"PreserveOriginalFileNameCheckBox", "PreserveOriginalFileName"},
      {"AlternateDVDImportCheckBox", "AlternateDVDImport"},
      {"AlternateDVDDetectionCheckBox", "AlternateDVDDetection"},
      // Metadata
      {"AutomaticallyLookUpShowInformationCheckBox", "AutomaticallyLookUpShowInformation"},
      {"GuessAtUnmatchedShowNamesCheckBox", "GuessAtUnmatchedShowNames"},
      {"ImportExistingMP4InformationCheckBox", "ImportExistingMP4Information"},
      {"ForceEnglishLookupCheckBox", "ForceEnglishLookup"},
      {"MoivePlugInComboBox", "MoviePlugIn"},
      {"TVShowPlugInComboBox", "TVShowPlugIn"},
      {"LanguageForShowInformationComboBox", "LanguageForShowInformation"},
      {"CountryForRatingsComboBox", "CountryForRatings"},
      {"TMDBKeyTextField", "TheMovieDBKey"},
      {"TVDBKeyTextField", "TheTVDBKey"},
      {"TVDBPinTextField", "TheTVDBPIN"},
      // Hardware encoder
      {"EnableTurbo264CheckBox", "EnableTurbo264"},
      // Destinations
      {"ImportFileIntoiTunesCheckBox", "ImportFileIntoiTunes"},
      {"DeleteFileAfterImportToiTunesCheckBox", "DeleteFileAfterImport"},
      {"RunPostConversionAppleScriptCheckBox", "RunPostConversionAppleScript"},
      {"PostConversionAppleScriptPathTextField", "PostConversionApplescriptPath"},
      {"ImportHomeMovieIntoiTunesCheckBox", "ImportHomeMovieFileIntoiTunes"},
      {"DeleteHomeMovieAfterImportToiTunesCheckBox", "DeleteHomeMovieFileAfterImport"},
      {"ImportMovieIntoiTunesCheckBox", "ImportMovieFileIntoiTunes"},
      {"DeleteMovieAfterImportToiTunesCheckBox", "DeleteMovieFileAfterImport"},
      {"ImportTVShowIntoiTunesCheckBox", "ImportTVShowFileIntoiTunes"},
      {"DeleteTVShowAfterImportToiTunesCheckBox", "DeleteTVShowFileAfterImport"},
      {"CreateShowSeasonFolderCheckBox", "CreateTVShowShowSeasonFolder"},
  };
  return table;
}

const QStringList& preferenceKeys() {
  static const QStringList keys = [] {
    QStringList list;
    for (const PreferenceBinding& binding : preferenceBindings()) list << QString::fromLatin1(binding.key);
    // Converted controls and the choices written at once.
    for (const char* key :
         {"DefaultVideoFormat", "IncludeSubtitleTracks", "AddAllAudioTracks", "AssumeMediaType", "MovieSource",
          "TVSource", "ElgatoEyeTVDevice", "EncodingQuality", "VideoSourcesFileAction", "DroppedFileAction",
          "AutomaticallyScanForFilesHour", "PercentageBitrate", "ElgatoAudioDelay", "HomeMovieName", "MovieName",
          "TVShowName", "ShowDestination", "HomeMovieDestination", "MovieDestination", "TVShowDestination"})
      list << QString::fromLatin1(key);
    list.removeDuplicates();
    return list;
  }();
  return keys;
}

namespace {

bool isList(const QString& key) {
  for (const RegisteredSetting& setting : registeredSettings())
    if (key == QLatin1String(setting.key)) return setting.type == SettingType::StringList;
  return false;
}

QStringList splitList(const QString& text) {
  QStringList items;
  for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
    if (!item.trimmed().isEmpty()) items << item.trimmed();
  return items;
}

// A list whose items carry the codes the setting stores, not their texts.
bool isCoded(const QComboBox* combo) { return !combo->isEditable() && combo->count() > 0 && combo->itemData(0).isValid(); }

void show(QWidget* control, const QString& key) {
  const Defaults& defaults = Defaults::standard();
  const QSignalBlocker quiet(control);
  if (auto* box = qobject_cast<QCheckBox*>(control))
    box->setChecked(defaults.boolForKey(key));
  else if (auto* spin = qobject_cast<QSpinBox*>(control))
    spin->setValue(defaults.integerForKey(key));
  else if (auto* field = qobject_cast<QLineEdit*>(control))
    field->setText(isList(key) ? defaults.stringArrayForKey(key).join(QStringLiteral(", ")) : defaults.stringForKey(key));
  else if (auto* combo = qobject_cast<QComboBox*>(control)) {
    const QString value = defaults.stringForKey(key);
    if (isCoded(combo))
      combo->setCurrentIndex(combo->findData(defaults.integerForKey(key)));
    else if (combo->isEditable())
      combo->setEditText(value);
    else
      combo->setCurrentIndex(combo->findText(value));
  }
}

void store(QWidget* control, const QString& key) {
  Defaults& defaults = Defaults::standard();
  if (auto* box = qobject_cast<QCheckBox*>(control))
    defaults.setBool(box->isChecked(), key);
  else if (auto* spin = qobject_cast<QSpinBox*>(control))
    defaults.setInteger(spin->value(), key);
  else if (auto* field = qobject_cast<QLineEdit*>(control))
    defaults.setObject(isList(key) ? QVariant(splitList(field->text())) : QVariant(field->text()), key);
  else if (auto* combo = qobject_cast<QComboBox*>(control)) {
    // A fixed list with nothing chosen leaves the stored value alone.
    if (isCoded(combo)) {
      if (combo->currentIndex() >= 0) defaults.setInteger(combo->currentData().toInt(), key);
    } else if (combo->isEditable() || combo->currentIndex() >= 0) {
      defaults.setString(combo->currentText(), key);
    }
  }
}

template <class F>
void eachBound(QWidget* window, F&& f) {
  for (const PreferenceBinding& binding : preferenceBindings())
    if (auto* control = window->findChild<QWidget*>(QLatin1String(binding.control)))
      f(control, QString::fromLatin1(binding.key));
}

}  // namespace

void showBoundSettings(QWidget* window) { eachBound(window, show); }

void showBoundSetting(QWidget* window, const QString& key) {
  eachBound(window, [&](QWidget* control, const QString& bound) {
    if (bound == key) show(control, key);
  });
}

void storeBoundSettings(QWidget* window) { eachBound(window, store); }

void connectBoundControls(QWidget* window) {
  eachBound(window, [](QWidget* control, const QString& key) {
    const auto write = [control, key] { store(control, key); };
    if (auto* box = qobject_cast<QCheckBox*>(control))
      QObject::connect(box, &QCheckBox::toggled, box, write);
    else if (auto* spin = qobject_cast<QSpinBox*>(control))
      QObject::connect(spin, &QSpinBox::valueChanged, spin, write);
    else if (auto* field = qobject_cast<QLineEdit*>(control))
      QObject::connect(field, &QLineEdit::editingFinished, field, write);
    else if (auto* combo = qobject_cast<QComboBox*>(control))
      QObject::connect(combo, &QComboBox::currentTextChanged, combo, write);
  });
}

}  // namespace zuvo
