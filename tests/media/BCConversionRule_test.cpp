#include "media/BCConversionRule.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <functional>
#include <thread>

#include "MediaTestSupport.h"
#include "media/MediaFile.h"
#include "media/MediaValues.h"

using namespace zuvo;
using test::archivedKeys;
using test::CapturedLog;
using test::freshFolder;
using test::writeFile;
using Dictionary = BCConversionRule::Dictionary;

namespace {

BCConversionRule ruleWith(const Dictionary& conditions, const Dictionary& actions) {
  BCConversionRule rule;
  rule.setIfConditions(conditions);
  rule.setThenActions(actions);
  return rule;
}

MediaFilePtr item(const QString& fullpath, MediaType mediatype, quint32 height) {
  auto media = std::make_shared<MediaFile>();
  media->setFullpath(fullpath);
  media->setFilename(fullpath.section('/', -1));
  media->setMediatype(mediatype);
  VideoTrack video;
  video.setWidth(height * 16 / 9);
  video.setHeight(height);
  media->setMyvideotrack(video);
  return media;
}

const QString kEpisodePath = "/Volumes/TV/Lost S01E01.mkv";

MediaFilePtr episode(quint32 height = 720) { return item(kEpisodePath, MediaType::TVShow, height); }

// The reported lines of a log as "level message", without the time.
QStringList logLines(const CapturedLog& log) {
  QStringList lines;
  for (const QString& line : log.text().split('\n', Qt::SkipEmptyParts)) {
    const QStringList words = line.split(' ');
    bool isLevel = false;
    words[0].toUInt(&isLevel);
    if (isLevel && words.size() >= 3) lines << words[0] + ' ' + words.mid(2).join(' ');
  }
  return lines;
}

enum class Pass { Before, After };

BCError runPass(Pass pass, MediaFile& media, const Reporter& log = nullptr,
                const Reporter& userLog = nullptr) {
  return pass == Pass::Before ? ApplyRulesBeforeLookup(media, log, userLog)
                              : ApplyRulesAfterLookup(media, log, userLog);
}

class ConversionRules : public ::testing::Test {
 protected:
  void SetUp() override {
    registerSettingDefaults();
    Defaults::standard().removeObjectForKey(kRulesKey);
  }
  void TearDown() override { Defaults::standard().removeObjectForKey(kRulesKey); }
};

}  // namespace

TEST_F(ConversionRules, DescriptionReadsAsOneSentence) {
  struct Case {
    const char* name;
    Dictionary conditions;
    Dictionary actions;
    QString expected;
  } cases[] = {
      {"media type and height with a quality",
       {{0, "TV Show"}, {3, ">720"}},
       {{4, "High"}},
       "If Media Type is TV Show and Video Height is greater than or equal to 720 Then convert show with "
       "High quality "},
      {"every other condition and every action",
       {{1, "Lost"}, {2, "/Volumes/TV"}, {3, "<480"}},
       {{0, "Movie"}, {1, "Name"}, {2, "123"}, {3, "/out"}, {5, "/a.png"}, {6, "Set"}, {7, true}},
       "If Source File name contains Lost and Source directory is /Volumes/TV and Video Height is less than "
       "or "
       "equal to 480 Then set media type to Movie and set show name to Name and set id for show lookup to "
       "123 and "
       "move converted show to /out and use artwork /a.png and set iTunes HD tag to Set and force aspect "
       "ratio to "
       "16:9 "},
      {"no conditions and no actions", {}, {}, "If Then "},
      {"codes without a wording are left out",
       {{9, "x"}, {0, "Movie"}},
       {{-1, "y"}, {8, "z"}},
       "If Media Type is Movie Then "},
      {"comparison words only in conditions",
       {{1, "a>b<c"}},
       {{1, "A > B"}},
       "If Source File name contains agreater than or equal to bless than or equal to c Then set show name "
       "to A > B "},
      {"placeholders in values stay as they are",
       {},
       {{1, "100%@ %1"}},
       "If Then set show name to 100%@ %1 "},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ruleWith(c.conditions, c.actions).description(), c.expected) << c.name;
}

TEST_F(ConversionRules, AddingACodeAgainReplacesItsValue) {
  BCConversionRule rule;
  rule.addIfCondition(RuleConditionCode::FileNameContains, "first");
  rule.addIfCondition(RuleConditionCode::FileNameContains, "second");
  rule.addThenAction(RuleActionCode::ShowName, "one");
  rule.addThenAction(RuleActionCode::Quality, "High");
  rule.addThenAction(RuleActionCode::ShowName, "two");
  EXPECT_EQ(rule.IfConditions(), (Dictionary{{1, "second"}}));
  EXPECT_EQ(rule.ThenActions(), (Dictionary{{1, "two"}, {4, "High"}}));
}

TEST_F(ConversionRules, ArchiveHoldsBothDictionariesUnderTheirKeys) {
  const BCConversionRule rule =
      ruleWith({{0, "TV Show"}, {3, ">720"}, {77, "unknown code"}}, {{1, ""}, {7, true}, {2, "12"}});
  EXPECT_EQ(archivedKeys(rule), (QStringList{"IfConditions", "ThenActions"}));
  const auto back = test::roundTrip(rule);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, rule);
  EXPECT_EQ(back->ThenActions().value(7).typeId(), QMetaType::Bool) << "the 16:9 flag stays a flag";
  EXPECT_EQ(back->description(), rule.description());
}

TEST_F(ConversionRules, SettingsHoldTheListInItsOrder) {
  CapturedLog log;
  EXPECT_TRUE(ConversionRulesFromSettings(log.reporter).isEmpty()) << "no key, no rules";

  const QList<BCConversionRule> rules{ruleWith({{1, "a"}}, {{1, "A"}}), ruleWith({}, {{7, true}}),
                                      ruleWith({{0, "Movie"}}, {})};
  SaveConversionRules(rules);
  EXPECT_EQ(ConversionRulesFromSettings(log.reporter), rules);
  EXPECT_TRUE(logLines(log).isEmpty());

  struct Case {
    const char* name;
    QVariant stored;
  } damaged[] = {
      {"bytes that are no archive", QByteArray("not an archive")},
      {"one rule rather than a list", archivedDataWithRootObject(rules[0])},
      {"an archive cut short", archivedDataWithRootObjects(rules).chopped(3)},
  };
  for (const Case& c : damaged) {
    CapturedLog damagedLog;
    Defaults::standard().setObject(c.stored, kRulesKey);
    EXPECT_TRUE(ConversionRulesFromSettings(damagedLog.reporter).isEmpty()) << c.name;
    const QStringList lines = logLines(damagedLog);
    ASSERT_EQ(lines.size(), 1) << c.name;
    EXPECT_TRUE(lines[0].startsWith("2 [RED]Conversion rules in the settings are unreadable: ")) << c.name;
  }
}

TEST_F(ConversionRules, ConditionsHoldAsTheirKindSays) {
  struct Case {
    const char* name;
    Dictionary conditions;
    MediaFilePtr media;
    bool matches;
  } cases[] = {
      {"media type equal", {{0, "TV Show"}}, episode(), true},
      {"media type other", {{0, "Movie"}}, episode(), false},
      {"media type in other letter case", {{0, "tv show"}}, episode(), false},
      {"media type empty", {{0, ""}}, episode(), false},
      {"media type of an unknown code", {{0, "Unknown"}}, item(kEpisodePath, MediaType(7), 720), true},
      {"file name in the same case", {{1, "Lost S01"}}, episode(), true},
      {"file name in other letter case", {{1, "LOST s01e01"}}, episode(), true},
      {"file name differs", {{1, "House"}}, episode(), false},
      {"file name only in the folder", {{1, "volumes"}}, episode(), false},
      {"file name empty", {{1, ""}}, episode(), false},
      {"source folder begins the path", {{2, "/Volumes/TV"}}, episode(), true},
      {"source folder in other letter case", {{2, "/volumes/tv"}}, episode(), false},
      {"source folder longer than the path", {{2, kEpisodePath + ".part"}}, episode(), false},
      {"source folder empty", {{2, ""}}, episode(), false},
      {"height at least, equal", {{3, ">720"}}, episode(720), true},
      {"height at least, below", {{3, ">721"}}, episode(720), false},
      {"height at most, equal", {{3, "<720"}}, episode(720), true},
      {"height at most, above", {{3, "<719"}}, episode(720), false},
      {"height at least, unprobed", {{3, ">0"}}, episode(0), false},
      {"height at most, unprobed", {{3, "<5000"}}, episode(0), false},
      {"height empty is ignored", {{3, ""}}, episode(0), true},
      {"height without an operator: first character dropped, at most", {{3, "1080"}}, episode(80), true},
      {"height without an operator, above", {{3, "1080"}}, episode(720), false},
      {"height with text after the number", {{3, ">480p"}}, episode(576), true},
      {"no conditions", {}, episode(0), true},
      {"unknown code ignored", {{42, "anything"}}, episode(), true},
      {"a flag value reads as its number", {{1, true}}, episode(), true},
      {"all hold", {{0, "TV Show"}, {1, "lost"}, {2, "/Volumes"}, {3, ">720"}}, episode(), true},
      {"one of several fails", {{0, "TV Show"}, {1, "lost"}, {3, ">1080"}}, episode(), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RuleMatchesMediaFile(ruleWith(c.conditions, {}), *c.media), c.matches) << c.name;
}

TEST_F(ConversionRules, EachActionChangesTheItemInItsPassOnly) {
  using Field = std::function<QVariant(const MediaFile&)>;
  const Field mediatype = [](const MediaFile& m) { return QVariant(codeOf(m.mediatype())); };
  const Field seriesname = [](const MediaFile& m) { return QVariant(m.seriesname()); };
  const Field forceid = [](const MediaFile& m) { return QVariant(m.forceid()); };
  const Field folder = [](const MediaFile& m) { return QVariant(m.forcedestinationfolder()); };
  const Field quality = [](const MediaFile& m) { return QVariant(m.forcequality()); };
  const Field hdflag = [](const MediaFile& m) { return QVariant(m.forceHDflag()); };
  const Field force169 = [](const MediaFile& m) { return QVariant(m.force169()); };
  struct Case {
    const char* name;
    qint32 code;
    QVariant value;
    Field field;
    QVariant changed;
    bool before;  // the pass that performs it
    bool after;
  } cases[] = {
      {"media type Movie", 0, "Movie", mediatype, 1u, true, true},
      {"media type Home Movie", 0, "Home Movie", mediatype, 2u, true, true},
      {"media type unknown label", 0, "Cartoon", mediatype, 1000u, true, true},
      {"show name", 1, "The Wire", seriesname, "The Wire", true, false},
      {"show id, leading digits", 2, " 12345abc", forceid, 12345, true, false},
      {"show id, no digits", 2, "abc", forceid, 0, true, false},
      {"destination folder", 3, "/srv/out", folder, "/srv/out", false, true},
      {"quality Normal", 4, "Normal", quality, ForcedQuality::Normal, true, false},
      {"quality High", 4, "High", quality, ForcedQuality::High, true, false},
      {"quality Highest", 4, "Highest", quality, ForcedQuality::Highest, true, false},
      {"quality of another text is unchanged", 4, "high", quality, ForcedQuality::NotForced, true, false},
      {"HD flag Set", 6, "Set", hdflag, ForcedHDFlag::Set, false, true},
      {"HD flag Not Set", 6, "Not Set", hdflag, ForcedHDFlag::NotSet, false, true},
      {"HD flag of another text", 6, "set", hdflag, ForcedHDFlag::NotSet, false, true},
      {"16:9 stored as a flag", 7, true, force169, true, true, false},
      {"16:9 stored as a text", 7, "whatever", force169, true, true, false},
  };
  for (const Case& c : cases) {
    SaveConversionRules({ruleWith({}, {{c.code, c.value}})});
    for (const Pass pass : {Pass::Before, Pass::After}) {
      const MediaFilePtr untouched = episode();
      const MediaFilePtr media = episode();
      EXPECT_FALSE(runPass(pass, *media).Error()) << c.name;
      const bool performs = pass == Pass::Before ? c.before : c.after;
      EXPECT_EQ(c.field(*media), performs ? c.changed : c.field(*untouched))
          << c.name << (pass == Pass::Before ? ", before the look-up" : ", after the look-up");
    }
  }
}

TEST_F(ConversionRules, ArtworkComesFromAnImageFileAfterTheLookUp) {
  const QString folder = freshFolder("artwork");
  QImage poster(12, 18, QImage::Format_RGB32);
  poster.fill(QColor(20, 40, 200));
  const QString posterPath = folder + "/poster.png";
  ASSERT_TRUE(poster.save(posterPath));
  const QString textPath = writeFile(folder + "/notes.png", "these are no pixels");
  QImage earlier(3, 3, QImage::Format_RGB32);
  earlier.fill(Qt::red);

  struct Case {
    const char* name;
    QString path;
    QSize size;  // of the artwork afterwards; empty for none
  } cases[] = {
      {"an image file", posterPath, QSize(12, 18)},
      {"a file that holds no image", textPath, QSize()},
      {"no file at the path", folder + "/missing.png", QSize(3, 3)},
      {"an empty path", "", QSize(3, 3)},
  };
  for (const Case& c : cases) {
    SaveConversionRules({ruleWith({}, {{RuleActionCode::Artwork, c.path}})});
    const MediaFilePtr media = episode();
    media->setImage(earlier);
    (void)ApplyRulesBeforeLookup(*media, nullptr, nullptr);
    EXPECT_EQ(media->image().size(), QSize(3, 3)) << c.name << ": nothing before the look-up";
    (void)ApplyRulesAfterLookup(*media, nullptr, nullptr);
    EXPECT_EQ(media->image().isNull(), c.size.isEmpty()) << c.name;
    if (!c.size.isEmpty()) {
      EXPECT_EQ(media->image().size(), c.size) << c.name;
    }
  }
  SaveConversionRules({ruleWith({}, {{RuleActionCode::Artwork, posterPath}})});
  const MediaFilePtr media = episode();
  (void)ApplyRulesAfterLookup(*media, nullptr, nullptr);
  EXPECT_EQ(media->image().pixelColor(5, 5), QColor(20, 40, 200));
}

TEST_F(ConversionRules, PassesLogTheMatchAndTheReportedChanges) {
  SaveConversionRules({ruleWith({{0, "TV Show"}}, {{0, "Movie"},
                                                   {1, "Lost"},
                                                   {2, "42"},
                                                   {3, "/out"},
                                                   {4, "High"},
                                                   {5, "/nowhere.png"},
                                                   {6, "Set"},
                                                   {7, true}})});
  CapturedLog log;
  CapturedLog userLog;
  const MediaFilePtr media = episode();
  EXPECT_FALSE(ApplyRulesBeforeLookup(*media, log.reporter, userLog.reporter).Error());
  const QStringList before{"4 Changing Media Type to Movie", "4 Changing Series/Movie Name to Lost",
                           "4 Forcing show ID to 42", "4 Forcing show Quality to 2"};
  EXPECT_EQ(logLines(log), QStringList{"3 [BLUE]Match on Rule"} + before);
  EXPECT_EQ(logLines(userLog), before);

  // The item is a movie now; the look-up turns it back into a TV show.
  media->setMediatype(MediaType::TVShow);
  CapturedLog afterLog;
  CapturedLog afterUserLog;
  (void)ApplyRulesAfterLookup(*media, afterLog.reporter, afterUserLog.reporter);
  const QStringList after{"4 Changing Media Type to Movie", "4 Forcing destination folder to /out"};
  EXPECT_EQ(logLines(afterLog), QStringList{"3 [BLUE]Match on Rule"} + after);
  EXPECT_EQ(logLines(afterUserLog), after);
  EXPECT_EQ(media->mediatype(), MediaType::Movie) << "the rule overrides the look-up";
}

TEST_F(ConversionRules, TheTopRuleWins) {
  SaveConversionRules({ruleWith({{1, "lost"}}, {{1, "First"}, {4, "Normal"}}),
                       ruleWith({}, {{1, "Second"}, {2, "7"}}), ruleWith({{1, "house"}}, {{1, "Never"}})});
  CapturedLog log;
  const MediaFilePtr media = episode();
  (void)ApplyRulesBeforeLookup(*media, log.reporter, nullptr);
  EXPECT_EQ(media->seriesname(), "First");
  EXPECT_EQ(media->forceid(), 7) << "what the top rule leaves alone stays as the lower rule set it";
  EXPECT_EQ(media->forcequality(), ForcedQuality::Normal);
  EXPECT_EQ(logLines(log),
            (QStringList{"3 [BLUE]Match on Rule", "4 Changing Series/Movie Name to Second",
                         "4 Forcing show ID to 7", "3 [BLUE]Match on Rule",
                         "4 Changing Series/Movie Name to First", "4 Forcing show Quality to 1"}));
}

TEST_F(ConversionRules, ADestinationOnlyRuleActsAfterTheLookUp) {
  SaveConversionRules({ruleWith({{2, "/Volumes/TV"}}, {{3, "/srv/tv"}})});
  CapturedLog log;
  const MediaFilePtr media = episode();
  (void)ApplyRulesBeforeLookup(*media, log.reporter, nullptr);
  EXPECT_EQ(media->forcedestinationfolder(), "");
  EXPECT_EQ(logLines(log), QStringList{"3 [BLUE]Match on Rule"});
  (void)ApplyRulesAfterLookup(*media, log.reporter, nullptr);
  EXPECT_EQ(media->forcedestinationfolder(), "/srv/tv");
}

TEST_F(ConversionRules, EveryPassReadsTheRulesAfresh) {
  const MediaFilePtr media = episode();
  (void)ApplyRulesBeforeLookup(*media, nullptr, nullptr);  // no rules yet
  EXPECT_EQ(media->mediatype(), MediaType::TVShow);
  SaveConversionRules({ruleWith({}, {{0, "Home Movie"}})});
  (void)ApplyRulesAfterLookup(*media, nullptr, nullptr);
  EXPECT_EQ(media->mediatype(), MediaType::HomeMovie);

  Defaults::standard().setObject(QByteArray("damaged"), kRulesKey);
  CapturedLog log;
  EXPECT_FALSE(ApplyRulesBeforeLookup(*media, log.reporter, nullptr).Error())
      << "unreadable rules are no rules";
  EXPECT_EQ(media->mediatype(), MediaType::HomeMovie);
  EXPECT_FALSE(log.text().contains("Match on Rule"));
}

TEST_F(ConversionRules, ProbesApplyTheRulesToTheirOwnItemsAtOnce) {
  SaveConversionRules({ruleWith({{3, ">720"}}, {{1, "HD"}, {3, "/hd"}}), ruleWith({}, {{1, "SD"}})});
  std::vector<MediaFilePtr> items;
  for (int i = 0; i < 8; ++i) items.push_back(episode(i % 2 ? 1080 : 480));
  std::vector<std::thread> probes;
  for (const MediaFilePtr& media : items)
    probes.emplace_back([media] {
      for (int round = 0; round < 20; ++round) {
        (void)ApplyRulesBeforeLookup(*media, nullptr, nullptr);
        (void)ApplyRulesAfterLookup(*media, nullptr, nullptr);
      }
    });
  for (std::thread& probe : probes) probe.join();
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i]->seriesname(), i % 2 ? "HD" : "SD") << "item " << i;
    EXPECT_EQ(items[i]->forcedestinationfolder(), i % 2 ? "/hd" : "") << "item " << i;
  }
}
