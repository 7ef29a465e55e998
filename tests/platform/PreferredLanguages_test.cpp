#include "platform/PreferredLanguages.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace zuvo;

TEST(PreferredLanguages, LocaleNamesBecomeBareCodesExceptTheKeptRegionForms) {
  struct Case {
    const char* locale;
    const char* expected;
  } cases[] = {
      {"en_US.UTF-8", "en"},
      {"en_GB.UTF-8", "en-GB"},
      {"de_DE@euro", "de"},
      {"fr", "fr"},
      {"nb_NO.UTF-8", "nb"},
      {"pt_BR", "pt-BR"},
      {"pt_PT.UTF-8", "pt-PT"},
      {"pt_AO", "pt"},
      {"zh_CN.UTF-8", "zh-Hans"},
      {"zh_TW.Big5", "zh-Hant"},
      {"zh_HK", "zh-Hant"},
      {"zh-Hans", "zh-Hans"},
      {"C", ""},
      {"POSIX", ""},
      {"C.UTF-8", ""},
      {"", ""},
      {"1234", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(preferredLanguageCode(c.locale), c.expected) << c.locale;
}

TEST(PreferredLanguages, TheVariablesCountInTheOrderGettextTakesThem) {
  const char* names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
  QByteArray saved[4];
  for (int i = 0; i < 4; ++i) saved[i] = qgetenv(names[i]);

  struct Case {
    const char* name;
    const char* language;  // nullptr: unset, for each variable of `names`
    const char* all;
    const char* messages;
    const char* lang;
    QStringList expected;
  } cases[] = {
      {"the language list, then the messages locale",
       "de_DE:en_GB:de",
       nullptr,
       nullptr,
       "fr_FR.UTF-8",
       {"de", "en-GB", "fr"}},
      {"LC_ALL wins over the others", nullptr, "pt_BR.UTF-8", "de_DE", "fr_FR", {"pt-BR"}},
      {"LC_MESSAGES wins over LANG", nullptr, nullptr, "de_DE", "fr_FR", {"de"}},
      {"an empty LC_ALL counts as unset", nullptr, "", nullptr, "fr_FR", {"fr"}},
      {"a C messages locale ignores the language list", "de_DE:fr", nullptr, "C", "fr_FR.UTF-8", {"en"}},
      {"no locale at all ignores it too", "de", nullptr, nullptr, nullptr, {"en"}},
      {"POSIX likewise", "de", "POSIX", nullptr, nullptr, {"en"}},
      {"C.UTF-8 keeps the language list", "de", nullptr, nullptr, "C.UTF-8", {"de"}},
      {"C.UTF-8 names no language", nullptr, nullptr, nullptr, "C.UTF-8", {"en"}},
      {"nothing set", nullptr, nullptr, nullptr, nullptr, {"en"}},
  };
  for (const Case& c : cases) {
    const char* values[] = {c.language, c.all, c.messages, c.lang};
    for (int i = 0; i < 4; ++i)
      if (values[i])
        qputenv(names[i], values[i]);
      else
        qunsetenv(names[i]);
    EXPECT_EQ(preferredLanguages(), c.expected) << c.name;
  }

  for (int i = 0; i < 4; ++i)
    if (saved[i].isNull())
      qunsetenv(names[i]);
    else
      qputenv(names[i], saved[i]);
}
