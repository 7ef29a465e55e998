#include "app/preferences/PreferenceBindings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {

const std::vector<PreferenceBinding>& preferenceBindings() {
  static const std::vector<PreferenceBinding> table{
      // Devices
      {"SupportiTunesCheckBox", setting::SupportiTunes.name},
      {"SupportAppleTVCheckBox", setting::SupportAppleTV.name},
      {"SupportAppleTV2CheckBox", setting::SupportAppleTV2.name},
      {"SupportAppleTV3CheckBox", setting::SupportAppleTV3.name},
      {"SupportMobileDevicesCheckBox", setting::SupportMobileDevices.name},
      {"SupportVideoEditingCheckBox", setting::SupportVideoEditing.name},
      // General
      {"CheckVideoSourcesOnStartUpCheckBox", setting::CheckVideoSourcesOnStartUp.name},
      {"ShowStatusItemCheckBox", setting::ShowStatusItem.name},
      {"QueueAlwaysOntopCheckBox", setting::QueueAlwaysOntop.name},
      {"GrowlStickyCheckBox", setting::GrowlSticky.name},
      {"EnableLoggingCheckBox", setting::EnableLogging.name},
      {"EnableFASTModeCheckBox", setting::EnableFASTMode.name},
      {"ShowFileDetailsCheckBox", setting::ShowFileDetails.name},
      {"CacheInformationCheckBox", setting::CacheInformation.name},
      {"CacheDurationComboBox", setting::CacheDuration.name},
      {"ConversionDirectoryTextField", setting::ConversionDirectory.name},
      {"ConvertedFilesDirectoryTextField", setting::ConvertedFilesDirectory.name},
      {"AdditionalExtensionsTextField", setting::AdditionalExtensions.name},
      // Conversion
      {"HDBitrateComboBox", setting::HDBitrate2.name},
      {"SDBitrateComboBox", setting::SDBitrate2.name},
      {"FrameRateTypeComboBox", setting::FrameRateType.name},
      {"ConversionThreadsSpinBox", setting::ConversionThreads.name},
      {"AudioBitrateSpinBox", setting::AudioBitrate.name},
      {"AudioVolumeSpinBox", setting::AudioVolume.name},
      {"DeinterlaceCheckBox", setting::Deinterlace.name},
      {"ForceSDCheckBox", setting::ForceSD.name},
      {"NormalizeStereoAudioCheckBox", setting::NormalizeStereoAudio.name},
      {"DefaultUnlabledTracksToUsersLanguageCheckBox", setting::DefaultUnlabledTracksToUsersLanguage.name},
      {"AutoscanForDVDSubtitlesCheckBox", setting::AutoscanForDVDSubtitles.name},
      {"MTSPreprocessCheckBox", setting::MTSPreprocess.name},
      {"iPod5GAtomCheckBox", setting::iPod5GAtom.name},
      // Automate
      {"AutomaticallyScanForFilesCheckBox", setting::AutomaticallyScanForFiles.name},
      {"ScanVideoSourcesEveryMinutesCheckBox", setting::ScanVideoSourcesEveryMinutes.name},
      {"AutomateEveryMinutesSpinBox", setting::AutomateEveryMinutes.name},
      {"AutomaticallyConvertFilesCheckBox", setting::AutomaticallyConvertFiles.name},
      {"AutomaticallyConvertAllFilesCheckBox", setting::AutomaticallyConvertAllFiles.name},
      {"AutomaticallyCheckForDuplicatesCheckBox", setting::AutomaticallyCheckForDuplicates.name},
      {"AutomaticallyDeleteDuplicatesCheckBox", setting::AutomaticallyDeleteDuplicates.name},
      // Advanced
      {"PreserveOriginalFileModifyTimeCheckBox", setting::PreserveOriginalFileModifyTime.name},
      {"PreserveOriginalFileNameCheckBox", setting::PreserveOriginalFileName.name},
      {"AlternateDVDImportCheckBox", setting::AlternateDVDImport.name},
      {"AlternateDVDDetectionCheckBox", setting::AlternateDVDDetection.name},
      // Metadata
      {"AutomaticallyLookUpShowInformationCheckBox", setting::AutomaticallyLookUpShowInformation.name},
      {"GuessAtUnmatchedShowNamesCheckBox", setting::GuessAtUnmatchedShowNames.name},
      {"ImportExistingMP4InformationCheckBox", setting::ImportExistingMP4Information.name},
      {"ForceEnglishLookupCheckBox", setting::ForceEnglishLookup.name},
      {"MoivePlugInComboBox", setting::MoviePlugIn.name},
      {"TVShowPlugInComboBox", setting::TVShowPlugIn.name},
      {"LanguageForShowInformationComboBox", setting::LanguageForShowInformation.name},
      {"CountryForRatingsComboBox", setting::CountryForRatings.name},
      {"TMDBKeyTextField", setting::TheMovieDBKey.name},
      {"TVDBKeyTextField", setting::TheTVDBKey.name},
      {"TVDBPinTextField", setting::TheTVDBPIN.name},
      // Hardware encoder
      {"EnableTurbo264CheckBox", setting::EnableTurbo264.name},
      // Destinations
      {"ImportFileIntoiTunesCheckBox", setting::ImportFileIntoiTunes.name},
      {"DeleteFileAfterImportToiTunesCheckBox", setting::DeleteFileAfterImport.name},
      {"RunPostConversionAppleScriptCheckBox", setting::RunPostConversionAppleScript.name},
      {"PostConversionAppleScriptPathTextField", setting::PostConversionApplescriptPath.name},
      {"ImportHomeMovieIntoiTunesCheckBox", setting::ImportHomeMovieFileIntoiTunes.name},
      {"DeleteHomeMovieAfterImportToiTunesCheckBox", setting::DeleteHomeMovieFileAfterImport.name},
      {"ImportMovieIntoiTunesCheckBox", setting::ImportMovieFileIntoiTunes.name},
      {"DeleteMovieAfterImportToiTunesCheckBox", setting::DeleteMovieFileAfterImport.name},
      {"ImportTVShowIntoiTunesCheckBox", setting::ImportTVShowFileIntoiTunes.name},
      {"DeleteTVShowAfterImportToiTunesCheckBox", setting::DeleteTVShowFileAfterImport.name},
      {"CreateShowSeasonFolderCheckBox", setting::CreateTVShowShowSeasonFolder.name},
  };
  return table;
}

const QStringList& preferenceKeys() {
  static const QStringList keys = [] {
    QStringList list;
    for (const PreferenceBinding& binding : preferenceBindings()) list << QString::fromLatin1(binding.key);
    // Converted controls and the choices written at once.
    for (const char* key : {setting::DefaultVideoFormat.name,
                            setting::IncludeSubtitleTracks.name,
                            setting::AddAllAudioTracks.name,
                            setting::AssumeMediaType.name,
                            setting::MovieSource.name,
                            setting::TVSource.name,
                            setting::ElgatoEyeTVDevice.name,
                            setting::EncodingQuality.name,
                            setting::VideoSourcesFileAction.name,
                            setting::DroppedFileAction.name,
                            setting::AutomaticallyScanForFilesHour.name,
                            setting::PercentageBitrate.name,
                            setting::ElgatoAudioDelay.name,
                            setting::HomeMovieName.name,
                            setting::MovieName.name,
                            setting::TVShowName.name,
                            setting::ShowDestination.name,
                            setting::HomeMovieDestination.name,
                            setting::MovieDestination.name,
                            setting::TVShowDestination.name})
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
bool isCoded(const QComboBox* combo) {
  return !combo->isEditable() && combo->count() > 0 && combo->itemData(0).isValid();
}

void show(QWidget* control, const QString& key) {
  const Defaults& defaults = Defaults::standard();
  const QSignalBlocker quiet(control);
  if (auto* box = qobject_cast<QCheckBox*>(control))
    box->setChecked(defaults.boolForKey(key));
  else if (auto* spin = qobject_cast<QSpinBox*>(control))
    spin->setValue(defaults.integerForKey(key));
  else if (auto* field = qobject_cast<QLineEdit*>(control))
    field->setText(isList(key) ? defaults.stringArrayForKey(key).join(QStringLiteral(", "))
                               : defaults.stringForKey(key));
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
