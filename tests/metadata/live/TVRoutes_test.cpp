// TheTVDB's and TVRage's requests answered by TVmaze and by TheTVDB v4 on loopback, through
// the real clients: from a file name or a series name to the item's fields and picture.
#include "metadata/live/TVRoutes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonObject>

#include "media/LanguageRecord.h"
#include "metadata/BCLookUpShow.h"
#include "metadata/LookUpTestSupport.h"
#include "metadata/ServiceCache.h"
#include "metadata/TVRage.h"
#include "metadata/TheTVDB.h"
#include "metadata/live/LiveKeys.h"
#include "metadata/live/TheTVDB4.h"
#include "metadata/support/LiveFixtures.h"
#include "metadata/support/LiveServiceSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

// Counts the "LiveKeyRefused" notices and keeps the last one's preference.
class RefusalNotices {
 public:
  RefusalNotices() {
    token_ = NotificationCenter::defaultCenter().addObserver(
        live::kLiveKeyRefusedNotification, [this](const Notification& n) {
          ++count;
          preference = n.userInfo.value("preference").toString();
        });
  }
  ~RefusalNotices() { NotificationCenter::defaultCenter().removeObserver(token_); }
  std::atomic<int> count{0};
  QString preference;

 private:
  NotificationCenter::Token token_;
};

class TVRoutes : public LiveServiceTest {
 protected:
  TVRoutes() { routeUnderTheDome(server); }

  QStringList oldInterfaceRequests() const {
    QStringList old;
    for (const QString& target : requests())
      if (target.startsWith("/api/") || target.startsWith("/data/") || target.startsWith("/banners/") ||
          target.startsWith("/feeds/"))
        old << target;
    return old;
  }
};

TEST_F(TVRoutes, AnEpisodeFromTVmazeWithoutAKey) {
  ScopedSettings source{{"TVSource", 0}};
  ServiceNotices notices;
  BCError answer;
  MediaFilePtr item = probedItem("Under the Dome S01E01.mkv", cache, reporter, &answer);

  EXPECT_FALSE(answer.Error()) << answer.Description().toStdString();
  EXPECT_EQ(candidateNames(item->AlternativeSuggestions()),
            QStringList{"Video Alternate - Name:under the dome ID:264492"})
      << "hits without a TheTVDB id, or with one past 32 bits, are no candidates";
  EXPECT_EQ(item->seriesname(), "Under the Dome");
  EXPECT_EQ(item->episodename(), "Pilot");
  EXPECT_EQ(item->season(), 1u);
  EXPECT_EQ(item->show(), 1u);
  EXPECT_EQ(item->description(),
            "When the residents of Chester's Mill find themselves trapped & cut off, a dôme \"appears\" "
            "<suddenly>.");
  EXPECT_EQ(item->releasedate(), "2013-06-24");
  EXPECT_EQ(item->actors(), ",Mike Vogel,Rachelle Lefevre,");
  EXPECT_EQ(item->genre(), "Drama") << "the look-up keeps the first genre iTunes knows";
  EXPECT_EQ(item->rating(), "") << "TVmaze has no content ratings";
  EXPECT_EQ(item->showid(), 264492u);
  ASSERT_EQ(item->alternateimages().size(), 2);
  EXPECT_TRUE(item->alternateimages()[0].endsWith("/img/s1.jpg")) << item->alternateimages()[0].toStdString();
  EXPECT_GT(item->image().pixelColor(5, 5).red(), 200) << "the season's picture, not the show's poster";
  EXPECT_LT(item->image().pixelColor(5, 5).blue(), 60);
  EXPECT_TRUE(inCache("TV264492.1.1.jpg"));
  EXPECT_TRUE(item->selected());
  EXPECT_EQ(notices.names(), QStringList{"TVOnline"});
  EXPECT_EQ(oldInterfaceRequests(), QStringList()) << "nothing goes to the old interfaces";
  EXPECT_TRUE(requests().contains("/shows/1/episodes"));
}

TEST_F(TVRoutes, ASeasonWithoutPictureTakesTheShowsPoster) {
  auto item = itemNamed("Under the Dome", 2, 1);
  ASSERT_FALSE(TVDBGetEpisode(264492, *item, "en", cache, reporter).Error());
  EXPECT_EQ(item->episodename(), "Heads Will Roll");
  EXPECT_EQ(item->description(), "");
  ASSERT_EQ(item->alternateimages().size(), 1);
  EXPECT_GT(item->image().pixelColor(5, 5).blue(), 200);
}

TEST_F(TVRoutes, ADateNamedEpisodeIsFoundByItsAirDate) {
  auto item = itemNamed("Under the Dome");
  item->setShowyear("2013");
  item->setShowmonth("07");
  item->setShowday("01");
  ASSERT_FALSE(TVDBGetEpisode(264492, *item, "en", cache, reporter).Error());
  EXPECT_EQ(item->episodename(), "The Fire");
  EXPECT_EQ(item->season(), 1u);
  EXPECT_EQ(item->show(), 2u);
  EXPECT_EQ(item->description(), "Big Jim & Barbie.");
}

TEST_F(TVRoutes, AnEyeTVRecordingIsFoundByItsEpisodeName) {
  auto item = itemNamed("Under the Dome");
  item->setEpisodename("the fire");
  ASSERT_FALSE(TVDBGetEpisodeByName(264492, *item, "en", cache, reporter).Error());
  EXPECT_EQ(item->season(), 1u);
  EXPECT_EQ(item->show(), 2u);
  EXPECT_EQ(item->episodename(), "The Fire");
}

TEST_F(TVRoutes, TheShowIsLookedUpOnceForRecordAndBanners) {
  auto item = itemNamed("Under the Dome", 1, 1);
  ASSERT_FALSE(TVDBGetEpisode(264492, *item, "de", cache, reporter).Error());
  EXPECT_EQ(requests().count("/lookup/shows?thetvdb=264492"), 1);
  // A second look-up reads the cache files and asks nothing.
  const qsizetype asked = requests().size();
  auto again = itemNamed("Under the Dome", 1, 1);
  ASSERT_FALSE(TVDBGetEpisode(264492, *again, "de", cache, reporter).Error());
  EXPECT_EQ(requests().size(), asked);
  EXPECT_EQ(again->episodename(), "Pilot");
}

TEST_F(TVRoutes, TVRageListsComeFromTVmaze) {
  const std::optional<QStringList> shows = TVRageShowNames("Under the Dome", cache, reporter);
  ASSERT_TRUE(shows);
  EXPECT_EQ(*shows, QStringList{"Under the Dome"});
  EXPECT_EQ(TVRageLookupShowID("under the dome", cache, reporter), 264492)
      << "TheTVDB's id stands for the show";

  const auto episodes = TVRageEpisodeList("Under the Dome", cache, reporter);
  ASSERT_TRUE(episodes);
  ASSERT_EQ(episodes->size(), 3) << "the special has no number";
  EXPECT_EQ((*episodes)[0].season, 1);
  EXPECT_EQ((*episodes)[0].number, 1);
  EXPECT_EQ((*episodes)[0].title, "Pilot");
  EXPECT_EQ((*episodes)[1].title, "The Fire");
  EXPECT_EQ((*episodes)[2].season, 2);
  EXPECT_EQ((*episodes)[2].number, 1);
  EXPECT_EQ(oldInterfaceRequests(), QStringList());
}

TEST_F(TVRoutes, AShowTVRageDoesNotKnowHasNoEpisodes) {
  const auto episodes = TVRageEpisodeList("No Such Show", cache, reporter);
  ASSERT_TRUE(episodes);
  EXPECT_TRUE(episodes->isEmpty());
  EXPECT_FALSE(requests().contains("/lookup/shows?thetvdb=0"));
}

TEST_F(TVRoutes, AnAnswerWithoutHitsIsNoCandidateAndNoFile) {
  routeJSON("/search/shows?q=nothing%20like%20it", "[]");
  auto item = itemNamed("Nothing Like It");
  EXPECT_FALSE(TVDBLookUpShow(*item, cache, reporter).Error());
  EXPECT_TRUE(item->AlternativeSuggestions().isEmpty());
  EXPECT_EQ(item->selectedAlernativeSuggestion(), -1);
  EXPECT_EQ(cacheFiles(), QStringList()) << "the client deletes its empty answer";
}

TEST_F(TVRoutes, PicturesFromAnswersAreOnlyFetchedOverHTTP) {
  // The season picture names a private file, the show's poster a FIFO that would never end.
  const QString folder = freshFolder("private");
  const QString privateFile = writeFile(folder + "/private.png", jpegPicture(Qt::green));
  const QString fifo = folder + "/fifo.jpg";
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  routeJSON("/shows/1/seasons", QByteArray(R"([{"id":1,"number":1,"image":{"original":"file://)") +
                                    privateFile.toUtf8() + R"("}}])");
  server.route("/lookup/shows?thetvdb=264492",
               jsonAnswer(QByteArray(R"({"id":1,"name":"Under the Dome","image":{"original":"file://)") +
                          fifo.toUtf8() + R"("}})"));
  auto item = itemNamed("Under the Dome", 1, 1);
  const BCError answer = TVDBGetBanner(264492, *item, cache, reporter);
  EXPECT_EQ(answer.Code(), TVDBCode::NoBanner) << "no picture is left to choose";
  EXPECT_TRUE(item->image().isNull());
  EXPECT_EQ(QDir(cache).entryList({"*.jpg"}), QStringList());

  // Asked directly, the download refuses such addresses as well.
  for (const QString& address : {"file://" + privateFile, "file://" + fifo}) {
    EXPECT_FALSE(downloadIntoCache(address, cache + "/TV1.1.1.jpg", 5, reporter)) << address.toStdString();
    EXPECT_TRUE(logged("[RED] Not fetched (only http and https addresses are): " + address, 3))
        << log().toStdString();
  }
  EXPECT_EQ(QDir(cache).entryList({"*.jpg"}), QStringList());
}

// ---- TheTVDB v4, with the user's key

class TheTVDBRoutes : public TVRoutes {
 protected:
  TheTVDBRoutes() : key_("ZUVO_TVDB_KEY", "SECRET-KEY-0451"), pin_("ZUVO_TVDB_PIN", "7731") {
    live::forgetTheTVDBToken();
    server.setRequestHandler([this](const LoopbackHttpServer::Request& request) { return answer(request); });
  }

  // Log-ins give tokens "T1", "T2", …; `expired` tokens are answered 401.
  LoopbackHttpServer::Response answer(const LoopbackHttpServer::Request& request) {
    const QByteArray target = request.target;
    if (target == "/login") {
      const QJsonObject body = QJsonDocument::fromJson(request.body).object();
      if (body.value("apikey").toString() != acceptedKey)
        return jsonAnswer(R"({"status":"failure","message":"InvalidAPIKey: apikey invalid","data":null})",
                          401);
      return jsonAnswer(QByteArray(R"({"status":"success","data":{"token":"T)") +
                        QByteArray::number(++logins) + R"("}})");
    }
    if (target.startsWith("/art/")) return pictureAnswer(target.contains("s2-poster") ? Qt::green : Qt::gray);
    const QByteArray token = request.header("authorization").mid(7);
    if (!token.startsWith('T') || expired.contains(token))
      return jsonAnswer(R"({"status":"failure","message":"Unauthorized","data":null})", 401);
    if (target == "/search?query=game%20of%20thrones&type=series")
      return jsonAnswer(R"({"status":"success","data":[
          {"tvdb_id":"121361","name":"Game of Thrones","year":"2011","type":"series"},
          {"tvdb_id":"9999999999","name":"Game of Thrones - Fan Edit","type":"series"},
          {"name":"Game of Thrones: No Id","type":"series"}],"links":{"next":null}})");
    if (target == "/series/121361/extended")
      return jsonAnswer(withBase(R"({"status":"success","data":{"id":121361,"name":"Game of Thrones",
          "genres":[{"name":"Drama"},{"name":"Fantasy"}],
          "characters":[{"personName":"Emilia Clarke","peopleType":"Actor","sort":2},
                        {"personName":"David Benioff","peopleType":"Writer","sort":0},
                        {"personName":"Peter Dinklage","peopleType":"Actor","sort":1}],
          "contentRatings":[{"name":"TV-MA","country":"usa"},{"name":"16","country":"deu"}],
          "seasons":[{"id":364731,"number":1,"type":{"type":"official"},"image":"{base}/art/s1-official.jpg"},
                     {"id":364732,"number":2,"type":{"type":"official"}},
                     {"id":999001,"number":1,"type":{"type":"dvd"},"image":"{base}/art/s1-dvd.jpg"}],
          "artworks":[{"image":"{base}/art/poster.jpg","type":2,"language":"eng","score":10},
                      {"image":"{base}/art/s2-poster.jpg","type":7,"seasonId":364732,"score":50},
                      {"image":"{base}/art/background.jpg","type":3,"score":900}]}})"));
    if (target.startsWith("/series/121361/episodes/default/deu?page=")) {
      const int page = target.mid(target.indexOf("page=") + 5).toInt();
      QJsonArray episodes;
      if (page == 0) {
        for (int n = 1; n <= 500; ++n)
          episodes.append(QJsonObject{{"seasonNumber", 1 + (n - 1) / 100},
                                      {"number", 1 + (n - 1) % 100},
                                      {"name", QString("Folge %1").arg(n)},
                                      {"aired", "2011-04-17"},
                                      {"overview", ""}});
      } else if (page == 1) {
        episodes.append(QJsonObject{{"seasonNumber", 8},
                                    {"number", 6},
                                    {"name", "Der eiserne Thron"},
                                    {"aired", "2019-05-19"},
                                    {"overview", "Daenerys & Jon: das Ende."}});
      }
      const QJsonValue next =
          page == 0 ? QJsonValue(server.baseURL() + "/series/121361/episodes/default/deu?page=1")
                    : QJsonValue(QJsonValue::Null);
      return jsonAnswer(QJsonDocument(QJsonObject{{"status", "success"},
                                                  {"data", QJsonObject{{"episodes", episodes}}},
                                                  {"links", QJsonObject{{"next", next}}}})
                            .toJson(QJsonDocument::Compact));
    }
    // La casa de papel: Spanish, with an English and a German name; the exact name is the
    // second hit, after a show whose English name only starts so.
    if (target == "/search?query=money%20heist&type=series" ||
        target == "/search?query=haus%20des%20geldes&type=series")
      return jsonAnswer(R"json({"status":"success","data":[
          {"tvdb_id":"400001","name":"Money Heist: Korea - Joint Economic Area","primary_language":"kor",
           "translations":{"eng":"Money Heist: Korea","kor":"종이의 집: 공동경제구역"},"aliases":[]},
          {"tvdb_id":"327417","name":"La casa de papel","primary_language":"spa",
           "translations":{"spa":"La casa de papel","eng":"Money Heist","deu":"Haus des Geldes"},
           "aliases":["Money Heist (2017)"]}],"links":{"next":null}})json");
    if (target == "/series/327417/extended")
      return jsonAnswer(R"({"status":"success","data":{"id":327417,"name":"La casa de papel",
          "originalLanguage":"spa","nameTranslations":["spa","eng","deu","ita"],
          "overview":"Ocho ladrones toman rehenes en la Fábrica Nacional de Moneda.",
          "genres":[{"name":"Crime"}],"characters":[],"contentRatings":[],"seasons":[],"artworks":[]}})");
    if (target == "/series/327417/translations/eng")
      return jsonAnswer(R"json({"status":"success","data":{"name":"Money Heist","language":"eng",
          "overview":"Eight thieves take hostages in the Royal Mint of Spain.","aliases":["Money Heist (2017)"]}})json");
    if (target.startsWith("/series/327417/episodes/default/"))
      return jsonAnswer(R"({"status":"success","data":{"episodes":[
          {"seasonNumber":1,"number":1,"name":"Episode 1","aired":"2017-05-02","overview":"The Professor recruits."}]},
          "links":{"next":null}})");
    return jsonAnswer(R"({"status":"failure","message":"NotFoundException","data":null})", 404);
  }

  QString acceptedKey = "SECRET-KEY-0451";
  std::atomic<int> logins{0};
  QSet<QByteArray> expired;

 private:
  ScopedEnv key_;
  ScopedEnv pin_;
};

TEST_F(TheTVDBRoutes, ASeriesWithEveryPageOfItsEpisodes) {
  ScopedSettings country{{"CountryForRatings", "Germany"}};
  auto item = itemNamed("Game of Thrones", 8, 6);
  ASSERT_FALSE(TVDBLookUpShow(*item, cache, reporter).Error());
  EXPECT_EQ(candidateNames(item->AlternativeSuggestions()),
            QStringList{"Video Alternate - Name:game of thrones ID:121361"});

  ASSERT_FALSE(TVDBGetEpisode(121361, *item, "de", cache, reporter).Error());
  EXPECT_EQ(item->episodename(), "Der eiserne Thron") << "the episode on the second page";
  EXPECT_EQ(item->description(), "Daenerys & Jon: das Ende.");
  EXPECT_EQ(item->releasedate(), "2019-05-19");
  EXPECT_EQ(item->rating(), "16") << "the rating of the country the setting names";
  EXPECT_EQ(item->actors(), ",Peter Dinklage,Emilia Clarke,") << "actors only, in their order";
  EXPECT_EQ(item->genre(), ",Drama,Fantasy,");
  EXPECT_EQ(item->alternateimages(),
            QStringList{"http://www.thetvdb.com/banners/" + server.baseURL() + "/art/poster.jpg"})
      << "season 8 has no picture of its own: the series poster";
  EXPECT_FALSE(item->image().isNull());

  auto second = itemNamed("Game of Thrones", 2, 1);
  ASSERT_FALSE(TVDBGetEpisode(121361, *second, "de", cache, reporter).Error());
  EXPECT_EQ(second->episodename(), "Folge 101");
  EXPECT_GT(second->image().pixelColor(5, 5).green(), 200) << "season 2's own poster";
  auto first = itemNamed("Game of Thrones", 1, 1);
  ASSERT_FALSE(TVDBGetEpisode(121361, *first, "de", cache, reporter).Error());
  EXPECT_EQ(first->episodename(), "Folge 1");
  EXPECT_TRUE(first->alternateimages().first().endsWith("/art/s1-official.jpg"))
      << "the aired order's season";

  EXPECT_EQ(logins.load(), 1) << "one log-in serves the run";
  for (const LoopbackHttpServer::Request& request : server.receivedRequests()) {
    if (request.target == "/login") {
      EXPECT_EQ(QJsonDocument::fromJson(request.body).object().value("pin").toString(), "7731");
      continue;
    }
    if (request.target.startsWith("/art/")) {
      EXPECT_EQ(request.header("authorization"), "") << "the token stays with TheTVDB";
      continue;
    }
    EXPECT_EQ(request.header("authorization").left(8), "Bearer T") << request.target.constData();
  }
  EXPECT_FALSE(log().contains("SECRET-KEY-0451"));
  EXPECT_FALSE(log().contains("7731"));
}

TEST_F(TheTVDBRoutes, AForeignSeriesIsNamedInTheLanguageAsked) {
  struct Case {
    const char* language;
    const char* name;
    bool asksTranslation;
  };
  const Case cases[] = {
      {"en", "Money Heist", true},
      {"es", "La casa de papel", false},  // the show's own language
      {"fr", "La casa de papel", false},  // no French name: the original
      {"it", "La casa de papel", true},   // listed, but TheTVDB has none: the original
  };
  for (const Case& c : cases) {
    QFile::remove(cachefile::tvdbSeries(cache, 327417));
    const qsizetype before = requests().size();
    auto item = itemNamed("money heist", 1, 1);
    ASSERT_FALSE(TVDBGetEpisode(327417, *item, c.language, cache, reporter).Error()) << c.language;
    EXPECT_EQ(item->seriesname(), c.name) << c.language;
    EXPECT_EQ(item->episodename(), "Episode 1") << c.language;
    const QString three = live::threeLetterLanguage(c.language);
    EXPECT_EQ(requests().mid(before).contains("/series/327417/translations/" + three), c.asksTranslation)
        << c.language;
  }
  EXPECT_EQ(live::threeLetterLanguage("de"), "deu");
  EXPECT_EQ(live::threeLetterLanguage("Unknown"), "eng");
}

TEST_F(TheTVDBRoutes, TheExactNameMatchesAShowNamedInTheUsersLanguage) {
  struct Case {
    const char* query;
    const char* userLanguage;
    QString names;
  };
  const Case cases[] = {
      {"Money Heist", "English", "money heist: korea|money heist"},
      {"Haus des Geldes", "German", "money heist: korea - joint economic area|haus des geldes"},
      {"Haus des Geldes", "English", "money heist: korea|haus des geldes"},
  };
  for (const Case& c : cases) {
    QFile::remove(cachefile::tvdbSearch(cache, QString(c.query).toLower()));
    const QString before = userLanguageName();
    setUserLanguageName(c.userLanguage);
    auto item = itemNamed(c.query);
    const BCError answer = TVDBLookUpShow(*item, cache, reporter);
    setUserLanguageName(before);
    ASSERT_FALSE(answer.Error()) << c.query;
    QStringList names;
    for (const VideoAlternate& candidate : item->AlternativeSuggestions()) names << candidate.Name();
    EXPECT_EQ(names.join('|'), c.names) << c.query;
    EXPECT_EQ(item->selectedAlernativeSuggestion(), 1) << c.query << ": the show named so, not the first hit";
    EXPECT_EQ(item->AlternativeSuggestions().value(1).ID(), 327417) << c.query;
  }
}

TEST_F(TheTVDBRoutes, AnExpiredTokenLogsInOnceMore) {
  auto item = itemNamed("Game of Thrones");
  ASSERT_FALSE(TVDBLookUpShow(*item, cache, reporter).Error());
  expired.insert("T1");
  ASSERT_FALSE(TVDBGetEpisode(121361, *itemNamed("Game of Thrones", 1, 1), "de", cache, reporter).Error());
  EXPECT_EQ(logins.load(), 2);
}

TEST_F(TheTVDBRoutes, ARefusedKeyWritesNothingAndIsToldOnce) {
  acceptedKey = "another key";
  RefusalNotices notices;
  for (const char* series : {"Game of Thrones", "Game of Thrones"}) {
    auto item = itemNamed(series);
    EXPECT_EQ(TVDBLookUpShow(*item, cache, reporter).Code(), kServiceUnreachable);
  }
  EXPECT_TRUE(logged("TheTVDB refused the key", 3)) << log().toStdString();
  EXPECT_TRUE(logged("[RED]Computer not connected to Internet when looking up show.", 3));
  EXPECT_EQ(cacheFiles(), QStringList());
  EXPECT_EQ(notices.count.load(), 1);
  EXPECT_EQ(notices.preference, "TheTVDBKey");
  EXPECT_EQ(live::checkTheTVDBKey("another key", "", 10), live::KeyCheck::Accepted);
  EXPECT_EQ(live::checkTheTVDBKey("SECRET-KEY-0451", "7731", 10), live::KeyCheck::Refused);
  EXPECT_FALSE(log().contains("SECRET-KEY-0451"));
}

TEST_F(TVRoutes, TheKeyCheckSaysWhenTheServiceCannotBeReached) {
  ScopedEnv nowhere("ZUVO_TVDB4_URL", QString("http://127.0.0.1:%1").arg(portNobodyListensOn()).toUtf8());
  EXPECT_EQ(live::checkTheTVDBKey("key", "", 10), live::KeyCheck::Unreachable);
}

}  // namespace
