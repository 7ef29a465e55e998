#include "convert/converter/OutputName.h"

#include <gtest/gtest.h>

#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"

using namespace zuvo;
using test::ScopedSettings;

namespace {
// A TV episode with every value the tokens read.
MediaFilePtr episode() {
  auto media = std::make_shared<MediaFile>();
  media->setMediatype(MediaType::TVShow);
  media->setFilename("the.show.s03e12.mkv");
  media->setSeriesname("Show");
  media->setEpisodename("Pilot");
  media->setSeason(3);
  media->setShow(12);
  media->setShowyear("2011");
  media->setShowmonth("05");
  media->setShowday("1");
  VideoTrack video;
  video.setWidth(1280);
  video.setHeight(720);
  media->setMyvideotrack(video);
  media->setConversionFormat(ConversionFormat::HDAndSD);
  return media;
}

QString nameWithTemplate(const MediaFile& media, const QString& templateText) {
  ScopedSettings settings{{"TVShowName", templateText}};
  return OutputBaseName(media, Defaults::standard());
}
}  // namespace

TEST(OutputName, EveryTokenAppendsItsValue) {
  const MediaFilePtr media = episode();
  struct Case {
    const char* token;
    const char* yields;
  } cases[] = {
      {"Original File Name", "the.show.s03e12"},
      {"Series Name", "Show"},
      {"Episode Name", "Pilot"},
      {"Movie Name", "Show"},
      {"Season Number", "3"},
      {"Episode Number", "12"},
      {"Two Digit Season", "03"},
      {"Two Digit Episode", "12"},
      {"Year", "2011"},
      {"Month", "05"},
      {"Day", "1"},
      {"Resolution", "1280x720"},
      {"HD", ""},
      {"Space", " "},
      {"Season", "Season"},
      {".S", ".S"},
      {"series name", "series name"},
      {" Space", " Space"},
  };
  for (const Case& c : cases) EXPECT_EQ(nameWithTemplate(*media, c.token), QString(c.yields)) << c.token;
}

TEST(OutputName, TemplatesOfThePartsExamples) {
  const MediaFilePtr media = episode();
  media->setSeason(1);
  media->setShow(2);
  EXPECT_EQ(nameWithTemplate(*media, "Series Name,.S,Season Number,.E,Episode Number,.,Episode Name"),
            "Show.S1.E2.Pilot");

  media->setSeason(3);
  media->setShow(12);
  EXPECT_EQ(nameWithTemplate(*media, "Series Name,Space,-,Space,Two Digit Season,x,Two Digit Episode"),
            "Show - 03x12");
  EXPECT_EQ(nameWithTemplate(*media, "Space"), " ");

  media->setEpisodename("A/B: C");
  EXPECT_EQ(nameWithTemplate(*media, "Episode Name"), "AB C");
  media->setEpisodename("back\\slash");
  EXPECT_EQ(nameWithTemplate(*media, "Episode Name"), "backslash");
}

TEST(OutputName, TheHDTokenFollowsTheForcedFlagAndTheFormat) {
  const MediaFilePtr media = episode();
  struct Case {
    ConversionFormat format;
    int forced;
    const char* yields;
  } cases[] = {
      {ConversionFormat::HDAndSD, ForcedHDFlag::NotForced, ""},
      {ConversionFormat::HDOnly, ForcedHDFlag::NotForced, "HD"},
      {ConversionFormat::SDOnly, ForcedHDFlag::Set, "HD"},
      {ConversionFormat::HDOnly, ForcedHDFlag::NotSet, "HD"},
      {ConversionFormat::Original, ForcedHDFlag::NotSet, ""},
  };
  for (const Case& c : cases) {
    media->setConversionFormat(c.format);
    media->setForceHDflag(c.forced);
    EXPECT_EQ(nameWithTemplate(*media, "HD"), QString(c.yields))
        << "format " << codeOf(c.format) << " forced " << c.forced;
  }
}

TEST(OutputName, EachMediaTypeHasItsTemplateAndItsFallBack) {
  registerSettingDefaults();
  const MediaFilePtr media = episode();
  media->setMediatype(MediaType::Movie);
  EXPECT_EQ(OutputBaseName(*media, Defaults::standard()), "Show");  // "Movie Name"
  media->setMediatype(MediaType::HomeMovie);
  EXPECT_EQ(OutputBaseName(*media, Defaults::standard()), "the.show.s03e12");  // "Original File Name"

  // Without any registered template: the fixed forms.
  Defaults::standard().registerDefaults({{"TVShowName", QVariant()}, {"HomeMovieName", QVariant()}});
  media->setMediatype(MediaType::TVShow);
  media->setSeriesname("100%1 Show");
  EXPECT_EQ(OutputBaseName(*media, Defaults::standard()), "100%1 Show.S3.E12.Pilot");
  media->setMediatype(MediaType::HomeMovie);
  EXPECT_EQ(OutputBaseName(*media, Defaults::standard()), "100%1 Show");
  registerSettingDefaults();
}

TEST(OutputName, TheBaseNameAlwaysNamesAFileOfItsOwn) {
  const QString longName(300, u'é');
  struct Case {
    const char* name;
    QString base;
    QString fallback;
    QString yields;
  } cases[] = {
      {"ordinary", "Show.S1.E2.Pilot", "x", "Show.S1.E2.Pilot"},
      {"a single space is a name", " ", "x", " "},
      {"control characters go", QString("A\nB\tC") + QChar(0) + "D" + QChar(0x7f), "x", "ABCD"},
      {"separators go", "a/b\\c:d", "x", "abcd"},
      {"empty takes the fall-back", "", "the.show", "the.show"},
      {"dot takes the fall-back", ".", "the.show", "the.show"},
      {"two dots take the fall-back", "..", "the.show", "the.show"},
      {"unusable fall-back too", "", "/..", "Untitled"},
      {"only dots take the fall-back", "...", "x", "x"},
      {"leading dots go, a hidden file is no output", ".hack//SIGN", "x", "hackSIGN"},
      {"a dotted fall-back loses its dots too", "....", ".the.show", "the.show"},
      {"dots inside stay", "Mr. Robot...", "x", "Mr. Robot..."},
  };
  for (const Case& c : cases) EXPECT_EQ(SafeFileBaseName(c.base, c.fallback), c.yields) << c.name;

  const QString cut = SafeFileBaseName(longName, "x");
  EXPECT_LE(cut.toUtf8().size() + QByteArray(" HD-99.m4v").size(), 255);
  EXPECT_TRUE(longName.startsWith(cut));
  const QString emoji = SafeFileBaseName(QString(200, u'a') + QString::fromUtf8("😀😀😀😀😀😀😀😀"), "x");
  EXPECT_FALSE(emoji.back().isHighSurrogate()) << "a character was cut in half";
}
