#include "convert/converter/BCConverter.h"

#include <gtest/gtest.h>

#include <QFile>

#include "convert/runners/ToolResources.h"
#include "media/MediaTestSupport.h"
#include "media/MediaValues.h"
#include "platform/Paths.h"

using namespace zuvo;
using test::CapturedLog;
using test::ScopedSettings;

namespace {
MediaFilePtr movie(ConversionFormat format) {
  auto media = std::make_shared<MediaFile>();
  media->setMediatype(MediaType::Movie);
  media->setType(kSourceTypeFile);
  media->setFullpath("/videos/Some Movie.MKV");
  media->setFilename("Some Movie.MKV");
  media->setSeriesname("Some: Movie");
  media->setConversionFormat(format);
  return media;
}
}  // namespace

TEST(BCConverter, EachConversionTakesTheNextCatalogueId) {
  struct Case {
    ConversionFormat format;
    quint32 cnid;
    int stored;
  } cases[] = {{ConversionFormat::HDAndSD, 41, 43},
               {ConversionFormat::SDOnly, 0, 42},
               {ConversionFormat::HDOnly, 0, 42},
               {ConversionFormat::Original, 0, 42}};
  for (const Case& c : cases) {
    ScopedSettings settings{{"NextCNID", 41}};
    const auto converter = BCConverter::init(movie(c.format), "[1]", {}, nullptr, {});
    ASSERT_TRUE(converter);
    EXPECT_EQ(converter->thiscnid, c.cnid) << "format " << codeOf(c.format);
    EXPECT_EQ(Defaults::standard().integerForKey("NextCNID"), c.stored) << "format " << codeOf(c.format);
  }
  // One after another, no two share a number, and the store on disk has the last one.
  ScopedSettings settings{{"NextCNID", 7}};
  const auto first = BCConverter::init(movie(ConversionFormat::HDAndSD), "[1]", {}, nullptr, {});
  const auto second = BCConverter::init(movie(ConversionFormat::HDAndSD), "[2]", {}, nullptr, {});
  EXPECT_EQ(first->thiscnid, 7u);
  EXPECT_EQ(second->thiscnid, 9u);
  EXPECT_TRUE(test::readFile(paths::settingsFile()).contains("NextCNID=11"));
}

TEST(BCConverter, TheInitialiserGathersWhatTheConversionNeeds) {
  const QString work = test::freshFolder("work");
  ScopedSettings settings{{"AudioBitrate", 192}, {"ConversionDirectory", work}, {"EnableFASTMode", false}};
  const MediaFilePtr media = movie(ConversionFormat::HDOnly);
  media->setStopbuttonpressed(true);
  media->setProgress(100);
  media->setFastmode(true);
  const HelperInfo helper{true, 14, true, false};
  CapturedLog log;

  const auto converter = BCConverter::init(media, "[3]", helper, log.reporter, {});
  ASSERT_TRUE(converter);
  EXPECT_EQ(converter->threadid, "[3]");
  EXPECT_EQ(converter->convideodata, media);
  EXPECT_EQ(converter->thismediafile, media.get());
  EXPECT_EQ(converter->audiobitrate, 192);
  EXPECT_EQ(converter->Turbo264Info, helper);
  EXPECT_EQ(converter->conversiondirectory, work);
  EXPECT_EQ(converter->fileToConvertPath, "/videos/Some Movie.MKV");
  EXPECT_EQ(converter->tfiletype, "/videos/some movie.mkv");
  EXPECT_EQ(converter->outboundname, "Some Movie");  // the title, without its ":"
  EXPECT_EQ(converter->videotype, ".m4v");
  EXPECT_EQ(converter->audiocodec, " -acodec libfaac ");
  EXPECT_FALSE(converter->soundexported);
  EXPECT_FALSE(media->stopbuttonpressed());
  EXPECT_EQ(media->progress(), 0);
  EXPECT_FALSE(media->fastmode()) << "pass-through stays off while the setting is off";

  const QString text = log.text();
  const qsizetype id = text.indexOf("Conversion object created with ID : [3]");
  const qsizetype cnid = text.indexOf("This thread has CNID : 0");
  const qsizetype name = text.indexOf("[BLUE] Intitial Outbound name is Some Movie");
  EXPECT_TRUE(id >= 0 && cnid > id && name > cnid) << text.toStdString();

  ScopedSettings fast{{"EnableFASTMode", true}};
  media->setFastmode(true);
  BCConverter::init(media, "[4]", helper, nullptr, {});
  EXPECT_TRUE(media->fastmode());
}

TEST(BCConverter, AnEyeTVRecordingConvertsFromTheVideoInsideItsPackage) {
  const MediaFilePtr media = movie(ConversionFormat::HDOnly);
  media->setType(kSourceTypeEyeTV);
  media->setFullpath("/videos/Show.eyetv");
  media->setPackagepath("/videos/Show.eyetv/000001.mpg");
  EXPECT_EQ(BCConverter::init(media, "[1]", {}, nullptr, {})->fileToConvertPath,
            "/videos/Show.eyetv/000001.mpg");

  // Without a package path the recording itself is the source, never an empty path.
  media->setPackagepath("");
  EXPECT_EQ(BCConverter::init(media, "[1]", {}, nullptr, {})->fileToConvertPath, "/videos/Show.eyetv");
}

TEST(BCConverter, ToolPathsComeFromTheResourceLookup) {
  const QString libexec = test::freshFolder("libexec");
  for (const char* ours :
       {tools::kMP4Box, tools::kAacgain, tools::kAvimerge, tools::kFfmpeg, tools::kMencoderBurn}) {
    const QString path = test::writeFile(libexec + "/" + ours, "#!/bin/sh\n");
    QFile(path).setPermissions(QFile(path).permissions() | QFile::ExeOwner);
  }
  paths::setResourceRoots(test::freshFolder("share"), libexec);
  const auto c = BCConverter::init(movie(ConversionFormat::HDOnly), "[1]", {}, nullptr, {});
  paths::setResourceRoots({}, {});

  EXPECT_EQ(c->ffmpegpath, libexec + "/ffmpeg");
  EXPECT_EQ(c->ffmpegpathold, libexec + "/ffmpeg");
  EXPECT_EQ(c->mencoderpath2, libexec + "/mencoder-burn");
  EXPECT_EQ(c->mp4boxpath, libexec + "/mp4box");
  EXPECT_EQ(c->aacgainpath, libexec + "/aacgain");
  EXPECT_EQ(c->avimergepath, libexec + "/avimerge");
  // Debian's own tools where we ship none.
  EXPECT_EQ(c->mencoderpath, "/usr/bin/mencoder");
  EXPECT_EQ(c->mencoderdvdpath, "/usr/bin/HandBrakeCLI");
  EXPECT_EQ(c->mkvextractpath, "/usr/bin/mkvextract");
  EXPECT_EQ(c->mkvmergepath, "/usr/bin/mkvmerge");
}

TEST(BCConverter, NoMediaObjectNoConverter) {
  EXPECT_FALSE(BCConverter::init(nullptr, "[1]", {}, nullptr, {}));
}
