#include "metadata/TheMovieDB.h"

#include <gtest/gtest.h>

#include "metadata/ServiceCache.h"
#include "metadata/ServiceTestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

const QString kKey = "4f1c8e2a9b7d3065e1a2c4b6d8f09e73";

const QByteArray kAmelieSearch = R"(<?xml version="1.0" encoding="UTF-8"?>
<OpenSearchDescription>
<opensearch:Query searchTerms="amelie"/>
<movies>
<movie>
<score>1.0</score>
<name>Amélie</name>
<imdb_id>tt0211915</imdb_id>
<id>194</id>
</movie>
<movie>
<name>amelie</name>
<id>5000</id>
</movie>
<movie>
<name>Amelie</name>
<id>5001</id>
</movie>
<movie>
<id>5002</id>
</movie>
</movies>
</OpenSearchDescription>
)";

// The first movie: a name with entities, a two-line overview, eight actors, a cast line
// cut short, genres, and posters of several widths (one line too short to hold a width).
// The second movie must not be read.
const QByteArray kAmelieRecord = R"(<?xml version="1.0" encoding="UTF-8"?>
<OpenSearchDescription>
<movies>
<movie>
<name>Am&#233;lie &amp; Nino</name>
<overview>Amélie is an innocent
and naive girl &#38; more.</overview>
<certification>R</certification>
<released>2001-04-25</released>
<categories>
<category type="genre" name="Comedy" url="http://themoviedb.org/genre/comedy" id="35"/>
<category type="genre" name="Crime" url="http://themoviedb.org/genre/crime" id="80"/>
<category type="genre" name="Short"/>
</categories>
<cast>
<person name="Audrey Tautou" character="Amélie Poulain" job="Actor" id="1" department="Actors"/>
<person name="Mathieu Kassovitz" character="Nino" job="Actor" id="2" department="Actors"/>
<person name="Rufus" character="Raphaël" job="Actor" id="3"/>
<person name="Lorella Cravotta" character="Amandine" job="Actor" id="4"/>
<person name="Serge Merlin" character="Dufayel" job="Actor" id="5"/>
<person name="Jamel Debbouze" character="Lucien" job="Actor" id="6"/>
<person name="Clotilde Mollet" character="Gina" job="Actor" id="7"/>
<person name="Claire Maurier" character="Suzanne" job="Actor" id="8"/>
<person name="Jean-Pierre Jeunet" job="Director" id="9" department="Directing"/>
<person job="Director"/>
<person name="Claudie Ossard" job="Producer" id="10" department="Production"/>
</cast>
<images>
<image type="poster" url="{base}/posters/w400.jpg" size="cover" width="400" height="600" id="a"/>
<image type="backdrop" url="{base}/backdrops/b.jpg" size="original" width="1920" height="1080" id="b"/>
<image type="poster" url="{base}/posters/first.jpg" size="original" width="1000" height="1500" id="c"/>
<image type="poster" url="{base}/posters/mid.jpg" size="mid" width="500" height="750" id="d"/>
<image type="poster" url="{base}/posters/cut.jpg" size="mid"/>
</images>
</movie>
<movie>
<name>Second Movie</name>
<overview>Not read.</overview>
<certification>G</certification>
<person name="Nobody" job="Actor" id="11"/>
<image type="poster" url="{base}/posters/second.jpg" size="original" width="1000" height="1500" id="e"/>
</movie>
</movies>
</OpenSearchDescription>
)";

QString searchTarget(const QString& language, const QString& name) {
  return "/2.1/Movie.search/" + language + "/xml/" + kKey + "/" + name;
}
QString recordTarget(const QString& language, int id) {
  return "/2.1/Movie.getInfo/" + language + "/xml/" + kKey + "/" + QString::number(id);
}

TEST(MovieDBCleanedName, DropsAccentsAndWhatHasNoASCIIForm) {
  struct Case {
    const char* input;
    const char* cleaned;
  };
  for (const Case& c : {Case{"Amélie", "amelie"}, Case{"Ærøskøbing", "rskbing"}, Case{"Who? Me?", "who me"},
                        Case{"Crème Brûlée & Café", "creme brulee & cafe"}, Case{"千と千尋", ""}})
    EXPECT_EQ(MovieDBCleanedName(QString::fromUtf8(c.input)), QString::fromUtf8(c.cleaned)) << c.input;
}

using MovieDBSearch = ServiceTest;

TEST_F(MovieDBSearch, AccentedTitleIsAskedForCleanedAndTheFirstExactNameIsSelected) {
  server.route(searchTarget("fr", "amelie").toUtf8(), xmlAnswer(kAmelieSearch));
  auto item = itemNamed("Amélie");

  EXPECT_FALSE(LookUpMovieDBAlternates(*item, "fr", cache, reporter).Error());

  EXPECT_EQ(requests(), QStringList({searchTarget("fr", "amelie")}));
  EXPECT_EQ(cacheFiles(), QStringList({"amelie.moviedbftc"}));
  const QList<VideoAlternate> expected{VideoAlternate::alternateWithName("Amélie", 194),
                                       VideoAlternate::alternateWithName("amelie", 5000),
                                       VideoAlternate::alternateWithName("Amelie", 5001),
                                       VideoAlternate::alternateWithName("Not found", 5002)};
  EXPECT_EQ(item->AlternativeSuggestions(), expected);
  // "Amélie" is not the cleaned name; of the two that are, the first wins.
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 1);
  EXPECT_EQ(item->seriesname(), "amelie");
  EXPECT_TRUE(item->soliddetection());
  EXPECT_TRUE(logged("[BLUE]Found show on MovieDB with name : amelie", 4));
  EXPECT_TRUE(logged("Adding Alternate Index:4 Name:Not found ID:5002", 5));
  EXPECT_TRUE(logged("MovieDB URL is " + server.baseURL() + searchTarget("fr", "amelie"), 4));
}

TEST_F(MovieDBSearch, NamesWithAmpersandOrSlashAreEscapedInQueryAndFileName) {
  server.route(searchTarget("en", "fast%20%26%20furious").toUtf8(), xmlAnswer(R"(<movies>
<movie>
<name>Fast &amp; Furious</name>
<id>13804</id>
</movie>
</movies>
)"));
  server.route(searchTarget("en", "face%2Foff").toUtf8(),
               xmlAnswer("<movies>\n<movie>\n<name>Face/Off</name>\n<id>754</id>\n</movie>\n</movies>\n"));
  auto fast = itemNamed("Fast & Furious");
  auto face = itemNamed("Face/Off");

  EXPECT_FALSE(LookUpMovieDBAlternates(*fast, "en", cache, reporter).Error());
  EXPECT_FALSE(LookUpMovieDBAlternates(*face, "en", cache, reporter).Error());

  EXPECT_EQ(cacheFiles(), QStringList({"face%2Foff.moviedbftc", "fast%20%26%20furious.moviedbftc"}));
  EXPECT_EQ(fast->selectedAlernativeSuggestion(), 0);
  EXPECT_EQ(face->selectedAlernativeSuggestion(), 0);
  EXPECT_EQ(face->seriesname(), "Face/Off");
}

TEST_F(MovieDBSearch, NoMovieFoundDeletesTheAnswer) {
  server.route(searchTarget("en", "nothing").toUtf8(), xmlAnswer("<movies>Nothing found.</movies>\n"));
  auto item = itemNamed("Nothing");

  EXPECT_FALSE(LookUpMovieDBAlternates(*item, "en", cache, reporter).Error());

  EXPECT_TRUE(item->AlternativeSuggestions().isEmpty());
  EXPECT_EQ(item->selectedAlernativeSuggestion(), -1);
  EXPECT_TRUE(cacheFiles().isEmpty());
}

TEST_F(MovieDBSearch, PresentCacheFileIsReadWithoutARequest) {
  writeFile(cache + "/amelie.moviedbftc", kAmelieSearch);
  auto item = itemNamed("Amélie");

  EXPECT_FALSE(LookUpMovieDBAlternates(*item, "fr", cache, reporter).Error());

  EXPECT_TRUE(requests().isEmpty());
  EXPECT_EQ(item->AlternativeSuggestions().size(), 4);
  EXPECT_TRUE(logged("File already in cache", 4));
}

class MovieDBRecord : public ServiceTest {
 protected:
  void serveRecord() {
    server.route(recordTarget("fr", 194).toUtf8(), xmlAnswer(withBase(kAmelieRecord)));
    server.route("/posters/first.jpg", pictureAnswer(Qt::red));
  }
  QStringList posters() const {
    const QString base = server.baseURL();
    return {base + "/posters/first.jpg", base + "/posters/mid.jpg"};
  }
};

TEST_F(MovieDBRecord, TakesOverTheFirstMovie) {
  serveRecord();
  auto item = itemNamed("amelie");

  EXPECT_FALSE(LookUpMovieDBInfo(*item, 194, "fr", cache, reporter).Error());

  EXPECT_EQ(requests(), QStringList({recordTarget("fr", 194), "/posters/first.jpg"}));
  EXPECT_EQ(cacheFiles(), QStringList({"194.moviedbftcinfo", "MOVIE194.0.0.jpg"}));
  EXPECT_EQ(item->showid(), 194u);
  EXPECT_EQ(item->seriesname(), "Amélie & Nino");
  EXPECT_EQ(item->description(), "Amélie is an innocentand naive girl & more.");
  EXPECT_EQ(item->rating(), "R");
  EXPECT_EQ(item->releasedate(), "2001-04-25");
  EXPECT_EQ(item->actors(),
            "Audrey Tautou, Mathieu Kassovitz, Rufus, Lorella Cravotta, Serge Merlin, Jamel Debbouze");
  EXPECT_EQ(item->directors(), "Jean-Pierre Jeunet");
  EXPECT_EQ(item->producers(), "Claudie Ossard");
  // Genres without their attribute name; the line too short to hold one is left out.
  EXPECT_EQ(item->genre(), "Comedy, Crime");
  // The 400-pixel poster, the backdrop and the line without a width are not listed.
  EXPECT_EQ(item->alternateimages(), posters());
  EXPECT_GT(item->image().pixelColor(5, 5).red(), 200);
  EXPECT_TRUE(item->soliddetection());
  EXPECT_TRUE(logged("Adding overview lines together", 5));
  EXPECT_TRUE(logged("Total Image Count for Movie is 2", 4));
  EXPECT_TRUE(logged("Getting Movie Data from MovieDB for movie amelie with id 194", 4));
}

TEST_F(MovieDBRecord, APosterThatCannotBeDownloadedLeavesTheOtherFields) {
  server.route(recordTarget("fr", 194).toUtf8(), xmlAnswer(withBase(kAmelieRecord)));
  auto item = itemNamed("amelie");

  EXPECT_FALSE(LookUpMovieDBInfo(*item, 194, "fr", cache, reporter).Error());

  EXPECT_TRUE(item->image().isNull());
  EXPECT_EQ(item->alternateimages(), posters());
  EXPECT_EQ(item->seriesname(), "Amélie & Nino");
  EXPECT_EQ(cacheFiles(), QStringList({"194.moviedbftcinfo"}));
}

TEST_F(MovieDBRecord, PresentRecordAndPosterAreReadWithoutARequest) {
  writeFile(cache + "/194.moviedbftcinfo", withBase(kAmelieRecord));
  writeFile(cache + "/MOVIE194.0.0.jpg", jpegPicture(Qt::blue));
  auto item = itemNamed("amelie");

  EXPECT_FALSE(LookUpMovieDBInfo(*item, 194, "fr", cache, reporter).Error());

  EXPECT_TRUE(requests().isEmpty());
  EXPECT_GT(item->image().pixelColor(5, 5).blue(), 200);
  EXPECT_TRUE(logged("File is already in cache", 4));
  EXPECT_TRUE(logged("Movie image already in cache", 4));
}

TEST_F(MovieDBRecord, SelectedCandidateGetsOnlyItsPosters) {
  serveRecord();
  auto item = itemNamed("amelie");
  item->setAlternativeSuggestions(
      {VideoAlternate::alternateWithName("other", 1), VideoAlternate::alternateWithName("Amélie", 194)});
  item->setSelectedAlernativeSuggestion(1);
  item->setSeason(3);

  EXPECT_FALSE(LookUpMovieDBInfoForSelectedAlternate(*item, "fr", cache, reporter).Error());

  EXPECT_EQ(item->showid(), 194u);
  EXPECT_EQ(item->alternateimages(), posters());
  EXPECT_TRUE(inCache("MOVIE194.3.0.jpg"));
  EXPECT_FALSE(item->image().isNull());
  EXPECT_EQ(item->seriesname(), "amelie");
  EXPECT_EQ(item->description(), "");
  EXPECT_EQ(item->actors(), "");
  EXPECT_FALSE(item->soliddetection());
  EXPECT_TRUE(logged("Total Image Count for Movie is 2", 4));
}

TEST_F(MovieDBRecord, NoSelectedCandidateIsAnInvalidID) {
  for (int selected : {-1, 2}) {
    auto item = itemNamed("amelie");
    item->setAlternativeSuggestions(
        {VideoAlternate::alternateWithName("a", 1), VideoAlternate::alternateWithName("b", 2)});
    item->setSelectedAlernativeSuggestion(selected);
    const BCError result = LookUpMovieDBInfoForSelectedAlternate(*item, "fr", cache, reporter);
    EXPECT_EQ(result.Code(), MovieDBCode::InvalidID) << selected;
    EXPECT_EQ(result.Description(), "Invalid ID") << selected;
  }
  EXPECT_TRUE(requests().isEmpty());
}

using MovieDBOffline = OfflineServiceTest;

TEST_F(MovieDBOffline, EveryCallAnswersInternetNotAccessable) {
  auto item = itemNamed("Amélie");
  item->setAlternativeSuggestions({VideoAlternate::alternateWithName("Amélie", 194)});
  item->setSelectedAlernativeSuggestion(0);

  const BCError record = LookUpMovieDBInfo(*item, 194, "fr", cache, reporter);
  EXPECT_EQ(record.Code(), kServiceUnreachable);
  EXPECT_EQ(record.Description(), "Internet not accessable");
  EXPECT_TRUE(logged("[RED]Computer not connected to Internet when looking up show.", 3));

  const BCError posters = LookUpMovieDBInfoForSelectedAlternate(*item, "fr", cache, reporter);
  EXPECT_EQ(posters.Code(), kServiceUnreachable);

  const BCError search = LookUpMovieDBAlternates(*item, "fr", cache, reporter);
  EXPECT_EQ(search.Code(), kServiceUnreachable);
  EXPECT_EQ(search.Description(), "Internet not accessable");
  EXPECT_TRUE(logged("Computer not connected to Internet when looking up show.", 3));
  EXPECT_TRUE(item->AlternativeSuggestions().isEmpty());
  EXPECT_TRUE(QDir(cache).isEmpty());
}

}  // namespace
