#include "metadata/ExistingMP4Tags.h"

#include "IndependentReaders.h"
#include "TagSets.h"
#include "metadata/SaveMP4Tags.h"

using namespace zuvo;
using namespace zuvo::test;

TEST(ExistingMP4Tags, TagsAndArtworkWrittenByAtomicParsleyAreRead) {
  const QString path = makeMp4({Layout::MoovLast});
  const QString cover = freshFolder("cover") + "/cover.jpg";
  makePicture(cover, 600);
  const CommandResult r = runCommand("AtomicParsley", {path,
                                                       "--title",
                                                       "AP Name",
                                                       "--genre",
                                                       "Mystery Thriller",
                                                       "--year",
                                                       "2001-02-03",
                                                       "--TVShowName",
                                                       "AP Show",
                                                       "--TVSeasonNum",
                                                       "3",
                                                       "--TVEpisodeNum",
                                                       "7",
                                                       "--longdesc",
                                                       "Long – text",
                                                       "--stik",
                                                       "TV Show",
                                                       "--artwork",
                                                       cover,
                                                       "--overWrite"});
  ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();

  ExistingMP4Tags t;
  const BCError e = readExistingMP4Tags(path, t);
  ASSERT_FALSE(e.Error()) << e.Description().toStdString();
  EXPECT_EQ(t.name, QString("AP Name"));
  EXPECT_EQ(t.genre, QString("Mystery Thriller"));  // a standard genre would go into gnre
  EXPECT_EQ(t.releaseDate, QString("2001-02-03"));
  EXPECT_EQ(t.tvShow, QString("AP Show"));
  EXPECT_EQ(t.tvSeason, 3u);
  EXPECT_EQ(t.tvEpisode, 7u);
  EXPECT_EQ(t.longDescription, QString::fromUtf8("Long – text"));
  EXPECT_EQ(t.mediaType, 10);
  EXPECT_EQ(t.artwork.size(), QSize(600, 600));
  EXPECT_FALSE(t.rating.has_value());
  EXPECT_EQ(t.castAndCrew, CastAndCrew());
}

TEST(ExistingMP4Tags, RatingAndCastItemsWrittenByMutagenAreRead) {
  const QString path = makeMp4({Layout::MoovFirst});
  const CommandResult r =
      runCommand("/usr/bin/python3",
                 {"-c",
                  "import plistlib, sys\nfrom mutagen.mp4 import MP4, MP4FreeForm\nf = MP4(sys.argv[1])\n"
                  "cast = plistlib.dumps({'cast': [{'name': 'Ann'}], 'directors': [{'name': 'Ed'}]})\n"
                  "more = plistlib.dumps({'cast': [{'name': 'Bo'}], 'producers': [{'name': 'Pat'}]})\n"
                  "f['----:com.apple.iTunes:iTunEXTC'] = [MP4FreeForm(b'mpaa|R|400|'), MP4FreeForm(b'junk'),"
                  " MP4FreeForm(b'au-movie|MA15+|375|')]\n"
                  "f['----:com.apple.iTunes:iTunMOVI'] = [MP4FreeForm(cast), MP4FreeForm(b'not a list'), "
                  "MP4FreeForm(more)]\n"
                  "f.save()",
                  path});
  ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
  ExistingMP4Tags t;
  ASSERT_FALSE(readExistingMP4Tags(path, t).Error());
  EXPECT_EQ(t.rating, QString("MA 15+")) << "the last value of three pieces or more";
  EXPECT_EQ(t.castAndCrew, (CastAndCrew{{"Ann", "Bo"}, {"Ed"}, {"Pat"}}));
}

TEST(ExistingMP4Tags, AnUntaggedFileGivesNothingAndANonMP4FileAnError) {
  ExistingMP4Tags t;
  ASSERT_FALSE(readExistingMP4Tags(makeMp4({Layout::MoovFirst}), t).Error());
  EXPECT_FALSE(t.name || t.tvShow || t.tvSeason || t.mediaType || t.rating);
  EXPECT_TRUE(t.artwork.isNull());

  const QString text = writeFile(freshFolder("text") + "/text.m4v", "no boxes here\n");
  const BCError e = readExistingMP4Tags(text, t);
  EXPECT_TRUE(e.Error());
  EXPECT_EQ(e.Code(), kUnreadableMP4Code);
  EXPECT_FALSE(e.Description().isEmpty());
}

TEST(ExistingMP4Tags, WhatTheWriterSavesIsWhatTheReaderGives) {
  const struct {
    const char* label;
    MediaFilePtr media;
    std::optional<QString> name, tvShow;
    std::optional<quint32> season, episode;
    quint8 mediaType;
    QString rating;
    CastAndCrew names;
  } cases[] = {
      {"TV episode",
       tvEpisode(),
       QString::fromUtf8("Pilot – Teil 1"),
       QString("The Show & Co"),
       1u,
       12u,
       10,
       "TV-14",
       {{"Anna Ärger", "Bob <B> Smith", "Conan O'Brien", "Dee & Co"}, {"Ed Director"}, {"Unknown"}}},
      {"movie",
       movie(),
       QString("The Movie"),
       std::nullopt,
       std::nullopt,
       std::nullopt,
       9,
       "PG-13",
       {{"Star One", "Star Two"}, {"First Director", "Second Director"}, {"Pat Producer"}}},
      {"home movie",
       homeMovie(),
       QString("Summer 2009"),
       std::nullopt,
       std::nullopt,
       std::nullopt,
       9,
       "NR",
       {{}, {}, {"Unknown"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const QString path = makeMp4({Layout::MoovLast});
    CapturedLog log;
    ASSERT_FALSE(saveMP4TagsInPlace(path, *c.media, log.reporter).Error());
    ExistingMP4Tags t;
    ASSERT_FALSE(readExistingMP4Tags(path, t).Error());
    EXPECT_EQ(t.name, c.name);
    EXPECT_EQ(t.tvShow, c.tvShow);
    EXPECT_EQ(t.tvSeason, c.season);
    EXPECT_EQ(t.tvEpisode, c.episode);
    EXPECT_EQ(t.mediaType, c.mediaType);
    EXPECT_EQ(t.genre, c.media->genre());
    EXPECT_EQ(t.releaseDate, c.media->releasedate());
    EXPECT_EQ(t.longDescription, c.media->description());
    EXPECT_EQ(t.artwork.size(), c.media->image().size());
    EXPECT_EQ(t.rating, c.rating);
    EXPECT_EQ(t.castAndCrew, c.names);
  }
}
