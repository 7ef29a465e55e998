#include "media/LanguageRecord.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

#include "support/TestSupport.h"

using namespace zuvo;

TEST(LanguageRecord, NamesAndBothCodesResolveInAnyLetterCase) {
  struct Case {
    const char* text;
    const char* longname;
    const char* threechar;
    const char* twochar;
  } cases[] = {
      {"ENG", "English", "eng", "en"},
      {"en", "English", "eng", "en"},
      {"English", "English", "eng", "en"},
      {"en-GB", "English", "eng", "en"},
      {"pt-BR", "Portuguese", "por", "pt"},
      {"zh-Hans", "Chinese", "zho", "zh"},
      {"deu", "German", "deu", "de"},
      {"fre", "French", "fra", "fr"},  // bibliographic codes resolve to the terminology rows
      {"GER", "German", "deu", "de"},
      {"chi", "Chinese", "zho", "zh"},
      {"cze", "Czech", "ces", "cs"},
      {"dut", "Dutch", "nld", "nl"},
      {"fre-CA", "French", "fra", "fr"},
      {"sqi", "Albanian", "sqi", "sq"},
      {"Norwegian", "Norwegian", "nob", "nb"},
      {"no", "Norwegian", "nor", "no"},
      {"nn", "Norwegian Nynorsk", "nno", "nn"},
      {"Bokmål", "Bokmål", "nob", "nb"},
      {"flemish", "Flemish", "nld", "nl"},
      {"Castilian", "Castilian", "spa", "es"},
      {"chuang", "Chuang", "zha", "za"},
      {"greek, modern", "Greek, Modern", "ell", "el"},
      {"1453-", nullptr, nullptr, nullptr},           // the part before "-" is "1453"
      {"Luba-Katanga", "Luba-Katanga", "lub", "lu"},  // "Luba" is none, the whole name is
      {"Interlingue; Occidental", "Interlingue; Occidental", "ile", "ie"},
      {"Occidental", nullptr, nullptr, nullptr},
      // Names with a region or script, as mediainfo prints BCP 47 tags.
      {"English (US)", "English", "eng", "en"},
      {"Spanish (Latin America)", "Spanish", "spa", "es"},
      {"Portuguese (BR)", "Portuguese", "por", "pt"},
      {"French (CA)", "French", "fra", "fr"},
      {"Chinese (Simplified)", "Chinese", "zho", "zh"},
      // Without accents or the standard's qualifier.
      {"Norwegian Bokmal", "Norwegian Bokmål", "nob", "nb"},
      {"Greek", "Greek, Modern", "ell", "el"},
      {"Nynorsk", "Nynorsk, Norwegian", "nno", "nn"},
      {"Volapuk", "Volapük", "vol", "vo"},
      {"Klingon (KX)", nullptr, nullptr, nullptr},
      {"xx", nullptr, nullptr, nullptr},
      {"", nullptr, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    const std::optional<LanguageRecord> record =
        LanguageRecord::LanguageWithString(QString::fromUtf8(c.text));
    if (!c.longname) {
      EXPECT_FALSE(record.has_value()) << c.text;
      continue;
    }
    ASSERT_TRUE(record.has_value()) << c.text;
    EXPECT_EQ(record->longname(), QString::fromUtf8(c.longname)) << c.text;
    EXPECT_EQ(record->threechar(), c.threechar) << c.text;
    EXPECT_EQ(record->twochar(), c.twochar) << c.text;
  }
}

TEST(LanguageRecord, EveryLanguageNameMediainfoPrintsResolvesToItsCode) {
  // One Matroska file with an audio track for each two-letter code of the table, tagged by
  // mkvmerge, and the names today's mediainfo prints for them.
  const QString folder = test::freshFolder("languages");
  const QString tone = folder + "/tone.mka";
  test::makeMedia(tone, {"-f", "lavfi", "-i", "anullsrc=sample_rate=8000:channel_layout=mono", "-t", "0.1",
                         "-c:a", "flac"});
  QStringList codes, arguments{"-q", "-o", folder + "/all.mka"};
  for (int i = 0; i < LanguageCount(); ++i) {
    const QString code = LanguageAtIndex(i).twochar();
    if (codes.contains(code)) continue;
    codes << code;
    arguments << "--language"
              << "0:" + code << tone;
  }
  ASSERT_EQ(codes.size(), 184);
  const test::CommandResult merged = test::runCommand("mkvmerge", arguments);
  ASSERT_NE(merged.exitCode, 2) << merged.output.toStdString();
  const QString report = QString::fromUtf8(test::runCommand("mediainfo", {folder + "/all.mka"}).output);
  static const QRegularExpression languageLine(QStringLiteral("^Language\\s+: (.*)$"),
                                               QRegularExpression::MultilineOption);
  QStringList names;
  for (auto it = languageLine.globalMatch(report); it.hasNext();) names << it.next().captured(1).trimmed();
  ASSERT_EQ(names.size(), codes.size()) << report.toStdString();

  // mediainfo calls both Ndebele "Ndebele"; "Norwegian" is Bokmål by the table's order.
  const QMap<QString, QString> sharedNames{{"nr", "nd"}, {"no", "nb"}};
  for (qsizetype i = 0; i < codes.size(); ++i) {
    const std::optional<LanguageRecord> record = LanguageRecord::LanguageWithString(names[i]);
    ASSERT_TRUE(record.has_value()) << codes[i].toStdString() << " printed as " << names[i].toStdString();
    EXPECT_EQ(record->twochar(), sharedNames.value(codes[i], codes[i]))
        << codes[i].toStdString() << " printed as " << names[i].toStdString();
  }
}

TEST(LanguageRecord, BokmalTracksAreANorwegianUsersLanguage) {
  struct Case {
    const char* language;
    const char* userCode;
    bool users;
  } cases[] = {
      {"Norwegian Bokmal", "no", true},   {"Norwegian", "no", true},    {"nor", "no", true},
      {"Norwegian Nynorsk", "no", false}, {"English (US)", "en", true}, {"fre", "fr", true},
      {"English", "de", false},           {"Unknown", "en", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsUserLanguage(c.language, c.userCode), c.users) << c.language << " for " << c.userCode;
}

TEST(LanguageRecord, TheTableHoldsEveryTwoLetterCodeInNameOrder) {
  QSet<QString> codes;
  QStringList names;
  for (int i = 0; i < LanguageCount(); ++i) {
    const LanguageRecord row = LanguageAtIndex(i);
    codes.insert(row.twochar());
    names << row.longname();
    EXPECT_EQ(row.threechar().size(), 3) << row.longname().toStdString();
    EXPECT_EQ(row.twochar().size(), 2) << row.longname().toStdString();
  }
  EXPECT_EQ(codes.size(), 184);
  EXPECT_EQ(LanguageCount(), 221);
  EXPECT_EQ(names.first(), "Abkhazian");
  EXPECT_EQ(names.last(), "Zulu");
  EXPECT_EQ(names.indexOf("Greek, Modern") + 1, names.indexOf("1453-"));
  EXPECT_EQ(names.indexOf("Zhuang") + 1, names.indexOf("Chuang"));
  EXPECT_EQ(names.indexOf("Northern Sami") + 1, names.lastIndexOf("Norwegian"));
  EXPECT_LT(names.indexOf("Bislama"), names.indexOf("Bokmål"));
  EXPECT_LT(names.indexOf("Norwegian Bokmål"), names.indexOf("Bosnian"));
  EXPECT_EQ(LanguageAtIndex(LanguageCount()), LanguageRecord());
}

TEST(LanguageRecord, TheUsersLanguageNameIsUnknownUntilSet) {
  EXPECT_EQ(userLanguageName(), "Unknown");
  setUserLanguageName("German");
  EXPECT_EQ(userLanguageName(), "German");
  setUserLanguageName("Unknown");
}
