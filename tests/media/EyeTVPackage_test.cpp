#include "media/EyeTVPackage.h"

#include <gtest/gtest.h>

#include <QDir>

#include "MediaTestSupport.h"
#include "media/MediaValues.h"

using namespace zuvo;
using test::CapturedLog;

namespace {
void touch(const QString& path) { test::writeFile(path, "x"); }
}  // namespace

TEST(EyeTVPackage, TheRecordingIsTheFirstMPGFileByName) {
  const QString package = test::freshFolder("rec") + "/The Show - Pilot.eyetv";
  QDir().mkpath(package);
  touch(package + "/000000001a2b3c.eyetvr");
  touch(package + "/000000001a2b3c.eyetvp");
  test::makeTestVideo(package + "/000000001a2b3c.mpg", 0.5, 160, 120);
  touch(package + "/zz.mpg");
  const BCError found = FindMPEGInEyeTVPackage(package);
  ASSERT_FALSE(found.Error()) << found.Description().toStdString();
  EXPECT_EQ(found.NoErrorResult().toString(), package + "/000000001a2b3c.mpg");

  const QString upper = test::freshFolder("rec") + "/Movie.eyetv";
  QDir().mkpath(upper);
  touch(upper + "/b.mpg");
  touch(upper + "/a.MPG");
  EXPECT_EQ(FindMPEGInEyeTVPackage(upper).NoErrorResult().toString(), upper + "/a.MPG");
}

TEST(EyeTVPackage, PackagesWithoutARecordingFailWithTheirReason) {
  const QString empty = test::freshFolder("empty.eyetv");
  const QString noMPEG = test::freshFolder("nompeg.eyetv");
  touch(noMPEG + "/x.eyetvr");
  touch(noMPEG + "/mpg");
  const QString plainFile = test::freshFolder("file") + "/x.eyetv";
  touch(plainFile);
  struct Case {
    QString path;
    const char* description;
  } cases[] = {
      {empty, "Elgato Package is Empty"},
      {noMPEG, "No mpg file found in EyeTV package"},
      {test::testHome() + "/missing.eyetv", "Unable to read Elgato Package"},
      {plainFile, "Unable to read Elgato Package"},
  };
  for (const Case& c : cases) {
    const BCError result = FindMPEGInEyeTVPackage(c.path);
    EXPECT_TRUE(result.Error()) << c.description;
    EXPECT_EQ(result.Code(), kEyeTVPackageCode) << c.description;
    EXPECT_EQ(result.Description(), c.description);
  }
}

TEST(EyeTVPackage, TheNameGivesAShowAndEpisodeOrAMovie) {
  struct Case {
    const char* path;
    const char* series;
    const char* episode;
    MediaType mediatype;
  } cases[] = {
      {"/rec/The Show - The Pilot Episode.eyetv", "The Show", "The Pilot Episode", MediaType::TVShow},
      {"/rec/the show - the PILOT episode.eyetv", "The Show", "The Pilot Episode", MediaType::TVShow},
      {"/rec/Some Movie.eyetv", "Some Movie", "", MediaType::Movie},
      {"/rec/Some Movie.eyetv/", "Some Movie", "", MediaType::Movie},
      {"/rec/Mr. Smith - Pilot.eyetv", "Mr. Smith", "Pilot", MediaType::TVShow},
      {"/rec/News - Part 1 - Part 2.eyetv", "News", "Part 1  Part 2", MediaType::TVShow},
      {"/rec/Title.with.dots.eyetv", "Title.with.dots", "", MediaType::Movie},
  };
  for (const Case& c : cases) {
    MediaFile media;
    media.setFullpath(c.path);
    media.setSeason(3);
    media.setShow(4);
    media.setSelected(true);
    media.setProgress(50);
    media.setTimeleftinconversion(9);
    EXPECT_FALSE(ParseEyeTVRecordingName(media, nullptr).Error());
    EXPECT_EQ(media.seriesname(), c.series) << c.path;
    EXPECT_EQ(media.episodename(), c.episode) << c.path;
    EXPECT_EQ(media.mediatype(), c.mediatype) << c.path;
    EXPECT_EQ(media.season(), 0u);
    EXPECT_EQ(media.show(), 0u);
    EXPECT_FALSE(media.selected());
    EXPECT_EQ(media.progress(), 0);
    EXPECT_EQ(media.timeleftinconversion(), 0.0);
  }
}

TEST(EyeTVPackage, TheParserReportsWhatItFound) {
  CapturedLog log;
  MediaFile show;
  show.setFullpath("/rec/The Show - Pilot.eyetv");
  (void)ParseEyeTVRecordingName(show, log.reporter);
  MediaFile movie;
  movie.setFullpath("/rec/Some Movie.eyetv");
  (void)ParseEyeTVRecordingName(movie, log.reporter);
  const QString text = log.text();
  for (const char* line : {"Getting Video Data from EyeTV file The Show - Pilot.eyetv", "Found >the show <",
                           "TV show name - The Show", "TV show number - 00", "TV show season number - 00",
                           "TV show episode name -  Pilot", "Movie name - Some Movie"})
    EXPECT_TRUE(text.contains(line)) << line << "\n" << text.toStdString();
}
