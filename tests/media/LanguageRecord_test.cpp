#include "media/LanguageRecord.h"
#include "support/TestSupport.h"

#include <QSet>
#include <gtest/gtest.h>

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
      {"fre", nullptr, nullptr, nullptr},  // bibliographic codes are not in the table
      {"sqi", "Albanian", "sqi", "sq"},
      {"Norwegian", "Norwegian", "nob", "nb"},
      {"no", "Norwegian", "nor", "no"},
      {"nn", "Norwegian Nynorsk", "nno", "nn"},
      {"Bokmål", "Bokmål", "nob", "nb"},
      {"flemish", "Flemish", "nld", "nl"},
      {"Castilian", "Castilian", "spa", "es"},
      {"chuang", "Chuang", "zha", "za"},
      {"greek, modern", "Greek, Modern", "ell", "el"},
      {"1453-", nullptr, nullptr, nullptr},         // the part before "-" is "1453"
      {"Luba-Katanga", nullptr, nullptr, nullptr},  // likewise "Luba"
      {"Interlingue; Occidental", "Interlingue; Occidental", "ile", "ie"},
      {"Occidental", nullptr, nullptr, nullptr},
      {"xx", nullptr, nullptr, nullptr},
      {"", nullptr, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    const std::optional<LanguageRecord> record = LanguageRecord::LanguageWithString(QString::fromUtf8(c.text));
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
