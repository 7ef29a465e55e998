#include <gtest/gtest.h>

#include <QLocale>

#include "MediaTestSupport.h"
#include "media/ContentRatings.h"
#include "media/FileTypes.h"
#include "media/MediaLabels.h"

using namespace zuvo;
using test::ScopedSettings;

TEST(FileTypes, VideoFilesAreKnownByExtensionInAnyLetterCase) {
  ScopedSettings settings{{"AdditionalExtensions", QStringList{".VOB", "Webm", ".", ""}}};
  struct Case {
    const char* path;
    bool video;
  } cases[] = {
      {"/v/film.mkv", true}, {"/v/FILM.MKV", true}, {"/v/a.b/clip.Ts", true}, {"/v/show.dv", true},
      {"/v/rip.vob", true},  {"/v/rip.VOB", true},  {"/v/clip.webm", true},   {"/v/notes.txt", false},
      {"/v/README", false},  {"/v/mkv", false},     {"/v/dot.", false},       {"/v/tape.mp3", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsVideoFile(c.path), c.video) << c.path;
}

TEST(FileTypes, TheOtherTestsCheckTheirOwnExtensions) {
  EXPECT_TRUE(IsSubtitleFile("/s/a.SRT"));
  EXPECT_TRUE(IsSubtitleFile("/s/a.ass"));
  EXPECT_FALSE(IsSubtitleFile("/s/a.sub"));
  EXPECT_TRUE(IsImageFile("/i/a.JPeG"));
  EXPECT_FALSE(IsImageFile("/i/a.gif"));
  for (const char* cache : {"x.ftc", "x.jpg", "x.tvdbftc", "x.tvdbbanc", "x.movieinfo2", "x.movieinfo",
                            "x.moviedbftcinfo", "x.moviedbftc", "x.tagchimpftc", "x.tagchimpbftcinfo"})
    EXPECT_TRUE(IsCacheFile(cache)) << cache;
  EXPECT_FALSE(IsCacheFile("x.m4v")) << "the cache clean-up must never delete a video";
  EXPECT_TRUE(IsAVCHDFile("/a/00001.MTS"));
  EXPECT_FALSE(IsAVCHDFile("/a/x.ts"));
  EXPECT_TRUE(IsMP4File("/a/x.M4V"));
  EXPECT_FALSE(IsMP4File("/a/x.mkv"));
  EXPECT_TRUE(IsMP4OrMKVFile("/a/x.mkv"));
  EXPECT_TRUE(IsBitmapSubtitleFormat("VobSub"));
  EXPECT_TRUE(IsBitmapSubtitleFormat("PGS"));
  EXPECT_FALSE(IsBitmapSubtitleFormat("vobsub"));
  EXPECT_FALSE(IsBitmapSubtitleFormat("SRT"));
}

TEST(MediaLabels, CodesAndLabelsMapBothWays) {
  const char* formats[] = {"HD/SD", "SD", "HD", "INFO", "ORIGINAL", "UNKNOWN"};
  for (quint32 code = 0; code < 6; ++code)
    EXPECT_EQ(VideoFormatName(ConversionFormat(code)), formats[code]) << code;
  EXPECT_EQ(VideoFormatName(ConversionFormat(99)), "UNKNOWN");
  const char* types[] = {"TV Show", "Movie", "Home Movie"};
  for (quint32 code = 0; code < 3; ++code) {
    EXPECT_EQ(MediaTypeName(MediaType(code)), types[code]);
    EXPECT_EQ(MediaTypeFromName(types[code]), MediaType(code));
  }
  EXPECT_EQ(MediaTypeName(MediaType(3)), "Unknown");
  EXPECT_EQ(MediaTypeFromName("tv show"), MediaType(1000));
  EXPECT_EQ(MediaTypeFromName(""), MediaType(1000));
  EXPECT_FALSE(IsSelectableReason("Intermediate Codec"));
  EXPECT_TRUE(IsSelectableReason("AVC"));
}

TEST(ContentRatings, TheSettingOrTheLocaleChoosesTheCountry) {
  struct Case {
    const char* setting;
    const char* locale;
    const char* country;
  } cases[] = {
      {"Canada", "DE", "CA"},        {"United States", "FR", "US"},
      {"Great Britain", "US", "GB"}, {"Germany", "US", "DE"},
      {"France", "US", "FR"},        {"Australia", "US", "AU"},
      {"Automatic", "DE", "DE"},     {"", "JP", "JP"},
  };
  for (const Case& c : cases) EXPECT_EQ(RatingsCountry(c.setting, c.locale), c.country) << c.setting;
}

TEST(ContentRatings, ListsFollowTheCountryAndFallBackToTheUS) {
  const QLocale saved;
  struct Case {
    const char* setting;
    const char* locale;
    QStringList tv;
    QStringList movie;
  } cases[] = {
      {"Automatic",
       "de_DE",
       {"ab 0 Jahren", "ab 6 Jahren", "ab 12 Jahren", "ab 16 Jahren", "ab 18 Jahren"},
       {"FSK 0", "FSK 6", "FSK 12", "FSK 16", "FSK 18"}},
      {"Automatic",
       "ja_JP",
       {"TV-MA", "TV-14", "TV-PG", "TV-G", "TV-Y", "TV-Y7"},
       {"Unrated", "NC-17", "R", "PG-13", "PG", "G"}},
      {"Australia",
       "de_DE",
       {"P", "C", "G", "PG", "M", "MA 15+", "AV 15+", "R18+"},
       {"G ", "PG ", "M", "MA 15+", "R 18+"}},
      {"Great Britain",
       "en_US",
       {"NR", "Caution"},
       {"NR ", "U", "Uc", "PG", "12", "12A", "15", "18", "R18", "Exempt", "Unrated"}},
      {"France",
       "en_US",
       {"-0", "-10", "-12", "-16", "-18"},
       {"Tout Public", "- 10", "- 12", "- 16", "- 18"}},
      {"Canada",
       "en_US",
       {"TV-E", "TV-C", "TV-C8", "TV-G", "TV-PG", "TV-14+", "TV-18+", "TV-21+"},
       {"G", "PG", "14A", "18A", "R", "A"}},
  };
  for (const Case& c : cases) {
    ScopedSettings settings{{"CountryForRatings", QString::fromLatin1(c.setting)}};
    QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
    EXPECT_EQ(TVRatingsForCountry(), c.tv) << c.setting << " " << c.locale;
    EXPECT_EQ(MovieRatingsForCountry(), c.movie) << c.setting << " " << c.locale;
  }
  QLocale::setDefault(saved);
}
