#include "media/RegisteredSettings.h"

#include "platform/Defaults.h"
#include "platform/Paths.h"

#include <QStringList>

namespace zuvo {

const std::vector<RegisteredSetting>& registeredSettings() {
  // Built on first use: the folder defaults depend on the environment.
  static const std::vector<RegisteredSetting> table{
      {"ConversionDirectory", SettingType::String, paths::defaultCacheFolder()},
      {"ConvertedFilesDirectory", SettingType::String, paths::moviesFolder()},
      {"AssumeMediaType", SettingType::String, QString("Home Movie")},
      {"ShowDestination", SettingType::String, QString("iTunes")},
      {"FrameRateType", SettingType::String, QString("NTSC")},
      {"HDBitrate2", SettingType::String, QString("3.5")},
      {"SDBitrate2", SettingType::String, QString("1.5")},
      {"PostConversionApplescriptPath", SettingType::String, paths::homeFolder()},
      {"CountryForRatings", SettingType::String, QString("Automatic")},
      {"LanguageForShowInformation", SettingType::String, QString("Automatic")},
      {"HomeMovieName", SettingType::String, QString("Original File Name")},
      {"MovieName", SettingType::String, QString("Movie Name")},
      {"TVShowName", SettingType::String, QString("Series Name,.S,Season Number,.E,Episode Number,.,Episode Name")},
      {"HomeMovieDestination", SettingType::String, QString("Desktop")},
      {"MovieDestination", SettingType::String, QString("iTunes")},
      {"TVShowDestination", SettingType::String, QString("iTunes")},
      {"AdditionalExtensions", SettingType::StringList, QStringList{"DV"}},
      {"MoviePlugIn", SettingType::String, QString("")},
      {"TVShowPlugIn", SettingType::String, QString("")},
      {"AutomaticallyLookUpShowInformation", SettingType::Bool, true},
      {"AutomaticallyCheckForDuplicates", SettingType::Bool, false},
      {"CheckVideoSourcesOnStartUp", SettingType::Bool, false},
      {"CacheInformation", SettingType::Bool, true},
      {"AutomaticallyScanForFiles", SettingType::Bool, false},
      {"AutomaticallyDeleteDuplicates", SettingType::Bool, false},
      {"AutomaticallyConvertFiles", SettingType::Bool, false},
      {"AutomaticallyConvertAllFiles", SettingType::Bool, false},
      {"ShowStatusItem", SettingType::Bool, true},
      {"AddAllAudioTracks", SettingType::Bool, true},
      {"ImportFileIntoiTunes", SettingType::Bool, true},
      {"DeleteFileAfterImport", SettingType::Bool, false},
      {"GuessAtUnmatchedShowNames", SettingType::Bool, true},
      {"ScanVideoSourcesEveryMinutes", SettingType::Bool, false},
      {"ImportExistingMP4Information", SettingType::Bool, true},
      {"QueueAlwaysOntop", SettingType::Bool, false},
      {"iPod5GAtom", SettingType::Bool, false},
      {"MTSPreprocess", SettingType::Bool, false},
      {"HaveShownReviewDialog2", SettingType::Bool, false},
      {"Deinterlace", SettingType::Bool, false},
      {"SupportVideoEditing", SettingType::Bool, true},
      {"SupportiTunes", SettingType::Bool, true},
      {"SupportAppleTV3", SettingType::Bool, true},
      {"SupportAppleTV2", SettingType::Bool, true},
      {"SupportAppleTV", SettingType::Bool, false},
      {"SupportMobileDevices", SettingType::Bool, false},
      {"EnableLogging", SettingType::Bool, false},
      {"EnableFASTMode", SettingType::Bool, false},
      {"ForceSD", SettingType::Bool, false},
      {"FirstRunWithDevices", SettingType::Bool, true},
      {"ShowVLCWarning", SettingType::Bool, true},
      {"RunPostConversionAppleScript", SettingType::Bool, false},
      {"ForceEnglishLookup", SettingType::Bool, false},
      {"PreserveOriginalFileModifyTime", SettingType::Bool, false},
      {"PreserveOriginalFileName", SettingType::Bool, false},
      {"NormalizeStereoAudio", SettingType::Bool, false},
      {"EnableTurbo264", SettingType::Bool, false},
      {"AlternateDVDImport", SettingType::Bool, false},
      {"Use64BitTools", SettingType::Bool, true},
      {"ShowFileDetails", SettingType::Bool, false},
      {"AutoscanForDVDSubtitles", SettingType::Bool, false},
      {"DefaultUnlabledTracksToUsersLanguage", SettingType::Bool, true},
      {"AlternateDVDDetection", SettingType::Bool, false},
      {"ImportHomeMovieFileIntoiTunes", SettingType::Bool, true},
      {"DeleteHomeMovieFileAfterImport", SettingType::Bool, false},
      {"ImportMovieFileIntoiTunes", SettingType::Bool, true},
      {"DeleteMovieFileAfterImport", SettingType::Bool, false},
      {"ImportTVShowFileIntoiTunes", SettingType::Bool, true},
      {"DeleteTVShowFileAfterImport", SettingType::Bool, false},
      {"CreateTVShowShowSeasonFolder", SettingType::Bool, false},
      {"GrowlSticky", SettingType::Bool, true},
      {"NextCNID", SettingType::Integer, 1},
      {"CacheDuration", SettingType::Integer, 3},
      {"EncodingQuality", SettingType::Integer, 1},
      {"DefaultVideoFormat", SettingType::Integer, 0},
      {"ConversionThreads", SettingType::Integer, 0},
      {"HDBitrate", SettingType::Integer, 5},
      {"SDBitrate", SettingType::Integer, 1},
      {"AutomateEveryMinutes", SettingType::Integer, 60},
      {"AutomaticallyScanForFilesHour", SettingType::Integer, 1},
      {"VideoSourcesFileAction", SettingType::Integer, 2},
      {"DroppedFileAction", SettingType::Integer, 0},
      {"SucessfulConversions", SettingType::Integer, 0},
      {"PercentageBitrate", SettingType::Integer, 100},
      {"MovieSource", SettingType::Integer, 0},
      {"TVSource", SettingType::Integer, 0},
      {"IncludeSubtitleTracks", SettingType::Integer, 0},
      {"AlertNumber", SettingType::Integer, 1},
      {"ElgatoEyeTVDevice", SettingType::Integer, 0},
      {"AudioVolume", SettingType::Integer, 256},
      {"AudioBitrate", SettingType::Integer, 160},
      {"ElgatoAudioDelay", SettingType::Double, 5.5},
  };
  return table;
}

QVariantMap registeredSettingsDictionary() {
  QVariantMap map;
  for (const RegisteredSetting& s : registeredSettings()) map.insert(s.key, s.value);
  return map;
}

void registerSettingDefaults() { Defaults::standard().registerDefaults(registeredSettingsDictionary()); }

}  // namespace zuvo
