// Stream analysis on files made here with ffmpeg and read by the real mediainfo and ffprobe.
#include "media/StreamAnalysis.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "MediaTestSupport.h"
#include "media/BCStringEncoding.h"
#include "media/MediaFile.h"
#include "media/MediaValues.h"

using namespace zuvo;

namespace {

const QString kSrt = "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n2\n00:00:01,500 --> 00:00:02,500\nWorld\n";

// The analysis of one file as the probe runs it, with its log.
struct Analysed {
  MediaFilePtr media = std::make_shared<MediaFile>();
  test::CapturedLog log;
};

std::unique_ptr<Analysed> analyse(const QString& path, const QString& userLanguage = "en",
                                  std::function<void(MediaFile&)> before = {}) {
  auto a = std::make_unique<Analysed>();
  a->media->setFullpath(path);
  a->media->setFilename(QFileInfo(path).fileName());
  if (before) before(*a->media);
  AnalysisContext context{a->log.reporter, test::freshFolder("cache"), userLanguage};
  EXPECT_FALSE(MediaInfoFromFile(*a->media, context).Error());
  return a;
}

// A one-second tone as audio stream `output`: its ffmpeg input and its output options.
QPair<QStringList, QStringList> audioTrack(int input, int output, const QString& language, int channels) {
  const QString layout = channels == 6 ? "5.1" : channels == 4 ? "quad" : channels == 2 ? "stereo" : "mono";
  const QString n = QString::number(output);
  return {{"-f", "lavfi", "-i",
           QString("sine=frequency=%1:sample_rate=48000:duration=1").arg(300 + 100 * output)},
          {"-map", QString("%1:a").arg(input), "-metadata:s:a:" + n, "language=" + language, "-ac:a:" + n,
           QString::number(channels), "-channel_layout:a:" + n, layout}};
}

// Three seconds of 8-bit 4:2:0 H.264 with stereo AAC in English, 5.1 AC-3 in `second` at
// 44.1 kHz, a soft subtitle in `subtitleLanguage` and two chapters.
QString makeMovie(const QString& path, bool cabac, int refs, const QString& second = "ger",
                  const QString& subtitleLanguage = "eng", const QString& videoRate = "25") {
  const QString dir = QFileInfo(path).path();
  const QString srt = test::writeFile(dir + "/input.srt.txt", kSrt.toUtf8());
  const QString chapters =
      test::writeFile(dir + "/chapters.txt",
                      ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\ntitle=Part One\n"
                      "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\nEND=3000\ntitle=Part Two\n");
  const bool mp4 = path.endsWith(".mp4") || path.endsWith(".mov");
  test::makeMedia(path, {"-f",
                         "lavfi",
                         "-i",
                         "testsrc=size=320x240:rate=" + videoRate + ":duration=3",
                         "-f",
                         "lavfi",
                         "-i",
                         "sine=frequency=440:sample_rate=48000:duration=3",
                         "-f",
                         "lavfi",
                         "-i",
                         "sine=frequency=880:sample_rate=44100:duration=3",
                         "-f",
                         "srt",
                         "-i",
                         srt,
                         "-i",
                         chapters,
                         "-map",
                         "0:v",
                         "-map",
                         "1:a",
                         "-map",
                         "2:a",
                         "-map",
                         "3",
                         "-map_chapters",
                         "4",
                         "-c:v",
                         "libx264",
                         "-preset",
                         "ultrafast",
                         "-pix_fmt",
                         "yuv420p",
                         "-b:v",
                         "1500k",
                         "-x264-params",
                         QString("cabac=%1:ref=%2").arg(cabac ? 1 : 0).arg(refs),
                         "-c:a:0",
                         "aac",
                         "-ac:a:0",
                         "2",
                         "-c:a:1",
                         "ac3",
                         "-ac:a:1",
                         "6",
                         "-c:s",
                         mp4 ? "mov_text" : "srt",
                         "-metadata:s:a:0",
                         "language=eng",
                         "-metadata:s:a:1",
                         "language=" + second,
                         "-metadata:s:a:1",
                         "title=Surround: " + second,
                         "-metadata:s:s:0",
                         "language=" + subtitleLanguage});
  return path;
}

// H.264 of `size`, `seconds` long at 25 frames per second.
QString makeClip(const QString& path, const QString& size, double seconds, const QStringList& extra = {}) {
  test::makeMedia(path, QStringList{"-f", "lavfi", "-i",
                                    QString("testsrc=size=%1:rate=25:duration=%2").arg(size).arg(seconds),
                                    "-c:v", "libx264", "-preset", "ultrafast"} +
                            extra);
  return path;
}

}  // namespace

TEST(StreamAnalysis, AnMKVFillsTheVideoAudioAndSubtitleTracks) {
  test::ScopedSettings settings{};
  const auto a = analyse(makeMovie(test::freshFolder("mkv") + "/Movie.mkv", true, 4), "en",
                         [](MediaFile& m) { m.setConversionFormat(ConversionFormat::HDOnly); });
  const MediaFile& m = *a->media;
  const VideoTrack v = m.myvideotrack();
  EXPECT_EQ(v.videoformat(), "AVC");
  EXPECT_EQ(v.width(), 320u);
  EXPECT_EQ(v.height(), 240u);
  EXPECT_TRUE(v.cabac());
  EXPECT_EQ(v.referenceframes(), 4);
  EXPECT_EQ(v.duration(), 3);
  EXPECT_EQ(v.framerate(), "25.000 fps");
  EXPECT_EQ(v.videostreamnumber(), 1);
  EXPECT_TRUE(v.encodingsettings().contains("cabac=1 / ref=4"));
  EXPECT_TRUE(m.durationstring().startsWith("3s")) << m.durationstring().toStdString();

  const QList<AudioTrack> audio = m.AudioTracks();
  ASSERT_EQ(audio.size(), 2);
  EXPECT_EQ(audio[0].streamnumber(), 2);
  EXPECT_EQ(audio[0].language(), "English");
  EXPECT_EQ(audio[0].channels(), 2);
  EXPECT_EQ(audio[0].name(), "Stereo Sound");
  EXPECT_EQ(audio[0].samplingfrequency(), "48000");
  EXPECT_EQ(audio[0].audiosummary(), "AAC LC, 2 channels, English ,");
  EXPECT_EQ(audio[0].ffmpegstreamnumber(), 1);
  EXPECT_EQ(audio[1].language(), "German");
  EXPECT_EQ(audio[1].channels(), 6);
  EXPECT_EQ(audio[1].name(), "Surround Sound");
  EXPECT_EQ(audio[1].samplingfrequency(), "44100");
  EXPECT_EQ(audio[1].audiosummary(), "AC-3, 6 channels, Surround: ger, German ,");
  EXPECT_EQ(audio[1].ffmpegstreamnumber(), 2);
  EXPECT_TRUE(m.hasSurround());
  // English is the user's: stereo, default; German joins by "AddAllAudioTracks".
  EXPECT_TRUE(audio[0].selected() && audio[0].isDefault() && !audio[0].makeStereo());
  EXPECT_TRUE(audio[1].selected() && !audio[1].isDefault() && !audio[1].makeStereo());

  const QList<SubtitleTrack> soft = m.SoftSubtitleTracks();
  ASSERT_EQ(soft.size(), 1);
  EXPECT_EQ(soft[0].format(), "UTF-8");
  EXPECT_EQ(soft[0].language(), "English");
  EXPECT_EQ(soft[0].streamnumber(), 4);
  EXPECT_EQ(soft[0].location(), SubtitleLocation::InSource);
  EXPECT_EQ(soft[0].encoding().name, "UTF 8");
  EXPECT_TRUE(m.HardSubtitleTracks().isEmpty());
  EXPECT_TRUE(m.SoftSubtitles());

  EXPECT_FALSE(m.hasdrm());
  EXPECT_FALSE(m.isHD());
  EXPECT_EQ(m.ConversionFormat(), ConversionFormat::SDOnly);  // HD only, but too small for it
  EXPECT_EQ(m.reasonfornofastmode(), "Good");
  EXPECT_TRUE(m.fastmode() && m.fastmodeEnabled());

  const QString log = a->log.text();
  EXPECT_TRUE(log.contains("Initial Video Stream Number is : 1"));
  EXPECT_TRUE(log.contains("FFPROBE::  Stream #0.1(eng): Audio: aac"));
  EXPECT_TRUE(log.contains("Audio stream 1 is ffmpeg track 2"));
}

TEST(StreamAnalysis, AMenuSectionEndsTheTrackBeforeIt) {
  // MP4 chapters come as a "Menu" with an ID and a language of its own.
  test::ScopedSettings settings{};
  const auto a =
      analyse(makeMovie(test::freshFolder("mp4") + "/Movie.mp4", false, 2, "fre", "ger", "24000/1001"));
  const MediaFile& m = *a->media;
  const QList<SubtitleTrack> soft = m.SoftSubtitleTracks();
  ASSERT_EQ(soft.size(), 1);
  EXPECT_EQ(soft[0].streamnumber(), 4);
  EXPECT_EQ(soft[0].language(), "German");
  EXPECT_EQ(soft[0].format(), "Timed Text");
  EXPECT_EQ(soft[0].encoding().name, "UTF 8");

  const VideoTrack v = m.myvideotrack();
  EXPECT_FALSE(v.cabac());
  EXPECT_EQ(v.referenceframes(), 2);
  EXPECT_EQ(v.framerate(), "23.976 fps");
  EXPECT_TRUE(v.bitrate().endsWith("Kbps") && !v.bitrate().contains(' ')) << v.bitrate().toStdString();
  const QList<AudioTrack> audio = m.AudioTracks();
  ASSERT_EQ(audio.size(), 2);
  EXPECT_EQ(audio[1].language(), "French");
  EXPECT_EQ(audio[1].samplingfrequency(), "44100");
  EXPECT_EQ(audio[0].ffmpegstreamnumber(), 1);
  EXPECT_EQ(audio[1].ffmpegstreamnumber(), 2);
}

TEST(StreamAnalysis, AudioPreselection) {
  struct Track {
    const char* language;
    int channels;
  };
  struct Expected {
    bool selected, isDefault, makeStereo;
  };
  struct Case {
    const char* name;
    bool addAll;
    QList<Track> tracks;
    QList<Expected> expected;
  };
  const Case cases[] = {
      {"stereo and 5.1 in the user's language",
       true,
       {{"eng", 2}, {"eng", 6}},
       {{true, false, false}, {true, true, true}}},
      {"one foreign stereo track without add-all", false, {{"fre", 2}}, {{true, true, false}}},
      {"unknown language keeps its selection",
       false,
       {{"eng", 2}, {"qaa", 2}, {"fre", 2}},
       {{true, true, false}, {true, false, false}, {false, false, false}}},
      {"foreign only: the first 5.1 leads",
       false,
       {{"fre", 2}, {"ger", 6}, {"spa", 6}},
       {{false, false, false}, {true, true, true}, {false, false, false}}},
      {"no stereo anywhere: the first selected gets a companion",
       true,
       {{"fre", 1}, {"ger", 1}},
       {{true, true, true}, {true, false, false}}},
      {"user's language without 5.1: its first track leads",
       false,
       {{"eng", 4}, {"eng", 2}},
       {{true, true, false}, {true, false, false}}},
  };
  for (const Case& c : cases) {
    test::ScopedSettings settings{{"AddAllAudioTracks", c.addAll}};
    QStringList inputs{"-f", "lavfi", "-i", "testsrc=size=64x48:rate=25:duration=1"}, outputs{"-map", "0:v"};
    for (int i = 0; i < c.tracks.size(); ++i) {
      const auto [in, out] = audioTrack(i + 1, i, c.tracks[i].language, c.tracks[i].channels);
      inputs << in;
      outputs << out;
    }
    const QString path = test::freshFolder("audio") + "/clip.mkv";
    test::makeMedia(path,
                    inputs + outputs + QStringList{"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "ac3"});
    const auto a = analyse(path);
    const QList<AudioTrack> audio = a->media->AudioTracks();
    ASSERT_EQ(audio.size(), c.expected.size()) << c.name;
    for (int i = 0; i < audio.size(); ++i) {
      EXPECT_EQ(audio[i].selected(), c.expected[i].selected) << c.name << ", track " << i;
      EXPECT_EQ(audio[i].isDefault(), c.expected[i].isDefault) << c.name << ", track " << i;
      EXPECT_EQ(audio[i].makeStereo(), c.expected[i].makeStereo) << c.name << ", track " << i;
      EXPECT_EQ(audio[i].ffmpegstreamnumber(), i + 1) << c.name << ", track " << i;
    }
  }
}

TEST(StreamAnalysis, DurationsSizesAndTheHDFlag) {
  struct Case {
    const char* name;
    const char* size;
    double seconds;
    QStringList extra;
    int duration;
    bool isHD;
    ConversionFormat formatAfterHDOnly;
  };
  const Case cases[] = {
      {"1 h 2 min",
       "64x48",
       2,
       {"-vf", "fps=1,setpts=N*3725/TB", "-fps_mode", "passthrough"},
       3720,
       false,
       ConversionFormat::SDOnly},
      {"45 min 12 s",
       "64x48",
       2,
       {"-vf", "fps=1,setpts=N*2711/TB", "-fps_mode", "passthrough"},
       2712,
       false,
       ConversionFormat::SDOnly},
      {"milliseconds only are no seconds", "64x48", 0.2, {}, 0, false, ConversionFormat::SDOnly},
      {"640x480 is not HD", "640x480", 0.2, {}, 0, false, ConversionFormat::SDOnly},
      {"720x480 is HD by its width", "720x480", 0.2, {}, 0, true, ConversionFormat::HDOnly},
      {"641x360 is HD", "641x360", 0.2, {}, 0, true, ConversionFormat::HDOnly},
      {"640x481 is HD", "640x481", 0.2, {}, 0, true, ConversionFormat::HDOnly},
  };
  for (const Case& c : cases) {
    test::ScopedSettings settings{};
    const QString path = makeClip(test::freshFolder("clip") + "/clip.mkv", c.size, c.seconds, c.extra);
    const auto a = analyse(path, "en", [](MediaFile& m) { m.setConversionFormat(ConversionFormat::HDOnly); });
    EXPECT_EQ(a->media->myvideotrack().duration(), c.duration)
        << c.name << ": " << a->media->durationstring().toStdString();
    EXPECT_EQ(a->media->isHD(), c.isHD) << c.name;
    EXPECT_EQ(a->media->ConversionFormat(), c.formatAfterHDOnly) << c.name;
  }
}

// A phone stores its picture as the sensor sees it and says in the display matrix how to
// turn it; ffmpeg shows and converts it turned, so the sizes are those of the turned picture
// (the HD box is 1280x720 with the Apple TV settings on, as they are by default).
TEST(StreamAnalysis, ARotatedVideoIsSizedAsShown) {
  struct Case {
    int rotate;   // the "rotate" tag ffmpeg turns into the display matrix
    bool fullHD;  // the HD box is 1920x1080 without the first two Apple TVs, else 1280x720
    int rotation;
    quint32 width, height;
    int hdWidth, hdHeight, sdWidth, sdHeight;
  } cases[] = {
      {0, false, 0, 1920, 1080, 1280, 720, 640, 360},   {90, false, 270, 1080, 1920, 406, 720, 270, 480},
      {90, true, 270, 1080, 1920, 608, 1080, 270, 480}, {180, false, 180, 1920, 1080, 1280, 720, 640, 360},
      {270, false, 90, 1080, 1920, 406, 720, 270, 480},
  };
  const QString clip =
      makeClip(test::freshFolder("phone") + "/stored.mp4", "1920x1080", 0.2, {"-pix_fmt", "yuv420p"});
  for (const Case& c : cases) {
    test::ScopedSettings settings{{"SupportAppleTV2", !c.fullHD}};
    const QString path = test::freshFolder("phone") + "/Phone.mov";
    test::makeMedia(path, {"-i", clip, "-c", "copy", "-metadata:s:v:0", QString("rotate=%1").arg(c.rotate)});
    const auto a = analyse(path);
    const VideoTrack v = a->media->myvideotrack();
    EXPECT_EQ(v.rotation(), c.rotation) << c.rotate;
    EXPECT_EQ(v.width(), c.width) << c.rotate;
    EXPECT_EQ(v.height(), c.height) << c.rotate;
    EXPECT_EQ(QList<int>({v.HDWidth(), v.HDHeight(), v.SDWidth(), v.SDHeight()}),
              QList<int>({c.hdWidth, c.hdHeight, c.sdWidth, c.sdHeight}))
        << c.rotate << (c.fullHD ? " full HD" : "");
    // The stored stream is what the players decode: a turn does not make it too tall.
    if (c.fullHD) EXPECT_EQ(isShowFastMode(*a->media).toStdString(), "Good") << c.rotate;
  }
}

TEST(StreamAnalysis, OnlyARealEncryptionFieldMeansDRM) {
  test::ScopedSettings settings{};
  const QString dir = test::freshFolder("drm");
  const QString encrypted =
      makeClip(dir + "/encrypted.mp4", "64x48", 1,
               {"-encryption_scheme", "cenc-aes-ctr", "-encryption_key", "76a6c65c5ea762046bd749a2e632ccbb",
                "-encryption_kid", "a7e61c373e219033c21091fa607bf3b8"});
  EXPECT_TRUE(analyse(encrypted)->media->hasdrm());
  const QString titled =
      makeClip(dir + "/titled.mkv", "64x48", 1,
               {"-metadata", "title=Encryption Explained", "-metadata:s:v:0", "title=No Encryption"});
  EXPECT_FALSE(analyse(titled)->media->hasdrm());
}

TEST(StreamAnalysis, StreamNumbersIgnoreStreamWordsInTheName) {
  test::ScopedSettings settings{};
  const QString plain = makeMovie(test::freshFolder("named") + "/Movie.mkv", true, 1);
  const QString named = QFileInfo(plain).path() + "/My Stream #0:9 Audio: commentary.mkv";
  ASSERT_TRUE(QFile::copy(plain, named));
  const auto a = analyse(named);
  const QList<AudioTrack> audio = a->media->AudioTracks();
  ASSERT_EQ(audio.size(), 2);
  EXPECT_EQ(audio[0].ffmpegstreamnumber(), 1);
  EXPECT_EQ(audio[1].ffmpegstreamnumber(), 2);
  EXPECT_FALSE(a->log.text().contains("More audio steams"));
}

TEST(StreamAnalysis, SoftSubtitlesStayOnlyInMP4AndMKV) {
  test::ScopedSettings settings{};
  const auto a = analyse(makeMovie(test::freshFolder("mov") + "/Movie.mov", true, 1));
  EXPECT_TRUE(a->media->SoftSubtitleTracks().isEmpty());
  EXPECT_TRUE(a->media->HardSubtitleTracks().isEmpty());
}

TEST(StreamAnalysis, SubtitleFilesBesideTheVideo) {
  test::ScopedSettings settings{};
  const QString dir = test::freshFolder("side $pecial");  // a "$" in the folder is no marker
  const QString video = makeClip(dir + "/Film.avi", "64x48", 0.2);
  for (const char* name : {"Film$fre.srt", "Other$fre.srt", "Film.ass", "film.SRT.txt", "Film.srt"})
    test::writeFile(dir + "/" + name, kSrt.toUtf8());
  const auto a = analyse(video);
  const QList<SubtitleTrack> soft = a->media->SoftSubtitleTracks();
  ASSERT_EQ(soft.size(), 3);
  EXPECT_EQ(soft, a->media->HardSubtitleTracks());
  struct Expected {
    const char* file;
    const char* language;
    const char* format;
  };
  const Expected expected[] = {
      {"Film$fre.srt", "fre", "SRT"}, {"Film.ass", "Unknown", "ASS"}, {"Film.srt", "Unknown", "SRT"}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(soft[i].path(), dir + "/" + expected[i].file) << i;
    EXPECT_EQ(soft[i].language(), expected[i].language) << i;
    EXPECT_EQ(soft[i].format(), expected[i].format) << i;
    EXPECT_EQ(soft[i].location(), SubtitleLocation::ExternalFile) << i;
    EXPECT_EQ(soft[i].encoding().name, "ASCII") << i;  // plain ASCII text
  }
  EXPECT_TRUE(a->log.text().contains("Found subtitle file " + dir + "/Other$fre.srt"));
}

TEST(StreamAnalysis, RegionalLanguageNamesAndBibliographicCodesChooseTheUsersTracks) {
  // mkvmerge tags the tracks with BCP 47 languages, which mediainfo prints as names with a
  // region ("English (US)"); the side-car files name theirs by bibliographic codes.
  const QString dir = test::freshFolder("regional");
  const QString made = dir + "/made.mkv";
  struct Track {
    const char* tag;
    int channels;
  };
  const QList<Track> audio = {{"es-419", 6}, {"en-US", 2}, {"pt-BR", 2}, {"fr-CA", 6}, {"nb", 2}, {"el", 2}};
  const QStringList subtitles = {"es-419", "en-US", "pt-BR", "nb", "el"};
  QStringList inputs{"-f", "lavfi", "-i", "testsrc=size=64x48:rate=25:duration=1"}, outputs{"-map", "0:v"};
  for (int i = 0; i < audio.size(); ++i) {
    const auto [in, out] = audioTrack(i + 1, i, "und", audio[i].channels);
    inputs << in;
    outputs << out;
  }
  const QString srt = test::writeFile(dir + "/cue.srt.txt", kSrt.toUtf8());
  for (int i = 0; i < subtitles.size(); ++i) {
    inputs << "-f"
           << "srt"
           << "-i" << srt;
    outputs << "-map" << QString::number(audio.size() + 1 + i);
  }
  test::makeMedia(made,
                  inputs + outputs +
                      QStringList{"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "ac3", "-c:s", "srt"});
  QStringList merge{"-q", "-o", dir + "/Film.mkv"};
  for (int i = 0; i < audio.size(); ++i)
    merge << "--language" << QString("%1:%2").arg(i + 1).arg(audio[i].tag);
  for (int i = 0; i < subtitles.size(); ++i)
    merge << "--language" << QString("%1:%2").arg(audio.size() + 1 + i).arg(subtitles[i]);
  ASSERT_EQ(test::runCommand("mkvmerge", merge << made).exitCode, 0);
  QFile::remove(made);
  for (const char* name : {"Film$fre.srt", "Film$ger.srt"}) test::writeFile(dir + "/" + name, kSrt.toUtf8());

  struct Case {
    const char* user;
    const char* defaultAudio;
    bool stereoCompanion;
    QStringList subtitles;  // the languages of the chosen subtitles
  };
  const Case cases[] = {
      {"en", "English (US)", false, {"English (US)"}},
      {"es", "Spanish (Latin America)", true, {"Spanish (Latin America)"}},
      {"pt", "Portuguese (BR)", false, {"Portuguese (BR)"}},
      {"fr", "French (CA)", true, {"fre"}},
      {"no", "Norwegian Bokmal", false, {"Norwegian Bokmal"}},
      {"el", "Greek", false, {"Greek"}},
      {"de", nullptr, true, {"ger"}},
  };
  for (const Case& c : cases) {
    test::ScopedSettings settings{{"AddAllAudioTracks", false}, {"IncludeSubtitleTracks", 1}};
    const auto a = analyse(dir + "/Film.mkv", c.user);
    QStringList selected, defaults, chosenSubtitles;
    for (const AudioTrack& t : a->media->AudioTracks()) {
      if (t.selected()) selected << t.language();
      if (t.isDefault()) defaults << t.language();
      if (t.isDefault()) {
        EXPECT_EQ(t.makeStereo(), c.stereoCompanion) << c.user;
      }
    }
    for (const SubtitleTrack& t : a->media->SoftSubtitleTracks())
      if (t.selected()) chosenSubtitles << t.language();
    ASSERT_EQ(a->media->AudioTracks().size(), audio.size()) << c.user;
    if (c.defaultAudio) {
      // Every other language is known too, so no other track stays selected.
      EXPECT_EQ(defaults, QStringList{c.defaultAudio}) << c.user;
      EXPECT_EQ(selected, QStringList{c.defaultAudio}) << c.user;
    } else {
      // No track in the user's language: the first surround track leads, with a stereo version.
      EXPECT_EQ(defaults, QStringList{"Spanish (Latin America)"}) << c.user;
    }
    EXPECT_EQ(chosenSubtitles, c.subtitles) << c.user;
  }
}

TEST(StreamAnalysis, AddingASubtitleFileByHand) {
  test::ScopedSettings settings{};
  const QByteArray czech =
      "1\n00:00:01,000 --> 00:00:04,000\nPříliš žluťoučký kůň úpěl ďábelské ódy. Čeština je krásný jazyk, "
      "řekl.\n\n"
      "2\n00:00:05,000 --> 00:00:08,000\nŠťastný nový rok a veselé Vánoce všem přátelům z Brna a Ostravy.\n";
  const QString dir = test::freshFolder("by hand");
  const QString utf8 = test::writeFile(dir + "/utf8.txt", czech);
  const test::CommandResult latin2 = test::runCommand("iconv", {"-f", "UTF-8", "-t", "WINDOWS-1250", utf8});
  ASSERT_EQ(latin2.exitCode, 0);
  struct Case {
    const char* name;
    const char* userLanguage;
    QByteArray bytes;
    const char* expected;
  };
  const Case cases[] = {
      {"UTF-8", "cs", czech, "UTF 8"},
      {"Windows-1250 for another user", "en", latin2.output, "Windows Latin 2"},
      {"Windows-1250 for a Czech user", "cs", latin2.output, "Windows Code Page 1250"},
      {"plain ASCII", "cs", kSrt.toUtf8(), "ASCII"},
  };
  for (const Case& c : cases) {
    const QString path = test::writeFile(test::freshFolder("by hand") + "/Other$Czech.ssa", c.bytes);
    MediaFile media;
    media.setFullpath(dir + "/Film.avi");
    media.setFilename("Film.avi");
    test::CapturedLog log;
    const AnalysisContext context{log.reporter, {}, c.userLanguage};
    EXPECT_FALSE(addSutbtitleFile(media, path, true, context).has_value()) << c.name;
    const std::optional<SubtitleTrack> track = addSutbtitleFile(media, path, false, context);
    ASSERT_TRUE(track.has_value()) << c.name;
    EXPECT_EQ(track->encoding().name, c.expected) << c.name;
    EXPECT_EQ(track->language(), "Czech") << c.name;
    EXPECT_EQ(track->format(), "ASS") << c.name;
    EXPECT_EQ(track->path(), path) << c.name;
    EXPECT_EQ(media.SoftSubtitleTracks(), QList<SubtitleTrack>{*track}) << c.name;
    EXPECT_EQ(media.HardSubtitleTracks(), QList<SubtitleTrack>{*track}) << c.name;
    EXPECT_EQ(log.text().contains("[BLUE]Changing code page to 1250 for czech user"),
              QString(c.expected) == "Windows Code Page 1250")
        << c.name;
  }
}

TEST(StreamAnalysis, AKoreanSubtitleBesideTheVideoIsReadAsKorean) {
  test::ScopedSettings settings{{"IncludeSubtitleTracks", 1}};
  // "똠" lies outside EUC-KR: only the Unified Hangul Code (CP949) has it.
  const QString korean = QString::fromUtf8(
      "1\n00:00:01,000 --> 00:00:04,000\n안녕하세요. 오늘 날씨가 정말 좋네요. 우리 함께 공원에 산책하러 "
      "갈까요?\n\n"
      "2\n00:00:05,000 --> 00:00:08,000\n똠방각하는 한국 드라마입니다. 서울에서 부산까지 기차로 세 시간 "
      "걸립니다.\n");
  const QString dir = test::freshFolder("korean");
  const QString video = makeClip(dir + "/Film.mkv", "64x48", 0.2);
  const QString utf8 = test::writeFile(dir + "/korean.txt", korean.toUtf8());
  const test::CommandResult cp949 = test::runCommand("iconv", {"-f", "UTF-8", "-t", "CP949", utf8});
  ASSERT_EQ(cp949.exitCode, 0) << cp949.output.toStdString();
  test::writeFile(dir + "/Film$kor.srt", cp949.output);

  const auto a = analyse(video, "ko");
  const QList<SubtitleTrack> soft = a->media->SoftSubtitleTracks();
  ASSERT_EQ(soft.size(), 1);
  EXPECT_EQ(soft[0].encoding().name, "DOSKorean");
  EXPECT_EQ(decodeText(cp949.output, soft[0].encoding()), korean);
  EXPECT_TRUE(soft[0].selected()) << "a Korean user's subtitle";
}

TEST(StreamAnalysis, ASubtitleFileWithoutADetectedEncodingIsTakenAsUTF8) {
  test::ScopedSettings settings{};
  const QString dir = test::freshFolder("undetected");
  const QString video = makeClip(dir + "/Film.mkv", "64x48", 0.2);
  QByteArray noise;  // bytes no prober of the detector believes in
  for (int i = 0; i < 3000; ++i) noise.append(char((i * 7919 + 13) % 256));
  test::writeFile(dir + "/Film$eng.srt", noise);
  const auto a = analyse(video);
  ASSERT_EQ(a->media->SoftSubtitleTracks().size(), 1);
  EXPECT_EQ(a->media->SoftSubtitleTracks()[0].encoding().name, "UTF 8");
}

TEST(StreamAnalysis, SubtitleSelectionBySetting) {
  struct Case {
    const char* name;
    int include;
    const char* userLanguage;
    bool selected;
  };
  const Case cases[] = {
      {"off", 0, "en", false},
      {"user's language", 1, "en", true},
      {"user's language, other user", 1, "de", false},
      {"all", 2, "de", true},
  };
  const QString movie = makeMovie(test::freshFolder("subs") + "/Movie.mkv", true, 1);
  for (const Case& c : cases) {
    test::ScopedSettings settings{{"IncludeSubtitleTracks", c.include}};
    const auto a = analyse(movie, c.userLanguage);
    ASSERT_EQ(a->media->SoftSubtitleTracks().size(), 1) << c.name;
    EXPECT_EQ(a->media->SoftSubtitleTracks()[0].selected(), c.selected) << c.name;
    EXPECT_TRUE(a->media->SoftSubtitles()) << c.name;
  }
}

// "Burn in" picks one track the burn-in step can draw into the picture: a file beside the
// video (or a bitmap stream), in the user's language first; text streams stay soft and off.
TEST(StreamAnalysis, BurnInChoosesOneSubtitleToBurnAndLeavesTheSoftOnesOff) {
  struct Case {
    const char* name;
    const char* userLanguage;
    QStringList files;  // beside the video
    const char* burnt;  // language of the track chosen; null: none
  };
  const Case cases[] = {
      {"the user's language", "en", {"Movie$French.srt", "Movie$English.srt"}, "English"},
      {"no file in the user's language: the first", "de", {"Movie$French.srt", "Movie$English.srt"}, nullptr},
      {"only a text stream inside", "en", {}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString folder = test::freshFolder("burn");
    const QString movie = makeMovie(folder + "/Movie.mkv", true, 1);
    for (const QString& file : c.files) test::writeFile(folder + "/" + file, kSrt.toUtf8());
    test::ScopedSettings settings{{"IncludeSubtitleTracks", 3}};
    const auto a = analyse(movie, c.userLanguage);
    const QList<SubtitleTrack> hard = a->media->HardSubtitleTracks();
    QStringList chosen;
    for (const SubtitleTrack& t : hard)
      if (t.selected()) chosen << t.language();
    for (const SubtitleTrack& t : a->media->SoftSubtitleTracks())
      EXPECT_FALSE(t.selected()) << t.language().toStdString();
    if (c.files.isEmpty()) {
      EXPECT_TRUE(chosen.isEmpty());
      EXPECT_TRUE(a->media->SoftSubtitles()) << "nothing to burn: the mode stays soft";
      continue;
    }
    ASSERT_EQ(chosen.size(), 1) << chosen.join(", ").toStdString();
    EXPECT_EQ(chosen[0], c.burnt ? QString(c.burnt) : hard.first().language());
    EXPECT_FALSE(a->media->SoftSubtitles()) << "the chosen track is burnt in";
  }
}

TEST(StreamAnalysis, NothingToReadLeavesTheDefaults) {
  test::ScopedSettings settings{};
  const auto a = analyse(test::testHome() + "/no such file.mkv");
  const VideoTrack v = a->media->myvideotrack();
  EXPECT_EQ(v.videoformat(), "Unknown");
  EXPECT_EQ(v.width(), 0u);
  EXPECT_EQ(v.framerate(), "Unknown");
  EXPECT_EQ(v.bitrate(), "Unknown");
  EXPECT_TRUE(a->media->AudioTracks().isEmpty());
  EXPECT_EQ(a->media->durationstring(), "Unknown");
  EXPECT_EQ(a->media->reasonfornofastmode(), "Not h.264");
  EXPECT_FALSE(a->media->fastmodeEnabled());
}

TEST(StreamAnalysis, FastModeVerdict) {
  struct Case {
    const char* name;
    const char* format;
    quint32 width, height;
    int refs;
    bool cabac;
    const char* bitrate;
    const char* framerate;
    const char* encoding;
    ConversionFormat conversionFormat;
    bool atv, atv2, atv3;
    const char* expected;
  };
  using CF = QLatin1String;
  const Case cases[] = {
      {"unknown reference frames", "AVC", 1280, 720, 0, false, "3000Kbps", "25.000 fps", "",
       ConversionFormat::SDOnly, false, false, false, "Unkn Ref"},
      {"not H.264", "MPEG-4 Visual", 640, 480, 0, false, "3000Kbps", "25.000 fps", "",
       ConversionFormat::SDOnly, false, false, false, "Not h.264"},
      {"two outputs", "AVC", 640, 480, 4, false, "3000Kbps", "25.000 fps", "", ConversionFormat::HDAndSD,
       false, false, false, "HD/SD Format"},
      {"Apple TV 3: too wide", "AVC", 2048, 858, 4, false, "3000Kbps", "25.000 fps", "",
       ConversionFormat::HDOnly, false, false, true, "Width:2048"},
      {"Apple TV 3: too tall", "AVC", 1440, 1440, 4, false, "3000Kbps", "25.000 fps", "",
       ConversionFormat::HDOnly, false, false, true, "Height:1440"},
      {"Apple TV: 1080p too wide", "AVC", 1920, 1080, 4, false, "3000Kbps", "25.000 fps", "",
       ConversionFormat::HDOnly, true, false, false, "Width:1920"},
      {"original skips the sizes", "AVC", 1920, 1080, 4, false, "3000Kbps", "25.000 fps", "",
       ConversionFormat::Original, false, true, true, "Good"},
      {"Apple TV 2: bit rate", "AVC", 1280, 720, 4, false, "12000.000000", "25.000 fps", "",
       ConversionFormat::HDOnly, false, true, true, "12.00 MB/s"},
      {"Apple TV 2: reference frames", "AVC", 1280, 720, 9, false, "3000Kbps", "25.000 fps", "",
       ConversionFormat::HDOnly, false, true, true, "9 Ref Frms"},
      {"Apple TV 2: frame rate", "AVC", 1280, 720, 4, false, "3000Kbps", "50.000 fps", "",
       ConversionFormat::HDOnly, false, true, true, "50.00 fps"},
      {"no Apple TV 1", "AVC", 1280, 720, 4, true, "3000Kbps", "25.000 fps", "", ConversionFormat::HDOnly,
       false, true, true, "Good"},
      {"Apple TV 1: bit rate", "AVC", 1280, 720, 1, false, "6000Kbps", "25.000 fps", "",
       ConversionFormat::SDOnly, true, false, false, "6.00 MB/s"},
      {"Apple TV 1: CABAC", "AVC", 1280, 720, 1, true, "3000Kbps", "25.000 fps", "", ConversionFormat::SDOnly,
       true, false, false, "ATV1:Cabac"},
      {"Apple TV 1: reference frames", "AVC", 1280, 720, 4, false, "3000Kbps", "24.000 fps", "",
       ConversionFormat::SDOnly, true, false, false, "ATV1:RefFrm"},
      {"Apple TV 1: pyramid", "AVC", 1280, 720, 2, false, "3000Kbps", "25.000 fps", "bframes=3 / b_pyramid=2",
       ConversionFormat::SDOnly, true, false, false, "ATV1:byramid"},
      {"Apple TV 1: under 25 fps", "AVC", 1280, 720, 2, false, "3000Kbps", "23.976 fps", "",
       ConversionFormat::SDOnly, true, false, false, "Good"},
      {"Apple TV 1: small at 30 fps", "AVC", 960, 540, 2, false, "3000Kbps", "29.970 fps", "",
       ConversionFormat::SDOnly, true, false, false, "Good"},
      {"Apple TV 1: small at 50 fps", "AVC", 960, 540, 2, false, "3000Kbps", "50.000 fps", "",
       ConversionFormat::SDOnly, true, false, false, "ATV1:50.00fps"},
      {"Apple TV 1: large at 25 fps", "AVC", 1280, 720, 2, false, "3000Kbps", "25.000 fps", "",
       ConversionFormat::SDOnly, true, false, false, "ATV1: 25.00fps"},
  };
  for (const Case& c : cases) {
    test::ScopedSettings settings{
        {"SupportAppleTV", c.atv}, {"SupportAppleTV2", c.atv2}, {"SupportAppleTV3", c.atv3}};
    MediaFile media;
    VideoTrack v;
    v.setVideoformat(CF(c.format));
    v.setWidth(c.width);
    v.setHeight(c.height);
    v.setReferenceframes(c.refs);
    v.setCabac(c.cabac);
    v.setBitrate(CF(c.bitrate));
    v.setFramerate(CF(c.framerate));
    v.setEncodingsettings(CF(c.encoding));
    media.setMyvideotrack(v);
    media.setConversionFormat(c.conversionFormat);
    EXPECT_EQ(isShowFastMode(media).toStdString(), c.expected) << c.name;
  }
}

TEST(StreamAnalysis, FastModeRefusesWhatApplesPlayersCannotDecode) {
  struct Case {
    const char* name;
    QStringList encoding;
    bool appleTV2;
    const char* expected;
  };
  const QStringList high{"-preset", "veryfast", "-profile:v", "high"};
  const Case cases[] = {
      {"8-bit 4:2:0 High", high + QStringList{"-pix_fmt", "yuv420p"}, false, "Good"},
      {"Constrained Baseline", {"-preset", "ultrafast", "-pix_fmt", "yuv420p"}, false, "Good"},
      {"10-bit High 10", {"-preset", "veryfast", "-pix_fmt", "yuv420p10le"}, false, "Profile:High 10"},
      {"4:2:2", {"-preset", "veryfast", "-pix_fmt", "yuv422p"}, false, "Profile:High 4:2:2"},
      {"interlaced",
       high + QStringList{"-pix_fmt", "yuv420p", "-flags", "+ildct+ilme", "-x264-params", "tff=1"}, false,
       "Interlaced"},
      {"level 4.2", high + QStringList{"-pix_fmt", "yuv420p", "-level:v", "4.2"}, false, "Level:4.2"},
      {"level 4 on an Apple TV 2", high + QStringList{"-pix_fmt", "yuv420p", "-level:v", "4.0"}, true,
       "Level:4"},
      {"level 3.1 on an Apple TV 2", high + QStringList{"-pix_fmt", "yuv420p", "-level:v", "3.1"}, true,
       "Good"},
  };
  const QString folder = test::freshFolder("decodable");
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScopedSettings settings{
        {"SupportAppleTV", false}, {"SupportAppleTV2", c.appleTV2}, {"SupportAppleTV3", false}};
    const QString path = folder + QString("/clip%1.mkv").arg(n++);
    test::makeMedia(
        path, QStringList{"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=1", "-c:v", "libx264"} +
                  c.encoding);
    const auto a = analyse(path, "en", [](MediaFile& m) { m.setConversionFormat(ConversionFormat::HDOnly); });
    EXPECT_EQ(a->media->reasonfornofastmode().toStdString(), c.expected);
    EXPECT_EQ(a->media->fastmode(), QString(c.expected) == "Good");
    EXPECT_EQ(a->media->fastmodeEnabled(), QString(c.expected) == "Good");
    // The lists saved at quit and read back at launch give the same verdict when the format
    // is changed afterwards.
    a->media->setDidlookup(true);
    const auto restored = unarchiveMediaFiles(archiveMediaFiles({a->media}), nullptr);
    ASSERT_TRUE(restored && restored->size() == 1);
    EXPECT_EQ(isShowFastMode(*restored->first()).toStdString(), c.expected);
  }
}

TEST(StreamAnalysis, ATwoProgrammeTransportStreamIsItsFirstProgramme) {
  // Programme 1: 1080 H.264 with AAC and AC-3; programme 2: 576 MPEG-2 with MP2.
  const QString path = test::freshFolder("programmes") + "/Recording.ts";
  test::makeMedia(path, {"-f",
                         "lavfi",
                         "-i",
                         "testsrc=size=1920x1080:rate=25:duration=1",
                         "-f",
                         "lavfi",
                         "-i",
                         "sine=frequency=440:sample_rate=48000:duration=1",
                         "-f",
                         "lavfi",
                         "-i",
                         "sine=frequency=660:sample_rate=48000:duration=1",
                         "-f",
                         "lavfi",
                         "-i",
                         "testsrc=size=720x576:rate=25:duration=1",
                         "-f",
                         "lavfi",
                         "-i",
                         "sine=frequency=880:sample_rate=48000:duration=1",
                         "-map",
                         "0:v",
                         "-map",
                         "1:a",
                         "-map",
                         "2:a",
                         "-map",
                         "3:v",
                         "-map",
                         "4:a",
                         "-c:v:0",
                         "libx264",
                         "-preset",
                         "ultrafast",
                         "-c:v:1",
                         "mpeg2video",
                         "-c:a:0",
                         "aac",
                         "-ac:a:0",
                         "2",
                         "-c:a:1",
                         "ac3",
                         "-ac:a:1",
                         "6",
                         "-c:a:2",
                         "mp2",
                         "-metadata:s:a:0",
                         "language=eng",
                         "-metadata:s:a:1",
                         "language=eng",
                         "-metadata:s:a:2",
                         "language=ger",
                         "-program",
                         "title=One:st=0:st=1:st=2",
                         "-program",
                         "title=Two:st=3:st=4"});
  test::ScopedSettings settings{{"AddAllAudioTracks", true}};
  const auto a = analyse(path, "en", [](MediaFile& m) { m.setConversionFormat(ConversionFormat::HDOnly); });
  const VideoTrack video = a->media->myvideotrack();
  EXPECT_EQ(video.videoformat(), "AVC");
  EXPECT_EQ(video.width(), 1920u);
  EXPECT_EQ(video.height(), 1080u);
  EXPECT_EQ(video.videostreamnumber(), 256);
  EXPECT_TRUE(a->media->isHD());
  EXPECT_EQ(a->media->ConversionFormat(), ConversionFormat::HDOnly);
  const QList<AudioTrack> audio = a->media->AudioTracks();
  ASSERT_EQ(audio.size(), 2) << a->log.text().toStdString();
  EXPECT_EQ(audio[0].channels(), 2);
  EXPECT_EQ(audio[0].ffmpegstreamnumber(), 1);
  EXPECT_EQ(audio[1].channels(), 6);
  EXPECT_EQ(audio[1].ffmpegstreamnumber(), 2);
  EXPECT_TRUE(a->media->hasSurround());
  EXPECT_FALSE(a->log.text().contains("More audio steams in FFPROBE")) << a->log.text().toStdString();
}

TEST(StreamAnalysis, SamplingRatesInHertzAndKilohertz) {
  test::ScopedSettings settings{};
  const QStringList rates{"8000", "22050", "44100", "48000"};  // "8 000 Hz", "22.05 kHz", ...
  QStringList inputs, outputs;
  for (int i = 0; i < rates.size(); ++i) {
    inputs << "-f"
           << "lavfi"
           << "-i"
           << "sine=sample_rate=" + rates[i] + ":duration=1";
    outputs << "-map" << QString("%1:a").arg(i);
  }
  const QString path = test::freshFolder("rates") + "/tones.mkv";
  test::makeMedia(path, inputs + outputs + QStringList{"-c:a", "pcm_s16le"});
  QStringList seen;
  for (const AudioTrack& t : analyse(path)->media->AudioTracks()) seen << t.samplingfrequency();
  EXPECT_EQ(seen, rates);
}
