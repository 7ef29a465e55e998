// Files named like real episodes and movies, parsed as the probe parses them and looked up
// against the services on loopback, the way the probe's look-up step calls the look-up.
#include <gtest/gtest.h>

#include <QThreadPool>
#include <array>

#include "media/MediaValues.h"
#include "media/VideoDataFromFilename.h"
#include "metadata/BCLookUpShow.h"
#include "metadata/LookUpFixtures.h"
#include "metadata/LookUpTestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

class LookUpEndToEnd : public ServiceTest {
 protected:
  MediaFilePtr probed(const QString& fileName, BCError* answer = nullptr) {
    return probedItem(fileName, cache, reporter, answer);
  }
  QImage cached(const QString& name) const { return QImage(cache + "/" + name); }

  ServiceNotices notices;
};

TEST_F(LookUpEndToEnd, ATVEpisodeFromTheTVDB) {
  ScopedSettings source{{"TVSource", 0}};
  routeGalactica(server);
  BCError answer;
  MediaFilePtr item = probed("Battlestar.Galactica.S01E02.avi", &answer);

  EXPECT_FALSE(answer.Error()) << answer.Description().toStdString();
  EXPECT_EQ(requests(), QStringList({tvdbSearchTarget("battlestar%20galactica"), tvdbRecordTarget(71173),
                                     tvdbBannersTarget(71173), "/banners/seasons/71173-1.jpg"}));
  EXPECT_EQ(candidateNames(item->AlternativeSuggestions()),
            QStringList({"Video Alternate - Name:battlestar galactica (2003) ID:73545",
                         "Video Alternate - Name:battlestar galactica ID:71173"}));
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 1);
  EXPECT_EQ(item->mediatype(), MediaType::TVShow);
  EXPECT_EQ(item->seriesname(), "Battlestar Galactica");
  EXPECT_EQ(item->episodename(), "Lost Planet of the Gods (1)");
  EXPECT_EQ(item->season(), 1u);
  EXPECT_EQ(item->show(), 2u);
  EXPECT_EQ(item->description(), "Apollo & Starbuck fly to Kobol.");
  EXPECT_EQ(item->releasedate(), "1978-09-24");
  EXPECT_EQ(item->rating(), "TV-PG");
  EXPECT_EQ(item->actors(), ",Lorne Greene,Richard Hatch,Dirk Benedict,");
  EXPECT_EQ(item->genre(), "Action & Adventure");
  EXPECT_EQ(item->showid(), 71173u);
  EXPECT_EQ(item->alternateimages(), QStringList({server.baseURL() + "/banners/seasons/71173-1.jpg",
                                                  server.baseURL() + "/banners/graphical/71173-g.jpg"}));
  ASSERT_FALSE(cached("TV71173.1.2.jpg").isNull());
  EXPECT_EQ(item->image().size(), cached("TV71173.1.2.jpg").size());
  EXPECT_EQ(item->image().pixelColor(5, 5).red() > 200, true);
  EXPECT_TRUE(item->selected());
  EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::None);
  EXPECT_TRUE(item->soliddetection());
  EXPECT_TRUE(item->didlookup());
  EXPECT_EQ(notices.names(), QStringList{"TVOnline"});
}

TEST_F(LookUpEndToEnd, AMovieFromTheMovieDB) {
  ScopedSettings source{{"MovieSource", 0}};
  routeBladeRunner(server);
  BCError answer;
  MediaFilePtr item = probed("Blade Runner (1982) 720p BluRay.mkv", &answer);

  EXPECT_FALSE(answer.Error()) << answer.Description().toStdString();
  EXPECT_EQ(requests(),
            QStringList({movieDBSearchTarget("blade%20runner"), movieDBRecordTarget(78), "/posters/br.jpg"}));
  EXPECT_EQ(candidateNames(item->AlternativeSuggestions()),
            QStringList({"Video Alternate - Name:Blade Runner 2049 ID:335984",
                         "Video Alternate - Name:Blade Runner ID:78"}));
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 1);
  EXPECT_EQ(item->mediatype(), MediaType::Movie);
  EXPECT_EQ(item->seriesname(), "Blade Runner");
  EXPECT_EQ(item->showyear(), "1982");
  EXPECT_EQ(item->description(), "Deckard hunts replicants & their maker.");
  EXPECT_EQ(item->releasedate(), "1982-06-25");
  EXPECT_EQ(item->rating(), "R");
  EXPECT_EQ(item->actors(), "Harrison Ford, Rutger Hauer");
  EXPECT_EQ(item->directors(), "Ridley Scott");
  EXPECT_EQ(item->producers(), "Michael Deeley");
  EXPECT_EQ(item->genre(), "Drama") << "the first keyword in table order";
  EXPECT_EQ(item->alternateimages(), QStringList{server.baseURL() + "/posters/br.jpg"});
  const QStringList posters = QDir(cache).entryList({"MOVIE*.jpg"});
  ASSERT_EQ(posters.size(), 1);
  EXPECT_EQ(item->image().size(), cached(posters.first()).size());
  EXPECT_GT(item->image().pixelColor(5, 5).blue(), 200);
  EXPECT_TRUE(item->selected());
  EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::None);
  EXPECT_TRUE(item->soliddetection());
  EXPECT_TRUE(item->didlookup());
  EXPECT_EQ(notices.names(), QStringList({"MovieOnline", "MovieOnline"}));
}

TEST_F(LookUpEndToEnd, ATVEpisodeFromTagChimp) {
  ScopedSettings source{{"TVSource", 1}};
  routeDoctorWho(server);
  BCError answer;
  MediaFilePtr item = probed("Doctor.Who.2005.S01E01.Rose.mkv", &answer);

  EXPECT_FALSE(answer.Error()) << answer.Description().toStdString();
  EXPECT_EQ(requests(),
            QStringList({tagChimpTVSearchTarget("doctor%20who", 1, 1),
                         tagChimpRecordTarget(9001) + "&season=1&episode=1", "/covers/9001.jpg"}));
  EXPECT_EQ(candidateNames(item->AlternativeSuggestions()),
            QStringList{"Video Alternate - Name:Doctor Who ID:9001"});
  EXPECT_EQ(item->selectedAlernativeSuggestion(), 0);
  EXPECT_EQ(item->seriesname(), "Doctor Who");
  EXPECT_EQ(item->episodename(), "Rose");
  EXPECT_EQ(item->season(), 1u);
  EXPECT_EQ(item->show(), 1u);
  EXPECT_EQ(item->description(), "Rose meets the Doctor & the Autons.");
  EXPECT_EQ(item->releasedate(), "2005-03-26");
  EXPECT_EQ(item->rating(), "TV-PG");
  EXPECT_EQ(item->actors(), "Christopher Eccleston, Billie Piper");
  EXPECT_EQ(item->directors(), "Keith Boak");
  EXPECT_EQ(item->producers(), "Phil Collinson");
  EXPECT_EQ(item->genre(), "Sci-Fi & Fantasy");
  EXPECT_EQ(item->alternateimages(), QStringList{server.baseURL() + "/covers/9001.jpg"});
  ASSERT_FALSE(cached("TVDoctor Who.1.1.jpg").isNull());
  EXPECT_GT(item->image().pixelColor(5, 5).green(), 200);
  EXPECT_TRUE(item->selected());
  EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::None);
  EXPECT_TRUE(item->soliddetection());
  EXPECT_TRUE(item->didlookup());
  EXPECT_EQ(notices.names(), QStringList{"TVOnline"});
}

TEST_F(LookUpEndToEnd, AnUnmatchedMovieStaysDeselectedWithItsReason) {
  server.route(movieDBSearchTarget("holiday%20at%20the%20lake"),
               xmlAnswer("<movies>Nothing found.</movies>\n"));
  BCError answer;
  MediaFilePtr item = probed("Holiday at the Lake (2019).mp4", &answer);
  EXPECT_FALSE(answer.Error());
  EXPECT_TRUE(item->AlternativeSuggestions().isEmpty());
  EXPECT_EQ(item->seriesname(), "Holiday At The Lake");
  EXPECT_FALSE(item->selected());
  EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::NoLookUpMatch);
  EXPECT_FALSE(item->soliddetection());
  EXPECT_TRUE(item->didlookup());
  EXPECT_TRUE(logged("[RED]SHOW DOES NOT HAVE ANY SUGGESTIONS", 3)) << log().toStdString();
}

TEST_F(LookUpEndToEnd, ProbeThreadsLookUpAtTheSameTime) {
  ScopedSettings sources{{"TVSource", 0}, {"MovieSource", 0}};
  routeGalactica(server);
  routeBladeRunner(server);
  QThreadPool probes;
  probes.setMaxThreadCount(8);
  std::array<MediaFilePtr, 8> items;
  for (size_t i = 0; i < items.size(); ++i) {
    const QString name = i % 2 ? "Blade Runner [1982].mkv" : "Battlestar.Galactica.S01E02.avi";
    probes.start([this, name, &items, i] { items[i] = probed(name); });
  }
  ASSERT_TRUE(probes.waitForDone(60000));
  for (const MediaFilePtr& item : items) {
    const bool movie = item->mediatype() == MediaType::Movie;
    const std::string what = item->filename().toStdString();
    EXPECT_EQ(item->seriesname(), movie ? "Blade Runner" : "Battlestar Galactica") << what;
    EXPECT_EQ(item->genre(), movie ? "Drama" : "Action & Adventure") << what;
    EXPECT_FALSE(item->image().isNull()) << what;
    EXPECT_TRUE(item->selected()) << what;
    EXPECT_TRUE(item->didlookup()) << what;
  }
}

}  // namespace
