#include "metadata/live/MovieAnswers.h"

#include <gtest/gtest.h>

#include "media/EntityDecoding.h"
#include "media/FileHelpers.h"
#include "media/MediaValues.h"
#include "metadata/ServiceCache.h"
#include "metadata/ServiceTestSupport.h"
#include "metadata/TagChimp.h"
#include "metadata/TheMovieDB.h"
#include "metadata/live/LiveText.h"

using namespace zuvo;
using namespace zuvo::test;
using namespace zuvo::live;

// Each converted answer is read back by the real client from its cache file, so what the
// tests see is what a look-up puts into the item.
namespace {

// Texts with markup characters, quotes, a line break and letters outside ASCII.
const QString kTrickyTitle = QString::fromUtf8("Tom & Jerry: <\"Le Film\"> Ça");
const QString kTrickyOverview =
    QString::fromUtf8("Two rivals & a \"chase\".\nPart two <b>not</b> markup: 100% café");

QJsonDocument json(const QString& text) { return QJsonDocument::fromJson(text.toUtf8()); }
QJsonDocument json(const char* text) { return json(QString::fromUtf8(text)); }
QJsonDocument json(const QByteArray& text) { return QJsonDocument::fromJson(text); }

// What the item holds once the look-up's last step has unescaped it: the service's text on
// one line.
QString oneLine(QString text) { return text.replace('\n', ' '); }

// A JSON string literal of `text`.
QString quoted(const QString& text) {
  QString out = text;
  out.replace("\\", "\\\\").replace("\"", "\\\"").replace("\n", "\\n");
  return '"' + out + '"';
}

class MovieAnswersReadBack : public ServiceTest {
 protected:
  // Puts `converted` where the client looks for its answer.
  void place(const CacheText& converted, const QString& file) {
    ASSERT_TRUE(converted.lines) << converted.failure.toStdString();
    writeFile(file, documentBytes(*converted.lines));
  }
};

TEST_F(MovieAnswersReadBack, TMDBSearchGivesTheClientItsCandidates) {
  const QJsonDocument answer = json(QStringLiteral(R"({"page":1,"total_pages":1,"results":[
    {"id":332562,"title":"A Star Is Born","release_date":"2018-10-03"},
    {"id":3111,"title":"A Star Is Born","release_date":"1937-04-20"},
    {"title":"No id"},
    {"id":4294967296,"title":"Too large an id"},
    {"id":17,"title":%1}]})")
                                        .arg(quoted(kTrickyTitle)));
  place(movieDBSearchFromTMDB(answer), cachefile::movieDBSearch(cache, "a%20star%20is%20born"));
  auto item = itemNamed("A Star Is Born");

  EXPECT_FALSE(LookUpMovieDBAlternates(*item, "en", cache, reporter).Error());

  EXPECT_TRUE(requests().isEmpty());
  const QList<VideoAlternate> expected{VideoAlternate::alternateWithName("A Star Is Born", 332562),
                                       VideoAlternate::alternateWithName("A Star Is Born", 3111),
                                       VideoAlternate::alternateWithName(kTrickyTitle, 17)};
  EXPECT_EQ(item->AlternativeSuggestions(), expected);
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 0);
}

TEST_F(MovieAnswersReadBack, SearchesWithoutHitsAreEmptyDocumentsTheClientsDelete) {
  place(movieDBSearchFromTMDB(json(R"({"page":1,"results":[],"total_pages":0})")),
        cachefile::movieDBSearch(cache, "nothing"));
  place(movieDBSearchFromITunes(json(R"({"resultCount":0,"results":[]})")),
        cachefile::movieDBSearch(cache, "nothing%20either"));
  place(tagChimpMovieSearchFromITunes(json(R"({"resultCount":0,"results":[]})")),
        cachefile::tagChimpMovieSearch(cache, "nothing"));
  place(tagChimpTVSearchFromITunes(json(R"({"resultCount":0,"results":[]})")),
        cachefile::tagChimpTVSearch(cache, "nothing", 1, 2));
  auto movie = itemNamed("Nothing");
  auto other = itemNamed("Nothing either");
  auto chimpMovie = itemNamed("Nothing");
  auto episode = itemNamed("Nothing", 1, 2);

  EXPECT_FALSE(LookUpMovieDBAlternates(*movie, "en", cache, reporter).Error());
  EXPECT_FALSE(LookUpMovieDBAlternates(*other, "en", cache, reporter).Error());
  EXPECT_FALSE(TagChimpSearchSuggestions(*chimpMovie, "en", cache, false, reporter).Error());
  EXPECT_FALSE(TagChimpSearchSuggestions(*episode, "en", cache, true, reporter).Error());

  for (const auto& item : {movie, other, chimpMovie, episode}) {
    EXPECT_TRUE(item->AlternativeSuggestions().isEmpty());
    EXPECT_EQ(item->selectedAlernativeSuggestion(), -1);
  }
  EXPECT_TRUE(cacheFiles().isEmpty());
}

TEST(MovieAnswers, AnswersNotInTheExpectedShapeConvertToNothing) {
  struct Case {
    const char* name;
    CacheText (*convert)(const QJsonDocument&);
  };
  const Case converters[] = {
      {"TMDB search", movieDBSearchFromTMDB},
      {"iTunes movie search", movieDBSearchFromITunes},
      {"iTunes movie record", movieDBRecordFromITunes},
      {"iTunes tagChimp movie search", tagChimpMovieSearchFromITunes},
      {"iTunes tagChimp TV search", tagChimpTVSearchFromITunes},
      {"iTunes tagChimp record", tagChimpRecordFromITunes},
      {"TMDB record",
       [](const QJsonDocument& a) { return movieDBRecordFromTMDB(a, "https://i.example/", "en", "US"); }},
  };
  for (const Case& c : converters)
    for (const char* answer : {"[1,2]", R"({"results":{"id":1}})", R"({"status_code":34,"success":false})"}) {
      const CacheText converted = c.convert(json(answer));
      EXPECT_FALSE(converted.lines) << c.name << ": " << answer;
      EXPECT_FALSE(converted.failure.isEmpty()) << c.name;
    }
}

TEST(MovieAnswers, LookUpsThatFindNoItemConvertToNothing) {
  for (const char* answer :
       {R"({"resultCount":0,"results":[]})", R"({"resultCount":1,"results":[{"trackId":3000000000}]})"}) {
    EXPECT_FALSE(movieDBRecordFromITunes(json(answer)).lines) << answer;
    EXPECT_FALSE(tagChimpRecordFromITunes(json(answer)).lines) << answer;
  }
}

// A record as TMDB answers /movie/{id} with credits, release dates and images appended.
QJsonDocument tmdbRecord(const QString& releaseDates, const QString& images) {
  return json(QStringLiteral(R"({"id":332562,"title":%1,"overview":%2,"release_date":"2018-10-03",
    "poster_path":"/own.jpg",
    "genres":[{"id":18,"name":"Drama"},{"id":878,"name":"Science Fiction"}],
    "credits":{"cast":[
      {"name":"Lady Gaga","character":"Ally","order":1},
      {"name":"Bradley Cooper","character":"Jackson \"Jack\" Maine","order":0},
      {"name":"Sam Elliott","character":"Bobby","order":2}],
     "crew":[{"job":"Director","name":"Bradley Cooper"},{"job":"Producer","name":"Bill Gerber"},
             {"job":"Editor","name":"Jay Cassidy"},{"job":"Producer","name":"Lynette Howell Taylor"}]},
    "release_dates":{"results":%3},
    "images":{"posters":%4}})")
                  .arg(quoted(kTrickyTitle), quoted(kTrickyOverview), releaseDates, images));
}

const QString kReleases = QStringLiteral(R"([
  {"iso_3166_1":"DE","release_dates":[{"certification":"","type":1},{"certification":"12","type":3}]},
  {"iso_3166_1":"US","release_dates":[{"certification":"PG-13","type":1},{"certification":"R","type":3}]},
  {"iso_3166_1":"FR","release_dates":[{"certification":"","type":3},{"certification":"TP","type":4}]}])");

TEST_F(MovieAnswersReadBack, TMDBRecordGivesTheClientTextsPeopleRatingAndPoster) {
  const QString images = QStringLiteral(R"([
    {"file_path":"/narrow.jpg","width":400,"height":600,"iso_639_1":"en"},
    {"file_path":"/english.jpg","width":1000,"height":1500,"iso_639_1":"en"},
    {"file_path":"/german.jpg","width":1000,"height":1500,"iso_639_1":"de"},
    {"file_path":"/own.jpg","width":2000,"height":3000,"iso_639_1":"de"}])");
  place(movieDBRecordFromTMDB(tmdbRecord(kReleases, images), server.baseURL() + "/t/p/", "de", "DE"),
        cachefile::movieDBRecord(cache, 332562));
  server.route("/t/p/original/own.jpg", pictureAnswer(Qt::blue));
  auto item = itemNamed("A Star Is Born");

  EXPECT_FALSE(LookUpMovieDBInfo(*item, 332562, "de", cache, reporter).Error());

  EXPECT_EQ(item->seriesname(), kTrickyTitle);
  // The reader leaves entities for the look-up's last step, which unescapes them once.
  EXPECT_EQ(UnescapeHTML(item->description()), oneLine(kTrickyOverview));
  EXPECT_EQ(item->rating(), "12");
  EXPECT_EQ(item->releasedate(), "2018-10-03");
  EXPECT_EQ(item->genre(), "Drama, Science Fiction");
  EXPECT_EQ(item->actors(), "Bradley Cooper, Lady Gaga, Sam Elliott");
  EXPECT_EQ(item->directors(), "Bradley Cooper");
  EXPECT_EQ(item->producers(), "Bill Gerber, Lynette Howell Taylor");
  const QString base = server.baseURL() + "/t/p/original";
  EXPECT_EQ(item->alternateimages(),
            QStringList({base + "/own.jpg", base + "/german.jpg", base + "/english.jpg"}));
  EXPECT_EQ(requests(), QStringList({"/t/p/original/own.jpg"}));
  EXPECT_TRUE(looksLike(item->image(), Qt::blue));
}

TEST(MovieAnswers, TMDBCertificationIsTheRatingCountrysTheatricalOneElseTheUnitedStates) {
  struct Case {
    const char* country;
    const char* certification;
  };
  for (const Case& c :
       {Case{"DE", "12"}, Case{"US", "R"}, Case{"FR", "TP"}, Case{"GB", "R"}, Case{"", "R"}}) {
    const CacheText converted =
        movieDBRecordFromTMDB(tmdbRecord(kReleases, "[]"), "https://i.example/", "en", c.country);
    ASSERT_TRUE(converted.lines);
    EXPECT_TRUE(
        converted.lines->contains(QStringLiteral("<certification>%1</certification>").arg(c.certification)))
        << c.country;
  }
  const CacheText none = movieDBRecordFromTMDB(tmdbRecord("[]", "[]"), "https://i.example/", "en", "DE");
  ASSERT_TRUE(none.lines);
  EXPECT_TRUE(none.lines->contains("<certification></certification>"));
}

TEST_F(MovieAnswersReadBack, TMDBRecordWithoutAnImageListStillNamesTheMoviesPoster) {
  place(movieDBRecordFromTMDB(tmdbRecord(kReleases, "[]"), server.baseURL() + "/t/p", "en", "US"),
        cachefile::movieDBRecord(cache, 332562));
  server.route("/t/p/w500/own.jpg", pictureAnswer(Qt::green));
  auto item = itemNamed("A Star Is Born");

  EXPECT_FALSE(LookUpMovieDBInfo(*item, 332562, "en", cache, reporter).Error());

  EXPECT_EQ(item->alternateimages(), QStringList({server.baseURL() + "/t/p/w500/own.jpg"}));
  EXPECT_TRUE(looksLike(item->image(), Qt::green));
}

// One movie as the iTunes Search API gives it; "{base}" stands for the artwork host.
QString iTunesMovie(qint64 id, const QString& title, const QString& releaseDate) {
  return QStringLiteral(R"({"wrapperType":"track","kind":"feature-movie","trackId":%1,"trackName":%2,
    "artistName":"Bradley Cooper","releaseDate":"%3","primaryGenreName":"Romance","contentAdvisoryRating":"R",
    "longDescription":%4,"artworkUrl100":"{base}/image/thumb/Video/a1/100x100bb.jpg"})")
      .arg(QString::number(id), quoted(title), releaseDate, quoted(kTrickyOverview));
}

QString iTunesAnswer(const QStringList& results) {
  return (QStringLiteral(R"({"resultCount":%1,"results":[%2]})").arg(results.size()).arg(results.join(',')));
}

TEST_F(MovieAnswersReadBack, ITunesMovieSearchDropsTheYearThatTellsRemakesApart) {
  const QJsonDocument answer =
      json(iTunesAnswer({iTunesMovie(1437031362, "A Star Is Born (2018)", "2018-10-18T07:00:00Z"),
                         iTunesMovie(2147483648, "A Star Is Born (1976)", "1976-12-19T08:00:00Z"),
                         iTunesMovie(284936561, "A Star Is Born (1954)", "1954-09-29T07:00:00Z"),
                         iTunesMovie(1000, "Blade Runner 2049 (1982)", "2017-10-06T07:00:00Z")}));
  place(movieDBSearchFromITunes(answer), cachefile::movieDBSearch(cache, "a%20star%20is%20born"));
  place(tagChimpMovieSearchFromITunes(answer), cachefile::tagChimpMovieSearch(cache, "a%20star%20is%20born"));
  auto movieDB = itemNamed("A Star Is Born");
  auto tagChimp = itemNamed("A Star Is Born");

  EXPECT_FALSE(LookUpMovieDBAlternates(*movieDB, "en", cache, reporter).Error());
  EXPECT_FALSE(TagChimpSearchSuggestions(*tagChimp, "en", cache, false, reporter).Error());

  // The id past 32 bits is dropped; a year in parentheses that is not the release's stays.
  const QList<VideoAlternate> expected{VideoAlternate::alternateWithName("A Star Is Born", 1437031362),
                                       VideoAlternate::alternateWithName("A Star Is Born", 284936561),
                                       VideoAlternate::alternateWithName("Blade Runner 2049 (1982)", 1000)};
  EXPECT_EQ(movieDB->AlternativeSuggestions(), expected);
  EXPECT_EQ(tagChimp->AlternativeSuggestions(), expected);
  EXPECT_EQ(movieDB->selectedAlernativeSuggestion(), 0);
  EXPECT_EQ(tagChimp->selectedAlernativeSuggestion(), 0);
}

TEST_F(MovieAnswersReadBack, ITunesMovieRecordGivesBothClientsTextsGenreAndTheLargePoster) {
  const QJsonDocument answer = json(withBase(
      iTunesAnswer({iTunesMovie(1437031362, "A Star Is Born (2018)", "2018-10-18T07:00:00Z")}).toUtf8()));
  place(movieDBRecordFromITunes(answer), cachefile::movieDBRecord(cache, 1437031362));
  place(tagChimpRecordFromITunes(answer), cachefile::tagChimpRecord(cache, 1437031362));
  server.route("/image/thumb/Video/a1/600x600bb.jpg", pictureAnswer(Qt::red));
  auto movieDB = itemNamed("A Star Is Born");
  auto tagChimp = itemNamed("A Star Is Born");
  tagChimp->setMediatype(MediaType::Movie);

  EXPECT_FALSE(LookUpMovieDBInfo(*movieDB, 1437031362, "en", cache, reporter).Error());
  EXPECT_FALSE(TagChimpLookupShowData(*tagChimp, 1437031362, "en", cache, reporter).Error());

  const QString poster = server.baseURL() + "/image/thumb/Video/a1/600x600bb.jpg";
  for (const auto& item : {movieDB, tagChimp}) {
    EXPECT_EQ(item->seriesname(), "A Star Is Born");
    // The reader leaves entities for the look-up's last step, which unescapes them once.
    EXPECT_EQ(UnescapeHTML(item->description()), oneLine(kTrickyOverview));
    EXPECT_EQ(item->genre(), "Romance");
    EXPECT_EQ(item->rating(), "R");
    EXPECT_EQ(item->releasedate(), "2018-10-18");
    EXPECT_EQ(item->directors(), "Bradley Cooper");
    EXPECT_EQ(item->alternateimages(), QStringList({poster}));
    EXPECT_TRUE(looksLike(item->image(), Qt::red));
  }
  // Each client keeps the poster under a name of its own.
  EXPECT_EQ(requests(),
            QStringList({"/image/thumb/Video/a1/600x600bb.jpg", "/image/thumb/Video/a1/600x600bb.jpg"}));
}

// One episode as the iTunes Search API gives it.
QString iTunesEpisode(qint64 id, const QString& collection, int number, const QString& title) {
  return QStringLiteral(
             R"({"wrapperType":"track","kind":"tv-episode","trackId":%1,"artistName":"Under the Dome",
    "collectionName":"%2","trackNumber":%3,"trackName":%4,"releaseDate":"2013-06-24T07:00:00Z",
    "primaryGenreName":"Drama","contentAdvisoryRating":"TV-14","longDescription":%5,
    "artworkUrl100":"{base}/image/thumb/Season1/100x100bb.jpg"})")
      .arg(QString::number(id), collection, QString::number(number), quoted(title), quoted(kTrickyOverview));
}

TEST_F(MovieAnswersReadBack, ITunesEpisodeSearchGivesTagChimpTheSeasonFromTheCollection) {
  const QJsonDocument answer =
      json(iTunesAnswer({iTunesEpisode(101, "Under the Dome, Season 2", 1, "Heads Will Roll"),
                         iTunesEpisode(102, "Under the Dome, Season 1", 1, "Pilot"),
                         iTunesEpisode(103, "Under the Dome, Season 1", 2, "The Fire"),
                         iTunesEpisode(104, "Under the Dome", 1, "Pilot (Extended)")}));
  place(tagChimpTVSearchFromITunes(answer), cachefile::tagChimpTVSearch(cache, "under%20the%20dome", 1, 1));
  auto item = itemNamed("Under the Dome", 1, 1);

  EXPECT_FALSE(TagChimpSearchSuggestions(*item, "en", cache, true, reporter).Error());

  // A collection that names no season is the show's first.
  const QList<VideoAlternate> expected{VideoAlternate::alternateWithName("Under the Dome", 102),
                                       VideoAlternate::alternateWithName("Under the Dome", 104)};
  EXPECT_EQ(item->AlternativeSuggestions(), expected);
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 0);
}

TEST_F(MovieAnswersReadBack, ITunesEpisodeRecordNamesTheEpisodeAndTheShow) {
  const QJsonDocument answer = json(
      withBase(iTunesAnswer({iTunesEpisode(102, "Under the Dome, Season 1", 1, kTrickyTitle)}).toUtf8()));
  place(tagChimpRecordFromITunes(answer), cachefile::tagChimpRecord(cache, 102));
  server.route("/image/thumb/Season1/600x600bb.jpg", pictureAnswer(Qt::yellow));
  auto item = itemNamed("under the dome", 1, 1);
  item->setMediatype(MediaType::TVShow);

  EXPECT_FALSE(TagChimpLookupShowData(*item, 102, "en", cache, reporter).Error());

  EXPECT_EQ(item->seriesname(), "Under the Dome");
  EXPECT_EQ(item->episodename(), kTrickyTitle);
  // The reader leaves entities for the look-up's last step, which unescapes them once.
  EXPECT_EQ(UnescapeHTML(item->description()), oneLine(kTrickyOverview));
  EXPECT_EQ(item->rating(), "TV-14");
  EXPECT_EQ(item->releasedate(), "2013-06-24");
  EXPECT_EQ(item->genre(), "Drama");
  EXPECT_TRUE(item->directors().isEmpty());
  EXPECT_TRUE(looksLike(item->image(), Qt::yellow));
  EXPECT_TRUE(inCache("TVUnder the Dome.1.1.jpg"));
}

TEST(MovieAnswers, TMDBImageBaseComesFromTheConfiguration) {
  EXPECT_EQ(tmdbImageBase(json(
                R"({"images":{"secure_base_url":"https://image.tmdb.org/t/p/","poster_sizes":["w500"]}})")),
            "https://image.tmdb.org/t/p/");
  EXPECT_FALSE(tmdbImageBase(json(R"({"images":{}})")));
  EXPECT_FALSE(tmdbImageBase(json("[]")));
}

}  // namespace
