#pragma once
// The settings every part of Zuvo reads, with their registered defaults.
// Registered once at start-up into the defaults store's registration domain.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

#include "platform/Defaults.h"

// The registered settings, in table order: name (also the key), type and default. The
// defaults are expressions evaluated when the table is first built.
#define ZUVO_REGISTERED_SETTINGS(X)                                                                       \
  X(ConversionDirectory, QString, paths::defaultCacheFolder())                                            \
  X(ConvertedFilesDirectory, QString, paths::moviesFolder())                                              \
  X(AssumeMediaType, QString, QStringLiteral("Home Movie"))                                               \
  X(ShowDestination, QString, QStringLiteral("iTunes"))                                                   \
  X(FrameRateType, QString, QStringLiteral("NTSC"))                                                       \
  X(HDBitrate2, QString, QStringLiteral("3.5"))                                                           \
  X(SDBitrate2, QString, QStringLiteral("1.5"))                                                           \
  X(PostConversionApplescriptPath, QString, paths::homeFolder())                                          \
  X(CountryForRatings, QString, QStringLiteral("Automatic"))                                              \
  X(LanguageForShowInformation, QString, QStringLiteral("Automatic"))                                     \
  X(HomeMovieName, QString, QStringLiteral("Original File Name"))                                         \
  X(MovieName, QString, QStringLiteral("Movie Name"))                                                     \
  X(TVShowName, QString, QStringLiteral("Series Name,.S,Season Number,.E,Episode Number,.,Episode Name")) \
  X(HomeMovieDestination, QString, QStringLiteral("Desktop"))                                             \
  X(MovieDestination, QString, QStringLiteral("iTunes"))                                                  \
  X(TVShowDestination, QString, QStringLiteral("iTunes"))                                                 \
  X(AdditionalExtensions, QStringList, QStringList{"DV"})                                                 \
  X(MoviePlugIn, QString, QStringLiteral(""))                                                             \
  X(TVShowPlugIn, QString, QStringLiteral(""))                                                            \
  X(AutomaticallyLookUpShowInformation, bool, true)                                                       \
  X(AutomaticallyCheckForDuplicates, bool, false)                                                         \
  X(CheckVideoSourcesOnStartUp, bool, false)                                                              \
  X(CacheInformation, bool, true)                                                                         \
  X(AutomaticallyScanForFiles, bool, false)                                                               \
  X(AutomaticallyDeleteDuplicates, bool, false)                                                           \
  X(AutomaticallyConvertFiles, bool, false)                                                               \
  X(AutomaticallyConvertAllFiles, bool, false)                                                            \
  X(ShowStatusItem, bool, true)                                                                           \
  X(AddAllAudioTracks, bool, true)                                                                        \
  X(ImportFileIntoiTunes, bool, true)                                                                     \
  X(DeleteFileAfterImport, bool, false)                                                                   \
  X(GuessAtUnmatchedShowNames, bool, true)                                                                \
  X(ScanVideoSourcesEveryMinutes, bool, false)                                                            \
  X(ImportExistingMP4Information, bool, true)                                                             \
  X(QueueAlwaysOntop, bool, false)                                                                        \
  X(iPod5GAtom, bool, false)                                                                              \
  X(MTSPreprocess, bool, false)                                                                           \
  X(HaveShownReviewDialog2, bool, false)                                                                  \
  X(Deinterlace, bool, false)                                                                             \
  X(SupportVideoEditing, bool, true)                                                                      \
  X(SupportiTunes, bool, true)                                                                            \
  X(SupportAppleTV3, bool, true)                                                                          \
  X(SupportAppleTV2, bool, true)                                                                          \
  X(SupportAppleTV, bool, false)                                                                          \
  X(SupportMobileDevices, bool, false)                                                                    \
  X(EnableLogging, bool, false)                                                                           \
  X(EnableFASTMode, bool, false)                                                                          \
  X(ForceSD, bool, false)                                                                                 \
  X(FirstRunWithDevices, bool, true)                                                                      \
  X(ShowVLCWarning, bool, true)                                                                           \
  X(RunPostConversionAppleScript, bool, false)                                                            \
  X(ForceEnglishLookup, bool, false)                                                                      \
  X(PreserveOriginalFileModifyTime, bool, false)                                                          \
  X(PreserveOriginalFileName, bool, false)                                                                \
  X(NormalizeStereoAudio, bool, false)                                                                    \
  X(EnableTurbo264, bool, false)                                                                          \
  X(AlternateDVDImport, bool, false)                                                                      \
  X(Use64BitTools, bool, true)                                                                            \
  X(ShowFileDetails, bool, false)                                                                         \
  X(AutoscanForDVDSubtitles, bool, false)                                                                 \
  X(DefaultUnlabledTracksToUsersLanguage, bool, true)                                                     \
  X(AlternateDVDDetection, bool, false)                                                                   \
  X(ImportHomeMovieFileIntoiTunes, bool, true)                                                            \
  X(DeleteHomeMovieFileAfterImport, bool, false)                                                          \
  X(ImportMovieFileIntoiTunes, bool, true)                                                                \
  X(DeleteMovieFileAfterImport, bool, false)                                                              \
  X(ImportTVShowFileIntoiTunes, bool, true)                                                               \
  X(DeleteTVShowFileAfterImport, bool, false)                                                             \
  X(CreateTVShowShowSeasonFolder, bool, false)                                                            \
  X(GrowlSticky, bool, true)                                                                              \
  X(NextCNID, int, 1)                                                                                     \
  X(CacheDuration, int, 3)                                                                                \
  X(EncodingQuality, int, 1)                                                                              \
  X(DefaultVideoFormat, int, 0)                                                                           \
  X(ConversionThreads, int, 0)                                                                            \
  X(HDBitrate, int, 5)                                                                                    \
  X(SDBitrate, int, 1)                                                                                    \
  X(AutomateEveryMinutes, int, 60)                                                                        \
  X(AutomaticallyScanForFilesHour, int, 1)                                                                \
  X(VideoSourcesFileAction, int, 2)                                                                       \
  X(DroppedFileAction, int, 0)                                                                            \
  X(SucessfulConversions, int, 0)                                                                         \
  X(PercentageBitrate, int, 100)                                                                          \
  X(MovieSource, int, 0)                                                                                  \
  X(TVSource, int, 0)                                                                                     \
  X(IncludeSubtitleTracks, int, 0)                                                                        \
  X(AlertNumber, int, 1)                                                                                  \
  X(ElgatoEyeTVDevice, int, 0)                                                                            \
  X(AudioVolume, int, 256)                                                                                \
  X(AudioBitrate, int, 160)                                                                               \
  X(ElgatoAudioDelay, double, 5.5)

namespace zuvo {

enum class SettingType { Bool, Integer, Double, String, StringList };

struct RegisteredSetting {
  const char* key;
  SettingType type;
  QVariant value;
};

// The 91 registered keys, in table order.
const std::vector<RegisteredSetting>& registeredSettings();
// The table as the registration dictionary.
QVariantMap registeredSettingsDictionary();
// Registers the table with Defaults::standard().
void registerSettingDefaults();

// Every key the program reads or writes, typed: `Defaults::standard().get(setting::ForceSD)`.
namespace setting {
#define ZUVO_SETTING_KEY(name, type, value) inline constexpr SettingKey<type> name{#name};
ZUVO_REGISTERED_SETTINGS(ZUVO_SETTING_KEY)
#undef ZUVO_SETTING_KEY

// Keys that are not registered, by design: an absent one reads as empty.
// "Sources" and "Rules" hold keyed archives; absent, each is an empty list.
inline constexpr SettingKey<QByteArray> Sources{"Sources"};
inline constexpr SettingKey<QByteArray> Rules{"Rules"};
// The user's own keys for the online services.
inline constexpr SettingKey<QString> TheMovieDBKey{"TheMovieDBKey"};
inline constexpr SettingKey<QString> TheTVDBKey{"TheTVDBKey"};
inline constexpr SettingKey<QString> TheTVDBPIN{"TheTVDBPIN"};
}  // namespace setting

// The two keys that hold keyed archives and are not registered.
inline constexpr const char* kSourcesKey = setting::Sources.name;
inline constexpr const char* kRulesKey = setting::Rules.name;

}  // namespace zuvo
