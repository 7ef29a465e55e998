#include "platform/WindowPlacement.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace zuvo;

TEST(WindowPlacement, CentredOnTheReferenceOrBesideIt) {
  struct Case {
    const char* what;
    QPoint got;
    QPoint expected;
  } cases[] = {
      {"centre", CenterViewOnView(QRect(100, 50, 800, 600), QRect(0, 0, 400, 200)), QPoint(300, 250)},
      {"centre, larger panel", CenterViewOnView(QRect(0, 0, 100, 100), QRect(7, 7, 300, 140)),
       QPoint(-100, -20)},
      {"centre, odd difference", CenterViewOnView(QRect(0, 0, 101, 51), QRect(0, 0, 50, 20)), QPoint(25, 15)},
      {"centre, absent reference", CenterViewOnView(QRect(), QRect(10, 10, 40, 20)), QPoint(-20, -10)},
      {"centre, absent panel", CenterViewOnView(QRect(10, 20, 40, 60), QRect()), QPoint(30, 50)},
      {"beside", PlaceViewBesideView(QRect(100, 50, 800, 600), QRect(0, 0, 300, 200)), QPoint(920, 250)},
      {"beside, taller window", PlaceViewBesideView(QRect(0, 100, 50, 100), QRect(0, 0, 10, 300)),
       QPoint(70, 0)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.got, c.expected) << c.what << ": got " << c.got.x() << "," << c.got.y();
  }
}
