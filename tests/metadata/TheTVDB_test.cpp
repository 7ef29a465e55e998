#include "metadata/TheTVDB.h"

#include <gtest/gtest.h>

#include <QFile>

#include "metadata/ServiceCache.h"
#include "metadata/ServiceTestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

const QByteArray kLawAndOrderSearch = R"(<?xml version="1.0" encoding="UTF-8" ?>
<Data>
<Series>
<seriesid>75692</seriesid>
<language>en</language>
<SeriesName>Law &amp; Order: Special Victims Unit</SeriesName>
<FirstAired>1999-09-20</FirstAired>
</Series>
<Series>
<seriesid>72368</seriesid>
<language>en</language>
<SeriesName>Law &amp; Order</SeriesName>
</Series>
<Series>
<seriesid>71489</seriesid>
<SeriesName>Law &amp; Order: Criminal Intent</SeriesName>
</Series>
</Data>
)";

const QByteArray kFaceOffSearch = R"(<Data>
<Series>
<seriesid>1</seriesid>
<SeriesName>Face/Off</SeriesName>
</Series>
<Series>
<seriesid>2</seriesid>
<SeriesName>Face/Off: The Series</SeriesName>
</Series>
<Series>
<seriesid>3</seriesid>
<SeriesName>FACE/OFF</SeriesName>
</Series>
</Data>
)";

// A series header and four episodes: a two-line overview, a non-ASCII name with a slash,
// one named only by numeric references, and one whose name and overview are empty.
const QByteArray kSeriesRecord = R"(<?xml version="1.0" encoding="UTF-8" ?>
<Data>
<Series>
<id>73739</id>
<Actors>|Matthew Fox|Evangeline Lilly|Jorge García|</Actors>
<ContentRating>TV-14</ContentRating>
<Genre>|Action|Adventure|Drama|</Genre>
<Overview>Survivors of a plane crash.</Overview>
<SeriesName>Lost &amp; Found</SeriesName>
</Series>
<Episode>
<id>127131</id>
<Combined_episodenumber>1.0</Combined_episodenumber>
<Combined_season>1</Combined_season>
<EpisodeName>Pilot (1)</EpisodeName>
<EpisodeNumber>1</EpisodeNumber>
<FirstAired>2004-09-22</FirstAired>
<Overview>Stranded on an island,
the survivors &amp; the pilot search.</Overview>
<SeasonNumber>1</SeasonNumber>
</Episode>
<Episode>
<Combined_episodenumber>4</Combined_episodenumber>
<Combined_season>2</Combined_season>
<EpisodeName>Ça va / Ça vient</EpisodeName>
<EpisodeNumber>5</EpisodeNumber>
<FirstAired>2010-05-12</FirstAired>
<Overview>Kate &amp; Sawyer argue.</Overview>
<SeasonNumber>2</SeasonNumber>
</Episode>
<Episode>
<EpisodeName>&#68;&#233;j&#224; vu</EpisodeName>
<EpisodeNumber>6</EpisodeNumber>
<FirstAired>2010-05-19</FirstAired>
<Overview>Again &#38; again.</Overview>
<SeasonNumber>2</SeasonNumber>
</Episode>
<Episode>
<EpisodeName></EpisodeName>
<EpisodeNumber>7</EpisodeNumber>
<FirstAired>2010-05-26</FirstAired>
<Overview></Overview>
<SeasonNumber>2</SeasonNumber>
</Episode>
</Data>
)";

// Two season-2 banners rated 5 and 8, two series banners (one unrated), one for season 1.
const QByteArray kBanners = R"(<?xml version="1.0" encoding="UTF-8" ?>
<Banners>
<Banner>
<id>1</id>
<BannerPath>seasons/73739-2.jpg</BannerPath>
<BannerType>season</BannerType>
<Language>en</Language>
<Rating>5.0000</Rating>
<Season>2</Season>
</Banner>
<Banner>
<BannerPath>seasons/73739-2-2.jpg</BannerPath>
<Language>de</Language>
<Rating>8.3</Rating>
<Season>2</Season>
</Banner>
<Banner>
<BannerPath>graphical/73739-g.jpg</BannerPath>
<Rating>9</Rating>
</Banner>
<Banner>
<BannerPath>seasons/73739-1.jpg</BannerPath>
<Rating>7</Rating>
<Season>1</Season>
</Banner>
<Banner>
<BannerPath>graphical/73739-g2.jpg</BannerPath>
</Banner>
</Banners>
)";

const QByteArray kSearchTarget = "/api/GetSeries.php?seriesname=%22law%20%26%20order%22";
const QByteArray kBannerListTarget = "/api/A3C9E71B04D28F56/series/73739/banners.xml";

using TVDBSearch = ServiceTest;

TEST_F(TVDBSearch, ListsEverySeriesAndSelectsTheOneNamedLikeTheQuery) {
  server.route(kSearchTarget, xmlAnswer(kLawAndOrderSearch));
  auto item = itemNamed("Law & Order");

  const BCError result = TVDBLookUpShow(*item, cache, reporter);

  EXPECT_FALSE(result.Error());
  EXPECT_EQ(requests(), QStringList({QString::fromLatin1(kSearchTarget)}));
  EXPECT_EQ(cacheFiles(), QStringList({"law & order.tvdbftc"}));
  // The names are XML text, kept unescaped: "&amp;" is the query's "&".
  const QList<VideoAlternate> expected{
      VideoAlternate::alternateWithName("law & order: special victims unit", 75692),
      VideoAlternate::alternateWithName("law & order", 72368),
      VideoAlternate::alternateWithName("law & order: criminal intent", 71489)};
  EXPECT_EQ(item->AlternativeSuggestions(), expected);
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 1);
  EXPECT_TRUE(logged("Loading TVDB show into file " + cache + "/law & order.tvdbftc", 4));
  EXPECT_TRUE(logged("Opening file " + cache + "/law & order.tvdbftc", 4));
}

TEST_F(TVDBSearch, SlashInTheNameIsEscapedInTheQueryAndADashInTheFileNameAndTheLastEqualNameWins) {
  server.route("/api/GetSeries.php?seriesname=%22face%2Foff%22", xmlAnswer(kFaceOffSearch));
  auto item = itemNamed("Face/Off");

  EXPECT_FALSE(TVDBLookUpShow(*item, cache, reporter).Error());

  EXPECT_EQ(cacheFiles(), QStringList({"face-off.tvdbftc"}));
  ASSERT_EQ(item->AlternativeSuggestions().size(), 3);
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 2);
}

TEST_F(TVDBSearch, NonASCIINameIsEscapedAsUTF8AndWithoutAnExactMatchTheFirstIsSelected) {
  server.route("/api/GetSeries.php?seriesname=%22tatort%20m%C3%BCnster%22", xmlAnswer(R"(<Data>
<Series>
<seriesid>83214</seriesid>
<SeriesName>Tatort</SeriesName>
</Series>
<Series>
<seriesid>83215</seriesid>
<SeriesName>Tatort: Münster</SeriesName>
</Series>
</Data>
)"));
  auto item = itemNamed("Tatort Münster");

  EXPECT_FALSE(TVDBLookUpShow(*item, cache, reporter).Error());

  EXPECT_EQ(cacheFiles(), QStringList({"tatort münster.tvdbftc"}));
  ASSERT_EQ(item->AlternativeSuggestions().size(), 2);
  EXPECT_EQ(item->AlternativeSuggestions()[1].Name(), "tatort: münster");
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 0);
}

TEST_F(TVDBSearch, NoSeriesFoundDeletesTheAnswerAndSelectsNothing) {
  server.route(kSearchTarget, xmlAnswer("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Data>\n</Data>\n"));
  auto item = itemNamed("Law & Order");
  item->setAlternativeSuggestions({VideoAlternate::alternateWithName("old", 1)});
  item->setSelectedAlernativeSuggestion(0);

  EXPECT_FALSE(TVDBLookUpShow(*item, cache, reporter).Error());

  EXPECT_TRUE(item->AlternativeSuggestions().isEmpty());
  EXPECT_EQ(item->selectedAlernativeSuggestion(), -1);
  EXPECT_TRUE(cacheFiles().isEmpty());
}

TEST_F(TVDBSearch, PresentCacheFileIsReadWithoutARequest) {
  writeFile(cache + "/law & order.tvdbftc", kLawAndOrderSearch);
  auto item = itemNamed("Law & Order");

  EXPECT_FALSE(TVDBLookUpShow(*item, cache, reporter).Error());

  EXPECT_TRUE(requests().isEmpty());
  EXPECT_EQ(item->AlternativeSuggestions().size(), 3);
  EXPECT_TRUE(logged(cache + "/law & order.tvdbftc is already in cache", 4));
}

TEST_F(TVDBSearch, AnErrorPageIsNoAnswerAndNoCacheFile) {
  server.route(kSearchTarget,
               errorAnswer(500, "<Series><seriesid>9</seriesid><SeriesName>x</SeriesName></Series>"));
  auto item = itemNamed("Law & Order");

  const BCError result = TVDBLookUpShow(*item, cache, reporter);

  EXPECT_EQ(result.Code(), kServiceUnreachable);
  EXPECT_EQ(result.Description(), "Unable to connect to Internet");
  EXPECT_TRUE(item->AlternativeSuggestions().isEmpty());
  EXPECT_TRUE(cacheFiles().isEmpty());
}

TEST_F(TVDBSearch, ALongNonASCIINameStillGivesACacheFileInTheFolder) {
  const QString name = QString(120, QChar(0x6F22));  // 360 bytes of UTF-8
  server.setFallback(
      [](const QByteArray&) { return xmlAnswer("<Series>\n<seriesid>7</seriesid>\n</Series>\n"); });
  auto item = itemNamed(name);

  EXPECT_FALSE(TVDBLookUpShow(*item, cache, reporter).Error());

  ASSERT_EQ(cacheFiles().size(), 1);
  EXPECT_TRUE(cacheFiles()[0].endsWith(".tvdbftc"));
  EXPECT_EQ(item->AlternativeSuggestions(),
            QList<VideoAlternate>({VideoAlternate::alternateWithName("", 7)}));
}

TEST_F(TVDBSearch, ASeriesCutOffBeforeItsEndIsNotKeptNorSelected) {
  server.route(kSearchTarget, xmlAnswer(R"(<Data>
<Series>
<seriesid>75692</seriesid>
<SeriesName>Law &amp; Order: UK</SeriesName>
</Series>
<Series>
<seriesid>72368</seriesid>
<SeriesName>Law &amp; Order</SeriesName>
)"));
  auto item = itemNamed("Law & Order");

  EXPECT_FALSE(TVDBLookUpShow(*item, cache, reporter).Error());

  EXPECT_EQ(item->AlternativeSuggestions().size(), 1);
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 0);
}

class TVDBEpisode : public ServiceTest {
 protected:
  void serveRecordAndBanners() {
    server.route("/data/series/73739/all/en.xml", xmlAnswer(kSeriesRecord));
    server.route(kBannerListTarget, xmlAnswer(kBanners));
    server.route("/banners/seasons/73739-2-2.jpg", pictureAnswer(Qt::red));
    server.route("/banners/graphical/73739-g.jpg", pictureAnswer(Qt::green));
  }
};

TEST_F(TVDBEpisode, ByNumberTakesOverTheEpisodeAndTheSeriesAndFallsBackToEnglish) {
  serveRecordAndBanners();
  auto item = itemNamed("lost", 2, 5);

  const BCError result = TVDBGetEpisode(73739, *item, "de", cache, reporter);

  EXPECT_FALSE(result.Error());
  // The German record does not exist: the English one goes into the same file.
  EXPECT_EQ(requests(),
            QStringList({"/data/series/73739/all/de.xml", "/data/series/73739/all/en.xml",
                         QString::fromLatin1(kBannerListTarget), "/banners/seasons/73739-2-2.jpg"}));
  EXPECT_EQ(cacheFiles(), QStringList({"73739.tvdbbanc", "73739.tvdbftc", "TV73739.2.5.jpg"}));
  EXPECT_EQ(item->episodename(), "Ça va / Ça vient");
  EXPECT_EQ(item->seriesname(), "Lost & Found");
  EXPECT_EQ(item->description(), "Kate & Sawyer argue.");
  EXPECT_EQ(item->releasedate(), "2010-05-12");
  EXPECT_EQ(item->rating(), "TV-14");
  // The separators are replaced, not trimmed.
  EXPECT_EQ(item->actors(), ",Matthew Fox,Evangeline Lilly,Jorge García,");
  EXPECT_EQ(item->genre(), ",Action,Adventure,Drama,");
  EXPECT_TRUE(item->soliddetection());
  EXPECT_EQ(item->showid(), 73739u);
  EXPECT_GT(item->image().pixelColor(5, 5).red(), 200);
  EXPECT_TRUE(logged("Look up show name returing Ça va / Ça vient", 4));
}

TEST_F(TVDBEpisode, AnOverviewOverSeveralLinesIsJoinedWithoutSeparator) {
  serveRecordAndBanners();
  auto item = itemNamed("lost", 1, 1);

  EXPECT_FALSE(TVDBGetEpisode(73739, *item, "en", cache, reporter).Error());

  EXPECT_EQ(item->episodename(), "Pilot (1)");
  EXPECT_EQ(item->description(), "Stranded on an island,the survivors & the pilot search.");
  EXPECT_EQ(item->releasedate(), "2004-09-22");
}

TEST_F(TVDBEpisode, ByAirDateSetsSeasonAndEpisode) {
  serveRecordAndBanners();
  auto item = itemNamed("lost");
  item->setShowyear("2010");
  item->setShowmonth("05");
  item->setShowday("12");

  EXPECT_FALSE(TVDBGetEpisode(73739, *item, "en", cache, reporter).Error());

  EXPECT_EQ(item->season(), 2u);
  EXPECT_EQ(item->show(), 5u);
  EXPECT_EQ(item->episodename(), "Ça va / Ça vient");
  EXPECT_TRUE(inCache("TV73739.2.5.jpg"));
}

TEST_F(TVDBEpisode, NoMatchingEpisodeAnswersCodeTwo) {
  serveRecordAndBanners();
  struct Case {
    const char* name;
    quint32 season, episode;
  };
  for (const Case& c : {Case{"no such episode", 3, 1}, Case{"empty episode name", 2, 7}}) {
    auto item = itemNamed("lost", c.season, c.episode);
    const BCError result = TVDBGetEpisode(73739, *item, "en", cache, reporter);
    EXPECT_EQ(result.Code(), TVDBCode::NoEpisodeName) << c.name;
    EXPECT_EQ(result.Description(), "No episode name found") << c.name;
    EXPECT_EQ(item->episodename(), "NoNameFound") << c.name;
    EXPECT_FALSE(item->soliddetection()) << c.name;
  }
  EXPECT_TRUE(logged("No episode name found", 4));
}

TEST_F(TVDBEpisode, PresentRecordIsReadWithoutARequest) {
  writeFile(cache + "/73739.tvdbftc", kSeriesRecord);
  writeFile(cache + "/73739.tvdbbanc", kBanners);
  writeFile(cache + "/TV73739.2.5.jpg", jpegPicture(Qt::blue));
  auto item = itemNamed("lost", 2, 5);

  EXPECT_FALSE(TVDBGetEpisode(73739, *item, "en", cache, reporter).Error());

  EXPECT_TRUE(requests().isEmpty());
  EXPECT_EQ(item->episodename(), "Ça va / Ça vient");
  EXPECT_FALSE(item->image().isNull());
  EXPECT_TRUE(logged("File already in cache", 3));
  EXPECT_TRUE(logged("Banner already in cache", 4));
}

TEST_F(TVDBEpisode, ByNameAsksWithoutExtensionDecodesReferencesAndSetsSeasonAndEpisode) {
  server.route("/data/series/73739/all/en", xmlAnswer(kSeriesRecord));
  server.route(kBannerListTarget, xmlAnswer(kBanners));
  auto item = itemNamed("lost");
  item->setEpisodename("DÉJÀ VU");

  EXPECT_FALSE(TVDBGetEpisodeByName(73739, *item, "fr", cache, reporter).Error());

  EXPECT_EQ(requests().mid(0, 2), QStringList({"/data/series/73739/all/fr", "/data/series/73739/all/en"}));
  EXPECT_EQ(item->episodename(), "Déjà vu");
  EXPECT_EQ(item->season(), 2u);
  EXPECT_EQ(item->show(), 6u);
  EXPECT_EQ(item->description(), "Again & again.");
  EXPECT_TRUE(logged("Finished passing file", 4));
}

using TVDBBanner = ServiceTest;

TEST_F(TVDBBanner, ListsSeasonAndSeriesBannersAndChoosesTheBestRatedSeasonBanner) {
  server.route(kBannerListTarget, xmlAnswer(kBanners));
  server.route("/banners/seasons/73739-2-2.jpg", pictureAnswer(Qt::red));
  auto item = itemNamed("lost", 2, 5);

  EXPECT_FALSE(TVDBGetBanner(73739, *item, cache, reporter).Error());

  const QString base = server.baseURL() + "/banners/";
  EXPECT_EQ(item->alternateimages(),
            QStringList({base + "seasons/73739-2.jpg", base + "seasons/73739-2-2.jpg",
                         base + "graphical/73739-g.jpg", base + "graphical/73739-g2.jpg"}));
  EXPECT_EQ(item->selectedImage(), 1);
  EXPECT_EQ(requests().last(), "/banners/seasons/73739-2-2.jpg");
  EXPECT_TRUE(inCache("TV73739.2.5.jpg"));
  EXPECT_GT(item->image().pixelColor(10, 10).red(), 200);
  EXPECT_TRUE(logged("TV Show Banner Pass 0", 4));
  EXPECT_TRUE(logged("TV Show Banner Pass 1", 4));
  EXPECT_TRUE(logged("Found banner " + base + "seasons/73739-2-2.jpg", 4));
}

TEST_F(TVDBBanner, OnlySeriesBannersUseTheCurrentChoiceWhileItNamesOne) {
  server.route(kBannerListTarget, xmlAnswer(kBanners));
  server.route("/banners/graphical/73739-g.jpg", pictureAnswer(Qt::green));
  server.route("/banners/graphical/73739-g2.jpg", pictureAnswer(Qt::blue));
  const QString base = server.baseURL() + "/banners/";
  struct Case {
    const char* name;
    int selectedBefore;
    int selectedAfter;
    const char* image;
  };
  for (const Case& c :
       {Case{"new item", 0, 0, "graphical/73739-g.jpg"}, Case{"second image", 1, 1, "graphical/73739-g2.jpg"},
        Case{"choice beyond the list", 7, 0, "graphical/73739-g.jpg"}}) {
    auto item = itemNamed("lost", 4, 1);
    item->setSelectedImage(c.selectedBefore);
    QFile::remove(cache + "/TV73739.4.1.jpg");

    EXPECT_FALSE(TVDBGetBanner(73739, *item, cache, reporter).Error()) << c.name;

    EXPECT_EQ(item->alternateimages(),
              QStringList({base + "graphical/73739-g.jpg", base + "graphical/73739-g2.jpg"}))
        << c.name;
    EXPECT_EQ(item->selectedImage(), c.selectedAfter) << c.name;
    EXPECT_EQ(requests().last(), QString("/banners/") + c.image) << c.name;
  }
}

TEST_F(TVDBBanner, NoBannerAnswersCodeThreeAndKeepsTheImage) {
  server.route(kBannerListTarget, xmlAnswer("<Banners>\n</Banners>\n"));
  auto item = itemNamed("lost", 2, 5);
  QImage previous(4, 4, QImage::Format_RGB32);
  previous.fill(Qt::yellow);
  item->setImage(previous);

  const BCError result = TVDBGetBanner(73739, *item, cache, reporter);

  EXPECT_EQ(result.Code(), TVDBCode::NoBanner);
  EXPECT_EQ(result.Description(), "No image found for show");
  EXPECT_EQ(item->image(), previous);
  EXPECT_TRUE(logged("No banner found", 4));
}

TEST_F(TVDBBanner, AnImageThatCannotBeDownloadedIsSuccessWithoutImage) {
  server.route(kBannerListTarget, xmlAnswer(kBanners));  // no route for the picture: 404
  auto item = itemNamed("lost", 2, 5);

  EXPECT_FALSE(TVDBGetBanner(73739, *item, cache, reporter).Error());

  EXPECT_TRUE(item->image().isNull());
  EXPECT_FALSE(inCache("TV73739.2.5.jpg"));
  EXPECT_TRUE(logged("Unable to locate downloaded file from URL", 4));
}

using TVDBOffline = OfflineServiceTest;

TEST_F(TVDBOffline, EveryCallAnswersItsCodeAndMessage) {
  auto item = itemNamed("Law & Order", 2, 5);

  const BCError search = TVDBLookUpShow(*item, cache, reporter);
  EXPECT_EQ(search.Code(), kServiceUnreachable);
  EXPECT_EQ(search.Description(), "Unable to connect to Internet");
  EXPECT_TRUE(logged("[RED]Computer not connected to Internet when looking up show.", 3));

  const BCError episode = TVDBGetEpisode(73739, *item, "de", cache, reporter);
  EXPECT_EQ(episode.Code(), kServiceUnreachable);
  EXPECT_EQ(episode.Description(), "No internet connection");
  EXPECT_EQ(item->episodename(), "NoInternet");
  EXPECT_TRUE(logged("[RED]Computer not connected to Internet when looking up episode name.", 3));

  const BCError byName = TVDBGetEpisodeByName(73739, *item, "de", cache, reporter);
  EXPECT_EQ(byName.Code(), kServiceUnreachable);

  const BCError banner = TVDBGetBanner(73739, *item, cache, reporter);
  EXPECT_EQ(banner.Code(), kServiceUnreachable);
  EXPECT_EQ(banner.Description(), "Not connected to Internet on Banner lookup");
  EXPECT_TRUE(logged("[RED]Computer not connected to Internet when looking for series banner.", 3));
  EXPECT_TRUE(QDir(cache).isEmpty());
}

}  // namespace
