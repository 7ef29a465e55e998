// Whole conversions of real files made here, from the probe to the destination: the files
// that come out are read with ffprobe, mediainfo and mutagen, the library's index, the
// Desktop, the Trash and the work folder are looked at afterwards.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "FakeTool.h"
#include "PreparationFixtures.h"
#include "convert/BCConverter.h"
#include "convert/SamplePlayer.h"
#include "media/MediaValues.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "tools/library/MediaLibrary.h"

using namespace zuvo;
using test::CapturedLog;
using test::ScopedSettings;

namespace {

const QString kSubRip = QStringLiteral(
    "1\n00:00:00,200 --> 00:00:01,000\nHello there\n\n2\n00:00:01,200 --> 00:00:02,500\nGood bye\n\n");

QJsonObject json(const QByteArray& text) { return QJsonDocument::fromJson(text).object(); }

// Sets an environment variable for one test.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    qputenv(name, value);
  }
  ~ScopedEnvironment() {
    if (had_) qputenv(name_, old_);
    else qunsetenv(name_);
  }

 private:
  const char* name_;
  QByteArray old_;
  bool had_;
};

struct Stream {
  QString type, codec, language, name;
  int channels = 0;
  bool enabled = false;
};

// ffprobe for codecs, channels, languages and the enabled flag; mediainfo for the names.
QList<Stream> streamsOf(const QString& path) {
  QList<Stream> streams;
  const QJsonObject probe =
      json(test::runCommand("ffprobe", {"-v", "error", "-show_streams", "-of", "json", path}).output);
  for (const QJsonValue& value : probe["streams"].toArray()) {
    const QJsonObject s = value.toObject();
    // The chapter track and the cover are no streams a player offers.
    if (s["codec_type"].toString() == "data" || s["disposition"].toObject()["attached_pic"].toInt() == 1) continue;
    streams.append({s["codec_type"].toString(), s["codec_name"].toString(), s["tags"].toObject()["language"].toString(),
                    {}, s["channels"].toInt(), s["disposition"].toObject()["default"].toInt() == 1});
  }
  const QJsonObject info = json(test::runCommand("mediainfo", {"--Output=JSON", path}).output);
  qsizetype next = 0;
  for (const QJsonValue& value : info["media"].toObject()["track"].toArray()) {
    const QJsonObject t = value.toObject();
    const QString type = t["@type"].toString();
    if (type != "Video" && type != "Audio" && type != "Text") continue;
    if (next < streams.size()) streams[next++].name = t["Title"].toString();
  }
  return streams;
}

QString describe(const QList<Stream>& streams) {
  QStringList lines;
  for (const Stream& s : streams)
    lines << QStringLiteral("%1 %2 %3 ch%4 '%5' %6").arg(s.type, s.codec, s.language).arg(s.channels).arg(s.name).arg(s.enabled ? "on" : "off");
  return lines.join("; ");
}

// The iTunes tags as mutagen reads them.
QJsonObject tagsOf(const QString& path) {
  const char* script =
      "import json,sys\n"
      "from mutagen.mp4 import MP4\n"
      "f=MP4(sys.argv[1]); t=f.tags or {}\n"
      "out={}\n"
      "for k in ['tvsh','tvsn','tves','tven','\\xa9nam','desc','\\xa9gen','stik','hdvd','cnID']:\n"
      "  if k in t: v=t[k][0]; out[k.replace('\\xa9','@')]=v if isinstance(v,(int,str)) else str(v)\n"
      "out['covers']=len(t.get('covr',[]))\n"
      "print(json.dumps(out))\n";
  return json(test::runCommand("python3", {"-c", script, path}).output);
}

QStringList chaptersOf(const QString& path) {
  QStringList titles;
  const QJsonObject probe =
      json(test::runCommand("ffprobe", {"-v", "error", "-show_chapters", "-of", "json", path}).output);
  for (const QJsonValue& c : probe["chapters"].toArray()) titles << c.toObject()["tags"].toObject()["title"].toString();
  return titles;
}

QStringList filesUnder(const QString& folder) {
  QStringList files;
  const QDir root(folder);
  for (const QFileInfo& info : root.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
    if (info.isDir())
      for (const QString& inner : filesUnder(info.filePath())) files << info.fileName() + "/" + inner;
    else
      files << info.fileName();
  }
  return files;
}

class ConversionEndToEnd : public testing::Test {
 protected:
  ConversionEndToEnd() {
    QDir(paths::desktopFolder()).removeRecursively();
    QDir(trash()).removeRecursively();
  }

  // A 3-second episode with English stereo, French 5.1 and an English SubRip file beside it.
  MediaFilePtr makeEpisode(const QString& name = "Episode") {
    source = sources + "/" + name + ".mkv";
    test::makeMedia(source, {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=3",
                             "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=3",
                             "-f", "lavfi", "-i", "sine=frequency=660:sample_rate=48000:duration=3",
                             "-map", "0:v", "-map", "1:a", "-map", "2:a", "-c:v", "libx264", "-preset", "ultrafast",
                             "-c:a", "aac", "-ac:a:0", "2", "-ac:a:1", "6",
                             "-metadata:s:a:0", "language=eng", "-metadata:s:a:1", "language=fre"});
    test::writeFile(sources + "/" + name + "$eng.srt", kSubRip.toUtf8());
    media = test::probed(source);
    media->setMediatype(MediaType::TVShow);
    media->setSeriesname("Test Show");
    media->setSeason(2);
    media->setShow(3);
    media->setEpisodename("The Third");
    media->setDescription("What happens in the third one.");
    media->setGenre("Drama");
    QImage cover(64, 64, QImage::Format_RGB32);
    cover.fill(Qt::red);
    media->setImage(cover);
    ChapterTrack start, middle;
    start.setChapternumber(1);
    start.setStarttime("00:00:00.000");
    start.setTitle("Opening");
    middle.setChapternumber(2);
    middle.setStarttime("00:00:01.500");
    middle.setTitle("Ending");
    media->setChapters({start, middle});
    media->setConversionFormat(ConversionFormat::HDOnly);
    // English stereo plays; the French surround comes as AC-3 and as stereo, both off.
    QList<AudioTrack> audio = media->AudioTracks();
    EXPECT_EQ(audio.size(), 2);
    for (AudioTrack& t : audio) {
      t.setSelected(true);
      t.setIsDefault(t.channels() == 2);
      t.setMakeStereo(t.channels() == 6);
      t.setName(t.channels() == 6 ? "French 5.1" : t.name());
    }
    media->setAudioTracks(audio);
    media->setSoftSubtitleTracks(test::allSelected(media->SoftSubtitleTracks()));
    media->setHardSubtitleTracks(test::allSelected(media->HardSubtitleTracks()));
    EXPECT_EQ(media->SoftSubtitleTracks().size(), 1) << "the SubRip file beside the source was not found";
    return media;
  }

  BCError convert() {
    converter = BCConverter::init(media, "[7]", {}, log.reporter);
    media->setState(MediaState::Converting);
    return converter->Convert();
  }

  static QString trash() { return QDir::homePath() + "/.local/share/Trash"; }
  QString workFolderLeft() const { return filesUnder(work).join(", "); }

  // Everything the episode's converted file must hold.
  void expectWholeEpisode(const QString& path, int hdFlag = 0) {
    ASSERT_TRUE(QFileInfo::exists(path)) << path.toStdString() << "\n" << log.text().toStdString();
    const QList<Stream> streams = streamsOf(path);
    ASSERT_EQ(streams.size(), 5) << describe(streams).toStdString();
    EXPECT_EQ(streams[0].type, "video");
    EXPECT_EQ(streams[0].codec, "h264");
    const auto expectAudio = [&](int i, const char* codec, const char* language, int channels, const char* name, bool on) {
      EXPECT_EQ(streams[i].codec, codec) << i;
      EXPECT_EQ(streams[i].language, language) << i;
      EXPECT_EQ(streams[i].channels, channels) << i;
      EXPECT_EQ(streams[i].name, name) << i;
      EXPECT_EQ(streams[i].enabled, on) << i;
    };
    expectAudio(1, "aac", "eng", 2, "Stereo", true);
    expectAudio(2, "aac", "fra", 2, "Stereo", false);
    expectAudio(3, "ac3", "fra", 6, "French 5.1", false);
    EXPECT_EQ(streams[4].type, "subtitle");
    EXPECT_EQ(streams[4].codec, "mov_text");
    EXPECT_EQ(streams[4].language, "eng");
    EXPECT_TRUE(streams[4].enabled);
    const QJsonObject tags = tagsOf(path);
    EXPECT_EQ(tags["tvsh"].toString(), "Test Show") << QJsonDocument(tags).toJson().toStdString();
    EXPECT_EQ(tags["tvsn"].toInt(), 2);
    EXPECT_EQ(tags["tves"].toInt(), 3);
    EXPECT_EQ(tags["@nam"].toString(), "The Third");
    EXPECT_EQ(tags["desc"].toString(), "What happens in the third one.");
    EXPECT_EQ(tags["stik"].toInt(), 10);
    EXPECT_EQ(tags["hdvd"].toInt(), hdFlag);
    EXPECT_EQ(tags["covers"].toInt(), 1);
    EXPECT_EQ(chaptersOf(path), QStringList({"Opening", "Ending"}));
  }

  QString sources = test::freshFolder("sources");
  QString work = test::freshFolder("work");
  QString library = test::freshFolder("library");
  QString out = test::freshFolder("converted");
  QString moved = test::freshFolder("originals");
  QString playedList = test::freshFolder("player") + "/played";
  QString player = test::fakeTool("player", {}, "echo \"$1\" >> '" + playedList.toUtf8() + "'");
  ScopedEnvironment libraryLocation{library::kLocationVariable, library.toUtf8()};
  ScopedEnvironment samplePlayer{kSamplePlayerVariable, player.toUtf8()};
  ScopedSettings settings{{"ConversionDirectory", work}, {"EncodingQuality", 1}, {"ConversionThreads", 2},
                          {"AudioBitrate", 128}, {"HDBitrate2", "1"}, {"SDBitrate2", "0.5"},
                          {"PercentageBitrate", 100}, {"ConvertedFilesDirectory", moved},
                          {"VideoSourcesFileAction", 0}, {"DroppedFileAction", 0}, {"SucessfulConversions", 0},
                          {"TVShowName", "Series,\" - S\",Season,\"E\",Episode"}};
  CapturedLog log;
  QString source;
  MediaFilePtr media;
  std::unique_ptr<BCConverter> converter;
};

}  // namespace

TEST_F(ConversionEndToEnd, ATVShowGoesIntoTheLibraryWithEveryTrackAndTag) {
  ScopedSettings s{{"TVShowDestination", "iTunes"}, {"VideoSourcesFileAction", 2}};
  makeEpisode();
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << log.text().toStdString();
  const QStringList placed = filesUnder(library + "/TV Shows");
  ASSERT_EQ(placed.size(), 1) << placed.join(", ").toStdString();
  EXPECT_TRUE(placed[0].startsWith("Test Show/Season 2/")) << placed[0].toStdString();
  expectWholeEpisode(library + "/TV Shows/" + placed[0]);
  const QByteArray index = test::readFile(library + "/" + library::kIndexFileName);
  EXPECT_TRUE(index.contains("Test Show")) << index.toStdString();
  // The original went to the folder of converted files; nothing is left in the work folder.
  EXPECT_FALSE(QFileInfo::exists(source));
  EXPECT_TRUE(QFileInfo::exists(moved + "/Episode.mkv"));
  EXPECT_EQ(workFolderLeft(), "");
  EXPECT_TRUE(media->conversionfinished());
  EXPECT_EQ(media->state(), MediaState::Ended);
  EXPECT_EQ(Defaults::standard().integerForKey("SucessfulConversions"), 1);
}
