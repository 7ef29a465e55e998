#include "platform/CocoaString.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace zuvo;

TEST(CocoaString, CapitalizedStringStartsEveryWordAndLowersTheRest) {
  struct Case {
    const char* name;
    QString text;
    QString expected;
  } cases[] = {
      {"mixed case", "hELLO wORLD", "Hello World"},
      {"only white space separates words", "o'neil-smith jr.", "O'neil-smith Jr."},
      {"tabs and line breaks separate words", "a\tb\nc\rd", "A\tB\nC\rD"},
      {"runs of spaces are kept", "  two  spaces ", "  Two  Spaces "},
      {"digits start a word without changing", "24 hours 2nite", "24 Hours 2nite"},
      {"letters beyond ASCII", QString::fromUtf8("ÉCOLE über"), QString::fromUtf8("École Über")},
      {"the title case of a digraph", QString::fromUtf8("ǆungla"), QString::fromUtf8("ǅungla")},
      {"empty text", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(capitalizedString(c.text), c.expected) << c.name;
}

TEST(CocoaString, HasPrefixComparesExactlyAndNeverMatchesTheEmptyPrefix) {
  struct Case {
    const char* name;
    QString text;
    QString prefix;
    bool expected;
  } cases[] = {
      {"a folder and a file inside", "/Volumes/TV/show.mkv", "/Volumes/TV", true},
      {"the whole text", "/Volumes/TV", "/Volumes/TV", true},
      {"letter case differs", "/volumes/tv/show.mkv", "/Volumes/TV", false},
      {"prefix longer than the text", "/Vol", "/Volumes", false},
      {"empty prefix", "/Volumes", "", false},
      {"empty prefix and empty text", "", "", false},
      {"empty text", "", "/", false},
  };
  for (const Case& c : cases) EXPECT_EQ(hasPrefix(c.text, c.prefix), c.expected) << c.name;
}
