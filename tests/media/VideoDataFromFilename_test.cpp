#include "media/VideoDataFromFilename.h"

#include <gtest/gtest.h>

#include <QDate>

#include "MediaTestSupport.h"
#include "media/FileNameWords.h"
#include "media/MediaValues.h"

using namespace zuvo;
using test::CapturedLog;

namespace {

constexpr MediaType TV = MediaType::TVShow;
constexpr MediaType Movie = MediaType::Movie;

struct Expected {
  const char* name;
  MediaType mediatype;
  const char* series;
  quint32 season;
  quint32 episode;
  const char* year;
  const char* month;
  const char* day;
  const char* episodename;
};

std::string describe(const MediaFile& m) {
  return QStringLiteral("type %1, series \"%2\", S%3 E%4, date %5-%6-%7, episode \"%8\"")
      .arg(codeOf(m.mediatype()))
      .arg(m.seriesname())
      .arg(m.season())
      .arg(m.show())
      .arg(m.showyear(), m.showmonth(), m.showday(), m.episodename())
      .toStdString();
}

void expectParsed(const Expected& c) {
  MediaFile media;
  media.setFullpath(QStringLiteral("/videos/") + QString::fromUtf8(c.name));
  media.setSelected(true);
  media.setSoliddetection(true);
  const BCError result = getVideoDataFromFilename(media, nullptr);
  EXPECT_FALSE(result.Error()) << c.name;
  const std::string got = describe(media);
  EXPECT_EQ(media.mediatype(), c.mediatype) << c.name << ": " << got;
  EXPECT_EQ(media.seriesname(), QString::fromUtf8(c.series)) << c.name << ": " << got;
  EXPECT_EQ(media.season(), c.season) << c.name << ": " << got;
  EXPECT_EQ(media.show(), c.episode) << c.name << ": " << got;
  EXPECT_EQ(media.showyear(), QString::fromUtf8(c.year)) << c.name << ": " << got;
  EXPECT_EQ(media.showmonth(), QString::fromUtf8(c.month)) << c.name << ": " << got;
  EXPECT_EQ(media.showday(), QString::fromUtf8(c.day)) << c.name << ": " << got;
  EXPECT_EQ(media.episodename(), QString::fromUtf8(c.episodename)) << c.name << ": " << got;
  EXPECT_EQ(media.filename(), QString::fromUtf8(c.name)) << c.name;
  EXPECT_FALSE(media.selected()) << c.name;
  if (c.mediatype == Movie) {
    EXPECT_FALSE(media.soliddetection()) << c.name;
  }
}

}  // namespace

TEST(FileNameWords, SpacesHyphensAndFullStopsEndWordsAndTheExtensionIsNone) {
  struct Case {
    QString name;
    QStringList words;
  } cases[] = {
      {"Lost.S01E02.Pilot.avi", {"Lost", "S01E02", "Pilot"}},
      {"Show - 3x04.avi", {"Show", "", "", "3x04"}},
      {"the_office_s01e02.avi", {"the_office_s01e02"}},
      {"Movie", {}},
      {"", {}},
      {"a..b", {"a", ""}},
      {"trailing.", {"trailing"}},
  };
  for (const Case& c : cases) EXPECT_EQ(FileNameWords(c.name), c.words) << c.name.toStdString();
}

TEST(VideoDataFromFilename, SeasonAndEpisodeMarkersInTheirUsualSpellings) {
  const Expected cases[] = {
      {"Lost.S01E02.Pilot.avi", TV, "Lost", 1, 2, "", "", "", "Pilot"},
      {"lost.1x02.avi", TV, "Lost", 1, 2, "", "", "", "Unknown"},
      {"Show.10x23.avi", TV, "Show", 10, 23, "", "", "", "Unknown"},
      {"Show.s1e05.avi", TV, "Show", 1, 5, "", "", "", "Unknown"},
      {"Show.S1E5.avi", TV, "Show", 1, 5, "", "", "", "Unknown"},
      {"Show.S10E5.avi", TV, "Show", 10, 5, "", "", "", "Unknown"},
      {"Show.s2010e105.avi", TV, "Show", 2010, 105, "", "", "", "Unknown"},
      {"Show.S02E05E06.avi", TV, "Show", 2, 5, "", "", "", "Unknown"},
      {"The Show 102.avi", TV, "The Show", 1, 2, "", "", "", "Unknown"},
      {"The Show 012.avi", Movie, "The Show 012", 0, 0, "", "", "", ""},
      {"Show 1209.avi", TV, "Show", 12, 9, "", "", "", "Unknown"},
      {"Show.S02.E05.avi", TV, "Show", 2, 5, "", "", "", "Unknown"},
      {"Show.S2.E3.avi", TV, "Show", 2, 3, "", "", "", "Unknown"},
      {"Show.E02.avi", TV, "Show", 0, 2, "", "", "", "Unknown"},
      // A season word alone is no episode; a later one wins while no episode is set.
      {"Show.S02.avi", TV, "Show", 2, 0, "", "", "", "Unknown"},
      {"Show.S01.S03.E04.avi", TV, "Show", 3, 4, "", "", "", "Unknown"},
      // Season and episode both "00" without a day is no episode at all.
      {"Show.s00e00.avi", Movie, "Show", 0, 0, "", "", "", ""},
      // The episode marker ends the name; the words after it are the episode's.
      {"Show.S01E02.Part.S05E06.avi", TV, "Show", 1, 2, "", "", "", "Part S05e06"},
      {"Show.S01E02.720p.HDTV.x264.mkv", TV, "Show", 1, 2, "", "", "", "720p Hdtv X264"},
      // The last piece is the extension, even when it looks like a marker.
      {"Show.S01E02", Movie, "Show", 0, 0, "", "", "", ""},
  };
  for (const Expected& c : cases) expectParsed(c);
}

TEST(VideoDataFromFilename, DotsDashesUnderscoresAndBrackets) {
  const Expected cases[] = {
      {"Show - 3x04.avi", TV, "Show", 3, 4, "", "", "", "Unknown"},
      {"Show - Name - S01E02 - The Title.avi", TV, "Show Name", 1, 2, "", "", "", "The Title"},
      {"Mr. Robot S01E02.mkv", TV, "Mr Robot", 1, 2, "", "", "", "Unknown"},
      {"Show.S02.Name.E05.avi", TV, "Show Name", 2, 5, "", "", "", "Unknown"},
      {"the.big.BANG.theory.s03e04.avi", TV, "The Big Bang Theory", 3, 4, "", "", "", "Unknown"},
      // Underscores belong to the word.
      {"The_Office.S01E02.avi", TV, "The_office", 1, 2, "", "", "", "Unknown"},
      {"the_office_s01e02.avi", Movie, "The_office_s01e02", 0, 0, "", "", "", ""},
      {"Show.[1x05].avi", TV, "Show", 1, 5, "", "", "", "Unknown"},
      {"[Group] Show - 1x05 [720p].mkv", TV, "Group Show", 1, 5, "", "", "", "720p"},
      {"Show (S01E02) (Pilot).avi", TV, "Show", 1, 2, "", "", "", "Pilot"},
      {"Movie", Movie, "", 0, 0, "", "", "", ""},
      {"", Movie, "", 0, 0, "", "", "", ""},
  };
  for (const Expected& c : cases) expectParsed(c);
}

TEST(VideoDataFromFilename, AirDatesOfEveryYearFrom2000) {
  const Expected cases[] = {
      {"Show.2010.05.12.avi", TV, "Show", 0, 0, "2010", "05", "12", "Unknown"},
      {"Show 20100512.avi", TV, "Show", 0, 0, "2010", "05", "12", "Unknown"},
      {"Show 2010-05-12.avi", TV, "Show", 0, 0, "2010", "05", "12", "Unknown"},
      {"Show.2019.12.31.avi", TV, "Show", 0, 0, "2019", "12", "31", "Unknown"},
      {"Show.2021.03.14.avi", TV, "Show", 0, 0, "2021", "03", "14", "Unknown"},
      {"The Daily Show 2024 01 09.mkv", TV, "The Daily Show", 0, 0, "2024", "01", "09", "Unknown"},
      {"Show.20231105.avi", TV, "Show", 0, 0, "2023", "11", "05", "Unknown"},
      // Only two date parts: a year and a month are no air date.
      {"Show.2021.03.avi", Movie, "Show", 0, 0, "2021", "03", "", ""},
      // A third two-digit word leaves the day as it was.
      {"Show.2021.03.14.15.avi", TV, "Show", 0, 0, "2021", "03", "14", "Unknown"},
      // A year does not stop a later episode marker.
      {"Show.Name.2024.S03E07.avi", TV, "Show Name", 3, 7, "2024", "", "", "Unknown"},
  };
  for (const Expected& c : cases) expectParsed(c);
}

TEST(VideoDataFromFilename, MoviesWithYears) {
  const Expected cases[] = {
      {"Movie.Name.2009.avi", Movie, "Movie Name", 0, 0, "2009", "", "", ""},
      {"Movie.Name.2009.720p.BluRay.x264.mkv", Movie, "Movie Name", 0, 0, "2009", "", "", ""},
      {"Movie (2009).avi", Movie, "Movie", 0, 0, "2009", "", "", ""},
      {"Movie 2021.avi", Movie, "Movie", 0, 0, "2021", "", "", ""},
      {"Movie (1999).avi", Movie, "Movie", 0, 0, "1999", "", "", ""},
      {"Movie [1968].avi", Movie, "Movie", 0, 0, "1968", "", "", ""},
      // Without brackets such a number stays season and episode.
      {"Show 1905.avi", TV, "Show", 19, 5, "", "", "", "Unknown"},
      {"Show (1209).avi", TV, "Show", 12, 9, "", "", "", "Unknown"},
  };
  for (const Expected& c : cases) expectParsed(c);
}

TEST(VideoDataFromFilename, NumbersAfterThisYearBelongToTheName) {
  const QByteArray thisYear = QByteArray::number(QDate::currentDate().year());
  const QByteArray nextYear = QByteArray::number(QDate::currentDate().year() + 1);
  const QByteArray thisYearMovie = "Movie " + thisYear + ".avi";
  const QByteArray nextYearMovie = "Movie " + nextYear + ".avi";
  const QByteArray nextYearName = "Movie " + nextYear;
  const Expected cases[] = {
      {"Blade Runner 2049 (2017).mkv", Movie, "Blade Runner 2049", 0, 0, "2017", "", "", ""},
      {"Blade.Runner.2049.2017.1080p.mkv", Movie, "Blade Runner 2049", 0, 0, "2017", "", "", ""},
      {"2046.2004.avi", Movie, "2046", 0, 0, "2004", "", "", ""},
      {"Space 2099.S01E02.avi", TV, "Space 2099", 1, 2, "", "", "", "Unknown"},
      {thisYearMovie.constData(), Movie, "Movie", 0, 0, thisYear.constData(), "", "", ""},
      {nextYearMovie.constData(), Movie, nextYearName.constData(), 0, 0, "", "", "", ""},
  };
  for (const Expected& c : cases) expectParsed(c);
}

TEST(VideoDataFromFilename, WordsOfOnlyTheLettersSAndEAreNoMarker) {
  const Expected cases[] = {
      {"I See You.avi", Movie, "I See You", 0, 0, "", "", "", ""},
      {"Es war einmal.avi", Movie, "Es War Einmal", 0, 0, "", "", "", ""},
      {"Esse Est Percipi.avi", Movie, "Esse Est Percipi", 0, 0, "", "", "", ""},
      {"Sees.S01E02.avi", TV, "Sees", 1, 2, "", "", "", "Unknown"},
  };
  for (const Expected& c : cases) expectParsed(c);
}

TEST(VideoDataFromFilename, NonLatinNamesAndDigits) {
  const Expected cases[] = {
      {"Доктор.Кто.S01E02.avi", TV, "Доктор Кто", 1, 2, "", "", "", "Unknown"},
      {"ДОКТОР КТО 1x02.avi", TV, "Доктор Кто", 1, 2, "", "", "", "Unknown"},
      {"進撃の巨人.S01E02.mkv", TV, "進撃の巨人", 1, 2, "", "", "", "Unknown"},
      {"Amélie.2001.avi", Movie, "Amélie", 0, 0, "2001", "", "", ""},
      {"Ελληνικά.s02e03.Τίτλος.avi", TV, "Ελληνικά", 2, 3, "", "", "", "Τίτλος"},
      // Digits outside the 8-bit range are no digits.
      {"Show.１０２.avi", Movie, "Show １０２", 0, 0, "", "", "", ""},
      {"Show.١٢٣.avi", Movie, "Show ١٢٣", 0, 0, "", "", "", ""},
  };
  for (const Expected& c : cases) expectParsed(c);
}

TEST(VideoDataFromFilename, CameraFilesTakeNoNumberPatterns) {
  const Expected cases[] = {
      {"00012.MTS", Movie, "00012", 0, 0, "", "", "", ""},
      {"Holiday 102.m2ts", Movie, "Holiday 102", 0, 0, "", "", "", ""},
      {"Holiday.2021.mts", Movie, "Holiday 2021", 0, 0, "", "", "", ""},
      {"Holiday.S02.mts", Movie, "Holiday S02", 0, 0, "", "", "", ""},
      // Markers with letters still count.
      {"Holiday.S01E02.mts", TV, "Holiday", 1, 2, "", "", "", "Unknown"},
      {"Holiday.1x02.MTS", TV, "Holiday", 1, 2, "", "", "", "Unknown"},
  };
  for (const Expected& c : cases) expectParsed(c);
}

TEST(VideoDataFromFilename, TheParseIsReported) {
  struct Case {
    const char* name;
    std::initializer_list<const char*> lines;
  } cases[] = {
      {"Lost.S01E02.Pilot.avi",
       {"Getting Video Data from File : Lost.S01E02.Pilot.avi", "Found >lost<",
        "This is part of the Show Name", "Found >s01e02<", "Show and season number in format s01e05",
        "Found >pilot<", "Show encoding info or part of episode name", "TV Show Name : Lost",
        "TV Show Number : 02", "TV Season number : 01", "TV Episode Name : Pilot"}},
      {"Show.S02.2021.03.14.avi",
       {"Season number in format S02", "This is the show year", "This is the show month",
        "This is the show day", "TV Show Number : 00", "TV Season number : 002",
        "TV Episode Name : Unknown"}},
      {"Show 20100512.avi", {"Found date of year:2010 month:05 day:12"}},
      {"S01E02.avi", {"TV Show Name : Unknown"}},
      {"Movie 20.avi", {"Movie name - Movie 20"}},
      {"Movie", {"Movie name - Unknown"}},
  };
  for (const Case& c : cases) {
    CapturedLog log;
    MediaFile media;
    media.setFullpath(QStringLiteral("/videos/") + c.name);
    (void)getVideoDataFromFilename(media, log.reporter);
    const QString text = log.text();
    for (const char* line : c.lines)
      EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << c.name << ": " << line << "\n"
                                                          << text.toStdString();
  }
}
