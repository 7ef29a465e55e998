#include "metadata/ExistingTags.h"

#include <gtest/gtest.h>

#include "media/MediaValues.h"
#include "metadata/SaveMP4Tags.h"
#include "metadata/ServiceTestSupport.h"
#include "mp4/Mp4File.h"
#include "mp4/Mp4Fixtures.h"
#include "platform/NotificationCenter.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

const std::string kApple = "com.apple.iTunes";
const QString kChapterSearchPrefix = "/ape/search.php?token=58302947615AB7410D9EF26&type=search&title=";

// The cast-and-crew list as iTunes and our tag writer store it.
const char* const kPeople = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>cast</key>
	<array>
		<dict>
			<key>name</key>
			<string>Matthew Fox</string>
		</dict>
		<dict>
			<key>name</key>
			<string>Jorge García</string>
		</dict>
	</array>
	<key>directors</key>
	<array>
		<dict>
			<key>name</key>
			<string>J. J. Abrams</string>
		</dict>
	</array>
	<key>producers</key>
	<array>
		<dict>
			<key>name</key>
			<string>Damon Lindelof &amp; Carlton Cuse</string>
		</dict>
	</array>
	<key>screenwriters</key>
	<array/>
	<key>studio</key>
	<string>ABC</string>
</dict>
</plist>
)";

// One episode's tags, written by either writer.
struct EpisodeTags {
  QString show = "Lost & Found";
  int season = 2;
  int episode = 5;
  QString title = "Ça va / Ça vient";
  QString longDescription = "Kate & Sawyer argue.";
  QString date = "2010-05-12";
  QString genre = "Sci-Fi & Fantasy";
  QString rating = "us-tv|TV-MA|600|";
  QString people = QString::fromUtf8(kPeople);
};

void tagWithOurLibrary(const QString& path, const EpisodeTags& t, const QByteArray& picture) {
  Mp4File file;
  ASSERT_FALSE(file.open(path.toStdString(), Mp4File::Mode::Modify));
  Mp4Tags tags;
  tags.tvShow = t.show.toStdString();
  tags.tvSeason = t.season;
  tags.tvEpisode = t.episode;
  tags.name = t.title.toStdString();
  tags.mediaType = 10;
  tags.longDescription = t.longDescription.toStdString();
  tags.releaseDate = t.date.toStdString();
  tags.genre = t.genre.toStdString();
  tags.artwork.push_back(Mp4Cover::fromPicture(Mp4Buffer(picture.begin(), picture.end())));
  file.storeTags(tags);
  file.addFreeformItem(Mp4Item::freeformText(kApple, "iTunEXTC", t.rating.toStdString()));
  file.addFreeformItem(Mp4Item::freeformText(kApple, "iTunMOVI", t.people.toStdString()));
  ASSERT_FALSE(file.commit());
}

void tagWithAtomicParsley(const QString& path, const EpisodeTags& t, const QByteArray& picture) {
  const QString picturePath = writeFile(freshFolder("art") + "/cover.jpg", picture);
  const CommandResult result = runCommand("AtomicParsley", {path,
                                                            "--TVShowName",
                                                            t.show,
                                                            "--TVSeasonNum",
                                                            QString::number(t.season),
                                                            "--TVEpisodeNum",
                                                            QString::number(t.episode),
                                                            "--title",
                                                            t.title,
                                                            "--stik",
                                                            "TV Show",
                                                            "--longdesc",
                                                            t.longDescription,
                                                            "--year",
                                                            t.date,
                                                            "--genre",
                                                            t.genre,
                                                            "--artwork",
                                                            picturePath,
                                                            "--rDNSatom",
                                                            t.rating,
                                                            "name=iTunEXTC",
                                                            "domain=com.apple.iTunes",
                                                            "--rDNSatom",
                                                            t.people,
                                                            "name=iTunMOVI",
                                                            "domain=com.apple.iTunes",
                                                            "--overWrite"});
  ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
}

QString freshVideo(const QString& name = "source.m4v") {
  const QString path = freshFolder("video") + "/" + name;
  makeTestVideo(path, 1, 64, 48);
  return path;
}

void tagWith(const QString& path, const std::function<void(Mp4Tags&)>& edit,
             const std::vector<Mp4Item>& freeform = {}) {
  Mp4File file;
  ASSERT_FALSE(file.open(path.toStdString(), Mp4File::Mode::Modify));
  Mp4Tags tags;
  edit(tags);
  file.storeTags(tags);
  for (const Mp4Item& item : freeform) file.addFreeformItem(item);
  ASSERT_FALSE(file.commit());
}

std::shared_ptr<MediaFile> itemFor(const QString& path) {
  auto item = std::make_shared<MediaFile>();
  item->setFullpath(path);
  return item;
}

class TakingOverTags : public ServiceTest {
 protected:
  void serveLostLookUps() {
    server.route("/api/GetSeries.php?seriesname=%22lost%20%26%20found%22", xmlAnswer(R"(<Data>
<Series>
<seriesid>73739</seriesid>
<SeriesName>Lost &amp; Found</SeriesName>
</Series>
</Data>
)"));
    server.route("/api/A3C9E71B04D28F56/series/73739/banners.xml", xmlAnswer(R"(<Banners>
<Banner>
<BannerPath>seasons/73739-2.jpg</BannerPath>
<Rating>6</Rating>
<Season>2</Season>
</Banner>
</Banners>
)"));
    server.route("/banners/seasons/73739-2.jpg", pictureAnswer(Qt::green));
    server.route(chapterSearch("lost%20%26%20found").toUtf8(), xmlAnswer(R"(<items>
<movie>
<tagChimpID>42</tagChimpID>
<movieTitle>Lost &amp; Found</movieTitle>
</movie>
</items>
)"));
  }
  static QString chapterSearch(const QString& name) {
    return kChapterSearchPrefix + name + "&totalChapters=X&limit=20&locked=false&lang=en&videoKind=Movie";
  }
};

TEST_F(TakingOverTags, AnEpisodeFromEitherWriterIsTakenOverWithRatingPeopleAndLookUps) {
  const QByteArray picture = jpegPicture(Qt::magenta, 32, 32);
  struct Writer {
    const char* name;
    void (*tag)(const QString&, const EpisodeTags&, const QByteArray&);
  };
  for (const Writer& writer :
       {Writer{"our library", tagWithOurLibrary}, Writer{"AtomicParsley", tagWithAtomicParsley}}) {
    for (const QString& file : cacheFiles()) QFile::remove(cache + "/" + file);
    serveLostLookUps();
    const qsizetype before = requests().size();
    const QString path = freshVideo();
    writer.tag(path, EpisodeTags(), picture);
    auto item = itemFor(path);
    item->setActors("Evangeline Lilly");
    item->setDirectors("Unknown");
    item->setPackagepath("/somewhere/else.mpg");
    item->setProgress(40);

    ASSERT_TRUE(testforMP4tags(*item, reporter)) << writer.name;
    EXPECT_FALSE(createVideoDataFromm4v(*item, "en", cache, reporter, false).Error()) << writer.name;

    EXPECT_EQ(item->mediatype(), MediaType::TVShow) << writer.name;
    EXPECT_EQ(item->seriesname(), "Lost & Found") << writer.name;
    EXPECT_EQ(item->episodename(), "Ça va / Ça vient") << writer.name;
    EXPECT_EQ(item->season(), 2u) << writer.name;
    EXPECT_EQ(item->show(), 5u) << writer.name;
    EXPECT_EQ(item->filename(), "source.m4v") << writer.name;
    EXPECT_EQ(item->description(), "Kate & Sawyer argue.") << writer.name;
    EXPECT_EQ(item->releasedate(), "2010-05-12") << writer.name;
    EXPECT_EQ(item->genre(), "Sci-Fi & Fantasy") << writer.name;
    EXPECT_EQ(item->rating(), "TV-MA") << writer.name;
    // Names are added to a present text; "Unknown" is replaced.
    EXPECT_EQ(item->actors(), "Evangeline Lilly, Matthew Fox, Jorge García") << writer.name;
    EXPECT_EQ(item->directors(), "J. J. Abrams") << writer.name;
    EXPECT_EQ(item->producers(), "Damon Lindelof & Carlton Cuse") << writer.name;
    EXPECT_TRUE(item->soliddetection()) << writer.name;
    EXPECT_TRUE(item->selected()) << writer.name;
    EXPECT_TRUE(item->hadexistingtags()) << writer.name;
    EXPECT_EQ(item->progress(), 0) << writer.name;
    EXPECT_EQ(item->packagepath(), "") << writer.name;
    EXPECT_EQ(item->state(), MediaState::InFilesTable) << writer.name;

    // The look-ups: the series search, its banner (which replaces the tag's artwork) and
    // the chapter candidates of a movie search.
    EXPECT_EQ(requests().mid(before),
              QStringList({"/api/GetSeries.php?seriesname=%22lost%20%26%20found%22",
                           "/api/A3C9E71B04D28F56/series/73739/banners.xml", "/banners/seasons/73739-2.jpg",
                           chapterSearch("lost%20%26%20found")}))
        << writer.name;
    // The search keeps its candidate names unescaped.
    EXPECT_EQ(item->AlternativeSuggestions(),
              QList<VideoAlternate>({VideoAlternate::alternateWithName("lost & found", 73739)}))
        << writer.name;
    EXPECT_EQ(item->showid(), 73739u) << writer.name;
    EXPECT_GT(item->image().pixelColor(5, 5).green(), 200) << writer.name;
    EXPECT_EQ(item->ChaptersAlternates(),
              QList<VideoAlternate>({VideoAlternate::alternateWithName("Lost & Found", 42)}))
        << writer.name;
  }
}

TEST_F(TakingOverTags, TheTagsArtworkStaysWhenTheLookUpsFindNone) {
  const QString path = freshVideo();
  tagWithOurLibrary(path, EpisodeTags(), jpegPicture(Qt::magenta, 32, 32));
  auto item = itemFor(path);

  EXPECT_FALSE(createVideoDataFromm4v(*item, "en", cache, reporter, false).Error());

  EXPECT_EQ(item->image().size(), QSize(32, 32));
  EXPECT_GT(item->image().pixelColor(5, 5).blue(), 200);
  EXPECT_GT(item->image().pixelColor(5, 5).red(), 200);
}

TEST_F(TakingOverTags, KindNamesAndNumbersFollowTheTags) {
  struct Case {
    const char* name;
    std::function<void(Mp4Tags&)> tags;
    MediaType mediatype;
    const char* series;
    const char* episodeName;
    quint32 season, episode;
    bool solid;
  };
  const Case cases[] = {
      {"TV type without season and episode is a movie named after the show",
       [](Mp4Tags& t) {
         t.mediaType = 10;
         t.tvShow = "Lost";
         t.name = "Pilot";
       },
       MediaType::Movie, "Lost", "", 0, 0, true},
      {"only a name is a movie, not solid", [](Mp4Tags& t) { t.name = "  Amélie  "; }, MediaType::Movie,
       "Amélie", "", 0, 0, false},
      {"no type but a show name is a TV show",
       [](Mp4Tags& t) {
         t.tvShow = "Lost";
         t.tvSeason = 1;
         t.tvEpisode = 2;
         t.name = "Pilot (2) ";
       },
       MediaType::TVShow, "Lost", "Pilot (2)", 1, 2, true},
      {"a movie type keeps a show name out",
       [](Mp4Tags& t) {
         t.mediaType = 9;
         t.tvShow = "Lost";
         t.tvSeason = 1;
         t.name = "Film";
       },
       MediaType::Movie, "Film", "", 0, 0, true},
      {"a TV episode without a show name is Unknown",
       [](Mp4Tags& t) {
         t.mediaType = 10;
         t.tvSeason = 3;
         t.name = "Episode";
       },
       MediaType::TVShow, "Unknown", "Episode", 3, 0, true},
  };
  for (const Case& c : cases) {
    const QString path = freshVideo();
    tagWith(path, c.tags);
    auto item = itemFor(path);
    item->setEpisodename("from the file name");
    item->setSeason(9);

    EXPECT_FALSE(createVideoDataFromm4v(*item, "en", cache, reporter, false).Error()) << c.name;

    EXPECT_EQ(item->mediatype(), c.mediatype) << c.name;
    EXPECT_EQ(item->seriesname(), c.series) << c.name;
    EXPECT_EQ(item->episodename(), c.episodeName) << c.name;
    EXPECT_EQ(item->season(), c.season) << c.name;
    EXPECT_EQ(item->show(), c.episode) << c.name;
    EXPECT_EQ(item->soliddetection(), c.solid) << c.name;
    EXPECT_TRUE(item->selected()) << c.name;
  }
}

TEST_F(TakingOverTags, AMovieGetsTheMovieDBCandidatesAndPosters) {
  const QString key = "4f1c8e2a9b7d3065e1a2c4b6d8f09e73";
  server.route(("/2.1/Movie.search/fr/xml/" + key + "/amelie").toUtf8(), xmlAnswer(R"(<movies>
<movie>
<name>Amélie</name>
<id>194</id>
</movie>
<movie>
<name>Amelie</name>
<id>5001</id>
</movie>
</movies>
)"));
  server.route(("/2.1/Movie.getInfo/fr/xml/" + key + "/5001").toUtf8(), xmlAnswer(withBase(R"(<movies>
<movie>
<name>Not taken over</name>
<overview>Not taken over either.</overview>
<image type="poster" url="{base}/posters/5001.jpg" size="original" width="1000" height="1500" id="c"/>
</movie>
</movies>
)")));
  server.route("/posters/5001.jpg", pictureAnswer(Qt::red));
  const QString path = freshVideo("Amelie.mp4");
  tagWith(path, [](Mp4Tags& t) {
    t.name = "Amélie";
    t.longDescription = "From the tags.";
  });
  auto item = itemFor(path);

  EXPECT_FALSE(createVideoDataFromm4v(*item, "fr", cache, reporter, false).Error());

  EXPECT_EQ(requests(),
            QStringList({"/2.1/Movie.search/fr/xml/" + key + "/amelie",
                         "/2.1/Movie.getInfo/fr/xml/" + key + "/5001", "/posters/5001.jpg",
                         kChapterSearchPrefix + "amelie&totalChapters=X&limit=20&locked=false&lang=fr"
                                                "&videoKind=Movie"}));
  EXPECT_EQ(item->seriesname(), "Amelie");
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 1);
  EXPECT_EQ(item->showid(), 5001u);
  EXPECT_EQ(item->description(), "From the tags.");
  EXPECT_EQ(item->alternateimages(), QStringList({server.baseURL() + "/posters/5001.jpg"}));
  EXPECT_GT(item->image().pixelColor(5, 5).red(), 200);
}

TEST_F(TakingOverTags, AMovieNamedWithAnAmpersandKeepsItsNameThroughTheLookUpAndAnInPlaceSave) {
  const QString key = "4f1c8e2a9b7d3065e1a2c4b6d8f09e73";
  // XML text: "&amp;" is the name's "&"; "&amp;amp;" is a title that holds the text "&amp;".
  server.route(("/2.1/Movie.search/en/xml/" + key + "/marley%20%26%20me").toUtf8(), xmlAnswer(R"(<movies>
<movie>
<name>Marley &amp; Me: The Puppy Years</name>
<id>20000</id>
</movie>
<movie>
<name>Marley &amp; Me</name>
<id>14306</id>
</movie>
<movie>
<name>Marley &amp;amp; Me</name>
<id>30000</id>
</movie>
</movies>
)"));
  const QString path = freshVideo("Marley.m4v");
  tagWith(path, [](Mp4Tags& t) { t.name = "Marley & Me"; });
  auto item = itemFor(path);

  EXPECT_FALSE(createVideoDataFromm4v(*item, "en", cache, reporter, false).Error());

  EXPECT_EQ(item->seriesname(), "Marley & Me");
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 1);
  EXPECT_EQ(item->AlternativeSuggestions(),
            QList<VideoAlternate>({VideoAlternate::alternateWithName("Marley & Me: The Puppy Years", 20000),
                                   VideoAlternate::alternateWithName("Marley & Me", 14306),
                                   VideoAlternate::alternateWithName("Marley &amp; Me", 30000)}));

  // What the queue's tags-only job writes back into the user's file.
  ASSERT_FALSE(saveMP4TagsInPlace(path, *item, reporter).Error());
  EXPECT_EQ(mutagenView(path)["tags"].toObject()["\u00a9nam"].toArray(), QJsonArray({"Marley & Me"}));
  EXPECT_TRUE(atomicParsley(path).contains("\"\xC2\xA9nam\" contains: Marley & Me\n"));
}

TEST_F(TakingOverTags, AutomaticConversionQueuesTheItemOnlyWithBothFlags) {
  struct Case {
    bool autoprocess;
    bool convertAll;
    bool queued;
  };
  for (const Case& c : {Case{true, true, true}, Case{true, false, false}, Case{false, true, false}}) {
    ScopedSettings settings({{"AutomaticallyConvertAllFiles", c.convertAll}});
    const QString path = freshVideo();
    tagWith(path, [](Mp4Tags& t) { t.name = "Film"; });
    auto item = itemFor(path);
    const void* posted = nullptr;
    const auto token = NotificationCenter::defaultCenter().addObserver(
        "MakeFileTable", [&](const Notification& n) { posted = n.object; });

    CapturedLog caseLog;
    EXPECT_FALSE(createVideoDataFromm4v(*item, "en", cache, caseLog.reporter, c.autoprocess).Error());
    NotificationCenter::defaultCenter().removeObserver(token);

    const std::string name =
        "autoprocess " + std::to_string(c.autoprocess) + ", convert all " + std::to_string(c.convertAll);
    EXPECT_EQ(item->state(), c.queued ? MediaState::Queued : MediaState::InFilesTable) << name;
    EXPECT_EQ(posted, c.queued ? item.get() : nullptr) << name;
    EXPECT_EQ(
        hasLogLine(caseLog.text(),
                   "File source.m4v is a solid detection so setting state to 2 in line with preferences", 4),
        c.queued)
        << name;
  }
}

TEST_F(TakingOverTags, FreeformItemsThatSayNothingChangeNothing) {
  const QString path = freshVideo();
  tagWith(path, [](Mp4Tags& t) { t.name = "Film"; },
          {Mp4Item::freeformText(kApple, "iTunEXTC", "mpaa|R"),
           Mp4Item::freeformText(kApple, "iTunMOVI", "not a property list"),
           Mp4Item::freeformText(kApple, "iTunMOVI", "<?xml version=\"1.0\"?><plist><array/></plist>"),
           Mp4Item::freeformText("com.example", "iTunEXTC", "us-tv|TV-Y|100|")});
  auto item = itemFor(path);
  item->setRating("PG");
  item->setActors("Unknown");

  EXPECT_FALSE(createVideoDataFromm4v(*item, "en", cache, reporter, false).Error());

  EXPECT_EQ(item->rating(), "PG");
  EXPECT_EQ(item->actors(), "Unknown");
  EXPECT_EQ(item->directors(), "");
}

TEST_F(TakingOverTags, AFileThatIsNoMP4IsUntaggedAndLeftAlone) {
  const QString path = writeFile(freshFolder("video") + "/fake.mp4", "not an mp4 file at all");
  auto item = itemFor(path);
  item->setSeriesname("From the name");

  EXPECT_FALSE(testforMP4tags(*item, reporter));
  EXPECT_TRUE(logged("[RED]Unable to open file to test for MP4 Tags", 3));
  const BCError result = createVideoDataFromm4v(*item, "en", cache, reporter, true);

  EXPECT_EQ(result.Code(), ExistingTagsCode::CannotOpen);
  EXPECT_TRUE(logged("videoDataFromm4v::Can't open MP4 file to read tags : " + path, 3));
  EXPECT_EQ(item->seriesname(), "From the name");
  EXPECT_FALSE(item->hadexistingtags());
  EXPECT_TRUE(requests().isEmpty());
}

TEST_F(TakingOverTags, TagsAreFoundOnlyWithAName) {
  const QString untagged = freshVideo();
  EXPECT_FALSE(testforMP4tags(*itemFor(untagged), reporter));
  EXPECT_TRUE(logged("MP4 Tags not found", 4));

  tagWith(untagged, [](Mp4Tags& t) { t.tvShow = "Lost"; });
  EXPECT_FALSE(testforMP4tags(*itemFor(untagged), reporter));

  tagWith(untagged, [](Mp4Tags& t) { t.name = "Film"; });
  EXPECT_TRUE(testforMP4tags(*itemFor(untagged), reporter));
  EXPECT_TRUE(logged("[BLUE]Existing MP4 Tags found", 4));
}

}  // namespace
