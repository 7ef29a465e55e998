#include "media/RegisteredSettings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {
// The documented table, row by row: key, type letter, default as text.
struct Row {
  const char* key;
  char type;
  const char* value;
};
const Row kTable[] = {
    {"AssumeMediaType", 'S', "Home Movie"},
    {"ShowDestination", 'S', "iTunes"},
    {"FrameRateType", 'S', "NTSC"},
    {"HDBitrate2", 'S', "3.5"},
    {"SDBitrate2", 'S', "1.5"},
    {"CountryForRatings", 'S', "Automatic"},
    {"LanguageForShowInformation", 'S', "Automatic"},
    {"HomeMovieName", 'S', "Original File Name"},
    {"MovieName", 'S', "Movie Name"},
    {"TVShowName", 'S', "Series Name,.S,Season Number,.E,Episode Number,.,Episode Name"},
    {"HomeMovieDestination", 'S', "Desktop"},
    {"MovieDestination", 'S', "iTunes"},
    {"TVShowDestination", 'S', "iTunes"},
    {"MoviePlugIn", 'S', ""},
    {"TVShowPlugIn", 'S', ""},
    {"AutomaticallyLookUpShowInformation", 'B', "1"},
    {"AutomaticallyCheckForDuplicates", 'B', "0"},
    {"CheckVideoSourcesOnStartUp", 'B', "0"},
    {"CacheInformation", 'B', "1"},
    {"AutomaticallyScanForFiles", 'B', "0"},
    {"AutomaticallyDeleteDuplicates", 'B', "0"},
    {"AutomaticallyConvertFiles", 'B', "0"},
    {"AutomaticallyConvertAllFiles", 'B', "0"},
    {"ShowStatusItem", 'B', "1"},
    {"AddAllAudioTracks", 'B', "1"},
    {"ImportFileIntoiTunes", 'B', "1"},
    {"DeleteFileAfterImport", 'B', "0"},
    {"GuessAtUnmatchedShowNames", 'B', "1"},
    {"ScanVideoSourcesEveryMinutes", 'B', "0"},
    {"ImportExistingMP4Information", 'B', "1"},
    {"QueueAlwaysOntop", 'B', "0"},
    {"iPod5GAtom", 'B', "0"},
    {"MTSPreprocess", 'B', "0"},
    {"HaveShownReviewDialog2", 'B', "0"},
    {"Deinterlace", 'B', "0"},
    {"SupportVideoEditing", 'B', "1"},
    {"SupportiTunes", 'B', "1"},
    {"SupportAppleTV3", 'B', "1"},
    {"SupportAppleTV2", 'B', "1"},
    {"SupportAppleTV", 'B', "0"},
    {"SupportMobileDevices", 'B', "0"},
    {"EnableLogging", 'B', "0"},
    {"EnableFASTMode", 'B', "0"},
    {"ForceSD", 'B', "0"},
    {"FirstRunWithDevices", 'B', "1"},
    {"ShowVLCWarning", 'B', "1"},
    {"RunPostConversionAppleScript", 'B', "0"},
    {"ForceEnglishLookup", 'B', "0"},
    {"PreserveOriginalFileModifyTime", 'B', "0"},
    {"PreserveOriginalFileName", 'B', "0"},
    {"NormalizeStereoAudio", 'B', "0"},
    {"EnableTurbo264", 'B', "0"},
    {"AlternateDVDImport", 'B', "0"},
    {"Use64BitTools", 'B', "1"},
    {"ShowFileDetails", 'B', "0"},
    {"AutoscanForDVDSubtitles", 'B', "0"},
    {"DefaultUnlabledTracksToUsersLanguage", 'B', "1"},
    {"AlternateDVDDetection", 'B', "0"},
    {"ImportHomeMovieFileIntoiTunes", 'B', "1"},
    {"DeleteHomeMovieFileAfterImport", 'B', "0"},
    {"ImportMovieFileIntoiTunes", 'B', "1"},
    {"DeleteMovieFileAfterImport", 'B', "0"},
    {"ImportTVShowFileIntoiTunes", 'B', "1"},
    {"DeleteTVShowFileAfterImport", 'B', "0"},
    {"CreateTVShowShowSeasonFolder", 'B', "0"},
    {"GrowlSticky", 'B', "1"},
    {"NextCNID", 'I', "1"},
    {"CacheDuration", 'I', "3"},
    {"EncodingQuality", 'I', "1"},
    {"DefaultVideoFormat", 'I', "0"},
    {"ConversionThreads", 'I', "0"},
    {"HDBitrate", 'I', "5"},
    {"SDBitrate", 'I', "1"},
    {"AutomateEveryMinutes", 'I', "60"},
    {"AutomaticallyScanForFilesHour", 'I', "1"},
    {"VideoSourcesFileAction", 'I', "2"},
    {"DroppedFileAction", 'I', "0"},
    {"SucessfulConversions", 'I', "0"},
    {"PercentageBitrate", 'I', "100"},
    {"MovieSource", 'I', "0"},
    {"TVSource", 'I', "0"},
    {"IncludeSubtitleTracks", 'I', "0"},
    {"AlertNumber", 'I', "1"},
    {"ElgatoEyeTVDevice", 'I', "0"},
    {"AudioVolume", 'I', "256"},
    {"AudioBitrate", 'I', "160"},
    {"ElgatoAudioDelay", 'F', "5.5"},
};

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    Defaults::standard().setStorageFile(test::freshFolder("config") + "/Zuvo.conf");
    registerSettingDefaults();
  }
};
}  // namespace

TEST_F(Settings, EveryKeyReadsItsRegisteredDefaultForAFreshUser) {
  Defaults& d = Defaults::standard();
  EXPECT_EQ(registeredSettings().size(), 91u);
  for (const Row& r : kTable) {
    SCOPED_TRACE(r.key);
    switch (r.type) {
      case 'S':
        EXPECT_EQ(d.stringForKey(r.key), QString(r.value));
        break;
      case 'B':
        EXPECT_EQ(d.boolForKey(r.key), QString(r.value) == "1");
        break;
      case 'I':
        EXPECT_EQ(d.integerForKey(r.key), QString(r.value).toInt());
        break;
      case 'F':
        EXPECT_DOUBLE_EQ(d.doubleForKey(r.key), QString(r.value).toDouble());
        break;
    }
  }
  EXPECT_EQ(d.stringForKey("ConversionDirectory"), test::testHome() + "/.cache/org.zuvo.Zuvo");
  EXPECT_EQ(d.stringForKey("PostConversionApplescriptPath"), test::testHome());
  EXPECT_FALSE(d.stringForKey("ConvertedFilesDirectory").isEmpty());
  EXPECT_EQ(d.stringArrayForKey("AdditionalExtensions"), QStringList{"DV"});
  // 87 rows above plus the two folders, the script path and the extension list.
  EXPECT_EQ(std::size(kTable) + 4, registeredSettings().size());
  EXPECT_TRUE(d.dataForKey(kSourcesKey).isEmpty());
  EXPECT_TRUE(d.dataForKey(kRulesKey).isEmpty());
}

TEST_F(Settings, UserValueWinsAndRemovingItRestoresTheDefault) {
  Defaults& d = Defaults::standard();
  d.setInteger(7, "CacheDuration");
  d.setString("Desktop", "TVShowDestination");
  d.setBool(true, "EnableLogging");
  d.setObject(QStringList{"foo", "bar"}, "AdditionalExtensions");
  d.synchronize();
  EXPECT_EQ(d.integerForKey("CacheDuration"), 7);
  EXPECT_EQ(d.stringForKey("TVShowDestination"), "Desktop");
  EXPECT_TRUE(d.boolForKey("EnableLogging"));
  EXPECT_EQ(d.stringArrayForKey("AdditionalExtensions"), (QStringList{"foo", "bar"}));

  for (const char* key : {"CacheDuration", "TVShowDestination", "EnableLogging", "AdditionalExtensions"})
    d.removeObjectForKey(key);
  EXPECT_EQ(d.integerForKey("CacheDuration"), 3);
  EXPECT_EQ(d.stringForKey("TVShowDestination"), "iTunes");
  EXPECT_FALSE(d.boolForKey("EnableLogging"));
  EXPECT_EQ(d.stringArrayForKey("AdditionalExtensions"), QStringList{"DV"});
}

TEST_F(Settings, RegisteredDefaultsAreNeverWrittenToTheUsersFile) {
  const QString file = test::freshFolder("config") + "/Zuvo.conf";
  Defaults::standard().setStorageFile(file);
  Defaults::standard().setInteger(2, "SDBitrate");
  Defaults::standard().synchronize();
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(f.readAll());
  EXPECT_TRUE(text.contains("SDBitrate=2"));
  EXPECT_FALSE(text.contains("HDBitrate"));
  Defaults::standard().setStorageFile(file);  // a fresh launch reads the file back
  EXPECT_EQ(Defaults::standard().integerForKey("SDBitrate"), 2);
}

TEST_F(Settings, TypedKeysReadAsTheirTypeAndWriteTheirKey) {
  Defaults& d = Defaults::standard();
  EXPECT_EQ(d.get(setting::CacheDuration), 3);
  EXPECT_EQ(d.get(setting::TVShowDestination), "iTunes");
  EXPECT_TRUE(d.get(setting::AddAllAudioTracks));
  EXPECT_DOUBLE_EQ(d.get(setting::ElgatoAudioDelay), 5.5);
  EXPECT_EQ(d.get(setting::AdditionalExtensions), QStringList{"DV"});
  EXPECT_TRUE(d.get(setting::Sources).isEmpty());
  // A number kept as text reads as that number where it is used as one.
  EXPECT_DOUBLE_EQ(d.getAs<double>(setting::HDBitrate2), 3.5);

  d.set(setting::CacheDuration, 7);
  d.set(setting::Rules, QByteArray("archive"));
  EXPECT_EQ(d.integerForKey("CacheDuration"), 7);
  EXPECT_EQ(d.dataForKey("Rules"), QByteArray("archive"));
  d.remove(setting::CacheDuration);
  EXPECT_EQ(d.get(setting::CacheDuration), 3);
}

// A key read by its text escapes the table: a misspelt or unregistered one reads as NO or
// 0 without a word. Every read goes through a typed key of the table instead; the
// preference bindings alone read by name, and their names come from those keys.
TEST(SettingReads, NoSourceReadsASettingByItsText) {
  const QRegularExpression read(R"(\b(bool|integer|double|string|stringArray|data|object)ForKey\s*\()");
  const QRegularExpression literalRead(
      R"(\b(bool|integer|double|string|stringArray|data|object)ForKey\s*\(\s*([\w:]+\s*\(\s*)?")");
  const QRegularExpression madeKey(R"(SettingKey<[^>]*>\s*[{(]\s*")");
  const QString root = QStringLiteral(ZUVO_SOURCE_DIR "/src/");
  const QStringList byName{"app/preferences/PreferenceBindings.cpp", "app/preferences/BCPreferencePanel.cpp"};
  const QStringList store{"platform/Defaults.h", "platform/Defaults.cpp"};
  QStringList found;
  QDirIterator files(root, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
  int scanned = 0;
  while (files.hasNext()) {
    const QString path = files.next();
    const QString name = path.mid(root.size());
    if (store.contains(name)) continue;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    ++scanned;
    int number = 0;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
      ++number;
      const bool bad = literalRead.match(line).hasMatch() ||
                       (read.match(line).hasMatch() && !byName.contains(name)) ||
                       (madeKey.match(line).hasMatch() && name != "media/RegisteredSettings.h");
      if (bad) found << QStringLiteral("%1:%2: %3").arg(name).arg(number).arg(line.trimmed());
    }
  }
  EXPECT_GT(scanned, 100);
  EXPECT_TRUE(found.isEmpty()) << found.join('\n').toStdString();
}
