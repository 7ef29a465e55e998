#include "platform/RunLoop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <ctime>
#include <thread>

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

// Seconds of processor time this thread has used.
double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

TEST(RunLoop, AfterTheProgramBeganToQuitAWaitSleepsForOtherThreadsInsteadOfSpinning) {
  std::atomic<bool> done{false};
  bool waited = false;
  double wall = 0, processor = 0;
  // Inside the program's loop, as a quit from a key or a signal handler runs.
  QTimer::singleShot(0, [&] {
    QCoreApplication::exit(0);
    std::thread worker([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      done = true;
    });
    QElapsedTimer clock;
    clock.start();
    const double before = threadSeconds();
    waited = runloop::waitUntil([&] { return done.load(); }, 10.0);
    processor = threadSeconds() - before;
    wall = clock.elapsed() / 1000.0;
    worker.join();
  });
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_TRUE(waited);
  EXPECT_GE(wall, 1.4);
  EXPECT_LT(wall, 5.0);
  // A wait that spins takes a core's worth, even on a loaded machine far more than this.
  EXPECT_LT(processor, 0.15) << "the wait spun for " << processor << " s of " << wall << " s";
}
