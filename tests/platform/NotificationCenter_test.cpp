#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <QThread>
#include <thread>

using namespace zuvo;

TEST(NotificationCenter, DeliversByNameAndSenderOnThePostingThread) {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  int a = 0, b = 0;
  const int senderA = 0, senderB = 0;
  QVariantMap seen;
  std::thread::id deliveredOn;
  const auto any = center.addObserver("RefreshWindow", [&](const Notification& n) {
    ++a;
    seen = n.userInfo;
    deliveredOn = std::this_thread::get_id();
  });
  const auto fromA = center.addObserver(
      "RefreshWindow", [&](const Notification&) { ++b; }, &senderA);

  center.post("RefreshWindow", &senderB, {{"number", 3}});
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 0);
  EXPECT_EQ(seen.value("number").toInt(), 3);
  center.post("MakeFileTable", &senderA);
  EXPECT_EQ(a, 1);

  std::thread poster([&] { center.post("RefreshWindow", &senderA); });
  const auto posterId = poster.get_id();
  poster.join();
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(deliveredOn, posterId);

  center.removeObserver(any);
  center.removeObserver(fromA);
  center.post("RefreshWindow", &senderA);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
}

TEST(NotificationCenter, AnObserverMayRemoveItselfWhileBeingNotified) {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  int calls = 0;
  NotificationCenter::Token token = 0;
  token = center.addObserver("NextShow", [&](const Notification&) {
    ++calls;
    center.removeObserver(token);
  });
  center.post("NextShow");
  center.post("NextShow");
  EXPECT_EQ(calls, 1);
}
