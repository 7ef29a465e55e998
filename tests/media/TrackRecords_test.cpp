#include <gtest/gtest.h>

#include "MediaTestSupport.h"
#include "media/AudioTrack.h"
#include "media/ChapterTrack.h"
#include "media/DVDTrack.h"
#include "media/LanguageRecord.h"
#include "media/SubtitleTrack.h"
#include "media/VideoAlternate.h"
#include "media/VideoTrack.h"

using namespace zuvo;
using test::archivedKeys;
using test::roundTrip;
using test::ScopedSettings;

TEST(VideoTrack, OutputSizesFollowTheProbedSizeAndTheCap) {
  struct Case {
    quint32 width, height;
    bool appleTV;  // the 1280 x 720 cap
    int hdWidth, hdHeight, sdWidth, sdHeight;
  } cases[] = {
      {1920, 1080, false, 1920, 1080, 640, 360},
      {1920, 1080, true, 1280, 720, 640, 360},
      {720, 576, true, 720, 576, 600, 480},
      {720, 576, false, 720, 576, 600, 480},
      {1440, 1080, true, 960, 720, 640, 480},
      {1920, 800, true, 1280, 534, 640, 268},  // 533.3 and 266.7, rounded, then made even
      {1920, 800, false, 1920, 800, 640, 268},
      {1281, 720, true, 1280, 720, 640, 360},  // one pixel over the cap scales
      {1280, 720, true, 1280, 720, 640, 360},
      {853, 480, false, 854, 480, 640, 360},  // an odd width is raised by one
      {720, 1280, true, 406, 720, 270, 480},  // portrait: the height limits
      {0, 480, false, 1280, 720, 640, 480},   // unknown width
      {640, 0, true, 1280, 720, 640, 480},
  };
  for (const Case& c : cases) {
    ScopedSettings settings{{"SupportAppleTV", false}, {"SupportAppleTV2", c.appleTV}};
    VideoTrack track;
    track.setWidth(c.width);
    track.setHeight(c.height);
    const std::string name =
        std::to_string(c.width) + "x" + std::to_string(c.height) + (c.appleTV ? " 720 cap" : "");
    EXPECT_EQ(track.HDWidth(), c.hdWidth) << name;
    EXPECT_EQ(track.HDHeight(), c.hdHeight) << name;
    EXPECT_EQ(track.SDWidth(), c.sdWidth) << name;
    EXPECT_EQ(track.SDHeight(), c.sdHeight) << name;
  }
  ScopedSettings firstAppleTV{{"SupportAppleTV", true}, {"SupportAppleTV2", false}};
  VideoTrack track;
  track.setWidth(1920);
  track.setHeight(1080);
  EXPECT_EQ(track.HDWidth(), 1280) << "either Apple TV setting sets the 720 cap";
}

TEST(VideoTrack, ArchiveRestoresTheStoredSizesWithoutRecomputing) {
  VideoTrack track;
  {
    ScopedSettings settings{{"SupportAppleTV", false}, {"SupportAppleTV2", false}};
    track.setVideostreamnumber(2);
    track.setVideoformat("AVC");
    track.setBitrate("4 000 kb/s");
    track.setFramerate("25.000");
    track.setDuration(3725);
    track.setEncodingsettings("cabac=1 / ref=4");
    track.setReferenceframes(4);
    track.setCabac(true);
    track.setWidth(1920);
    track.setHeight(1080);
    track.setFormatprofile("High 10@L4.1");
    track.setBitdepth(10);
    track.setChromasubsampling("4:2:0");
    track.setScantype("Progressive");
  }
  EXPECT_EQ(
      archivedKeys(track),
      (QStringList{"videostreamnumber", "videoformat", "bitrate", "framerate", "duration", "encodingsettings",
                   "referenceframes", "cabac", "width", "height", "HDWidth", "HDHeight", "SDWidth",
                   "SDHeight", "formatprofile", "bitdepth", "chromasubsampling", "scantype", "rotation"}));
  ScopedSettings appleTV{{"SupportAppleTV", true}};  // would give 1280 x 720 if recomputed
  const auto back = roundTrip(track);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, track);
  EXPECT_EQ(back->HDWidth(), 1920);
}

TEST(AudioTrack, StartsWithTheUsersLanguageAndVolumeAndRoundTrips) {
  setUserLanguageName("German");
  {
    ScopedSettings settings{{"DefaultUnlabledTracksToUsersLanguage", true}, {"AudioVolume", 300}};
    AudioTrack track;
    EXPECT_EQ(track.language(), "German");
    EXPECT_EQ(track.volume(), 300);
    EXPECT_EQ(track.name(), "Not Initialized");
    EXPECT_EQ(track.bitrate(), "");
    EXPECT_EQ(track.streamnumber(), -1);
    EXPECT_EQ(SubtitleTrack().language(), "German");
  }
  {
    ScopedSettings settings{{"DefaultUnlabledTracksToUsersLanguage", false}};
    EXPECT_EQ(AudioTrack().language(), "Unknown");
    EXPECT_EQ(AudioTrack().volume(), 256);
    EXPECT_EQ(SubtitleTrack().language(), "Unknown");
  }
  setUserLanguageName("Unknown");

  AudioTrack track;
  track.setName("Surround Sound");
  track.setAudiosummary("AC-3, 6 channels");
  track.setStreamnumber(2);
  track.setFfmpegstreamnumber(1);
  track.setEncoding("AC-3");
  track.setChannels(6);
  track.setBitrate("448 kb/s");
  track.setSamplingfrequency("48.0 kHz");
  track.setAudioid(129);
  track.setLanguage("French");
  track.setSelected(true);
  track.setMakeStereo(true);
  track.setIsDefault(true);
  track.setVolume(512);
  EXPECT_EQ(archivedKeys(track),
            (QStringList{"name", "audiosummary", "streamnumber", "ffmpegstreamnumber", "encoding", "channels",
                         "bitrate", "samplingfrequency", "audioid", "language", "selected", "makestereo",
                         "isdefault", "volume"}));
  const auto back = roundTrip(track);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, track);
}

TEST(SubtitleTrack, ArchivesTheEncodingByItsDisplayName) {
  SubtitleTrack track;
  EXPECT_EQ(track.encoding().name, "UTF 8");
  EXPECT_EQ(track.path(), "/");
  EXPECT_EQ(track.format(), "Unknown");
  track.setSubtitlesummary("SRT, Czech");
  track.setStreamnumber(3);
  track.setLanguage("Czech");
  track.setSelected(true);
  track.setFormat("SRT");
  track.setLocation(2);
  track.setEncoding(EncodingForName("Windows Code Page 1250"));
  track.setPath("/films/film.cs.srt");
  EXPECT_EQ(archivedKeys(track), (QStringList{"subtitlesummary", "streamnumber", "language", "selected",
                                              "format", "location", "encoding", "path"}));
  EXPECT_EQ(KeyedArchiver::encodedMap(track).value(QStringLiteral("encoding")).toString(),
            "Windows Code Page 1250");
  const auto back = roundTrip(track);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, track);
  EXPECT_EQ(back->encoding().number, 15u);
  EXPECT_EQ(back->encoding().type, BCStringEncoding::kCocoa);

  // An absent encoding reads as "UTF 8", an unknown name as the not-found record.
  QCborMap map = KeyedArchiver::encodedMap(track);
  map.remove(QStringLiteral("encoding"));
  auto absent = unarchiveObjectWithData<SubtitleTrack>(sealArchive(map));
  ASSERT_TRUE(absent);
  EXPECT_EQ(absent->encoding(), UTF8Encoding());
  map.insert(QStringLiteral("encoding"), QStringLiteral("VobSub"));
  auto unknown = unarchiveObjectWithData<SubtitleTrack>(sealArchive(map));
  ASSERT_TRUE(unknown);
  EXPECT_TRUE(unknown->encoding().isNotFound());

  const SubtitleTrack copy = track;  // the record copies by value
  track.setLanguage("Slovak");
  EXPECT_EQ(copy.language(), "Czech");
}

TEST(DVDTrack, ArchivesNineteenKeysWithItsTracksButNotTheProgress) {
  DVDTrack title("Title 1", "/media/DVD", 1);
  EXPECT_EQ(title.mediatype(), "Movie");
  EXPECT_EQ(title.startsubtitlenumber(), 1000);
  EXPECT_TRUE(title.framerate().isNull());
  title.setSelected(true);
  title.setTracklength(5400);
  title.setMediatype("TV Show");
  title.setSeason(2);
  title.setEpisode(3);
  title.setProgress(0.5);
  title.setWidth(720);
  title.setHeight(576);
  title.setFramerate("25");
  title.setBitrate("6000");
  title.setBadtrack(true);
  title.setPartialread(true);
  AudioTrack audio;
  audio.setLanguage("English");
  title.setAudioTracks({audio, AudioTrack()});
  SubtitleTrack subtitle;
  subtitle.setFormat("VobSub");
  title.setSubtitleTracks({subtitle});
  title.setStartsubtitlenumber(32);
  title.setHasSurround(true);
  ChapterTrack chapter;
  chapter.setTitle("Opening");
  chapter.setChapternumber(1);
  chapter.setStarttime("00:01:02");
  title.setChapters({chapter, ChapterTrack()});
  EXPECT_EQ(
      archivedKeys(title),
      (QStringList{"dvdpath", "tracknumber", "selected", "trackname", "tracklength", "mediatype", "season",
                   "episode", "width", "height", "framerate", "bitrate", "badtrack", "partialread",
                   "audiotracks", "subtitletracks", "startsubtitlenumber", "hassurround", "Chapters"}));
  EXPECT_EQ(archivedKeys(chapter), (QStringList{"title", "chapternumber", "starttime"}));
  const auto back = roundTrip(title);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->progress(), 0.0);
  title.setProgress(0);
  EXPECT_EQ(*back, title);
}

TEST(VideoAlternate, ArchivesNameAndID) {
  const VideoAlternate alternate = VideoAlternate::alternateWithName("the wire", 79126);
  EXPECT_EQ(alternate.description(), "Video Alternate - Name:the wire ID:79126");
  EXPECT_EQ(archivedKeys(alternate), (QStringList{"name", "ID"}));
  const auto back = roundTrip(alternate);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, alternate);
}
