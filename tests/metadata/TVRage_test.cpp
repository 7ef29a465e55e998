#include "metadata/TVRage.h"

#include <gtest/gtest.h>

#include "metadata/ServiceTestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

const QByteArray kBuffySearch = R"(<?xml version="1.0" encoding="UTF-8" ?>
<Results>
<show>
<showid>2930</showid>
<name>Buffy the Vampire Slayer</name>
<link>http://www.tvrage.com/Buffy_The_Vampire_Slayer</link>
<country>US</country>
</show>
<show>
<showid>31192</showid>
<name>Buffy &amp; Angel</name>
</show>
<show>
<showid>31193</showid>
<name>BUFFY &amp; ANGEL</name>
</show>
<show>
<showid>40000</showid>
<name>Büffy / Ängel</name>
</show>
</Results>
)";

const QByteArray kBuffyEpisodes = R"(<?xml version="1.0" encoding="UTF-8" ?>
<Show>
<name>Buffy the Vampire Slayer</name>
<totalseasons>2</totalseasons>
<Episodelist>
<Season no="1">
<episode><epnum>1</epnum><seasonnum>01</seasonnum><prodnum>4V01</prodnum><airdate>1997-03-10</airdate><link>http://x</link><title>Welcome to the Hellmouth (1)</title></episode>
<episode><epnum>2</epnum><seasonnum>02</seasonnum><airdate>1997-03-10</airdate><title>The Harvest &amp; More</title></episode>
</Season>
<Season no="2">
<episode><epnum>13</epnum><seasonnum>01</seasonnum><title>When She Was Bad</title></episode>
<episode><epnum>14</epnum><seasonnum>02</seasonnum></episode>
</Season>
</Episodelist>
</Show>
)";

const QByteArray kSearchTarget = "/feeds/search.php?show=%22buffy%20%26%20angel%22";

using TVRage = ServiceTest;

TEST_F(TVRage, ShowIDIsTheLastShowNamedLikeTheQuery) {
  server.route(kSearchTarget, xmlAnswer(kBuffySearch));

  EXPECT_EQ(TVRageLookupShowID("Buffy & Angel", cache, reporter), 31193);

  EXPECT_EQ(requests(), QStringList({QString::fromLatin1(kSearchTarget)}));
  EXPECT_EQ(cacheFiles(), QStringList({"buffy%20%26%20angel.ftc"}));
  EXPECT_TRUE(logged("Found TV Rage ID of 31193", 4));
}

TEST_F(TVRage, ShowIDOfANameNotFoundIsZero) {
  server.route("/feeds/search.php?show=%22angel%22", xmlAnswer(kBuffySearch));
  EXPECT_EQ(TVRageLookupShowID("Angel", cache, reporter), 0);
}

TEST_F(TVRage, NonASCIIAndSlashAreEscapedAndThePresentFileIsReadWithoutARequest) {
  server.route("/feeds/search.php?show=%22b%C3%BCffy%20%2F%20%C3%A4ngel%22", xmlAnswer(kBuffySearch));

  EXPECT_EQ(TVRageLookupShowID("Büffy / Ängel", cache, reporter), 40000);
  EXPECT_EQ(TVRageLookupShowID("Büffy / Ängel", cache, reporter), 40000);

  EXPECT_EQ(requests().size(), 1);
  EXPECT_EQ(cacheFiles(), QStringList({"b%C3%BCffy%20%2F%20%C3%A4ngel.ftc"}));
  EXPECT_TRUE(logged("File already in cache", 4));
}

TEST_F(TVRage, ShowNamesAreUnescapedInTheAnswersOrder) {
  server.route(kSearchTarget, xmlAnswer(kBuffySearch));

  const std::optional<QStringList> names = TVRageShowNames("Buffy & Angel", cache, reporter);

  ASSERT_TRUE(names.has_value());
  EXPECT_EQ(*names,
            QStringList({"Buffy the Vampire Slayer", "Buffy & Angel", "BUFFY & ANGEL", "Büffy / Ängel"}));
  EXPECT_TRUE(logged("<showid>2930</showid>", 5));
  EXPECT_EQ(TVRageShowNames("Buffy & Angel", cache, reporter), names);
  EXPECT_TRUE(logged("File is already in cache", 4));
  EXPECT_EQ(requests().size(), 1);
}

TEST_F(TVRage, EpisodeListHoldsEveryEpisodeWithItsSeasonAndNumber) {
  server.route("/feeds/search.php?show=%22buffy%20the%20vampire%20slayer%22", xmlAnswer(kBuffySearch));
  server.route("/feeds/episode_list.php?sid=2930", xmlAnswer(kBuffyEpisodes));

  const auto episodes = TVRageEpisodeList("Buffy the Vampire Slayer", cache, reporter);

  ASSERT_TRUE(episodes.has_value());
  const QList<TVRageEpisode> expected{{1, 1, "Welcome to the Hellmouth (1)"},
                                      {1, 2, "The Harvest & More"},
                                      {2, 1, "When She Was Bad"},
                                      {2, 2, ""}};
  EXPECT_EQ(*episodes, expected);
  EXPECT_EQ(cacheFiles(), QStringList({"2930.ftc", "buffy%20the%20vampire%20slayer.ftc"}));
  EXPECT_TRUE(logged("Building Episode Picker for Buffy the Vampire Slayer", 3));
  EXPECT_TRUE(logged("Getting TVRage Episode List for 2930 into file " + cache + "/2930.ftc", 4));

  EXPECT_EQ(TVRageEpisodeList("Buffy the Vampire Slayer", cache, reporter), episodes);
  EXPECT_EQ(requests().size(), 2);
  EXPECT_TRUE(logged(cache + "/2930.ftc is already in cache", 3));
}

TEST_F(TVRage, AShowWithoutIDAsksForTheListOfIDZero) {
  server.route("/feeds/search.php?show=%22nothing%22", xmlAnswer("<Results>\n</Results>\n"));
  server.route("/feeds/episode_list.php?sid=0", xmlAnswer("<Show>\n</Show>\n"));

  const auto episodes = TVRageEpisodeList("Nothing", cache, reporter);

  ASSERT_TRUE(episodes.has_value());
  EXPECT_TRUE(episodes->isEmpty());
  EXPECT_EQ(requests().last(), "/feeds/episode_list.php?sid=0");
}

using TVRageOffline = OfflineServiceTest;

TEST_F(TVRageOffline, IDIsZeroAndTheListsAreMissing) {
  EXPECT_EQ(TVRageLookupShowID("Buffy", cache, reporter), 0);
  EXPECT_TRUE(logged("[RED]Computer not connected to Internet when looking up show.", 4));
  EXPECT_FALSE(TVRageShowNames("Buffy", cache, reporter).has_value());
  EXPECT_TRUE(logged("[RED]Computer not connected to Internet when creating show picker list", 3));
  EXPECT_FALSE(TVRageEpisodeList("Buffy", cache, reporter).has_value());
  EXPECT_TRUE(logged("Computer not connected to Internet", 3));
  EXPECT_TRUE(QDir(cache).isEmpty());
}

}  // namespace
