#include "platform/RunLoop.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zuvo;

TEST(RunLoop, EventsOfTheWaitingThreadKeepFlowingUntilTheConditionHolds) {
  bool fired = false;
  QTimer::singleShot(50, [&] { fired = true; });
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(runloop::waitUntil([&] { return fired; }, 5.0));
  EXPECT_LT(clock.elapsed(), 2000);
}

TEST(RunLoop, AWaitThatNeverSucceedsEndsAtItsDeadline) {
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(runloop::waitUntil([] { return false; }, 0.3, 100));
  EXPECT_GE(clock.elapsed(), 290);
  EXPECT_LT(clock.elapsed(), 2000);

  clock.restart();
  runloop::runFor(0.2);
  EXPECT_GE(clock.elapsed(), 190);
  EXPECT_LT(clock.elapsed(), 2000);
}

TEST(RunLoop, ANegativeOrZeroTimeOutDoesNotWaitForever) {
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(runloop::waitUntil([] { return false; }, 0));
  EXPECT_FALSE(runloop::waitUntil([] { return false; }, -1));
  EXPECT_FALSE(runloop::waitUntil([] { return false; }, -0.001));
  EXPECT_TRUE(runloop::waitUntil([] { return true; }, -1));
  EXPECT_LT(clock.elapsed(), 1000);
}
