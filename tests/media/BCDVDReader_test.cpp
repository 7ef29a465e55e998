// The DVD title scanner on a real DVD folder authored at test time (ffmpeg, spumux and
// dvdauthor), read by Debian's HandBrakeCLI and mplayer; and the listing parser on the
// older listing form with the stream kinds a small authored disc cannot hold.
#include "media/BCDVDReader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include "media/DVDScanParser.h"
#include "media/LanguageRecord.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

using namespace zuvo;
using namespace zuvo::test;
using Field = DVDReaderPanel::Field;

namespace {

// Writes down what the scanner shows.
class RecordingPanel : public DVDReaderPanel {
 public:
  void beginSheet(QObject*) override { calls << "beginSheet"; }
  void endSheet() override { calls << "endSheet"; }
  void closeWindow() override { calls << "closeWindow"; }
  void centreOn(QObject*) override { calls << "centreOn"; }
  void setFieldText(Field field, const QString& text) override { fields[field] = text; }
  void setProgressVisible(bool visible) override { progressVisible = visible; }
  void setLevelVisible(bool visible) override { levelVisible = visible; }
  void setLevel(int value, int maximum) override {
    level = value;
    levelMaximum = maximum;
  }
  void setVOBFieldsVisible(bool visible) override { vobVisible = visible; }
  void showAlert(const QString& message, QObject*) override { alerts << message; }
  void showStyledAlert(const QString& message, QObject*) override { alerts << message; }
  void showBusy(const QString& message, QObject*) override { calls << "showBusy:" + message; }
  void hideBusy() override { calls << "hideBusy"; }

  QStringList calls, alerts;
  QMap<Field, QString> fields;
  bool progressVisible = false, levelVisible = false, vobVisible = true;
  int level = -1, levelMaximum = -1;
};

// A PAL disc of one 11-second title (3 chapters, English stereo and German 5.1 audio,
// French subpictures) and a second title of the same video without chapters. The tool
// skips titles under 10 seconds.
QString authoredDisc() {
  static QString disc;
  if (!disc.isEmpty()) return disc;
  const QString work = freshFolder(QStringLiteral("authoring"));
  const QString plain = work + "/plain.mpg";
  makeMedia(plain, {"-f",      "lavfi",   "-i",   "color=c=blue:size=720x576:rate=25:duration=11",
                    "-f",      "lavfi",   "-i",   "sine=duration=11",
                    "-f",      "lavfi",   "-i",   "anullsrc=cl=5.1:r=48000",
                    "-t",      "11",      "-map", "0",
                    "-map",    "1",       "-map", "2",
                    "-target", "pal-dvd", "-b:v", "300k"});
  writeFile(work + "/s.srt", "1\n00:00:01,000 --> 00:00:05,000\nHello\n");
  writeFile(work + "/spu.xml",
            "<subpictures><stream><textsub filename=\"s.srt\" font=\"DejaVuSans.ttf\" fontsize=\"28\" "
            "movie-width=\"720\" movie-height=\"576\"/></stream></subpictures>");
  // spumux looks for its fonts in ~/.spumux.
  QDir().mkpath(testHome() + "/.spumux");
  QFile::link("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", testHome() + "/.spumux/DejaVuSans.ttf");
  qputenv("HOME", testHome().toUtf8());
  qputenv("VIDEO_FORMAT", "PAL");
  CommandResult muxed =
      runCommand("sh", {"-c", "cd '" + work + "' && spumux -m dvd -P spu.xml < plain.mpg > title.mpg"});
  EXPECT_EQ(muxed.exitCode, 0) << muxed.output.toStdString();
  writeFile(work + "/dvd.xml",
            "<dvdauthor><vmgm/><titleset><titles>"
            "<audio lang=\"en\"/><audio lang=\"de\"/><subpicture lang=\"fr\"/>"
            "<pgc><vob file=\"title.mpg\" chapters=\"0,0:04,0:08\"/></pgc>"
            "<pgc><vob file=\"title.mpg\"/></pgc>"
            "</titles></titleset></dvdauthor>");
  const QString folder = work + "/My_Holiday_Disc";
  CommandResult authored =
      runCommand("sh", {"-c", "cd '" + work + "' && dvdauthor -o My_Holiday_Disc -x dvd.xml"});
  EXPECT_EQ(authored.exitCode, 0) << authored.output.toStdString();
  EXPECT_TRUE(QFileInfo::exists(folder + "/VIDEO_TS/VIDEO_TS.IFO"));
  disc = folder;
  return disc;
}

QString handbrake() { return paths::toolPath(QStringLiteral("HandBrakeCLI")); }

class DVDReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setUserLanguageName(QStringLiteral("English"));
    Defaults::standard().setBool(false, QStringLiteral("AddAllAudioTracks"));
    cache = freshFolder(QStringLiteral("cache"));
  }
  QString cache;
  RecordingPanel panel;
};

TEST_F(DVDReaderTest, FullScanReadsEveryTitleOfARealDisc) {
  const Reporter log = BCCReporter::path(cache + "/scan.log");
  BCDVDReader reader(authoredDisc(), nullptr, cache, handbrake(), log);
  reader.setPanel(&panel);
  EXPECT_EQ(reader.DVDName(), "My Holiday Disc");
  reader.readTracks();

  EXPECT_FALSE(reader.unabletoreaddisk());
  ASSERT_EQ(reader.NumberOfTracks(), 2);
  const DVDTrack& first = reader.DVDTracks()[0];
  EXPECT_EQ(first.tracknumber(), 1);
  EXPECT_EQ(first.trackname(), "My Holiday Disc");
  EXPECT_EQ(first.dvdpath(), authoredDisc());
  EXPECT_EQ(first.tracklength(), 11);
  EXPECT_EQ(first.width(), 720);
  EXPECT_EQ(first.height(), 576);
  ASSERT_EQ(first.AudioTracks().size(), 2);
  EXPECT_EQ(first.AudioTracks()[0].language(), "English");
  EXPECT_EQ(first.AudioTracks()[0].channels(), 2);
  EXPECT_EQ(first.AudioTracks()[0].encoding(), "AC3");
  EXPECT_EQ(first.AudioTracks()[1].language(), "German");
  EXPECT_EQ(first.AudioTracks()[1].channels(), 6);
  EXPECT_EQ(first.AudioTracks()[1].name(), "Surround Sound");
  // The user's language is English: its stereo stream is the default, the German one stays out.
  EXPECT_TRUE(first.AudioTracks()[0].isDefault());
  EXPECT_TRUE(first.AudioTracks()[0].selected());
  EXPECT_FALSE(first.AudioTracks()[1].selected());
  ASSERT_EQ(first.SubtitleTracks().size(), 1);
  EXPECT_EQ(first.SubtitleTracks()[0].streamnumber(), 1);
  // Equal lengths: the first title is the one selected.
  EXPECT_TRUE(first.selected());
  EXPECT_FALSE(reader.DVDTracks()[1].selected());

  EXPECT_EQ(panel.calls.first(), "beginSheet");
  EXPECT_EQ(panel.calls.last(), "endSheet");
  EXPECT_TRUE(panel.levelVisible);
  EXPECT_FALSE(panel.progressVisible);
  EXPECT_EQ(panel.levelMaximum, 2);
  EXPECT_EQ(panel.fields[Field::VideoResolution], "720x576");
  EXPECT_TRUE(panel.alerts.isEmpty());
  const QStringList messages = logMessages(cache + "/scan.log");
  EXPECT_TRUE(messages.contains("Starting DVD Track read"));
  EXPECT_TRUE(messages.contains("[BLUE]DVD has 2 tracks"));
  EXPECT_TRUE(messages.contains("[BLUE]Found track 2"));
  EXPECT_TRUE(messages.contains("Finishing DVD Track read"));
}

TEST_F(DVDReaderTest, OneTitleReadInDepthGivesChaptersAndFrameRate) {
  BCDVDReader reader(authoredDisc(), nullptr, cache, handbrake(), BCCReporter::dummy());
  reader.setPanel(&panel);
  reader.readTracks();
  const std::optional<DVDTrack> title = reader.getTrackInfo(1);
  ASSERT_TRUE(title);
  EXPECT_FALSE(title->badtrack());
  EXPECT_EQ(title->framerate(), "25.000");
  ASSERT_EQ(title->Chapters().size(), 3);
  EXPECT_EQ(title->Chapters()[0].starttime(), "00:00:00");
  EXPECT_EQ(title->Chapters()[1].chapternumber(), 2);
  EXPECT_EQ(title->Chapters()[1].starttime(), "00:00:04");
  EXPECT_EQ(title->Chapters()[2].starttime(), "00:00:08");
  // Read a second time, the streams are not counted twice.
  EXPECT_EQ(title->AudioTracks().size(), 2);
  EXPECT_EQ(title->SubtitleTracks().size(), 1);
  EXPECT_EQ(panel.fields[Field::AudioTracks], "2");
  EXPECT_EQ(panel.fields[Field::SubtitleTracks], "1");
  EXPECT_EQ(panel.fields[Field::NumberOfVOBs], "NA");
  EXPECT_FALSE(readFile(cache + "/dvdinfo2.txt").isEmpty());

  EXPECT_FALSE(reader.getTrackInfo(7).has_value());
}

TEST_F(DVDReaderTest, QuickScanTakesTitleLengthsFromMplayer) {
  BCDVDReader reader(authoredDisc(), nullptr, cache, handbrake(), BCCReporter::dummy());
  reader.setPanel(&panel);
  reader.readTracksB();
  ASSERT_EQ(reader.NumberOfTracks(), 2);
  for (const DVDTrack& track : reader.DVDTracks()) {
    EXPECT_EQ(track.tracklength(), 11);
    EXPECT_TRUE(track.partialread());
    EXPECT_EQ(track.mediatype(), "Movie");
  }
  EXPECT_TRUE(reader.DVDTracks()[0].selected());
  EXPECT_TRUE(readFile(cache + "/dvdinfo.txt").contains("ID_DVD_TITLE_1_LENGTH="));
  EXPECT_EQ(panel.calls.first(), "showBusy:Reading DVD - Please Wait");
  EXPECT_EQ(panel.calls.last(), "hideBusy");
}

TEST_F(DVDReaderTest, QuickScanOfAMissingDiscAlerts) {
  BCDVDReader reader(cache + "/no_such_disc", nullptr, cache, handbrake(), BCCReporter::dummy());
  reader.setPanel(&panel);
  reader.readTracksB();
  EXPECT_EQ(reader.NumberOfTracks(), 0);
  ASSERT_EQ(panel.alerts.size(), 1);
  EXPECT_TRUE(panel.alerts[0].startsWith("Unable to read the DVD. Is there a DVD in the drive?"));
  EXPECT_EQ(panel.calls.last(), "hideBusy");
}

TEST_F(DVDReaderTest, FullScanOfAFolderWithoutTitlesFindsNone) {
  BCDVDReader reader(freshFolder("empty_disc"), nullptr, cache, handbrake(), BCCReporter::dummy());
  reader.setPanel(&panel);
  reader.readTracks();
  EXPECT_EQ(reader.NumberOfTracks(), 0);
  EXPECT_FALSE(reader.unabletoreaddisk());
  EXPECT_EQ(panel.calls.last(), "endSheet");
}

TEST_F(DVDReaderTest, ScanToolThatCannotStartFailsTheScan) {
  BCDVDReader reader(authoredDisc(), nullptr, cache, cache + "/missing-tool", BCCReporter::dummy());
  reader.setPanel(&panel);
  reader.readTracks();
  EXPECT_TRUE(reader.unabletoreaddisk());
  EXPECT_TRUE(panel.calls.contains("closeWindow"));
  ASSERT_EQ(panel.alerts.size(), 1);
  EXPECT_TRUE(panel.alerts[0].contains("libdvdcss is not installed."));
}

TEST_F(DVDReaderTest, DecodeFailureWithoutKeysAbortsWithTheVLCAlert) {
  // A stand-in tool that prints the decoder failure of an encrypted disc and stays.
  const QString tool = writeFile(cache + "/fake-scan",
                                 "#!/bin/sh\necho 'scan: DVD has 1 title(s)'\n"
                                 "echo 'scan: scanning title 1'\n"
                                 "echo 'scan: could not get a decoded picture'\nsleep 30\n");
  QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  BCDVDReader reader(authoredDisc(), nullptr, cache, tool, BCCReporter::dummy());
  reader.setPanel(&panel);
  reader.readTracks();
  EXPECT_TRUE(reader.unabletoreaddisk());
  ASSERT_EQ(panel.alerts.size(), 2);
  EXPECT_TRUE(panel.alerts[0].startsWith("It looks like you're trying to read a DVD which requires VLC"));
}

TEST(DVDScanParser, ReadsTheOlderListingForm) {
  const QStringList listing = {
      "+ title 3:",
      "+ vts 1, ttn 1, cells 0->12 (1046524 blocks)",
      "+ duration: 01:02:03",
      "+ size: 720x480, pixel aspect: 32/27, display aspect: 1.33, 29.970 fps",
      "+ bitrate 6000 kbps",
      "+ chapters:",
      "+ 1: cells 0->0, 131072 blocks, duration 00:04:14",
      "+ 2: cells 1->1, 131072 blocks, duration 00:10:00",
      "+ audio tracks:",
      "+ 1, English (AC3) (5.1 ch) (iso639-2: eng), 48000Hz, 448000bps",
      "+ 2, Francais (DTS) (2.0 ch) (iso639-2: fra), 48000Hz, 768000bps",
      "+ subtitle tracks:",
      "+ 1, English (iso639-2: eng) (Bitmap)(VOBSUB)",
      "+ 2, Closed Captions (iso639-2: eng) (Text)(CC)",
      "+ 3, Deutsch (iso639-2: deu)",
      "HandBrake has exited, 0 titles",
      "starting job",
      "+ 4, Espanol (iso639-2: spa)",
  };
  DVDTrack title(QStringLiteral("Disc"), QStringLiteral("/disc"), 3);
  DVDScanParser parser(true);
  for (const QString& line : listing) parser.parseLine(line, &title);
  EXPECT_TRUE(parser.videoSectionSeen());
  EXPECT_TRUE(parser.discoveryEnded());
  EXPECT_EQ(title.tracklength(), 3723);
  EXPECT_EQ(title.width(), 720);
  EXPECT_EQ(title.height(), 480);
  EXPECT_EQ(title.framerate(), "29.970");
  EXPECT_EQ(title.bitrate(), "6000 kbps");
  ASSERT_EQ(title.Chapters().size(), 2);
  EXPECT_EQ(title.Chapters()[1].starttime(), "00:04:14");

  struct AudioCase {
    int stream;
    int channels;
    const char* encoding;
    const char* language;
  };
  const AudioCase audio[] = {{1, 6, "AC3", "English"}, {2, 2, "DTS", "French"}};
  ASSERT_EQ(title.AudioTracks().size(), 2);
  for (int i = 0; i < 2; ++i) {
    const AudioTrack track = title.AudioTracks()[i];  // a copy: the list is a temporary
    EXPECT_EQ(track.streamnumber(), audio[i].stream) << i;
    EXPECT_EQ(track.audioid(), audio[i].stream) << i;
    EXPECT_EQ(track.channels(), audio[i].channels) << i;
    EXPECT_EQ(track.encoding(), audio[i].encoding) << i;
    EXPECT_EQ(track.language(), audio[i].language) << i;
  }
  // The section ends at the line whose third character is no digit; after "starting job"
  // nothing is read.
  struct SubtitleCase {
    int stream;
    const char* format;
    const char* language;
  };
  const SubtitleCase subtitles[] = {{1, "VobSub", "English"}, {2, "Text", "English"}, {3, "DVD", "German"}};
  ASSERT_EQ(title.SubtitleTracks().size(), 3);
  for (int i = 0; i < 3; ++i) {
    const SubtitleTrack track = title.SubtitleTracks()[i];
    EXPECT_EQ(track.streamnumber(), subtitles[i].stream) << i;
    EXPECT_EQ(track.format(), subtitles[i].format) << i;
    EXPECT_EQ(track.language(), subtitles[i].language) << i;
  }
}

TEST(DVDScanParser, FullScanReadsNoChaptersOrFrameRate) {
  DVDTrack title(QStringLiteral("Disc"), QStringLiteral("/disc"), 1);
  DVDScanParser parser(false);
  for (const char* line :
       {"+ title 1:", "+ size: 720x576, pixel aspect: 16/15, display aspect: 1.33, 25.000 fps",
        "+ chapters:", "+ 1: duration 00:00:04"})
    parser.parseLine(QString::fromLatin1(line), &title);
  EXPECT_EQ(title.width(), 720);
  EXPECT_TRUE(title.framerate().isEmpty());
  EXPECT_TRUE(title.Chapters().isEmpty());
}

struct PreselectionCase {
  const char* name;
  QList<std::pair<int, const char*>> streams;  // channels, language
  bool addAll;
  QList<int> defaults, selected, stereo;  // stream positions
};

TEST_F(DVDReaderTest, AudioPreselectionByTheUsersLanguage) {
  const PreselectionCase cases[] = {
      {"surround in the user's language wins",
       {{2, "English"}, {6, "English"}, {6, "German"}},
       false,
       {1},
       {0, 1},
       {1}},
      {"stereo when no surround", {{6, "German"}, {2, "English"}}, false, {1}, {1}, {}},
      {"first stream otherwise, made stereo", {{6, "German"}, {2, "French"}}, false, {0}, {0}, {0}},
      {"all streams when asked", {{2, "German"}, {2, "English"}}, true, {1}, {0, 1}, {}},
  };
  for (const PreselectionCase& c : cases) {
    Defaults::standard().setBool(c.addAll, QStringLiteral("AddAllAudioTracks"));
    BCDVDReader reader(QStringLiteral("/disc"), nullptr, cache, handbrake(), BCCReporter::dummy());
    DVDTrack title(QStringLiteral("Disc.dvdmedia"), QStringLiteral("/disc"), 4);
    QList<AudioTrack> tracks;
    for (const auto& [channels, language] : c.streams) {
      AudioTrack track;
      track.setChannels(channels);
      track.setLanguage(QString::fromLatin1(language));
      tracks.append(track);
    }
    title.setAudioTracks(tracks);
    reader.setDVDTracks({title});
    reader.setTrackAudioSubtitleSelection(4);
    const DVDTrack& result = *reader.getTrack(4);
    EXPECT_EQ(result.trackname(), "Disc") << c.name;
    for (int i = 0; i < result.AudioTracks().size(); ++i) {
      const AudioTrack track = result.AudioTracks()[i];
      EXPECT_EQ(track.isDefault(), c.defaults.contains(i)) << c.name << " stream " << i;
      EXPECT_EQ(track.selected(), c.selected.contains(i)) << c.name << " stream " << i;
      EXPECT_EQ(track.makeStereo(), c.stereo.contains(i)) << c.name << " stream " << i;
    }
  }
}

TEST_F(DVDReaderTest, TitleSettersFindTheTitleByNumber) {
  BCDVDReader reader(QStringLiteral("/disc"), nullptr, cache, handbrake(), BCCReporter::dummy());
  reader.setDVDTracks({DVDTrack("A", "/disc", 2), DVDTrack("B", "/disc", 5)});
  reader.setTrackSelected(5, true);
  reader.setTrackSeason(5, 3);
  reader.setTrackEpisode(5, 9);
  reader.setTrackName(5, "Pilot");
  reader.setTrackMediaType(5, "TV Show");
  reader.setTrackName(8, "nobody");
  const DVDTrack& title = *reader.getTrack(5);
  EXPECT_TRUE(title.selected());
  EXPECT_EQ(title.season(), 3);
  EXPECT_EQ(title.episode(), 9);
  EXPECT_EQ(title.trackname(), "Pilot");
  EXPECT_EQ(title.mediatype(), "TV Show");
  EXPECT_EQ(reader.getTrack(2)->trackname(), "A");
  EXPECT_EQ(reader.getTrack(8), nullptr);
}

}  // namespace
