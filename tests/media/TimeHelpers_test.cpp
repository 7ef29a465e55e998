#include "media/TimeHelpers.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace zuvo;

TEST(SecondsFromTimeString, OneTwoOrThreePiecesOfLeadingIntegers) {
  struct Case {
    QString text;
    int seconds;
  } cases[] = {
      {"90", 90},
      {"1:30", 90},
      {"01:02:03.5", 3723},
      {"1:2:3:4", -1},
      {"", 0},
      {"00:01:02,500", 62},
      {"abc", 0},
      {"0:00:01.50", 1},
      {"::", 0},
      {"2:00:00", 7200},
      {"999999999:00:00", 2147483647},
      {"-999999999:00:00", -2147483647 - 1},
  };
  for (const Case& c : cases) EXPECT_EQ(SecondsFromTimeString(c.text), c.seconds) << c.text.toStdString();
}

TEST(TimeStringFromSeconds, TwoDigitsAtLeast) {
  struct Case {
    qint32 seconds;
    const char* text;
  } cases[] = {{0, "00:00:00"}, {59, "00:00:59"}, {3723, "01:02:03"}, {360000, "100:00:00"}};
  for (const Case& c : cases) EXPECT_EQ(TimeStringFromSeconds(c.seconds), c.text) << c.seconds;
}

TEST(MillisecondsFromTimeString, SecondsKeepTheirFractionToTheMillisecond) {
  struct Case {
    QString text;
    qint64 ms;
  } cases[] = {
      {"00:00:02.500", 2500},
      {"2.5", 2500},
      {"1:30.25", 90250},
      {"01:02:03", 3723000},
      {"0:00:01.9999", 1999},
      {"00:00:07.", 7000},
      {"1:2:3:4", -1},
      {"1:2:3.5:4", -1},
      {"abc", 0},
      {"", 0},
      {"00:00:00.040", 40},
      {"999999999:00:00.5", 2147483647500},
  };
  for (const Case& c : cases) EXPECT_EQ(MillisecondsFromTimeString(c.text), c.ms) << c.text.toStdString();
}

TEST(TimeStringFromMilliseconds, AFractionOnlyWhenThereIsOne) {
  struct Case {
    qint64 ms;
    const char* text;
  } cases[] = {{0, "00:00:00"},         {2500, "00:00:02.500"}, {3723000, "01:02:03"},
               {59999, "00:00:59.999"}, {40, "00:00:00.040"},   {-5, "00:00:00"}};
  for (const Case& c : cases) {
    EXPECT_EQ(TimeStringFromMilliseconds(c.ms), c.text) << c.ms;
    if (c.ms >= 0) {
      EXPECT_EQ(MillisecondsFromTimeString(c.text), c.ms) << "read back: " << c.text;
    }
  }
}

TEST(TimeZoneOffsetText, SignedHoursAndMinutes) {
  struct Case {
    int seconds;
    const char* text;
  } cases[] = {{0, "+00:00"},      {3600, "+01:00"},   {19800, "+05:30"},
               {-12600, "-03:30"}, {-18000, "-05:00"}, {45900, "+12:45"}};
  for (const Case& c : cases) EXPECT_EQ(TimeZoneOffsetText(c.seconds), c.text) << c.seconds;
}

TEST(DateFromComponents, LocalTimeWithTheZoneOffsetOfNow) {
  const std::optional<QDateTime> date = DateFromComponents(2011, 3, 4, 5, 6, 7);
  ASSERT_TRUE(date);
  EXPECT_EQ(date->date(), QDate(2011, 3, 4));
  EXPECT_EQ(date->time(), QTime(5, 6, 7));
  EXPECT_EQ(date->offsetFromUtc(), QDateTime::currentDateTime().offsetFromUtc() / 60 * 60);
  EXPECT_FALSE(DateFromComponents(2011, 13, 1, 0, 0, 0));
  EXPECT_FALSE(DateFromComponents(2011, 2, 30, 0, 0, 0));
  EXPECT_FALSE(DateFromComponents(2011, 1, 1, 25, 0, 0));
}
