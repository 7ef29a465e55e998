#include "platform/PreferredLanguages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace zuvo;

TEST(PreferredLanguages, LocaleNamesBecomeBareCodesExceptTheKeptRegionForms) {
  struct Case {
    const char* locale;
    const char* expected;
  } cases[] = {
      {"en_US.UTF-8", "en"}, {"en_GB.UTF-8", "en-GB"}, {"de_DE@euro", "de"},   {"fr", "fr"},
      {"nb_NO.UTF-8", "nb"}, {"pt_BR", "pt-BR"},       {"pt_PT.UTF-8", "pt-PT"}, {"pt_AO", "pt"},
      {"zh_CN.UTF-8", "zh-Hans"}, {"zh_TW.Big5", "zh-Hant"}, {"zh_HK", "zh-Hant"}, {"zh-Hans", "zh-Hans"},
      {"C", ""},             {"POSIX", ""},           {"C.UTF-8", ""},        {"", ""},
      {"1234", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(preferredLanguageCode(c.locale), c.expected) << c.locale;
}

TEST(PreferredLanguages, LanguageListComesFirstThenTheLocaleVariablesWithoutRepeats) {
  const char* names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
  QByteArray saved[4];
  for (int i = 0; i < 4; ++i) saved[i] = qgetenv(names[i]);

  qputenv("LANGUAGE", "de_DE:en_GB:de");
  qunsetenv("LC_ALL");
  qputenv("LC_MESSAGES", "C");
  qputenv("LANG", "fr_FR.UTF-8");
  EXPECT_EQ(preferredLanguages(), QStringList({"de", "en-GB", "fr"}));

  for (const char* name : names) qunsetenv(name);
  EXPECT_TRUE(preferredLanguages().isEmpty());

  for (int i = 0; i < 4; ++i)
    if (saved[i].isNull()) qunsetenv(names[i]);
    else qputenv(names[i], saved[i]);
}
