// The whole program, left alone: an episode put in a watched folder is found by the timed
// scan, looked up on a TheTVDB answering on loopback, queued by itself, converted on the
// tick and imported into the media library, tagged.
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/shared/Feed.h"
#include "app/support/ZuvoProgramFixture.h"
#include "metadata/IndependentReaders.h"
#include "metadata/LookUpFixtures.h"
#include "metadata/support/LiveFixtures.h"
#include "mp4/Mp4Fixtures.h"
#include "platform/Defaults.h"
#include "tools/library/MediaLibrary.h"

namespace {

using namespace zuvo;
using namespace zuvo::test;

constexpr int kSeriesId = 80123;

// TheTVDB's search, record and banners for "Some Show": season 1 with three episodes.
void routeSomeShow(LoopbackHttpServer& server) {
  server.route(tvdbSearchTarget("some%20show"), xmlAnswer(R"(<?xml version="1.0" encoding="UTF-8" ?>
<Data>
<Series>
<seriesid>80123</seriesid>
<SeriesName>Some Show</SeriesName>
</Series>
</Data>
)"));
  server.route(tvdbRecordTarget(kSeriesId), xmlAnswer(R"(<?xml version="1.0" encoding="UTF-8" ?>
<Data>
<Series>
<id>80123</id>
<Actors>|Ann Example|Bob Sample|</Actors>
<ContentRating>TV-14</ContentRating>
<Genre>|Comedy|</Genre>
<SeriesName>Some Show</SeriesName>
</Series>
<Episode>
<EpisodeName>A Beginning</EpisodeName>
<EpisodeNumber>1</EpisodeNumber>
<FirstAired>2009-01-05</FirstAired>
<Overview>It starts.</Overview>
<SeasonNumber>1</SeasonNumber>
</Episode>
<Episode>
<EpisodeName>The Second Helping</EpisodeName>
<EpisodeNumber>2</EpisodeNumber>
<FirstAired>2009-01-12</FirstAired>
<Overview>Ann cooks for Bob.</Overview>
<SeasonNumber>1</SeasonNumber>
</Episode>
<Episode>
<EpisodeName>Third Time</EpisodeName>
<EpisodeNumber>3</EpisodeNumber>
<FirstAired>2009-01-19</FirstAired>
<SeasonNumber>1</SeasonNumber>
</Episode>
</Data>
)"));
  server.route(tvdbBannersTarget(kSeriesId), xmlAnswer(R"(<?xml version="1.0" encoding="UTF-8" ?>
<Banners>
<Banner>
<BannerPath>seasons/80123-1.jpg</BannerPath>
<Rating>8</Rating>
<Season>1</Season>
</Banner>
</Banners>
)"));
  server.route("/banners/seasons/80123-1.jpg", pictureAnswer(Qt::magenta));
  // tagChimp, asked for chapters, knows nothing of it.
  server.route(tagChimpMovieSearchTarget("some%20show"),
               xmlAnswer("<?xml version=\"1.0\"?>\n<items>\n</items>\n"));
}

QJsonObject json(const QByteArray& text) { return QJsonDocument::fromJson(text).object(); }

// A recording finished a while ago: the first scan takes it, without waiting for it to settle.
void finishedAWhileAgo(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(
      file.setFileTime(QDateTime::currentDateTime().addSecs(-120), QFileDevice::FileModificationTime));
}

// The converted files anywhere in the library, relative to it.
QStringList convertedIn(const QString& library) {
  QStringList found;
  for (QDirIterator it(library, {"*.m4v", "*.mp4"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
    found << QDir(library).relativeFilePath(it.next());
  return found;
}

// The items of the library's index, each as "kind|path|series|season|episode|title".
QStringList indexLines(const QString& library) {
  QStringList lines;
  const QJsonDocument index = QJsonDocument::fromJson(readFile(library + "/" + library::kIndexFileName));
  const QJsonArray items = index.isArray() ? index.array() : index.object()["items"].toArray();
  for (const QJsonValue& value : items) {
    const QJsonObject item = value.toObject();
    lines << QStringLiteral("%1|%2|%3|%4|%5|%6")
                 .arg(item["kind"].toString(), item["path"].toString(), item["series"].toString())
                 .arg(item["season"].toInt())
                 .arg(item["episode"].toInt())
                 .arg(item["title"].toString());
  }
  return lines;
}

class WatchedFolderToLibrary : public ZuvoProgram {
 protected:
  void SetUp() override {
    ZuvoProgram::SetUp();
    library = home + "/Media Library";
    watched = home + "/Recordings";
    converted = home + "/Converted";
    routeSomeShow(server);
    environment.insert("ZUVO_TVDB_URL", server.baseURL());
    environment.insert("ZUVO_TVDB_BANNERS_URL", server.baseURL() + "/banners");
    environment.insert("ZUVO_TAGCHIMP_URL", server.baseURL());
    environment.insert(library::kLocationVariable, library);
    QDir().mkpath(watched);

    // The settings as the program keeps them: the watched folder in "Sources", scanned on
    // every tick (no minutes between scans) with automatic conversion on; whatever the
    // scans find leaves the watched folder for the converted-files folder once converted.
    Defaults& defaults = Defaults::standard();
    defaults.setStorageFile(home + "/.config/Zuvo/Zuvo.conf");
    Feed feed;
    feed.setName("Recordings");
    feed.setPath(watched);
    storeVideoSources({feed});
    defaults.setBool(true, "ScanVideoSourcesEveryMinutes");
    defaults.setInteger(0, "AutomateEveryMinutes");
    defaults.setBool(true, "AutomaticallyConvertFiles");
    defaults.setObject("iTunes", "TVShowDestination");
    defaults.setBool(true, "ImportTVShowFileIntoiTunes");
    defaults.setInteger(2, "VideoSourcesFileAction");
    defaults.setObject(converted, "ConvertedFilesDirectory");
    defaults.synchronize();
  }

  // Puts a short episode named `name` into the watched folder and runs the program until
  // its conversion is in the library: the library's file, relative to it (empty, with the
  // test failed, when nothing arrived). The first tick scans, the probe and look-up queue
  // the item, a later tick converts it; a fresh file (not `settled`) is taken by the scan
  // after it settled.
  QString convertedFromWatchedFolder(const QString& name, Outcome& r, bool settled = false) {
    makeMedia(watched + "/" + name, {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=2", "-f",
                                     "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=2", "-ac",
                                     "2", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"});
    if (settled) finishedAWhileAgo(watched + "/" + name);
    auto zuvo = launch({});
    const bool imported = runloop::waitUntil(
        [&] { return !convertedIn(library).isEmpty() && !indexLines(library).isEmpty(); }, 90, 250);
    r = end(*zuvo);
    EXPECT_TRUE(imported) << "nothing reached the library\n"
                          << mainLog().join('\n').toStdString() << "\n"
                          << r.errors.toStdString();
    const QStringList files = convertedIn(library);
    EXPECT_EQ(files.size(), 1) << files.join(", ").toStdString();
    return imported && files.size() == 1 ? files.first() : QString();
  }

  LoopbackHttpServer server;
  QString library, watched, converted;
};

TEST_F(WatchedFolderToLibrary, AnEpisodeDroppedInTheWatchedFolderEndsTaggedInTheLibrary) {
  const QString episode = watched + "/Some Show S01E02.mkv";
  Outcome r;
  const QString relative = convertedFromWatchedFolder("Some Show S01E02.mkv", r);
  ASSERT_FALSE(relative.isEmpty());
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();

  EXPECT_TRUE(relative.startsWith("TV Shows/Some Show/Season 1/")) << relative.toStdString();
  EXPECT_TRUE(relative.endsWith(".m4v")) << relative.toStdString();
  const QString output = library + "/" + relative;
  EXPECT_EQ(indexLines(library), QStringList{"TV Show|" + relative + "|Some Show|1|2|The Second Helping"});

  // The video and the sound, as ffprobe sees them.
  QStringList streams;
  for (const QJsonValue& value :
       json(runCommand("ffprobe", {"-v", "error", "-show_streams", "-of", "json", output}).output)["streams"]
           .toArray()) {
    const QJsonObject s = value.toObject();
    if (s["disposition"].toObject()["attached_pic"].toInt() == 1 || s["codec_type"].toString() == "data")
      continue;
    streams << s["codec_type"].toString() + " " + s["codec_name"].toString();
  }
  EXPECT_EQ(streams, (QStringList{"video h264", "audio aac"}));

  // The TV show's tags, as mutagen reads them.
  const QJsonObject tags = mutagenView(output)["tags"].toObject();
  const auto first = [&](const char* key) { return tags[QString::fromUtf8(key)].toArray().first(); };
  EXPECT_EQ(first("stik").toInt(), 10) << QJsonDocument(tags).toJson().toStdString();
  EXPECT_EQ(first("tvsh").toString(), "Some Show");
  EXPECT_EQ(first("tvsn").toInt(), 1);
  EXPECT_EQ(first("tves").toInt(), 2);
  EXPECT_EQ(first("\xc2\xa9nam").toString(), "The Second Helping");
  EXPECT_EQ(first("desc").toString(), "Ann cooks for Bob.");
  EXPECT_EQ(first("\xc2\xa9"
                  "day")
                .toString(),
            "2009-01-12");
  EXPECT_EQ(first("\xc2\xa9gen").toString(), "Comedy");
  EXPECT_EQ(tags["covr"].toArray().size(), 1) << "the season banner is not the cover";

  // The original left the watched folder for the converted-files folder, as set.
  EXPECT_FALSE(QFileInfo::exists(episode));
  EXPECT_TRUE(QFileInfo::exists(converted + "/Some Show S01E02.mkv"));
  const QStringList requests = [&] {
    QStringList targets;
    for (const QByteArray& target : server.requests()) targets << QString::fromUtf8(target);
    return targets;
  }();
  EXPECT_TRUE(requests.contains(QString::fromUtf8(tvdbRecordTarget(kSeriesId))))
      << requests.join('\n').toStdString();
  for (const QString& line : mainLog())
    EXPECT_FALSE(line.contains("not connected to Internet")) << line.toStdString();
}

// A fresh install without keys, the old interfaces left at their own (unanswering) hosts:
// today's TVmaze answers the look-up, through the translation layer.
class LiveLookUpToLibrary : public WatchedFolderToLibrary {
 protected:
  void SetUp() override {
    WatchedFolderToLibrary::SetUp();
    routeUnderTheDome(server);
    // tagChimp, asked directly for chapters, knows nothing of it.
    server.route(tagChimpMovieSearchTarget("under%20the%20dome"),
                 xmlAnswer("<?xml version=\"1.0\"?>\n<items>\n</items>\n"));
    for (const char* old : {"ZUVO_TVDB_URL", "ZUVO_TVDB_BANNERS_URL", "ZUVO_TVRAGE_URL"})
      environment.remove(old);
    for (const char* key : kLiveKeyVariables) environment.remove(key);
    for (Service service : kLiveServices)
      environment.insert(serviceOverrideVariable(service), server.baseURL());
  }
};

TEST_F(LiveLookUpToLibrary, UnderTheDomeIsNamedDescribedCastAndPictured) {
  Outcome r;
  const QString relative = convertedFromWatchedFolder("Under the Dome S01E01.mkv", r, true);
  ASSERT_FALSE(relative.isEmpty());
  EXPECT_TRUE(relative.startsWith("TV Shows/Under the Dome/Season 1/")) << relative.toStdString();
  const QString output = library + "/" + relative;
  EXPECT_EQ(indexLines(library), QStringList{"TV Show|" + relative + "|Under the Dome|1|1|Pilot"});

  const QJsonObject tags = mutagenView(output)["tags"].toObject();
  const auto first = [&](const char* key) { return tags[QString::fromUtf8(key)].toArray().first(); };
  EXPECT_EQ(first("tvsh").toString(), "Under the Dome") << QJsonDocument(tags).toJson().toStdString();
  EXPECT_EQ(first("tvsn").toInt(), 1);
  EXPECT_EQ(first("tves").toInt(), 1);
  EXPECT_EQ(first("\xc2\xa9nam").toString(), "Pilot");
  EXPECT_EQ(first("desc").toString().left(40), "When the residents of Chester's Mill fin");
  EXPECT_EQ(first("\xc2\xa9"
                  "day")
                .toString(),
            "2013-06-24");
  EXPECT_EQ(tags["covr"].toArray().size(), 1) << "the season's picture is the cover";
  const QJsonArray people = mutagenFreeform(output, "iTunMOVI");
  ASSERT_EQ(people.size(), 1);
  EXPECT_EQ(plistNames(people.first().toString().toUtf8())["cast"].toArray(),
            QJsonArray({"Mike Vogel", "Rachelle Lefevre"}));

  QStringList requests;
  for (const QByteArray& target : server.requests()) requests << QString::fromUtf8(target);
  EXPECT_TRUE(requests.contains("/shows/1/episodes")) << requests.join('\n').toStdString();
  EXPECT_TRUE(requests.contains("/img/s1.jpg")) << requests.join('\n').toStdString();
  for (const QString& line : mainLog())
    EXPECT_FALSE(line.contains("not connected to Internet")) << line.toStdString();
}

TEST_F(WatchedFolderToLibrary, AnEpisodeLeftInPlaceIsConvertedOnceAcrossScansAndARestart) {
  Defaults::standard().setInteger(0, "VideoSourcesFileAction");
  Defaults::standard().synchronize();
  const QString episode = watched + "/Some Show S01E02.mkv";
  makeMedia(episode, {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-f", "lavfi", "-i",
                      "sine=frequency=440:sample_rate=48000:duration=1", "-ac", "2", "-c:v", "libx264",
                      "-preset", "ultrafast", "-c:a", "aac"});
  finishedAWhileAgo(episode);
  const QString passedBy = "File " + episode + " was converted before and has not changed since";
  const auto passes = [&] { return mainLog().filter(passedBy).size(); };

  auto zuvo = launch({});
  const bool imported = runloop::waitUntil([&] { return !indexLines(library).isEmpty(); }, 120, 250);
  // Scans go on every tick, with the original still there, and pass it by. A tick runs the
  // queue before it scans: by the second pass, whatever the first pass's tick queued has had
  // its turn, and every later tick is the same again.
  const bool scannedOn = runloop::waitUntil([&] { return passes() >= 2; }, 90, 250);
  Outcome r = end(*zuvo);
  ASSERT_TRUE(imported) << mainLog().join('\n').toStdString() << "\n" << r.errors.toStdString();
  EXPECT_TRUE(scannedOn);
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();

  const QString started = "Starting conversion thread for : " + episode;
  EXPECT_EQ(mainLog().filter(started).size(), 1);

  // The next run scans the same folder afresh; its log begins anew.
  ASSERT_TRUE(QFile::remove(support() + "/log.bclog2"));
  zuvo = launch({});
  // Passed by on two ticks: the queue restored from the first run has had its turn too.
  const bool rescanned = runloop::waitUntil([&] { return passes() >= 2; }, 90, 250);
  r = end(*zuvo);
  EXPECT_TRUE(rescanned);
  EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
  EXPECT_TRUE(mainLog().filter(started).isEmpty()) << mainLog().join('\n').toStdString();

  EXPECT_TRUE(QFileInfo::exists(episode));
  EXPECT_EQ(convertedIn(library).size(), 1) << convertedIn(library).join(", ").toStdString();
  EXPECT_EQ(indexLines(library).size(), 1);
}

}  // namespace

namespace {

// The movie as today's services answer for it: the iTunes Search API (no key needed) and
// TMDB (with the user's key), on loopback.
void routeAStarIsBorn(LoopbackHttpServer& server) {
  const QByteArray base = server.baseURL().toUtf8();
  const QByteArray movie = R"j({"wrapperType":"track","kind":"feature-movie","trackId":1437031362,
    "trackName":"A Star Is Born (2018)","artistName":"Bradley Cooper","releaseDate":"2018-10-05T07:00:00Z",
    "primaryGenreName":"Romance","contentAdvisoryRating":"R",
    "longDescription":"Seasoned musician Jackson Maine discovers—and falls in love with—struggling artist Ally.",
    "artworkUrl100":"BASE/art/100x100bb.jpg"})j";
  const QByteArray answer =
      QByteArray(R"j({"resultCount":1,"results":[)j").append(movie).append("]}").replace("BASE", base);
  const auto json = [](const QByteArray& body) {
    LoopbackHttpServer::Response response;
    response.body = body;
    response.contentType = "application/json";
    return response;
  };
  // TheMovieDB's search and tagChimp's chapter search ask the same.
  server.route("/search?term=a%20star%20is%20born&media=movie&entity=movie&country=US&limit=20",
               json(answer));
  server.route("/lookup?id=1437031362&country=US", json(answer));
  server.route("/art/600x600bb.jpg", pictureAnswer(Qt::red));

  const QByteArray key = "&api_key=0123456789abcdef0123456789abcdef";
  server.route(
      "/3/search/movie?query=a%20star%20is%20born&language=en&page=1" + key,
      json(
          R"j({"page":1,"results":[{"id":332562,"title":"A Star Is Born","release_date":"2018-10-03"}],"total_pages":1})j"));
  server.route(
      "/3/movie/"
      "332562?language=en&append_to_response=credits,release_dates,images&include_image_language=en,null" +
          key,
      json(R"j({"id":332562,"title":"A Star Is Born","release_date":"2018-10-03",
    "overview":"Seasoned musician Jackson Maine discovers—and falls in love with—struggling artist Ally.",
    "poster_path":"/star.jpg","genres":[{"id":18,"name":"Drama"},{"id":10749,"name":"Romance"}],
    "credits":{"cast":[{"name":"Lady Gaga","character":"Ally","order":0},{"name":"Bradley Cooper","character":"Jack","order":1}],
               "crew":[{"job":"Director","name":"Bradley Cooper"},{"job":"Producer","name":"Bill Gerber"}]},
    "release_dates":{"results":[{"iso_3166_1":"US","release_dates":[{"certification":"R","type":3}]}]},
    "images":{"posters":[{"file_path":"/star.jpg","width":1000,"height":1500,"iso_639_1":"en"}]}})j"));
  server.route("/t/p/original/star.jpg", pictureAnswer(Qt::blue));
}

class MovieToLibrary : public WatchedFolderToLibrary {
 protected:
  void SetUp() override {
    WatchedFolderToLibrary::SetUp();
    routeAStarIsBorn(server);
    // A fresh install: the old interfaces' variables unset, so the translation layer answers,
    // and today's services on loopback.
    for (const char* old : {"ZUVO_TVDB_URL", "ZUVO_TVDB_BANNERS_URL", "ZUVO_TMDB_URL", "ZUVO_TAGCHIMP_URL",
                            "ZUVO_TVRAGE_URL", "ZUVO_TMDB_KEY", "ZUVO_TVDB_KEY", "ZUVO_TVDB_PIN"})
      environment.remove(old);
    environment.insert("ZUVO_TVMAZE_URL", server.baseURL());
    environment.insert("ZUVO_ITUNES_URL", server.baseURL());
    environment.insert("ZUVO_TMDB3_URL", server.baseURL() + "/3");
    environment.insert("ZUVO_TMDB_IMAGES_URL", server.baseURL() + "/t/p/");
    environment.insert("ZUVO_TVDB4_URL", server.baseURL() + "/v4");
    Defaults& defaults = Defaults::standard();
    defaults.setObject("iTunes", "MovieDestination");
    defaults.setBool(true, "ImportMovieFileIntoiTunes");
    defaults.setObject("United States", "CountryForRatings");
    defaults.synchronize();
  }

  // The converted movie's tags as mutagen reads them (none, with the test failed, when
  // nothing reached the library's Movies).
  QJsonObject convertedTags() {
    Outcome r;
    const QString relative = convertedFromWatchedFolder("A Star Is Born (2018).mkv", r, true);
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    if (relative.isEmpty()) return {};
    EXPECT_TRUE(relative.startsWith("Movies/")) << relative.toStdString();
    for (const QString& line : mainLog())
      EXPECT_FALSE(line.contains("not connected to Internet")) << line.toStdString();
    return mutagenView(library + "/" + relative)["tags"].toObject();
  }
  static QJsonValue first(const QJsonObject& tags, const char* key) {
    return tags[QString::fromUtf8(key)].toArray().first();
  }
};

TEST_F(MovieToLibrary, WithoutKeysTheMovieGetsItsDescriptionGenreAndPosterFromTheITunesStore) {
  const QJsonObject tags = convertedTags();
  ASSERT_FALSE(tags.isEmpty());

  EXPECT_EQ(first(tags, "stik").toInt(), 9) << QJsonDocument(tags).toJson().toStdString();
  EXPECT_EQ(first(tags, "\xc2\xa9nam").toString(), "A Star Is Born");
  EXPECT_EQ(first(tags, "desc").toString(),
            "Seasoned musician Jackson Maine discovers—and falls in love with—struggling artist Ally.");
  EXPECT_EQ(first(tags, "\xc2\xa9gen").toString(), "Romance");
  EXPECT_EQ(tags["covr"].toArray().size(), 1);
  const QStringList asked = [&] {
    QStringList targets;
    for (const QByteArray& target : server.requests()) targets << QString::fromUtf8(target);
    return targets;
  }();
  EXPECT_TRUE(asked.contains("/art/600x600bb.jpg")) << asked.join('\n').toStdString();
  EXPECT_TRUE(asked.filter("/3/").isEmpty()) << "TMDB asked without a key";
}

TEST_F(MovieToLibrary, WithATMDBKeyTheMovieAlsoGetsItsCastCrewAndRating) {
  environment.insert("ZUVO_TMDB_KEY", "0123456789abcdef0123456789abcdef");
  const QJsonObject tags = convertedTags();
  ASSERT_FALSE(tags.isEmpty());

  EXPECT_EQ(first(tags, "\xc2\xa9nam").toString(), "A Star Is Born");
  EXPECT_EQ(first(tags, "\xc2\xa9gen").toString(), "Drama");
  EXPECT_EQ(first(tags, "desc").toString(),
            "Seasoned musician Jackson Maine discovers—and falls in love with—struggling artist Ally.");
  EXPECT_EQ(first(tags, "----:com.apple.iTunes:iTunEXTC").toString(), "mpaa|R|400|");
  const QString people = first(tags, "----:com.apple.iTunes:iTunMOVI").toString();
  EXPECT_TRUE(people.contains("Lady Gaga") && people.contains("Bradley Cooper") &&
              people.contains("Bill Gerber"))
      << people.toStdString();
  EXPECT_EQ(tags["covr"].toArray().size(), 1);
  for (const QString& line : mainLog()) EXPECT_FALSE(line.contains("0123456789abcdef")) << "a key in the log";
}

}  // namespace
