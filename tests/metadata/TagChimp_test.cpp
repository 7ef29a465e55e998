#include "metadata/TagChimp.h"

#include <gtest/gtest.h>

#include "media/MediaValues.h"
#include "metadata/ServiceCache.h"
#include "metadata/ServiceTestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

const QString kPrefix = "/ape/search.php?token=58302947615AB7410D9EF26";

QString tvSearchTarget(const QString& name, int season, int episode, const QString& language = "en") {
  return kPrefix + "&type=search&title=" + name + "&show=" + name +
         "&totalChapters=X&limit=200&lang=" + language +
         "&videoKind=TVShow&season=" + QString::number(season) + "&episode=" + QString::number(episode);
}
QString movieSearchTarget(const QString& name, const QString& language = "en") {
  return kPrefix + "&type=search&title=" + name + "&totalChapters=X&limit=20&locked=false&lang=" + language +
         "&videoKind=Movie";
}
QString movieRecordTarget(int id) {
  return kPrefix + "&type=lookup&totalChapters=X&id=" + QString::number(id);
}
QString tvRecordTarget(int id, int season, int episode) {
  return movieRecordTarget(id) + "&season=" + QString::number(season) +
         "&episode=" + QString::number(episode);
}

// One TV search result.
QByteArray tvResult(int id, const char* show, int season, int episode, const char* title = "Episode") {
  return QStringLiteral(
             "<movie>\n<tagChimpID>%1</tagChimpID>\n<movieHeader>\n<movieTitle>%5</movieTitle>\n</"
             "movieHeader>\n"
             "<television>\n<showName>%2</showName>\n<season>%3</season>\n<episode>%4</episode>\n</"
             "television>\n"
             "</movie>\n")
      .arg(QString::number(id), QString::fromUtf8(show), QString::number(season), QString::number(episode),
           QString::fromUtf8(title))
      .toUtf8();
}
QByteArray items(const QByteArray& results) {
  return "<?xml version=\"1.0\"?>\n<items>\n" + results + "</items>\n";
}

const QByteArray kMovieSearch = R"(<?xml version="1.0" encoding="UTF-8"?>
<items>
<totalResults>3</totalResults>
<movie>
<tagChimpID>555</tagChimpID>
<movieHeader>
<movieTitle>Am&amp;#233;lie</movieTitle>
</movieHeader>
</movie>
<movie>
<tagChimpID>556</tagChimpID>
</movie>
<movie>
<tagChimpID>557</tagChimpID>
<movieHeader>
<movieTitle>AMÉLIE</movieTitle>
</movieHeader>
</movie>
</items>
)";

// Two movies: only the first one's title, description, rating and date count; actors (six
// at most), directors and producers of both; genres outside the additional block; two
// covers, the first of which cannot be downloaded; chapter titles.
const QByteArray kMovieRecord = R"(<?xml version="1.0" encoding="UTF-8"?>
<items>
<movie>
<tagChimpID>555</tagChimpID>
<movieHeader>
<movieTitle>Am&#233;lie &amp;amp; Co / Paris</movieTitle>
<videoKind>Movie</videoKind>
</movieHeader>
<movieTags>
<info>
<releaseDate>2001-04-25</releaseDate>
<genre>Comedy</genre>
<rating>R</rating>
<longDescription>First line,
second line &#38; last.</longDescription>
</info>
<additionalGenres>
<genre>Romance</genre>
</additionalGenres>
<cast>
<actor>Audrey Tautou</actor>
<actor>Mathieu Kassovitz</actor>
<actor>Rufus</actor>
<actor>Lorella Cravotta</actor>
</cast>
<directors>
<director>Jean-Pierre Jeunet</director>
</directors>
<producers>
<producer>Claudie Ossard</producer>
</producers>
<coverArtLarge>{base}/covers/missing.jpg</coverArtLarge>
<coverArtLarge>{base}/covers/555.jpg</coverArtLarge>
</movieTags>
<movieChapters>
<chapterTitle>Opening &amp; Credits</chapterTitle>
<chapterTitle>Caf&#233;</chapterTitle>
<chapterTitle>Finale</chapterTitle>
</movieChapters>
</movie>
<movie>
<movieHeader>
<movieTitle>Second</movieTitle>
</movieHeader>
<info>
<rating>G</rating>
<releaseDate>1999</releaseDate>
<longDescription>Not read.</longDescription>
<genre>Drama</genre>
</info>
<actor>Serge Merlin</actor>
<actor>Jamel Debbouze</actor>
<actor>Clotilde Mollet</actor>
<director>Second Director</director>
<producer>Second Producer</producer>
</movie>
</items>
)";

const QByteArray kTVRecord = R"(<?xml version="1.0" encoding="UTF-8"?>
<items>
<movie>
<tagChimpID>100</tagChimpID>
<movieHeader>
<movieTitle>Halloween &amp; More</movieTitle>
</movieHeader>
<movieTags>
<info>
<longDescription>Michael's party.</longDescription>
<rating>TV-PG</rating>
</info>
<television>
<showName>The Office</showName>
<season>2</season>
<episode>5</episode>
</television>
<image type="poster" url="{base}/posters/office.jpg" size="original" width="800" height="1200" id="x"/>
<coverArtLarge>{base}/covers/office.jpg</coverArtLarge>
</movieTags>
</movie>
</items>
)";

using TagChimpSearch = ServiceTest;

TEST_F(TagChimpSearch, TVSearchKeepsTheItemsEpisodeAndSelectsTheKeptCandidateOfItsName) {
  server.route(tvSearchTarget("the%20office", 2, 5).toUtf8(),
               xmlAnswer(items(tvResult(1, "The Office", 3, 1) + tvResult(2, "The Office (UK)", 2, 5) +
                               tvResult(3, "The Office", 2, 5) + tvResult(4, "Office Specials", 0, 0))));
  auto item = itemNamed("The Office", 2, 5);

  EXPECT_FALSE(TagChimpSearchSuggestions(*item, "en", cache, true, reporter).Error());

  EXPECT_EQ(requests(), QStringList({tvSearchTarget("the%20office", 2, 5)}));
  EXPECT_EQ(cacheFiles(), QStringList({"the%20office-2-5.tagchimpftc"}));
  const QList<VideoAlternate> expected{VideoAlternate::alternateWithName("The Office (UK)", 2),
                                       VideoAlternate::alternateWithName("The Office", 3),
                                       VideoAlternate::alternateWithName("Office Specials", 4)};
  EXPECT_EQ(item->AlternativeSuggestions(), expected);
  // The first "The Office" is of season 3 and dropped; the kept one of that name wins.
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 1);
  EXPECT_TRUE(item->soliddetection());
  EXPECT_TRUE(logged("[BLUE]Adding alternate The Office with id of 3", 4));
}

TEST_F(TagChimpSearch, TVSelectionWithoutAKeptCandidateOfTheNameStaysInsideTheList) {
  struct Case {
    const char* name;
    QByteArray results;
    int selected;
  };
  const Case cases[] = {
      {"named one dropped, another kept after it",
       tvResult(1, "The Office", 3, 1) + tvResult(2, "The Office (UK)", 2, 5), 0},
      {"named one dropped at the end", tvResult(2, "The Office (UK)", 2, 5) + tvResult(1, "The Office", 3, 1),
       -1},
      {"none named so", tvResult(2, "The Office (UK)", 2, 5), -1},
  };
  for (const Case& c : cases) {
    QFile::remove(cache + "/the%20office-2-5.tagchimpftc");
    server.route(tvSearchTarget("the%20office", 2, 5).toUtf8(), xmlAnswer(items(c.results)));
    auto item = itemNamed("The Office", 2, 5);
    item->setSelectedAlernativeSuggestion(4);
    EXPECT_FALSE(TagChimpSearchSuggestions(*item, "en", cache, true, reporter).Error()) << c.name;
    EXPECT_EQ(item->selectedAlernativeSuggestion(), c.selected) << c.name;
  }
}

TEST_F(TagChimpSearch, SeasonAndEpisodeCarryOverToACandidateWithoutThem) {
  server.route(
      tvSearchTarget("lost", 1, 4).toUtf8(),
      xmlAnswer(items(tvResult(1, "Lost", 1, 4) +
                      "<movie>\n<tagChimpID>2</tagChimpID>\n<showName>Lost</showName>\n</movie>\n" +
                      tvResult(3, "Lost", 1, 5) +
                      "<movie>\n<tagChimpID>4</tagChimpID>\n<showName>Lost</showName>\n</movie>\n")));
  auto item = itemNamed("Lost", 1, 4);

  EXPECT_FALSE(TagChimpSearchSuggestions(*item, "en", cache, true, reporter).Error());

  const QList<VideoAlternate> expected{VideoAlternate::alternateWithName("Lost", 1),
                                       VideoAlternate::alternateWithName("Lost", 2)};
  EXPECT_EQ(item->AlternativeSuggestions(), expected);
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 0);
}

TEST_F(TagChimpSearch, MovieSearchKeepsEveryMovieAndUnescapesTheirNames) {
  // The query name is lower-cased escapes; on the wire the URL carries them in capitals.
  server.route(movieSearchTarget("am%C3%A9lie", "fr").toUtf8(), xmlAnswer(kMovieSearch));
  auto item = itemNamed("Amélie");

  EXPECT_FALSE(TagChimpSearchSuggestions(*item, "fr", cache, false, reporter).Error());

  EXPECT_EQ(requests(), QStringList({movieSearchTarget("am%C3%A9lie", "fr")}));
  EXPECT_EQ(cacheFiles(), QStringList({"am%c3%a9lie.tagchimpftc"}));
  const QList<VideoAlternate> expected{VideoAlternate::alternateWithName("Amélie", 555),
                                       VideoAlternate::alternateWithName("Not found", 556),
                                       VideoAlternate::alternateWithName("AMÉLIE", 557)};
  EXPECT_EQ(item->AlternativeSuggestions(), expected);
  // "Am&#233;lie" is only a name like the item's once unescaped at the end: the later
  // "AMÉLIE" is the first equal one while reading.
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 2);
  EXPECT_TRUE(logged("Tag Chimp URL is " + server.baseURL() + movieSearchTarget("am%c3%a9lie", "fr"), 4));
}

TEST_F(TagChimpSearch, ChapterSearchFillsChapterCandidatesAndLeavesTheSelectionAlone) {
  server.route(movieSearchTarget("am%C3%A9lie").toUtf8(), xmlAnswer(kMovieSearch));
  auto item = itemNamed("Amélie");
  const QList<VideoAlternate> metadata{VideoAlternate::alternateWithName("am&amp;lie", 9),
                                       VideoAlternate::alternateWithName("other", 10)};
  item->setAlternativeSuggestions(metadata);
  item->setSelectedAlernativeSuggestion(1);
  item->setSoliddetection(false);

  EXPECT_FALSE(TagChimpSearchChapterAlternates(*item, "en", cache, false, reporter).Error());

  ASSERT_EQ(item->ChaptersAlternates().size(), 3);
  EXPECT_EQ(item->ChaptersAlternates()[2], VideoAlternate::alternateWithName("AMÉLIE", 557));
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 1);
  EXPECT_EQ(item->AlternativeSuggestions().size(), 2);
  EXPECT_FALSE(item->soliddetection());
  EXPECT_TRUE(inCache("am%c3%a9lie.tagchimpftc"));
}

TEST_F(TagChimpSearch, NoCandidateDeletesTheAnswer) {
  server.route(movieSearchTarget("nothing").toUtf8(), xmlAnswer(items("<totalResults>0</totalResults>\n")));
  auto item = itemNamed("Nothing");

  EXPECT_FALSE(TagChimpSearchSuggestions(*item, "en", cache, false, reporter).Error());

  EXPECT_TRUE(item->AlternativeSuggestions().isEmpty());
  EXPECT_EQ(item->selectedAlernativeSuggestion(), -1);
  EXPECT_TRUE(cacheFiles().isEmpty());
}

TEST_F(TagChimpSearch, PresentCacheFileIsReadWithoutARequest) {
  writeFile(cache + "/the%20office-2-5.tagchimpftc", items(tvResult(3, "The Office", 2, 5)));
  auto item = itemNamed("The Office", 2, 5);

  EXPECT_FALSE(TagChimpSearchSuggestions(*item, "en", cache, true, reporter).Error());

  EXPECT_TRUE(requests().isEmpty());
  EXPECT_EQ(item->AlternativeSuggestions(),
            QList<VideoAlternate>({VideoAlternate::alternateWithName("The Office", 3)}));
  EXPECT_TRUE(logged("File already in cache", 4));
}

class TagChimpRecord : public ServiceTest {
 protected:
  void serveMovie() {
    server.route(movieRecordTarget(555).toUtf8(), xmlAnswer(withBase(kMovieRecord)));
    server.route("/covers/555.jpg", pictureAnswer(Qt::red));
  }
};

TEST_F(TagChimpRecord, MovieTakesTheFirstMoviesTextsAndThePeopleOfAll) {
  serveMovie();
  auto item = itemNamed("amelie");
  item->setSelectedImage(3);

  EXPECT_FALSE(TagChimpLookupShowData(*item, 555, "en", cache, reporter).Error());

  EXPECT_EQ(requests(), QStringList({movieRecordTarget(555), "/covers/missing.jpg", "/covers/555.jpg"}));
  EXPECT_EQ(item->seriesname(), "Amélie &amp; Co / Paris");
  EXPECT_EQ(item->description(), "First line,second line & last.");
  EXPECT_EQ(item->rating(), "R");
  EXPECT_EQ(item->releasedate(), "2001-04-25");
  EXPECT_EQ(item->actors(),
            "Audrey Tautou, Mathieu Kassovitz, Rufus, Lorella Cravotta, Serge Merlin, Jamel Debbouze");
  EXPECT_EQ(item->directors(), "Jean-Pierre Jeunet, Second Director");
  EXPECT_EQ(item->producers(), "Claudie Ossard, Second Producer");
  EXPECT_EQ(item->genre(), "Comedy, Drama");
  const QString base = server.baseURL();
  EXPECT_EQ(item->alternateimages(), QStringList({base + "/covers/missing.jpg", base + "/covers/555.jpg"}));
  EXPECT_EQ(item->selectedImage(), 0);
  // The cover file is named after the series name; its slash cannot leave the folder.
  EXPECT_EQ(cacheFiles(), QStringList({"555.tagchimpbftcinfo", "MOVIEAmélie &amp; Co - Paris.0.0.jpg"}));
  EXPECT_GT(item->image().pixelColor(5, 5).red(), 200);
  EXPECT_TRUE(item->soliddetection());
  EXPECT_TRUE(logged("Getting Movie Data from Tag Chimp for movie amelie with id 555", 4));
  EXPECT_TRUE(logged("Movie image now in cache", 4));
}

TEST_F(TagChimpRecord, TVShowAsksForTheEpisodeAndNamesTheCoverAfterTheShow) {
  server.route(tvRecordTarget(100, 2, 5).toUtf8(), xmlAnswer(withBase(kTVRecord)));
  server.route("/posters/office.jpg", pictureAnswer(Qt::green));
  auto item = itemNamed("the office", 2, 5);
  item->setMediatype(MediaType::TVShow);

  EXPECT_FALSE(TagChimpLookupShowData(*item, 100, "en", cache, reporter).Error());

  EXPECT_EQ(requests().first(), tvRecordTarget(100, 2, 5));
  EXPECT_EQ(item->seriesname(), "The Office");
  EXPECT_EQ(item->episodename(), "Halloween & More");
  EXPECT_EQ(item->description(), "Michael's party.");
  EXPECT_EQ(item->rating(), "TV-PG");
  const QString base = server.baseURL();
  EXPECT_EQ(item->alternateimages(),
            QStringList({base + "/posters/office.jpg", base + "/covers/office.jpg"}));
  // The poster came first and gave the picture; the cover found its file in place.
  EXPECT_EQ(cacheFiles(), QStringList({"100.tagchimpbftcinfo", "TVThe Office.2.5.jpg"}));
  EXPECT_GT(item->image().pixelColor(5, 5).green(), 200);
}

TEST_F(TagChimpRecord, ChapterTitlesComeFromTheSameRecordFile) {
  serveMovie();
  auto item = itemNamed("amelie");
  EXPECT_FALSE(TagChimpLookupShowData(*item, 555, "en", cache, reporter).Error());
  const qsizetype before = requests().size();

  const BCError titles = TagChimpLookupChapterTitles(*item, 555, "en", cache, reporter);

  EXPECT_FALSE(titles.Error());
  EXPECT_EQ(titles.NoErrorResult().toStringList(), QStringList({"Opening & Credits", "Café", "Finale"}));
  EXPECT_EQ(requests().size(), before);
  EXPECT_TRUE(logged("File exists in cache", 4));
}

TEST_F(TagChimpRecord, ChapterTitlesOfARecordWithoutChaptersAreAnEmptyList) {
  server.route(movieRecordTarget(7).toUtf8(),
               xmlAnswer(items("<movie>\n<movieTitle>x</movieTitle>\n</movie>\n")));
  auto item = itemNamed("x");

  const BCError titles = TagChimpLookupChapterTitles(*item, 7, "en", cache, reporter);

  EXPECT_FALSE(titles.Error());
  EXPECT_EQ(titles.NoErrorResult().toStringList(), QStringList());
  EXPECT_EQ(requests(), QStringList({movieRecordTarget(7)}));
}

using TagChimpOffline = OfflineServiceTest;

TEST_F(TagChimpOffline, EveryCallAnswersUnableToConnect) {
  auto item = itemNamed("The Office", 2, 5);
  struct Case {
    const char* name;
    std::function<BCError()> call;
  };
  const Case cases[] = {
      {"TV search", [&] { return TagChimpSearchSuggestions(*item, "en", cache, true, reporter); }},
      {"chapter search",
       [&] { return TagChimpSearchChapterAlternates(*item, "en", cache, false, reporter); }},
      {"record", [&] { return TagChimpLookupShowData(*item, 100, "en", cache, reporter); }},
      {"chapter titles", [&] { return TagChimpLookupChapterTitles(*item, 100, "en", cache, reporter); }},
  };
  for (const Case& c : cases) {
    const BCError result = c.call();
    EXPECT_EQ(result.Code(), kServiceUnreachable) << c.name;
    EXPECT_EQ(result.Description(), "Unable to connect to Tag Chimp server") << c.name;
  }
  EXPECT_TRUE(logged("[RED]Computer not connected to Internet when looking up show.", 3));
  EXPECT_TRUE(QDir(cache).isEmpty());
}

}  // namespace
