#include "media/MediaFile.h"

#include <gtest/gtest.h>

#include <QColor>
#include <thread>

#include "MediaTestSupport.h"
#include "media/MediaLabels.h"
#include "media/MediaValues.h"

using namespace zuvo;
using test::archivedKeys;
using test::CapturedLog;
using test::ScopedSettings;

namespace {

const QStringList kArchiveKeys{"myvideotrack",
                               "audiotracks",
                               "hardsubtitletracks",
                               "softsubtitletracks",
                               "alternativesuggestions",
                               "dvdtrackinfo",
                               "fullpath",
                               "didlookup",
                               "mediatype",
                               "seriesname",
                               "episodename",
                               "reasonfordeselection",
                               "actors",
                               "producers",
                               "directors",
                               "show",
                               "season",
                               "state",
                               "hasdrm",
                               "selected",
                               "filename",
                               "isHD",
                               "conversionformat",
                               "filesize",
                               "durationstring",
                               "soliddetection",
                               "image",
                               "description",
                               "genre",
                               "releasedate",
                               "showid",
                               "conversionfinished",
                               "packagepath",
                               "type",
                               "drop",
                               "hadexistingtags",
                               "OnlyScanForForcedSubtitle",
                               "forceid",
                               "forcedestinationfolder",
                               "forcequality",
                               "conversiontime",
                               "rating",
                               "fastmode",
                               "fastmodeEnabled",
                               "reasonfornofastmode",
                               "audiosync",
                               "hasSurround",
                               "SoftSubtitles",
                               "selectedAlernativeSuggestion",
                               "stopbuttonpressed",
                               "alternateimages",
                               "selectedImage",
                               "VideoJoinPaths",
                               "isDVD",
                               "DVDTitle",
                               "forcedsubtitles",
                               "progress",
                               "conversionerror",
                               "isSample",
                               "Chapters",
                               "ChaptersAlternates",
                               "forceHDflag",
                               "force169",
                               "showyear",
                               "showmonth",
                               "showday",
                               "ForceAudioSync",
                               "ForceVideoSync",
                               "noisereduction"};

QImage picture(QColor color) {
  QImage image(6, 4, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

// Every archived field away from its default.
MediaFilePtr populated() {
  registerSettingDefaults();
  auto m = std::make_shared<MediaFile>();
  VideoTrack video;
  video.setVideoformat("AVC");
  video.setWidth(1920);
  video.setHeight(1080);
  m->setMyvideotrack(video);
  AudioTrack audio;
  audio.setLanguage("English");
  audio.setSelected(true);
  m->setAudioTracks({audio, AudioTrack()});
  SubtitleTrack hard;
  hard.setFormat("PGS");
  m->setHardSubtitleTracks({hard});
  SubtitleTrack soft;
  soft.setFormat("SRT");
  soft.setEncoding(EncodingForName("KOI8 R"));
  m->setSoftSubtitleTracks({soft, SubtitleTrack()});
  m->setAlternativeSuggestions(
      {VideoAlternate::alternateWithName("a", 1), VideoAlternate::alternateWithName("b", 2)});
  DVDTrack title("Title 2", "/media/DVD", 2);
  title.setTracklength(3600);
  m->setDVDTrackInfo(title);
  m->setFullpath("/videos/The Show - S01E02.mkv");
  m->setDidlookup(true);
  m->setMediatype(MediaType::TVShow);
  m->setSeriesname("The Show");
  m->setEpisodename("Pilot");
  m->setReasonfordeselection(DeselectionReason::Duplicate);
  m->setActors("A, B");
  m->setProducers("P");
  m->setDirectors("D");
  m->setShow(2);
  m->setSeason(1);
  m->setState(MediaState::Ended);
  m->setHasdrm(true);
  m->setSelected(true);
  m->setFilename("The Show - S01E02.mkv");
  m->setIsHD(true);
  m->setConversionFormat(ConversionFormat::TagsOnly);
  m->setFilesize(5000000000LL);
  m->setDurationstring("42 min");
  m->setSoliddetection(true);
  m->setImage(picture(Qt::red));
  m->setDescription("Text with \"quotes\" and\nlines");
  m->setGenre("Drama");
  m->setReleasedate("2010-01-02");
  m->setShowid(4000000000u);
  m->setConversionfinished(true);
  m->setPackagepath("/pkg/x.mpg");
  m->setType("File");
  m->setDrop(true);
  m->setHadexistingtags(true);
  m->setOnlyScanForForcedSubtitle(true);
  m->setForceid(-5);
  m->setForcedestinationfolder("/out");
  m->setForcequality(3);
  m->setConversiontime(123.25);
  m->setRating("TV-14");
  m->setFastmode(true);
  m->setFastmodeEnabled(true);
  m->setReasonfornofastmode("Good");
  m->setAudiosync(-0.75f);
  m->setHasSurround(true);
  m->setSoftSubtitles(false);
  m->setSelectedAlernativeSuggestion(1);
  m->setStopbuttonpressed(true);
  m->setAlternateimages({"http://images.example/1.jpg", "http://images.example/2.jpg"});
  m->setSelectedImage(1);
  m->setVideoJoinPaths({"/videos/part2.mkv"});
  m->setIsDVD(true);
  m->setDVDTitle("DVD:Title 2");
  m->setForcedsubtitles(true);
  m->setProgress(77);
  m->setConversionerror("Unable to convert video track");
  m->setIsSample(true);
  ChapterTrack chapter;
  chapter.setTitle("One");
  m->setChapters({chapter});
  m->setChaptersAlternates({VideoAlternate::alternateWithName("c", 3)});
  m->setForceHDflag(2);
  m->setForce169(true);
  m->setShowyear("2010");
  m->setShowmonth("01");
  m->setShowday("02");
  m->setForceAudioSync(true);
  m->setForceVideoSync(true);
  m->setNoisereduction(2);
  // Not archived.
  m->setPause(true);
  m->setPassnumber(PassStage::Audio);
  m->setTwopassnumber(2);
  m->setTimeleftinconversion(60);
  return m;
}

QCborMap archiveMap(const MediaFile& media) { return KeyedArchiver::encodedMap(media); }

}  // namespace

TEST(MediaFile, ANewObjectHoldsItsDefaults) {
  ScopedSettings settings{{"SupportAppleTV", false}, {"SupportAppleTV2", false}};
  const MediaFile m;
  EXPECT_EQ(m.state(), MediaState::InFilesTable);
  EXPECT_EQ(m.reasonfordeselection(), DeselectionReason::NoLookUpMatch);
  EXPECT_EQ(m.mediatype(), MediaType::Movie);
  EXPECT_EQ(m.selectedAlernativeSuggestion(), -1);
  EXPECT_TRUE(m.SoftSubtitles());
  EXPECT_FALSE(m.selected());
  EXPECT_FALSE(m.didlookup());
  EXPECT_EQ(m.reasonfornofastmode(), "none");
  EXPECT_EQ(m.durationstring(), "Unknown");
  for (const QString& text :
       {m.seriesname(), m.episodename(), m.packagepath(), m.rating(), m.forcedestinationfolder(), m.actors(),
        m.directors(), m.producers(), m.genre(), m.description(), m.releasedate(), m.conversionerror()}) {
    EXPECT_TRUE(text.isEmpty());
    EXPECT_FALSE(text.isNull()) << "the empty text, not absent";
  }
  EXPECT_TRUE(m.fullpath().isNull());
  EXPECT_TRUE(m.type().isNull());
  EXPECT_TRUE(m.showyear().isNull());
  EXPECT_TRUE(m.image().isNull());
  EXPECT_FALSE(m.DVDTrackInfo().has_value());
  EXPECT_TRUE(m.AudioTracks().isEmpty());
  const VideoTrack video = m.myvideotrack();
  EXPECT_EQ(video.duration(), 1);
  EXPECT_EQ(video.encodingsettings(), "");
  EXPECT_EQ(video.referenceframes(), 0);
  EXPECT_TRUE(video.cabac());
  EXPECT_EQ(video.videoformat(), "Not Initialized");
  EXPECT_EQ(video.HDWidth(), 1280) << "the zero size gives the default output sizes";
  EXPECT_EQ(video.HDHeight(), 720);
  EXPECT_EQ(video.SDWidth(), 640);
  EXPECT_EQ(video.SDHeight(), 480);
}

TEST(MediaFile, TheConversionFormatComesFromTheSettings) {
  struct Case {
    int defaultVideoFormat;
    bool mobileDevices;
    bool forceSD;
    ConversionFormat format;
  } cases[] = {
      // A chosen format is the format it names, whatever the devices say.
      {1, true, false, ConversionFormat::SDOnly},
      {2, true, true, ConversionFormat::HDOnly},
      {4, true, true, ConversionFormat::Original},
      {4, false, false, ConversionFormat::Original},
      // 0 lets the devices decide.
      {0, true, false, ConversionFormat::HDAndSD},
      {0, false, false, ConversionFormat::HDOnly},
      {0, true, true, ConversionFormat::SDOnly},
      {0, false, true, ConversionFormat::SDOnly},
      // Tags only and unknown codes are no default: the devices decide.
      {3, true, false, ConversionFormat::HDAndSD},
      {9, false, false, ConversionFormat::HDOnly},
  };
  for (const Case& c : cases) {
    ScopedSettings settings{{"DefaultVideoFormat", c.defaultVideoFormat},
                            {"SupportMobileDevices", c.mobileDevices},
                            {"ForceSD", c.forceSD}};
    EXPECT_EQ(MediaFile().ConversionFormat(), c.format)
        << c.defaultVideoFormat << " mobile " << c.mobileDevices << " force SD " << c.forceSD;
  }
}

TEST(MediaFile, DeselectionReasonsFollowTheFirstMatchingRule) {
  struct Case {
    const char* name;
    DeselectionReason reasonBefore;
    bool drm;
    const char* videoformat;
    MediaType mediatype;
    bool candidates;
    int forceid;
    const char* episode;
    quint32 season, show;
    bool selected;
    DeselectionReason reason;
  } cases[] = {
      {"duplicate stays duplicate even with DRM", DeselectionReason::Duplicate, true, "AVC", MediaType::Movie,
       true, 0, "", 0, 0, false, DeselectionReason::Duplicate},
      {"DRM", DeselectionReason::None, true, "AVC", MediaType::Movie, true, 0, "", 0, 0, false,
       DeselectionReason::ProtectedByDRM},
      {"intermediate codec", DeselectionReason::None, false, "Intermediate Codec", MediaType::HomeMovie, true,
       0, "", 0, 0, false, DeselectionReason::UnsupportedVideo},
      {"movie without match", DeselectionReason::None, false, "AVC", MediaType::Movie, false, 0, "", 0, 0,
       false, DeselectionReason::NoLookUpMatch},
      {"movie with forced id", DeselectionReason::NoLookUpMatch, false, "AVC", MediaType::Movie, false, 603,
       "", 0, 0, true, DeselectionReason::None},
      {"movie with candidate", DeselectionReason::NoLookUpMatch, false, "AVC", MediaType::Movie, true, 0, "",
       0, 0, true, DeselectionReason::None},
      {"home movie without match", DeselectionReason::NoLookUpMatch, false, "AVC", MediaType::HomeMovie,
       false, 0, "", 0, 0, true, DeselectionReason::None},
      {"TV show without match", DeselectionReason::None, false, "AVC", MediaType::TVShow, false, 0, "Pilot",
       1, 1, false, DeselectionReason::NoLookUpMatch},
      {"complete TV show", DeselectionReason::NoLookUpMatch, false, "AVC", MediaType::TVShow, true, 0,
       "Pilot", 1, 1, true, DeselectionReason::None},
      {"TV show with Unknown episode", DeselectionReason::None, false, "AVC", MediaType::TVShow, true, 0,
       "Unknown", 1, 1, false, DeselectionReason::IncompleteTVShow},
      {"TV show with empty episode", DeselectionReason::None, false, "AVC", MediaType::TVShow, true, 0, "", 1,
       1, false, DeselectionReason::IncompleteTVShow},
      {"TV show with season 0", DeselectionReason::None, false, "AVC", MediaType::TVShow, true, 0, "Pilot", 0,
       1, false, DeselectionReason::IncompleteTVShow},
      {"TV show with episode 0", DeselectionReason::None, false, "AVC", MediaType::TVShow, false, 12, "Pilot",
       1, 0, false, DeselectionReason::IncompleteTVShow},
  };
  for (const Case& c : cases) {
    MediaFile m;
    m.setReasonfordeselection(c.reasonBefore);
    m.setSelected(!c.selected);
    m.setHasdrm(c.drm);
    VideoTrack video = m.myvideotrack();
    video.setVideoformat(c.videoformat);
    m.setMyvideotrack(video);
    m.setMediatype(c.mediatype);
    if (c.candidates) m.setAlternativeSuggestions({VideoAlternate::alternateWithName("x", 1)});
    m.setForceid(c.forceid);
    m.setEpisodename(c.episode);
    m.setSeason(c.season);
    m.setShow(c.show);
    m.determineReasonForDeselection();
    EXPECT_EQ(m.selected(), c.selected) << c.name;
    EXPECT_EQ(m.reasonfordeselection(), c.reason) << c.name;
  }
}

TEST(MediaFile, EveryArchivedFieldSurvivesARoundTrip) {
  const MediaFilePtr original = populated();
  EXPECT_EQ(archivedKeys(*original), kArchiveKeys);
  ASSERT_EQ(kArchiveKeys.size(), 69);

  const MediaFilePtr back = MediaFile::copyOfMediaFile(*original);
  ASSERT_TRUE(back);
  // Written again, the copy gives the same archive: every one of the 69 keys came back.
  const QCborMap before = archiveMap(*original);
  const QCborMap after = archiveMap(*back);
  for (const QString& key : kArchiveKeys)
    EXPECT_EQ(after.value(key).toDiagnosticNotation(), before.value(key).toDiagnosticNotation())
        << key.toStdString();
  // Spot checks on kinds a map comparison could hide.
  EXPECT_EQ(back->filesize(), 5000000000LL);
  EXPECT_EQ(back->showid(), 4000000000u);
  EXPECT_EQ(back->audiosync(), -0.75f);
  EXPECT_EQ(back->SoftSubtitleTracks().first().encoding().name, "KOI8 R");
  EXPECT_EQ(back->DVDTrackInfo()->tracklength(), 3600);
  EXPECT_EQ(back->alternateimages(),
            QStringList({"http://images.example/1.jpg", "http://images.example/2.jpg"}));
  EXPECT_EQ(back->image().pixelColor(0, 0), QColor(Qt::red));
  EXPECT_EQ(back->progress(), 77);
  EXPECT_EQ(back->state(), MediaState::Ended);
  // Never archived: the copy has the defaults.
  EXPECT_FALSE(back->pause());
  EXPECT_EQ(back->passnumber(), 0);
  EXPECT_EQ(back->twopassnumber(), 0);
  EXPECT_EQ(back->timeleftinconversion(), 0.0);
}

TEST(MediaFile, DecodingNeverResumesAConversion) {
  struct Case {
    MediaState state;
    int progress;
    bool didlookup;
    MediaState decodedState;
    int decodedProgress;
  } cases[] = {
      {MediaState::Converting, 40, true, MediaState::Queued, 0},
      {MediaState::Ended, 100, true, MediaState::Ended, 100},
      {MediaState::Queued, 50, true, MediaState::Queued, 0},
      {MediaState::InFilesTable, 0, true, MediaState::InFilesTable, 0},
      {MediaState::Converting, 40, false, MediaState::Removed, 0},
      {MediaState::InFilesTable, 0, false, MediaState::Removed, 0},
  };
  for (const Case& c : cases) {
    const MediaFilePtr m = populated();
    m->setState(c.state);
    m->setProgress(c.progress);
    m->setDidlookup(c.didlookup);
    const MediaFilePtr back = MediaFile::copyOfMediaFile(*m);
    EXPECT_EQ(back->state(), c.decodedState) << "state " << codeOf(c.state) << " looked up " << c.didlookup;
    EXPECT_EQ(back->progress(), c.decodedProgress)
        << "state " << codeOf(c.state) << " looked up " << c.didlookup;
  }
}

// The archive holds the values as integers; one that names no value reads as a fresh
// object's, and the label a rule may set for an unknown media type survives.
TEST(MediaFile, AnArchivedNumberThatNamesNoValueReadsAsAFreshObjectsValue) {
  const MediaFilePtr m = populated();
  m->setState(MediaState(7));
  m->setMediatype(MediaType(5));
  m->setConversionFormat(ConversionFormat(9));
  m->setReasonfordeselection(DeselectionReason(-1));
  const MediaFilePtr back = MediaFile::copyOfMediaFile(*m);
  const MediaFile fresh;
  EXPECT_EQ(back->state(), MediaState::InFilesTable);
  EXPECT_EQ(back->mediatype(), MediaType::Movie);
  EXPECT_EQ(back->ConversionFormat(), fresh.ConversionFormat());
  EXPECT_EQ(back->reasonfordeselection(), DeselectionReason::NoLookUpMatch);

  m->setMediatype(kUnknownMediaType);
  m->setConversionFormat(ConversionFormat::Original);
  EXPECT_EQ(MediaFile::copyOfMediaFile(*m)->mediatype(), kUnknownMediaType);
  EXPECT_EQ(MediaFile::copyOfMediaFile(*m)->ConversionFormat(), ConversionFormat::Original);
}

TEST(MediaFile, AnObjectWhoseLookUpNeverFinishedArchivesNoKeys) {
  const MediaFilePtr m = populated();
  m->setDidlookup(false);
  EXPECT_TRUE(archivedKeys(*m).isEmpty());
  const MediaFilePtr back = MediaFile::copyOfMediaFile(*m);
  EXPECT_EQ(back->state(), MediaState::Removed);
  EXPECT_TRUE(back->fullpath().isNull());
  EXPECT_TRUE(back->seriesname().isNull()) << "absent keys read as absent, not as the defaults";
  EXPECT_EQ(back->mediatype(), MediaType::TVShow);
  EXPECT_EQ(back->reasonfordeselection(), DeselectionReason::None);
  EXPECT_FALSE(back->SoftSubtitles());
}

TEST(MediaFile, ListsOfMediaFilesRoundTripAndDamagedOnesGiveNothing) {
  const QList<MediaFilePtr> files{populated(), populated()};
  files[1]->setSeriesname("Second");
  const QByteArray data = archiveMediaFiles(files);
  CapturedLog log;
  const auto back = unarchiveMediaFiles(data, log.reporter);
  ASSERT_TRUE(back.has_value());
  ASSERT_EQ(back->size(), 2);
  EXPECT_EQ((*back)[1]->seriesname(), "Second");

  QByteArray flipped = data;
  flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x10);
  QCborMap wrongClass;
  wrongClass.insert(QStringLiteral("$class"), QStringLiteral("VideoTrack"));
  const QByteArray damaged[] = {
      data.left(data.size() - 1),         data.left(10), flipped, sealArchive(QCborArray{wrongClass}),
      sealArchive(archiveMap(*files[0])), QByteArray()};
  for (const QByteArray& bytes : damaged) EXPECT_FALSE(unarchiveMediaFiles(bytes, log.reporter).has_value());
  EXPECT_EQ(log.text().count("Unable to read archived media files"), 6) << log.text().toStdString();
}

TEST(MediaFile, ConversionFieldsCanBeWrittenWhileOtherThreadsRead) {
  const MediaFilePtr m = std::make_shared<MediaFile>();
  std::thread worker([m] {
    for (int p = 0; p <= 100; ++p) {
      m->setProgress(p);
      m->setPassnumber(p % 19);
      m->setConversionerror(QString::number(p));
    }
    m->setState(MediaState::Ended);
  });
  int last = 0;
  while (m->state() != MediaState::Ended) {
    const int now = m->progress();
    EXPECT_GE(now, last);
    last = now;
    m->setStopbuttonpressed(true);
    (void)m->conversionerror();
  }
  worker.join();
  EXPECT_EQ(m->progress(), 100);
  EXPECT_EQ(m->conversionerror(), "100");
}
