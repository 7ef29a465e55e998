#include "app/shared/Feed.h"

#include <gtest/gtest.h>

#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

using namespace zuvo;

TEST(VideoSources, ArchiveRoundTripKeepsOrderNamesPathsAndFlags) {
  Feed one, two;
  one.setName("New Source");
  one.setPath("/home/user");
  two.setName("New Source");
  two.setPath("/media/tv");
  two.setRecurse(true);
  storeVideoSources({one, two});
  EXPECT_EQ(loadVideoSources(), QList<Feed>({one, two}));
  EXPECT_EQ(two.description(), "Feed name:New Source path:/media/tv recurse:YES");
  Defaults::standard().setObject(QByteArray("damaged"), kSourcesKey);
  EXPECT_TRUE(loadVideoSources().isEmpty());
  Defaults::standard().removeObjectForKey(kSourcesKey);
  EXPECT_TRUE(loadVideoSources().isEmpty());
}
