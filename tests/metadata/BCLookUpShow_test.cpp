#include "metadata/BCLookUpShow.h"

#include <gtest/gtest.h>

#include "media/MediaValues.h"
#include "metadata/ITunesGenre.h"
#include "metadata/LookUpFixtures.h"
#include "metadata/LookUpTestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

TEST(ITunesGenre, TheFirstKeywordInTableOrderNamesTheGenre) {
  const struct {
    const char* genre;
    const char* expected;
  } cases[] = {
      {"", "Unknown"},
      {"Science Fiction, Adventure", "Action & Adventure"},
      {"ACTION", "Action & Adventure"},
      {"Family Drama", "Kids & Family"},
      {"Children's", "Kids & Family"},
      {"kids", "Kids & Family"},
      {"Animation, Comedy", "Animation"},
      {"Classic Westerns", "Classics"},
      {"Romantic Comedy", "Comedy"},
      {"Documentary", "Documentary"},
      {"Crime Drama", "Drama"},
      {"Horror, Thriller", "Horror"},
      {"Independent", "Independent"},
      {"Musicals", "Musicals"},
      {"Musical", "Music"},
      {"Romance", "Romance"},
      {"Shorts", "Short Films"},
      {"Sports", "Sports"},
      {"Thriller", "Thriller"},
      {"Spaghetti Western", "Western"},
      {"Sci-Fi", "Sci-Fi & Fantasy"},
      {"Fantasy", "Sci-Fi & Fantasy"},
      {"Reality", "Reality TV"},
      {"Crime", "Crime"},
      {"name=Mystery, name=Crime", "name=Mystery, name=Crime"},
  };
  for (const auto& c : cases) EXPECT_EQ(ITunesGenre(QString::fromUtf8(c.genre)), c.expected) << c.genre;
  MediaFile item;
  item.setGenre("Docu-drama, documentary");
  BCLookUpShow::FixGenre(item);
  EXPECT_EQ(item.genre(), "Documentary");
}

TEST(EpisodeMatch, TheCommonBeginningTimesTenOverTheLengthOfTheGivenName) {
  const struct {
    const char* given;
    const char* title;
    int match;
  } cases[] = {
      {"Pilot", "Pilot (Part 1)", 10},
      {"Pilot", "Pink", 4},
      {"pilot", "PILOT", 10},
      {"Pilot", "Pi", 4},
      {"", "Pilot", 0},
      {"Pilot", "", 0},
      {"Pilot", "Trial", 0},
      {"Ça va", "ÇA VIENT", 8},
      {"Traces to Nowhere", "Traces", 3},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EpisodeMatch(QString::fromUtf8(c.given), QString::fromUtf8(c.title)), c.match)
        << c.given << " / " << c.title;
}

class LookUp : public ServiceTest {
 protected:
  MediaFilePtr tvItem(const QString& series, quint32 season, quint32 episode) {
    auto item = std::make_shared<MediaFile>();
    item->setMediatype(MediaType::TVShow);
    item->setType(kSourceTypeFile);
    item->setFilename(series + ".avi");
    item->setSeriesname(series);
    item->setSeason(season);
    item->setShow(episode);
    return item;
  }
  MediaFilePtr movieItem(const QString& name) {
    auto item = tvItem(name, 0, 0);
    item->setMediatype(MediaType::Movie);
    return item;
  }

  ScopedSettings sources{{"TVSource", 0}, {"MovieSource", 0}};
  BCLookUpShow lookup{cache, "en", true, reporter};
  ServiceNotices notices;
};

TEST_F(LookUp, AnUnknownOrEmptyNameAnswersCodeOneWithoutAsking) {
  for (const char* name : {"Unknown", ""}) {
    for (auto item : {tvItem(name, 1, 2), movieItem(name)}) {
      item->setSelected(true);
      item->setSoliddetection(true);
      const BCError answer = lookup.LookUpShowData(*item);
      EXPECT_EQ(answer.Code(), LookUpCode::NoShowName) << name;
      EXPECT_EQ(answer.Description(), "No valid show name passed to Lookup") << name;
      EXPECT_FALSE(item->didlookup()) << name;
      EXPECT_FALSE(item->soliddetection()) << name;
      EXPECT_FALSE(item->selected()) << name;
      EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::NoLookUpMatch) << name;
    }
  }
  EXPECT_TRUE(requests().isEmpty());
  EXPECT_TRUE(notices.names().isEmpty());
  EXPECT_TRUE(logged("[RED]LookUpShow called with Unknown or <empty> as show name. Exiting.", 3))
      << log().toStdString();
}

TEST_F(LookUp, TheLanguageSettingAndForcedEnglishDecideWhatTheServicesAreAskedIn) {
  const struct {
    const char* setting;
    bool forceEnglish;
    const char* language;
  } cases[] = {
      {"Automatic", false, "fr"}, {"German", false, "de"},   {"deu", false, "de"},
      {"German", true, "en"},     {"Automatic", true, "en"},
  };
  for (const auto& c : cases) {
    ScopedSettings language{{"LanguageForShowInformation", c.setting},
                            {"ForceEnglishLookup", c.forceEnglish}};
    BCLookUpShow french(cache, "fr", true, reporter);
    auto item = movieItem("Nosferatu");
    (void)french.LookUpShowData(*item);
    EXPECT_EQ(requests().last(), QString::fromUtf8(movieDBSearchTarget("nosferatu", c.language)))
        << c.setting;
  }
}

TEST_F(LookUp, AServiceThatDoesNotAnswerIsReportedOfflineAndEndsTheLookUp) {
  const struct {
    bool movie;
    int source;
    const char* notice;  // null: none
    int code;
    const char* text;
  } cases[] = {
      {false, 0, "TVOffline", 3, "TVDB Service is offline"},
      {false, 1, "TVOffline", 3, "TVDB Service is offline"},
      {true, 0, "MovieOffline", 3, "MovieDB Service is offline"},
      {true, 1, "MovieOffline", 3, "MovieDB Service is offline"},
      {true, 3, nullptr, 0, "No Error"},
  };
  ScopedServiceAddresses offline(QStringLiteral("http://127.0.0.1:%1").arg(portNobodyListensOn()));
  for (const auto& c : cases) {
    const std::string what = std::string(c.movie ? "movie" : "TV") + " source " + std::to_string(c.source);
    ScopedSettings source{{c.movie ? "MovieSource" : "TVSource", c.source}};
    ServiceNotices seen;
    auto item = c.movie ? movieItem("Metropolis") : tvItem("Metropolis", 1, 1);
    const BCError answer = lookup.LookUpShowData(*item);
    EXPECT_EQ(answer.Code(), c.code) << what;
    EXPECT_EQ(answer.Description(), c.text) << what;
    EXPECT_EQ(seen.names(), c.notice ? QStringList{c.notice} : QStringList{}) << what;
    EXPECT_TRUE(seen.allFrom(&lookup)) << what;
    EXPECT_TRUE(item->didlookup()) << what;
  }
}

TEST_F(LookUp, ATVShowFoundUnderAnotherNameIsRenamedAndSearchedAgainWhenGuessing) {
  routeGalactica(server);
  server.route(tvdbSearchTarget("bsg"), xmlAnswer("<Data>\n</Data>\n"));
  server.route(tvRageSearchTarget("bsg"), xmlAnswer(R"(<Results>
<show>
<showid>1</showid>
<name>Battlestar Galactica</name>
</show>
<show>
<showid>2</showid>
<name>BSG: Blood &amp; Chrome</name>
</show>
</Results>
)"));
  auto item = tvItem("BSG", 1, 2);
  const BCError answer = lookup.LookUpShowData(*item);

  EXPECT_FALSE(answer.Error()) << answer.Description().toStdString();
  EXPECT_EQ(item->seriesname(), "Battlestar Galactica");
  EXPECT_EQ(item->episodename(), "Lost Planet of the Gods (1)");
  const QStringList asked = requests();
  ASSERT_GE(asked.size(), 3);
  EXPECT_EQ(asked.mid(0, 4),
            QStringList({tvdbSearchTarget("bsg"), tvRageSearchTarget("bsg"),
                         tvdbSearchTarget("battlestar%20galactica"), tvdbRecordTarget(71173)}));
  EXPECT_EQ(notices.names(), QStringList({"TVOnline", "TVOnline"}));
  EXPECT_TRUE(logged("Preparing to run invisible show picker for BSG", 3)) << log().toStdString();
}

TEST_F(LookUp, ATVShowWithoutCandidateIsDeselectedWithCodeTwo) {
  server.route(tvdbSearchTarget("bsg"), xmlAnswer("<Data>\n</Data>\n"));
  server.route(tvdbSearchTarget("bsg%3A%20blood%20%26%20chrome"), xmlAnswer("<Data>\n</Data>\n"));
  const QByteArray renamed = "<Results>\n<show>\n<name>BSG: Blood &amp; Chrome</name>\n</show>\n</Results>\n";
  const struct {
    const char* what;
    bool guess;
    QByteArray tvRage;  // empty: TVRage has no answer
    QStringList asked;
    const char* seriesAfter;
  } cases[] = {
      {"guessing off", false, renamed, {tvdbSearchTarget("bsg"), tvRageSearchTarget("bsg")}, "BSG"},
      {"TVRage knows nothing",
       true,
       "<Results>\n</Results>\n",
       {tvdbSearchTarget("bsg"), tvRageSearchTarget("bsg")},
       "BSG"},
      {"TVRage offline", true, {}, {tvdbSearchTarget("bsg"), tvRageSearchTarget("bsg")}, "BSG"},
      {"the new name finds nothing either",
       true,
       renamed,
       {tvdbSearchTarget("bsg"), tvRageSearchTarget("bsg"),
        tvdbSearchTarget("bsg%3A%20blood%20%26%20chrome")},
       "BSG: Blood & Chrome"},
  };
  for (const auto& c : cases) {
    emptyCache(cache);
    const qsizetype before = requests().size();
    if (c.tvRage.isEmpty())
      server.route(tvRageSearchTarget("bsg"), errorAnswer(503));
    else
      server.route(tvRageSearchTarget("bsg"), xmlAnswer(c.tvRage));
    BCLookUpShow guessing(cache, "en", c.guess, reporter);
    auto item = tvItem("BSG", 1, 2);
    item->setSelected(true);
    item->setReasonfordeselection(DeselectionReason::None);
    const BCError answer = guessing.LookUpShowData(*item);
    EXPECT_EQ(answer.Code(), LookUpCode::NoCandidate) << c.what;
    EXPECT_EQ(answer.Description(), "Look up for show returned zero") << c.what;
    EXPECT_FALSE(item->selected()) << c.what;
    EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::NoLookUpMatch) << c.what;
    EXPECT_FALSE(item->didlookup()) << c.what;
    EXPECT_EQ(item->seriesname(), QString::fromUtf8(c.seriesAfter)) << c.what;
    EXPECT_EQ(requests().mid(before), c.asked) << c.what;
  }
  EXPECT_TRUE(logged("[RED]Lookup for show id returned zero, deselecting", 3)) << log().toStdString();
}

TEST_F(LookUp, AForcedIDFetchesThatRecordWithoutASearch) {
  routeGalactica(server);
  // The EyeTV form of the record: the same answer, asked for without ".xml".
  server.route("/data/series/71173/all/en", xmlAnswer(kGalacticaRecord));
  const struct {
    const char* what;
    const char* type;
    quint32 season;
    quint32 episode;
    const char* episodeName;
    QByteArray recordTarget;
    quint32 seasonAfter;
    quint32 episodeAfter;
  } cases[] = {
      {"a file by number", kSourceTypeFile, 1, 2, "Unknown", tvdbRecordTarget(71173), 1, 2},
      {"an EyeTV recording by its episode name", kSourceTypeEyeTV, 0, 0, "Saga of a Star World",
       "/data/series/71173/all/en", 1, 1},
  };
  for (const auto& c : cases) {
    emptyCache(cache);
    const qsizetype before = requests().size();
    auto item = tvItem("Galactica", c.season, c.episode);
    item->setType(c.type);
    item->setEpisodename(c.episodeName);
    item->setForceid(71173);
    const BCError answer = lookup.LookUpShowData(*item, false);
    EXPECT_FALSE(answer.Error()) << c.what;
    EXPECT_EQ(requests().value(before), QString::fromUtf8(c.recordTarget)) << c.what;
    EXPECT_EQ(item->season(), c.seasonAfter) << c.what;
    EXPECT_EQ(item->show(), c.episodeAfter) << c.what;
    EXPECT_EQ(item->seriesname(), "Battlestar Galactica") << c.what;
    EXPECT_TRUE(item->selected()) << c.what;
    EXPECT_TRUE(item->didlookup()) << c.what;
  }
  EXPECT_TRUE(notices.names().isEmpty());
  EXPECT_TRUE(logged("[GREEN]Forcing show ID to 71173", 3)) << log().toStdString();
}

TEST_F(LookUp, AChoiceOutsideTheCandidatesFetchesNoRecord) {
  const struct {
    const char* what;
    bool movie;
    QList<VideoAlternate> candidates;
    int index;
    const char* logLine;
  } cases[] = {
      {"TV index beyond the list",
       false,
       {VideoAlternate::alternateWithName("x", 5)},
       3,
       "[RED]Lookup:Alternate Shows count outside of alternate array bounds!"},
      {"TV index -1",
       false,
       {VideoAlternate::alternateWithName("x", 5)},
       -1,
       "[RED]Lookup:Alternate Shows count outside of alternate array bounds!"},
      {"movie index beyond the list",
       true,
       {VideoAlternate::alternateWithName("x", 5)},
       1,
       "[RED]Lookup:Alternate Shows count outside of alternate array bounds!"},
      {"TV without a list", false, {}, 0, "[RED]Lookup:Alternate Shows missing!"},
  };
  for (const auto& c : cases) {
    auto item = c.movie ? movieItem("Solaris") : tvItem("Solaris", 1, 1);
    item->setAlternativeSuggestions(c.candidates);
    item->setSelectedAlernativeSuggestion(c.index);
    const BCError answer = lookup.LookUpShowData(*item, false);
    EXPECT_FALSE(answer.Error()) << c.what;
    EXPECT_TRUE(item->didlookup()) << c.what;
    EXPECT_TRUE(logged(c.logLine, 3)) << c.what;
  }
  EXPECT_TRUE(requests().isEmpty());
}

TEST_F(LookUp, AnEpisodeTheServiceCannotNameBecomesUnknown) {
  routeGalactica(server);
  const struct {
    const char* what;
    quint32 season;
    quint32 episode;
    bool recordAnswers;
  } cases[] = {
      {"no such episode", 4, 9, true},
      {"the record unreachable", 1, 2, false},
  };
  for (const auto& c : cases) {
    emptyCache(cache);
    if (!c.recordAnswers) server.route(tvdbRecordTarget(71173), errorAnswer(500));
    auto item = tvItem("Battlestar Galactica", c.season, c.episode);
    const BCError answer = lookup.LookUpShowData(*item);
    EXPECT_FALSE(answer.Error()) << c.what;
    EXPECT_EQ(item->episodename(), "Unknown") << c.what;
    EXPECT_FALSE(item->selected()) << c.what;
    EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::IncompleteTVShow) << c.what;
    EXPECT_FALSE(item->soliddetection()) << c.what;
    EXPECT_TRUE(item->didlookup()) << c.what;
  }
  EXPECT_TRUE(logged("Empty show name returned", 3)) << log().toStdString();
}

TEST_F(LookUp, NamesFromTheAnswersAreUnescapedExactlyOnce) {
  // XML text: "&amp;" is a name's "&"; "&amp;amp;" a name that holds the text "&amp;".
  server.route(
      movieDBSearchTarget("marley%20%26%20me"),
      xmlAnswer("<movies>\n<movie>\n<name>Marley &amp; Me</name>\n<id>14306</id>\n</movie>\n</movies>\n"));
  server.route(
      movieDBRecordTarget(14306),
      xmlAnswer("<movies>\n<movie>\n<name>Marley &amp; Me</name>\n<certification>PG</certification>\n"
                "</movie>\n</movies>\n"));
  server.route(
      tvdbSearchTarget("law%20%26%20order"),
      xmlAnswer("<Data>\n<Series>\n<seriesid>72368</seriesid>\n<SeriesName>Law &amp; Order</SeriesName>\n"
                "</Series>\n</Data>\n"));
  server.route(tvdbRecordTarget(72368), xmlAnswer(R"(<Data>
<Series>
<SeriesName>Law &amp; Order</SeriesName>
</Series>
<Episode>
<EpisodeName>Tags &amp;amp; Entities</EpisodeName>
<EpisodeNumber>4</EpisodeNumber>
<SeasonNumber>2</SeasonNumber>
</Episode>
</Data>
)"));
  const struct {
    const char* what;
    MediaFilePtr item;
    const char* series;
    const char* episode;
    VideoAlternate candidate;
  } cases[] = {
      {"a movie", movieItem("Marley & Me"), "Marley & Me", "",
       VideoAlternate::alternateWithName("Marley & Me", 14306)},
      {"a TV episode", tvItem("Law & Order", 2, 4), "Law & Order", "Tags &amp; Entities",
       VideoAlternate::alternateWithName("law & order", 72368)},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(lookup.LookUpShowData(*c.item).Error()) << c.what;
    EXPECT_EQ(c.item->seriesname(), QString::fromUtf8(c.series)) << c.what;
    EXPECT_EQ(c.item->episodename(), QString::fromUtf8(c.episode)) << c.what;
    EXPECT_EQ(c.item->AlternativeSuggestions(), QList<VideoAlternate>{c.candidate}) << c.what;
  }
}

TEST_F(LookUp, AHomeMovieIsOnlyTidiedUp) {
  auto item = tvItem("Holiday &amp; Beach", 0, 0);
  item->setMediatype(MediaType::HomeMovie);
  item->setDescription("Sun &amp;#38; sea");
  const BCError answer = lookup.LookUpShowData(*item);
  EXPECT_FALSE(answer.Error());
  EXPECT_TRUE(requests().isEmpty());
  EXPECT_EQ(item->seriesname(), "Holiday & Beach");
  EXPECT_EQ(item->description(), "Sun & sea");
  EXPECT_EQ(item->genre(), "Unknown");
  EXPECT_TRUE(item->selected());
  EXPECT_TRUE(item->soliddetection());
  EXPECT_TRUE(item->didlookup());
}

}  // namespace
