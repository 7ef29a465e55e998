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
#include <QMap>
#include <atomic>
#include <thread>

#include "convert/converter/BCConverter.h"
#include "convert/converter/SamplePlayer.h"
#include "convert/report/ConversionCodes.h"
#include "convert/support/FakeTool.h"
#include "convert/support/PreparationFixtures.h"
#include "media/MediaValues.h"
#include "metadata/SaveMP4Tags.h"
#include "mp4/Mp4Fixtures.h"
#include "platform/Defaults.h"
#include "platform/MadeFiles.h"
#include "platform/Paths.h"
#include "tools/library/MediaLibrary.h"

using namespace zuvo;
using test::CapturedLog;
using test::ScopedSettings;

namespace {

const QString kSubRip = QStringLiteral(
    "1\n00:00:00,200 --> 00:00:01,000\nHello there\n\n2\n00:00:01,200 --> 00:00:02,500\nGood bye\n\n");

// Shell lines after an encode: its output (the last argument) cut in half.
const QByteArray kCutOutputInHalf =
    "for last; do :; done\ntruncate -s $(( $(stat -c %s \"$last\") / 2 )) \"$last\"\n";

QJsonObject json(const QByteArray& text) { return QJsonDocument::fromJson(text).object(); }

// Sets an environment variable for one test.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const QByteArray& value)
      : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    qputenv(name, value);
  }
  ~ScopedEnvironment() {
    if (had_)
      qputenv(name_, old_);
    else
      qunsetenv(name_);
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

// ffprobe for codecs, channels, languages and the enabled flag; mediainfo for the names: its
// title shows the handler name that MP4Box's "name=" sets and the track name set after it,
// "Surround / French 5.1".
QList<Stream> streamsOf(const QString& path) {
  QList<Stream> streams;
  const QJsonObject probe =
      json(test::runCommand("ffprobe", {"-v", "error", "-show_streams", "-of", "json", path}).output);
  for (const QJsonValue& value : probe["streams"].toArray()) {
    const QJsonObject s = value.toObject();
    // The chapter track and the cover are no streams a player offers.
    if (s["codec_type"].toString() == "data" || s["disposition"].toObject()["attached_pic"].toInt() == 1)
      continue;
    streams.append({s["codec_type"].toString(),
                    s["codec_name"].toString(),
                    s["tags"].toObject()["language"].toString(),
                    {},
                    s["channels"].toInt(),
                    s["disposition"].toObject()["default"].toInt() == 1});
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
    lines << QStringLiteral("%1 %2 %3 ch%4 '%5' %6")
                 .arg(s.type, s.codec, s.language)
                 .arg(s.channels)
                 .arg(s.name)
                 .arg(s.enabled ? "on" : "off");
  return lines.join("; ");
}

// The iTunes tags as mutagen reads them, each key's first value.
QJsonObject tagsOf(const QString& path) {
  const QJsonObject view = test::mutagenView(path)["tags"].toObject();
  QJsonObject first;
  for (auto it = view.begin(); it != view.end(); ++it) first[it.key()] = it.value().toArray().first();
  first["covers"] = view["covr"].toArray().size();
  return first;
}

QStringList chaptersOf(const QString& path) {
  QStringList titles;
  const QJsonObject probe =
      json(test::runCommand("ffprobe", {"-v", "error", "-show_chapters", "-of", "json", path}).output);
  for (const QJsonValue& c : probe["chapters"].toArray())
    titles << c.toObject()["tags"].toObject()["title"].toString();
  return titles;
}

QStringList filesUnder(const QString& folder) {
  QStringList files;
  const QDir root(folder);
  for (const QFileInfo& info :
       root.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
    if (info.isDir())
      for (const QString& inner : filesUnder(info.filePath())) files << info.fileName() + "/" + inner;
    else
      files << info.fileName();
  }
  return files;
}

struct Box {
  QString type;
  qint64 offset = 0, size = 0;
};

QList<Box> boxesOf(const QString& path) {
  QList<Box> boxes;
  qint64 at = 0;
  for (const QString& box : test::topLevelBoxes(path)) {
    boxes.append({box.section(':', 0, 0), at, box.section(':', 1).toLongLong()});
    at += boxes.back().size;
  }
  return boxes;
}

QString describe(const QList<Box>& boxes) {
  QStringList parts;
  for (const Box& b : boxes) parts << QStringLiteral("%1:%2").arg(b.type).arg(b.size);
  return parts.join(' ');
}

// Each packet's stream, place in the file and decode time, in file order (the chapter titles too).
struct Packet {
  int stream;
  qint64 pos;
  double dts;
};
QList<Packet> packetsOf(const QString& path) {
  QList<Packet> packets;
  const QJsonObject probe =
      json(test::runCommand("ffprobe", {"-v", "error", "-show_entries", "packet=stream_index,pos,dts_time",
                                        "-of", "json", path})
               .output);
  for (const QJsonValue& v : probe["packets"].toArray()) {
    const QJsonObject p = v.toObject();
    packets.append(
        {p["stream_index"].toInt(), p["pos"].toString().toLongLong(), p["dts_time"].toString().toDouble()});
  }
  std::sort(packets.begin(), packets.end(), [](const Packet& a, const Packet& b) { return a.pos < b.pos; });
  return packets;
}

// As a player streaming the file needs it: the index before every media box, and the tracks'
// packets taking turns through the file, none more than a second behind one before it.
void expectLaidOutForStreaming(const QString& path) {
  const QList<Box> boxes = boxesOf(path);
  qsizetype moov = -1;
  for (qsizetype i = 0; i < boxes.size(); ++i) {
    if (boxes[i].type == "moov") moov = i;
    if (boxes[i].type == "mdat") {
      EXPECT_GE(moov, 0) << "a media box before the index: " << describe(boxes).toStdString();
    }
  }
  ASSERT_GE(moov, 0) << describe(boxes).toStdString();
  QList<Packet> packets = packetsOf(path);
  // The cover is stored in the index itself.
  packets.removeIf([&](const Packet& p) {
    return p.pos >= boxes[moov].offset && p.pos < boxes[moov].offset + boxes[moov].size;
  });
  ASSERT_FALSE(packets.isEmpty());
  EXPECT_GT(packets.first().pos, boxes[moov].offset + boxes[moov].size);
  double latest = 0;
  for (const Packet& p : packets) {
    EXPECT_GE(p.dts, latest - 1.0) << "stream " << p.stream << " at " << p.pos << " in "
                                   << describe(boxes).toStdString();
    latest = std::max(latest, p.dts);
  }
}

class ConversionEndToEnd : public testing::Test {
 protected:
  ConversionEndToEnd() {
    QDir(paths::desktopFolder()).removeRecursively();
    QDir(trash()).removeRecursively();
  }

  // A 3-second episode with English stereo, French 5.1 and an English SubRip file beside it.
  MediaFilePtr makeEpisode(const QString& name = "Episode", int seconds = 3) {
    source = sources + "/" + name + ".mkv";
    const QString length = QString::number(seconds);
    test::makeMedia(source, {"-f",
                             "lavfi",
                             "-i",
                             "testsrc=size=320x240:rate=25:duration=" + length,
                             "-f",
                             "lavfi",
                             "-i",
                             "sine=frequency=440:sample_rate=48000:duration=" + length,
                             "-f",
                             "lavfi",
                             "-i",
                             "sine=frequency=660:sample_rate=48000:duration=" + length,
                             "-map",
                             "0:v",
                             "-map",
                             "1:a",
                             "-map",
                             "2:a",
                             "-c:v",
                             "libx264",
                             "-preset",
                             "ultrafast",
                             "-c:a",
                             "aac",
                             "-ac:a:0",
                             "2",
                             "-ac:a:1",
                             "6",
                             "-metadata:s:a:0",
                             "language=eng",
                             "-metadata:s:a:1",
                             "language=fre"});
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

  // The converter, made once the media object is complete; its base name names the outputs.
  BCConverter& prepare() {
    if (!converter) converter = BCConverter::init(media, "[7]", {}, log.reporter, {});
    return *converter;
  }
  BCError convert() {
    prepare();
    media->setState(MediaState::Converting);
    return converter->Convert();
  }
  QString outputName(const QString& suffix = ".m4v") { return prepare().outboundname + suffix; }

  // The episode without sound or subtitles, its encoder the real one followed by `after`
  // (shell lines) in the same script.
  void videoOnlyWithEncoderThen(const QByteArray& after) {
    makeEpisode();
    media->setAudioTracks({});
    media->setSoftSubtitleTracks({});
    media->setHardSubtitleTracks({});
    BCConverter& c = prepare();
    const QString wrapper = test::writeFile(test::freshFolder("encoder") + "/ffmpeg",
                                            "#!/bin/sh\n'" + c.ffmpegpath.toUtf8() + "' \"$@\"\n" + after);
    QFile::setPermissions(wrapper, QFile::permissions(wrapper) | QFileDevice::ExeOwner);
    c.ffmpegpath = wrapper;
  }
  // The converter's `tool` becomes a script that runs `before` (shell lines) and then the
  // real tool, for the runs whose arguments match the shell pattern `runs`; the others run
  // the real tool alone. "$real" is the real tool and "$last" the run's last argument.
  void wrapTool(QString BCConverter::*tool, const QByteArray& runs, const QByteArray& before,
                const QByteArray& realRun = "exec \"$real\" \"$@\"") {
    BCConverter& c = prepare();
    const QString script = test::freshFolder("wrapped") + "/" + QFileInfo(c.*tool).fileName();
    test::writeFile(script, "#!/bin/sh\nreal='" + (c.*tool).toUtf8() +
                                "'\nfor last; do :; done\ncase \"$*\" in " + runs + ")\n" + before + "\n" +
                                realRun + "\n;;\nesac\nexec \"$real\" \"$@\"\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
    c.*tool = script;
  }

  // A conversion that failed for `reason` and left the user's original and the destinations
  // as they were: the original in place (not in the Trash), no file under a final name.
  void expectFailedAndUntouched(const BCError& result, const QByteArray& original, const QString& reason) {
    EXPECT_TRUE(result.Error());
    EXPECT_NE(result.Code(), ConversionCode::Stopped) << "a failure is no stop";
    EXPECT_TRUE(result.Description().contains(reason)) << result.Description().toStdString() << "\n"
                                                       << log.text().toStdString();
    EXPECT_EQ(test::readFile(source), original);
    EXPECT_TRUE(trashed().isEmpty()) << trashed().join(", ").toStdString();
    EXPECT_TRUE(filesUnder(paths::desktopFolder()).isEmpty())
        << filesUnder(paths::desktopFolder()).join(", ").toStdString();
    EXPECT_TRUE(filesUnder(out).isEmpty()) << filesUnder(out).join(", ").toStdString();
    EXPECT_FALSE(media->conversionfinished());
    EXPECT_EQ(Defaults::standard().integerForKey("SucessfulConversions"), 0);
  }

  void expectEndedToolFails(const QByteArray& runs, const char* delay, const QString& reason,
                            const QString& lostReason);

  QStringList trashed() const {
    return QDir(trash() + "/files").entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
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
    const auto expectAudio = [&](int i, const char* codec, const char* language, int channels,
                                 const char* name, bool on) {
      EXPECT_EQ(streams[i].codec, codec) << i;
      EXPECT_EQ(streams[i].language, language) << i;
      EXPECT_EQ(streams[i].channels, channels) << i;
      EXPECT_EQ(streams[i].name, name) << i;
      EXPECT_EQ(streams[i].enabled, on) << i;
    };
    expectAudio(1, "aac", "eng", 2, "Stereo / Stereo", true);
    expectAudio(2, "aac", "fra", 2, "Stereo / Stereo", false);
    expectAudio(3, "ac3", "fra", 6, "Surround / French 5.1", false);
    EXPECT_EQ(streams[4].type, "subtitle");
    EXPECT_EQ(streams[4].codec, "mov_text");
    EXPECT_EQ(streams[4].language, "eng");
    EXPECT_TRUE(streams[4].enabled);
    const QJsonObject tags = tagsOf(path);
    EXPECT_EQ(tags["tvsh"].toString(), "Test Show") << QJsonDocument(tags).toJson().toStdString();
    EXPECT_EQ(tags["tvsn"].toInt(), 2);
    EXPECT_EQ(tags["tves"].toInt(), 3);
    EXPECT_EQ(tags["\u00a9nam"].toString(), "The Third");
    EXPECT_EQ(tags["desc"].toString(), "What happens in the third one.");
    EXPECT_EQ(tags["stik"].toInt(), 10);
    EXPECT_EQ(tags["hdvd"].toInt(), hdFlag);
    EXPECT_EQ(tags["covers"].toInt(), 1);
    EXPECT_EQ(chaptersOf(path), QStringList({"Opening", "Ending"}));
    EXPECT_TRUE(test::atomicParsley(path).contains("The Third"));
    expectLaidOutForStreaming(path);
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
  ScopedSettings settings{{"ConversionDirectory", work}, {"EncodingQuality", 1},
                          {"ConversionThreads", 2},      {"AudioBitrate", 128},
                          {"HDBitrate2", "1"},           {"SDBitrate2", "0.5"},
                          {"PercentageBitrate", 100},    {"ConvertedFilesDirectory", moved},
                          {"VideoSourcesFileAction", 0}, {"DroppedFileAction", 0},
                          {"SucessfulConversions", 0}};
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
  const QString converted = library + "/TV Shows/" + placed[0];
  expectWholeEpisode(converted);

  // The user's later tag save, with other chapters and a larger cover, moves no media.
  const QList<Box> before = boxesOf(converted);
  const QList<Packet> packets = packetsOf(converted);
  const QByteArray digest = test::packetDigest(converted);
  media->setEpisodename("The Third, Renamed");
  QImage cover(600, 600, QImage::Format_RGB32);
  cover.fill(Qt::blue);
  media->setImage(cover);
  ChapterTrack only;
  only.setStarttime("00:00:00.000");
  only.setTitle("Whole");
  media->setChapters({only});
  ASSERT_FALSE(saveMP4TagsInPlace(converted, *media, log.reporter).Error()) << log.text().toStdString();
  const auto mediaBox = [](const QList<Box>& boxes) {
    QList<Box> mdat = boxes;
    mdat.removeIf([](const Box& b) { return b.type != "mdat"; });
    return mdat.isEmpty() ? Box{} : mdat.back();
  };
  EXPECT_EQ(mediaBox(boxesOf(converted)).offset, mediaBox(before).offset)
      << describe(boxesOf(converted)).toStdString();
  EXPECT_EQ(mediaBox(boxesOf(converted)).size, mediaBox(before).size);
  EXPECT_EQ(test::packetDigest(converted), digest);
  QList<qint64> stillAt, wasAt;
  for (const Packet& p : packets)
    if (p.stream < 5) wasAt << p.pos;
  for (const Packet& p : packetsOf(converted))
    if (p.stream < 5) stillAt << p.pos;
  EXPECT_EQ(stillAt, wasAt);
  EXPECT_EQ(chaptersOf(converted), QStringList({"Whole"}));
  EXPECT_TRUE(test::atomicParsley(converted).contains("The Third, Renamed"));
  // The new chapter titles come after the index too.
  const QList<Box> after = boxesOf(converted);
  const auto firstOf = [&](const char* type) {
    return std::find_if(after.begin(), after.end(), [&](const Box& b) { return b.type == type; }) -
           after.begin();
  };
  EXPECT_LT(firstOf("moov"), firstOf("mdat")) << describe(after).toStdString();
  EXPECT_EQ(after.first().type, "ftyp");
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

TEST_F(ConversionEndToEnd, AnHDAndSDPairGoesToTheDesktopAndADroppedOriginalToTheTrash) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}, {"DroppedFileAction", 1}};
  makeEpisode();
  media->setConversionFormat(ConversionFormat::HDAndSD);
  media->setDrop(true);
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << log.text().toStdString();
  const QString desktop = paths::desktopFolder();
  EXPECT_EQ(filesUnder(desktop), QStringList({outputName(" HD.m4v"), outputName()}));
  expectWholeEpisode(desktop + "/" + outputName(" HD.m4v"), 1);
  // The SD file has no surround: the French track comes only as stereo.
  const QList<Stream> sd = streamsOf(desktop + "/" + outputName());
  EXPECT_EQ(describe(sd),
            "video h264 und ch0 '' on; audio aac eng ch2 'Stereo / Stereo' on; "
            "audio aac fra ch2 'Stereo / Stereo' off; subtitle mov_text eng ch0 'eng' on");
  EXPECT_EQ(tagsOf(desktop + "/" + outputName())["hdvd"].toInt(), 0);
  EXPECT_EQ(tagsOf(desktop + "/" + outputName())["cnID"],
            tagsOf(desktop + "/" + outputName(" HD.m4v"))["cnID"]);
  EXPECT_FALSE(QFileInfo::exists(source));
  EXPECT_EQ(trashed(), QStringList({"Episode.mkv"}));
  EXPECT_EQ(workFolderLeft(), "");
}

TEST_F(ConversionEndToEnd, TheOriginalFolderGetsAFreeNameBesideTheOriginal) {
  ScopedSettings s{{"TVShowDestination", "Original Folder"}};
  makeEpisode();
  const QString taken = test::writeFile(sources + "/" + outputName(), "someone else's");
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << log.text().toStdString();
  EXPECT_EQ(test::readFile(taken), "someone else's");
  expectWholeEpisode(sources + "/" + outputName("-1.m4v"));
  EXPECT_TRUE(QFileInfo::exists(source)) << "action 0 leaves the original";
  EXPECT_TRUE(trashed().isEmpty());
  EXPECT_EQ(workFolderLeft(), "");
}

TEST_F(ConversionEndToEnd, AUserFolderGetsSeriesAndSeasonFoldersThatDownloadedNamesCannotEscape) {
  const QString argumentsFile = test::freshFolder("script") + "/arguments";
  const QString script =
      test::fakeTool("post", {}, "printf '%s\\n' \"$@\" > '" + argumentsFile.toUtf8() + "'");
  ScopedSettings s{{"TVShowDestination", "Use Default"},     {"ShowDestination", out},
                   {"ImportFileIntoiTunes", false},          {"DeleteFileAfterImport", true},
                   {"CreateTVShowShowSeasonFolder", true},   {"RunPostConversionAppleScript", true},
                   {"PostConversionApplescriptPath", script}};
  makeEpisode();
  media->setSeriesname("../../Escape/Show");
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << log.text().toStdString();
  // Nothing was imported, so the delete flag keeps the file; no leading dot hides the folder.
  const QString placed = out + "/-..-Escape-Show/Season 2/" + outputName();
  EXPECT_EQ(filesUnder(out), QStringList({"-..-Escape-Show/Season 2/" + outputName()}));
  ASSERT_TRUE(QFileInfo::exists(placed));
  EXPECT_TRUE(filesUnder(library).isEmpty());
  const QStringList arguments = QString::fromUtf8(test::readFile(argumentsFile)).split('\n');
  EXPECT_EQ(arguments.mid(0, 9),
            QStringList({placed, source, "0", "../../Escape/Show", "The Third", "2", "3", "", "Drama"}));
  EXPECT_EQ(workFolderLeft(), "");
}

TEST_F(ConversionEndToEnd, AnImportedFileInAUserFolderIsDeletedWhenAsked) {
  ScopedSettings s{{"TVShowDestination", out},
                   {"ImportTVShowFileIntoiTunes", true},
                   {"DeleteTVShowFileAfterImport", true}};
  makeEpisode();
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << log.text().toStdString();
  EXPECT_TRUE(filesUnder(out).isEmpty()) << filesUnder(out).join(", ").toStdString();
  const QStringList placed = filesUnder(library + "/TV Shows");
  ASSERT_EQ(placed.size(), 1);
  expectWholeEpisode(library + "/TV Shows/" + placed[0]);
}

TEST_F(ConversionEndToEnd, ASampleIsPlayedFromTheDesktopAndNeitherImportedNorAnEndForTheOriginal) {
  ScopedSettings s{{"TVShowDestination", "iTunes"}, {"VideoSourcesFileAction", 1}};
  makeEpisode();
  media->setIsSample(true);
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << log.text().toStdString();
  const QString onDesktop = paths::desktopFolder() + "/" + outputName();
  EXPECT_TRUE(QFileInfo::exists(onDesktop));
  ASSERT_TRUE(test::waitFor([&] { return QFileInfo::exists(playedList); }));
  EXPECT_EQ(test::readFile(playedList).trimmed(), onDesktop.toUtf8());
  EXPECT_TRUE(filesUnder(library).isEmpty());
  EXPECT_TRUE(QFileInfo::exists(source));
  EXPECT_TRUE(trashed().isEmpty());
}

TEST_F(ConversionEndToEnd, AFailedImportKeepsTheOutputFailsAndLeavesTheOriginal) {
  // A library folder that cannot be made: a file holds its name.
  const QString blocked = test::writeFile(test::freshFolder("blocked") + "/library", "not a folder");
  ScopedEnvironment noLibrary{library::kLocationVariable, blocked.toUtf8() + "/inside"};
  ScopedSettings s{{"TVShowDestination", "iTunes"}, {"VideoSourcesFileAction", 1}};
  makeEpisode();
  const BCError result = convert();
  EXPECT_EQ(result.Code(), ConversionCode::PlacingFile) << log.text().toStdString();
  EXPECT_TRUE(result.Description().contains(work + "/" + outputName())) << result.Description().toStdString();
  expectWholeEpisode(work + "/" + outputName());
  EXPECT_TRUE(QFileInfo::exists(source));
  EXPECT_TRUE(trashed().isEmpty());
  EXPECT_FALSE(media->conversionfinished());
  EXPECT_EQ(media->state(), MediaState::Ended);
  EXPECT_EQ(Defaults::standard().integerForKey("SucessfulConversions"), 0);
}

TEST_F(ConversionEndToEnd, AHundredthNameClashOnTheDesktopFailsTheConversion) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}};
  makeEpisode();
  const QString desktop = paths::desktopFolder();
  QDir().mkpath(desktop);
  test::writeFile(desktop + "/" + outputName(), "taken");
  for (int i = 1; i <= 99; ++i)
    test::writeFile(desktop + "/" + outputName(QStringLiteral("-%1.m4v").arg(i)), "taken");
  const BCError result = convert();
  EXPECT_EQ(result.Code(), ConversionCode::PlacingFile);
  EXPECT_EQ(result.Description(),
            "Unable to move converted HD file to Desktop, it is kept at " + work + "/" + outputName());
  EXPECT_EQ(filesUnder(desktop).size(), 100);
  EXPECT_TRUE(QFileInfo::exists(source));
}

TEST_F(ConversionEndToEnd, AnEncoderThatDamagesItsOutputLateIsCaughtBeforeTheFileIsPlaced) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}};
  // The real encode, then its file cut in half as a tool killed while writing would leave it.
  videoOnlyWithEncoderThen(kCutOutputInHalf);
  const BCError result = convert();
  EXPECT_EQ(result.Code(), ConversionCode::VideoTrack) << log.text().toStdString();
  EXPECT_EQ(result.Description(),
            "Unable to convert video track: " + work + "/" + outputName() + " is missing or damaged");
  EXPECT_TRUE(log.text().contains("[RED]Converted file is not whole: " + work + "/" + outputName() +
                                  " is missing or damaged, failing conversion."));
  EXPECT_TRUE(filesUnder(paths::desktopFolder()).isEmpty());
  EXPECT_FALSE(media->conversionfinished());
  EXPECT_TRUE(QFileInfo::exists(source));
}

TEST_F(ConversionEndToEnd, TheTrashGetsTheRecordingsPackageNotTheVideoInsideIt) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}, {"DroppedFileAction", 1}, {"ElgatoEyeTVDevice", 0}};
  makeEpisode();
  const QString package = sources + "/Recording.eyetv";
  QDir().mkpath(package);
  ASSERT_TRUE(QFile::rename(source, package + "/000000001.mkv"));
  media->setFullpath(package);
  media->setFilename("Recording.eyetv");
  media->setPackagepath(package + "/000000001.mkv");
  media->setType(kSourceTypeEyeTV);
  media->setDrop(true);
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << log.text().toStdString();
  EXPECT_FALSE(QFileInfo::exists(package));
  EXPECT_EQ(trashed(), QStringList({"Recording.eyetv"}));
  EXPECT_TRUE(QFileInfo(trash() + "/files/Recording.eyetv/000000001.mkv").isFile());
}

TEST_F(ConversionEndToEnd, AnAudioOffsetDelaysTheVideoOrTheSound) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}};
  for (const float offset : {-0.25f, 0.25f}) {
    SCOPED_TRACE(offset);
    converter.reset();
    QDir(paths::desktopFolder()).removeRecursively();
    makeEpisode(offset < 0 ? "Early" : "Late");
    media->setAudiosync(offset);
    ASSERT_FALSE(convert().Error()) << log.text().toStdString();
    const QJsonObject probe = json(test::runCommand("ffprobe", {"-v", "error", "-show_streams", "-of", "json",
                                                                paths::desktopFolder() + "/" + outputName()})
                                       .output);
    QStringList starts;
    for (const QJsonValue& v : probe["streams"].toArray()) {
      const QJsonObject st = v.toObject();
      if (st["codec_type"] == "video" && st["disposition"].toObject()["attached_pic"].toInt() == 0)
        starts << "video " + QString::number(st["start_time"].toString().toDouble(), 'f', 2);
      if (st["codec_type"] == "audio")
        starts << "audio " + QString::number(st["start_time"].toString().toDouble(), 'f', 2);
    }
    EXPECT_EQ(starts, offset < 0 ? QStringList({"video 0.25", "audio 0.00", "audio 0.00", "audio 0.00"})
                                 : QStringList({"video 0.00", "audio 0.25", "audio 0.25", "audio 0.25"}));
  }
}

TEST_F(ConversionEndToEnd, OnlyTheFirstDefaultAudioTrackPlaysAndWithoutOneNoneDoes) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}};
  struct DefaultCase {
    const char* name;
    bool englishDefault, frenchDefault;
    const char* streams;
  } cases[] = {
      {"TwoDefaults", true, true,
       "video h264 und ch0 '' on; audio aac eng ch2 'Stereo / Stereo' on; audio aac fra ch2 'Stereo / "
       "Stereo' off; "
       "audio ac3 fra ch6 'Surround / French 5.1' off; subtitle mov_text eng ch0 'eng' on"},
      {"NoDefault", false, false,
       "video h264 und ch0 '' on; audio aac eng ch2 'Stereo / Stereo' off; audio aac fra ch2 'Stereo / "
       "Stereo' off; "
       "audio ac3 fra ch6 'Surround / French 5.1' off; subtitle mov_text eng ch0 'eng' on"},
  };
  for (const DefaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    converter.reset();
    QDir(paths::desktopFolder()).removeRecursively();
    makeEpisode(c.name);
    QList<AudioTrack> audio = media->AudioTracks();
    audio[0].setIsDefault(c.englishDefault);
    audio[1].setIsDefault(c.frenchDefault);
    media->setAudioTracks(audio);
    ASSERT_FALSE(convert().Error()) << log.text().toStdString();
    EXPECT_EQ(describe(streamsOf(paths::desktopFolder() + "/" + outputName())), c.streams);
    EXPECT_EQ(media->AudioTracks()[1].isDefault(), false);
  }
  EXPECT_TRUE(log.text().contains("[RED]More than one Default audio track at track number 1"));
}

TEST_F(ConversionEndToEnd, RegionalLanguagesBibliographicCodesAndAKoreanSubtitleReachTheOutput) {
  ScopedSettings s{
      {"TVShowDestination", "Desktop"}, {"AddAllAudioTracks", true}, {"IncludeSubtitleTracks", 2}};
  // French (Canada) 5.1 and American English stereo as mkvmerge tags them; beside the
  // video a French subtitle named by its bibliographic code and a Korean one in CP949
  // ("똠" lies outside EUC-KR).
  const QString made = sources + "/made.mkv";
  test::makeMedia(made, {"-f",      "lavfi",     "-i",      "testsrc=size=320x240:rate=25:duration=3",
                         "-f",      "lavfi",     "-i",      "sine=frequency=440:sample_rate=48000:duration=3",
                         "-f",      "lavfi",     "-i",      "sine=frequency=660:sample_rate=48000:duration=3",
                         "-map",    "0:v",       "-map",    "1:a",
                         "-map",    "2:a",       "-c:v",    "libx264",
                         "-preset", "ultrafast", "-c:a",    "aac",
                         "-ac:a:0", "6",         "-ac:a:1", "2"});
  source = sources + "/Episode.mkv";
  const test::CommandResult merged = test::runCommand(
      "mkvmerge", {"-q", "-o", source, "--language", "1:fr-CA", "--language", "2:en-US", made});
  ASSERT_EQ(merged.exitCode, 0) << merged.output.toStdString();
  QFile::remove(made);
  test::writeFile(sources + "/Episode$fre.srt", "1\n00:00:00,200 --> 00:00:01,000\nBonjour\n\n");
  const QString korean =
      QString::fromUtf8("똠방각하는 한국 드라마입니다. 서울에서 부산까지 기차로 세 시간 걸립니다.");
  const QString koreanText =
      test::writeFile(sources + "/korean.txt", ("1\n00:00:00,200 --> 00:00:01,000\n안녕하세요. 오늘 날씨가 "
                                                "정말 좋네요. 우리 함께 공원에 산책하러 갈까요?\n\n"
                                                "2\n00:00:01,100 --> 00:00:02,000\n" +
                                                korean + "\n\n")
                                                   .toUtf8());
  const test::CommandResult cp949 = test::runCommand("iconv", {"-f", "UTF-8", "-t", "CP949", koreanText});
  ASSERT_EQ(cp949.exitCode, 0) << cp949.output.toStdString();
  test::writeFile(sources + "/Episode$kor.srt", cp949.output);

  media = test::probed(source);  // an English-speaking user
  media->setMediatype(MediaType::TVShow);
  media->setSeriesname("Test Show");
  media->setSeason(1);
  media->setShow(1);
  media->setEpisodename("Pilot");
  media->setConversionFormat(ConversionFormat::HDOnly);
  ASSERT_FALSE(convert().Error()) << log.text().toStdString();

  // The American English stereo track plays; every track carries its language.
  const QString output = paths::desktopFolder() + "/" + outputName();
  QStringList tracks;
  for (const Stream& stream : streamsOf(output))
    tracks << QStringLiteral("%1 %2 ch%3 %4")
                  .arg(stream.type, stream.language)
                  .arg(stream.channels)
                  .arg(stream.enabled ? "on" : "off");
  EXPECT_EQ(tracks, QStringList({"video und ch0 on", "audio fra ch6 off", "audio eng ch2 on",
                                 "subtitle fra ch0 on", "subtitle kor ch0 off"}))
      << log.text().toStdString();
  const test::CommandResult text = test::runCommand(
      "ffmpeg", {"-v", "error", "-i", output, "-map", "0:s:m:language:kor", "-f", "srt", "-"});
  EXPECT_TRUE(QString::fromUtf8(text.output).contains(korean)) << text.output.toStdString();
}

TEST_F(ConversionEndToEnd, AnSDFilePlaysTheStereoVersionOfADefaultSurroundTrack) {
  // Only the French surround track plays by default, and no stereo version was asked for:
  // the SD file, which carries no surround, plays its stereo version instead.
  ScopedSettings s{{"TVShowDestination", "Desktop"}};
  const struct {
    const char* name;
    ConversionFormat format;
    bool mobile;
  } cases[] = {
      {"HDAndSD", ConversionFormat::HDAndSD, false},
      {"SDForMobile", ConversionFormat::SDOnly, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedSettings mobile{{"SupportMobileDevices", c.mobile}};
    converter.reset();
    QDir(paths::desktopFolder()).removeRecursively();
    makeEpisode(c.name);
    media->setConversionFormat(c.format);
    QList<AudioTrack> audio = media->AudioTracks();
    for (AudioTrack& t : audio) {
      t.setIsDefault(t.channels() == 6);
      t.setMakeStereo(false);
    }
    media->setAudioTracks(audio);
    ASSERT_FALSE(convert().Error()) << log.text().toStdString();
    EXPECT_EQ(describe(streamsOf(paths::desktopFolder() + "/" + outputName())),
              "video h264 und ch0 '' on; audio aac eng ch2 'Stereo / Stereo' off; "
              "audio aac fra ch2 'Stereo / Stereo' on; subtitle mov_text eng ch0 'eng' on");
    if (c.format == ConversionFormat::HDAndSD) {
      EXPECT_EQ(describe(streamsOf(paths::desktopFolder() + "/" + outputName(" HD.m4v"))),
                "video h264 und ch0 '' on; audio aac eng ch2 'Stereo / Stereo' off; "
                "audio ac3 fra ch6 'Surround / French 5.1' on; subtitle mov_text eng ch0 'eng' on");
    }
  }
}

TEST_F(ConversionEndToEnd, AStopWhileTheSoundIsExportedEndsTheConversionAsAStop) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}, {"VideoSourcesFileAction", 1}};
  makeEpisode();
  BCConverter& c = prepare();
  // The real ffmpeg, except that exporting the sound waits to be stopped.
  const QString exporting = test::freshFolder("exporting") + "/started";
  const QString wrapper =
      test::writeFile(test::freshFolder("slow sound") + "/ffmpeg",
                      "#!/bin/sh\ncase \"$*\" in *-vn*) touch '" + exporting.toUtf8() +
                          "'; sleep 60;; esac\nexec '" + c.ffmpegpath.toUtf8() + "' \"$@\"\n");
  QFile::setPermissions(wrapper, QFile::permissions(wrapper) | QFileDevice::ExeOwner);
  c.ffmpegpath = wrapper;
  media->setState(MediaState::Converting);
  BCError result;
  std::atomic<bool> done{false};
  std::thread conversion([&] {
    result = c.Convert();
    done = true;
  });
  const bool started = test::waitFor([&] { return QFileInfo::exists(exporting) || done; });
  // As the queue's stop button does.
  media->setStopbuttonpressed(true);
  media->setState(MediaState::Ended);
  conversion.join();
  ASSERT_TRUE(started);

  // Code 2 is the stop the queue reports to nobody, unlike an audio error.
  EXPECT_EQ(result.Code(), ConversionCode::Stopped) << result.Description().toStdString();
  EXPECT_FALSE(media->conversionfinished());
  EXPECT_EQ(media->progress(), 100);
  EXPECT_TRUE(filesUnder(paths::desktopFolder()).isEmpty());
  EXPECT_TRUE(QFileInfo::exists(source));
  EXPECT_TRUE(trashed().isEmpty());
}

TEST_F(ConversionEndToEnd, AWorkFolderAndSourceNamedWithPercentNumbersConvertLikeAnyOther) {
  // Texts such as "%1" in a folder's name must reach the tools as they are.
  work = test::freshFolder("work %1 %2");
  sources = test::freshFolder("videos %1");
  ScopedSettings s{{"ConversionDirectory", work}, {"TVShowDestination", "Desktop"}};
  makeEpisode("Episode %1");
  media->setConversionFormat(ConversionFormat::HDAndSD);
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << log.text().toStdString();
  expectWholeEpisode(paths::desktopFolder() + "/" + outputName(" HD.m4v"), 1);
  EXPECT_EQ(describe(streamsOf(paths::desktopFolder() + "/" + outputName())),
            "video h264 und ch0 '' on; audio aac eng ch2 'Stereo / Stereo' on; "
            "audio aac fra ch2 'Stereo / Stereo' off; subtitle mov_text eng ch0 'eng' on");
  EXPECT_EQ(workFolderLeft(), "");
}

// "Burn in" chosen as the subtitle preference: the probe picks the SubRip file beside a
// dark video and the conversion draws its text into the picture, with no subtitle track.
TEST_F(ConversionEndToEnd, BurnInPreferenceDrawsTheSubtitleFileIntoThePicture) {
  ScopedSettings s{{"IncludeSubtitleTracks", 3}, {"MovieDestination", "Desktop"}};
  source = sources + "/Dark.mkv";
  // Dark noise: no light pixel of its own, and too busy to shrink below the size a
  // finished conversion must reach.
  test::makeMedia(
      source, {"-f", "lavfi", "-i", "color=c=black:s=320x240:rate=25:duration=3,noise=alls=30:allf=t+u", "-f",
               "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=3", "-c:v", "libx264", "-preset",
               "ultrafast", "-c:a", "aac"});
  test::writeFile(sources + "/Dark$English.srt", "1\n00:00:00,000 --> 00:00:03,000\nWWWW WWWW WWWW\n\n");
  media = test::probed(source);
  ASSERT_EQ(media->HardSubtitleTracks().size(), 1);
  EXPECT_TRUE(media->HardSubtitleTracks()[0].selected());
  EXPECT_FALSE(media->SoftSubtitles());
  media->setMediatype(MediaType::Movie);
  media->setSeriesname("Dark");
  media->setConversionFormat(ConversionFormat::HDOnly);
  ASSERT_FALSE(convert().Error()) << log.text().toStdString();

  const QString output = paths::desktopFolder() + "/" + outputName();
  ASSERT_TRUE(QFileInfo::exists(output)) << filesUnder(paths::desktopFolder()).join(", ").toStdString();
  EXPECT_EQ(describe(streamsOf(output)), "video h264 und ch0 '' on; audio aac und ch2 'Stereo / Stereo' on");
  const QString frame = work + "/frame.png";
  ASSERT_EQ(
      test::runCommand("ffmpeg", {"-v", "error", "-y", "-ss", "1.5", "-i", output, "-frames:v", "1", frame})
          .exitCode,
      0);
  const QImage picture(frame);
  ASSERT_FALSE(picture.isNull());
  int lit = 0, litInTopHalf = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      if (qGray(picture.pixel(x, y)) > 160) {
        ++lit;
        if (y < picture.height() / 2) ++litInTopHalf;
      }
  EXPECT_GT(lit, 200) << "the subtitle text is drawn in light letters";
  EXPECT_EQ(litInTopHalf, 0) << "near the bottom of the picture";
}

TEST_F(ConversionEndToEnd, AWorkFolderSharedWithTheUsersFilesLosesOnlyTheConversionsOwn) {
  // The work folder is the user's video folder: the episode, its subtitle beside it, and
  // other files of the user's that a conversion has no business with.
  ScopedSettings s{{"TVShowDestination", "Desktop"}, {"ConversionDirectory", sources}};
  makeEpisode();
  const QMap<QString, QByteArray> users{{"Notes.srt", kSubRip.toUtf8()},
                                        {"Karaoke.ass", "[Script Info]\nTitle: mine\n"},
                                        {"Holiday.jpg", "\xff\xd8\xff\xe0 a photo"},
                                        {"Lecture.ttxt", "<TextStream/>"}};
  for (auto it = users.begin(); it != users.end(); ++it)
    test::writeFile(sources + "/" + it.key(), it.value());
  // What an earlier conversion left behind when it failed, named in the folder's record.
  const QStringList leftOver = {"audio3.m4a", "subtitle0.ttxt", "subtitle1.ass", "ffmpeg2pass-0.log",
                                "Episode_2_text.srt"};
  for (const QString& left : leftOver) test::writeFile(sources + "/" + left, "left over");
  madefiles::add(sources, leftOver);
  // The user's own files under names a conversion gives its intermediates.
  const QMap<QString, QByteArray> lookAlikes{{"Episode_1_text.srt", kSubRip.toUtf8()},
                                             {"audio42.m4a", "my recording"}};
  for (auto it = lookAlikes.begin(); it != lookAlikes.end(); ++it)
    test::writeFile(sources + "/" + it.key(), it.value());

  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << log.text().toStdString();
  // The subtitle beside the video made it into the output.
  expectWholeEpisode(paths::desktopFolder() + "/" + outputName());
  for (auto it = users.begin(); it != users.end(); ++it)
    EXPECT_EQ(test::readFile(sources + "/" + it.key()), it.value()) << it.key().toStdString();
  for (auto it = lookAlikes.begin(); it != lookAlikes.end(); ++it)
    EXPECT_EQ(test::readFile(sources + "/" + it.key()), it.value()) << it.key().toStdString();
  QStringList left = filesUnder(sources);
  left.sort();
  EXPECT_EQ(left, QStringList({"Episode$eng.srt", "Episode.mkv", "Episode_1_text.srt", "Holiday.jpg",
                               "Karaoke.ass", "Lecture.ttxt", "Notes.srt", "audio42.m4a"}));
  EXPECT_TRUE(madefiles::names(sources).isEmpty())
      << QStringList(madefiles::names(sources).values()).join(", ").toStdString();
}

TEST_F(ConversionEndToEnd, AUsersFileUnderANameTheConversionWritesStopsItUntouched) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}};
  makeEpisode();
  const QString sd = outputName(".SD.mp4");
  // The English track's export, the French track's stereo re-encode, the subtitle's copy,
  // ffmpeg's log of a second pass and the SD pass's own output.
  for (const QString& name : {QString("audio0.m4a"), QString("audio1ff.mp4"), QString("subtitle0.sub"),
                              QString("ffmpeg2pass-1.log"), QString("temp.mp4"), sd}) {
    SCOPED_TRACE(name.toStdString());
    converter.reset();
    QDir(work).removeRecursively();
    QDir().mkpath(work);
    const QString mine = test::writeFile(work + "/" + name, "a file of the user's");
    const BCError result = convert();
    EXPECT_EQ(result.Code(), ConversionCode::PlacingFile);
    EXPECT_EQ(result.Description(), "Unable to convert, " + mine + " is in the way");
    EXPECT_TRUE(
        log.text().contains("[RED]The work folder already holds " + mine + ", it is not written over"));
    EXPECT_EQ(test::readFile(mine), "a file of the user's");
    EXPECT_EQ(workFolderLeft(), name) << "nothing was written beside it";
  }
  // Names of the same kinds that this conversion does not write are no obstacle.
  converter.reset();
  QDir(work).removeRecursively();
  QDir().mkpath(work);
  for (const char* name : {"audio7.m4a", "subtitle5.sub", "ffmpeg2pass-4.log"})
    test::writeFile(work + "/" + name, "mine");
  ASSERT_FALSE(convert().Error()) << log.text().toStdString();
  QStringList left = filesUnder(work);
  left.sort();
  EXPECT_EQ(left, QStringList({"audio7.m4a", "ffmpeg2pass-4.log", "subtitle5.sub"}));
}

TEST_F(ConversionEndToEnd, TheIntermediatesOfAConversionCutShortGoWithTheNextOne) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}};
  makeEpisode();
  // The steps up to the audio export, then the process dies: no clean-up, no failure path.
  BCConverter& first = prepare();
  first.CleanUpConversionFiles();
  first.NoteWorkFolderAtStart();
  ASSERT_FALSE(first.ExtractAudio().Error()) << log.text().toStdString();
  ASSERT_TRUE(QFileInfo::exists(work + "/audio0.m4a"));
  EXPECT_TRUE(madefiles::names(work).contains("audio0.m4a")) << "named before the tool wrote it";
  converter.reset();

  media->setState(MediaState::Queued);
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << log.text().toStdString();
  expectWholeEpisode(paths::desktopFolder() + "/" + outputName());
  EXPECT_EQ(workFolderLeft(), "");
  EXPECT_TRUE(madefiles::names(work).isEmpty())
      << QStringList(madefiles::names(work).values()).join(", ").toStdString();
}

TEST_F(ConversionEndToEnd, AMoveThatFailsSaysWhereTheFinishedFileIsKept) {
  const QString blocked =
      test::writeFile(test::freshFolder("blocked") + "/not a folder", "a file of the user's");
  struct Case {
    const char* what;
    QString destination;
    QString failure;
  } cases[] = {
      {"a user folder that cannot hold files", blocked + "/Shows",
       "Unable to move file to user defined directory " + blocked + "/Shows"},
      {"a Desktop that cannot hold files", "Desktop", "Unable to move converted HD file to Desktop"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    converter.reset();
    QDir(paths::desktopFolder()).removeRecursively();
    if (c.destination == "Desktop")
      test::writeFile(paths::desktopFolder(), "a file where the Desktop should be");
    ScopedSettings s{{"TVShowDestination", c.destination}};
    makeEpisode();
    const BCError result = convert();
    const QString kept = work + "/" + outputName();
    EXPECT_EQ(result.Code(), ConversionCode::PlacingFile) << log.text().toStdString();
    EXPECT_EQ(result.Description(), c.failure + ", it is kept at " + kept);
    EXPECT_TRUE(log.text().contains("[RED]Converted file kept at " + kept));
    expectWholeEpisode(kept);
    EXPECT_EQ(test::readFile(blocked), "a file of the user's");
    // The next conversion's clean-up leaves it where the message said.
    converter->CleanUpConversionFiles();
    EXPECT_TRUE(QFileInfo::exists(kept));
    QFile::remove(paths::desktopFolder());
    QFile::remove(kept);
  }
}

TEST_F(ConversionEndToEnd, AFileUnderTheOutputsNameInTheWorkFolderIsNeverWrittenOver) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}};
  for (const char* suffix : {".m4v", ".mp4"}) {
    SCOPED_TRACE(suffix);
    converter.reset();
    makeEpisode();
    const QString taken = test::writeFile(work + "/" + outputName(suffix), "the user's own file");
    const BCError result = convert();
    EXPECT_EQ(result.Code(), ConversionCode::PlacingFile) << log.text().toStdString();
    EXPECT_EQ(result.Description(), "Unable to convert, " + taken + " is in the way");
    EXPECT_EQ(test::readFile(taken), "the user's own file");
    EXPECT_TRUE(filesUnder(paths::desktopFolder()).isEmpty());
    EXPECT_FALSE(media->conversionfinished());
    QFile::remove(taken);
  }
}

TEST_F(ConversionEndToEnd, ARetryAfterAFailedPassConvertsAndOnlyAFileItDidNotMakeIsRefused) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}};
  // The encode leaves a damaged file: the pass fails.
  videoOnlyWithEncoderThen(kCutOutputInHalf);
  const QString output = work + "/" + outputName();
  BCError result = convert();
  ASSERT_EQ(result.Code(), ConversionCode::VideoTrack) << log.text().toStdString();
  EXPECT_FALSE(QFileInfo::exists(output))
      << "the failed pass's own output stays behind: " << workFolderLeft().toStdString();

  converter.reset();
  result = convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << log.text().toStdString();
  EXPECT_TRUE(QFileInfo::exists(paths::desktopFolder() + "/" + outputName()));
  EXPECT_FALSE(QFileInfo::exists(output));

  // A conversion cut short before its failure exit (the program died) leaves its output
  // under the name it recorded: that one goes too.
  converter.reset();
  QDir(paths::desktopFolder()).removeRecursively();
  test::writeFile(output, "half an encode");
  madefiles::add(work, {outputName()});
  result = convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString();
  EXPECT_TRUE(QFileInfo::exists(paths::desktopFolder() + "/" + outputName()));

  // A file of the same name that no conversion made is still refused, and kept.
  converter.reset();
  const QString users = test::writeFile(output, "the user's own file");
  result = convert();
  EXPECT_EQ(result.Description(), "Unable to convert, " + output + " is in the way");
  EXPECT_EQ(test::readFile(users), "the user's own file");
  QFile::remove(users);
}

TEST_F(ConversionEndToEnd, AFullDestinationLeavesNoPartialFileAndKeepsTheSource) {
  test::SmallTmpfs full("full disk", 64);
  if (!full.mounted()) GTEST_SKIP() << full.why().toStdString();
  struct Case {
    const char* what;
    QString destination;  // the converted file's
    QString originals;    // where the original goes (action 2)
    QString failure;
  } cases[] = {
      {"the converted file into a full user folder", full.path(), moved,
       "Unable to move file to user defined directory " + full.path()},
      {"the original into a full originals folder", "Desktop", full.path(),
       "Unable to move original file to " + full.path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    converter.reset();
    QDir(paths::desktopFolder()).removeRecursively();
    ScopedSettings s{{"TVShowDestination", c.destination},
                     {"ConvertedFilesDirectory", c.originals},
                     {"VideoSourcesFileAction", 2},
                     {"CreateTVShowShowSeasonFolder", false}};
    makeEpisode();
    const QByteArray original = test::readFile(source);
    ASSERT_GT(original.size(), 64 * 1024);
    const BCError result = convert();
    EXPECT_EQ(result.Code(), ConversionCode::PlacingFile) << log.text().toStdString();
    EXPECT_TRUE(result.Description().startsWith(c.failure)) << result.Description().toStdString();
    EXPECT_TRUE(filesUnder(full.path()).isEmpty()) << filesUnder(full.path()).join(", ").toStdString();
    EXPECT_EQ(test::readFile(source), original);
    EXPECT_FALSE(media->conversionfinished());
    QFile::remove(work + "/" + outputName());
  }
}

// Shell lines that run the real tool in real time (so that it is still at work when it is
// ended), end it with SIGTERM once its output has `delay` seconds of writing, and exit with
// its status, or with 0 as a tool whose status is lost would.
QByteArray terminatedAfter(const char* delay, bool statusLost) {
  return QByteArray(
             "\"$real\" -re \"$@\" &\ntool=$!\n"
             "while kill -0 $tool 2>/dev/null && [ ! -s \"$last\" ]; do sleep 0.02; done\n"
             "sleep ") +
         delay + "\nkill -TERM $tool\nwait $tool\nexit " + (statusLost ? "0" : "$?");
}

// An 8-second episode converted with the runs of ffmpeg that match `runs` ended with SIGTERM
// once they have written for `delay` seconds: the conversion fails for `reason` (with the
// tool's status) or for `lostReason` (the status lost, so the file itself shows it).
void ConversionEndToEnd::expectEndedToolFails(const QByteArray& runs, const char* delay,
                                              const QString& reason, const QString& lostReason) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}, {"VideoSourcesFileAction", 1}};
  for (const bool statusLost : {false, true}) {
    SCOPED_TRACE(statusLost ? "its status is lost" : "its status says so");
    converter.reset();
    makeEpisode("Episode", 8);
    const QByteArray original = test::readFile(source);
    wrapTool(&BCConverter::ffmpegpath, runs, "", terminatedAfter(delay, statusLost));
    expectFailedAndUntouched(convert(), original, statusLost ? lostReason : reason);
  }
}

TEST_F(ConversionEndToEnd, AVideoPassEndedBySIGTERMFailsTheConversionAndTheOriginalStays) {
  expectEndedToolFails("*libx264*", "0.5", "Unable to convert video track: ffmpeg ended with status 255",
                       "s of the source's 8.0 s");
}

TEST_F(ConversionEndToEnd, AStereoReencodeEndedAsItStartsFailsTheConversionAndTheOriginalStays) {
  expectEndedToolFails("*ff.mp4*", "0", "Unable to add audio track 0: ffmpeg ended with status 255",
                       "s of the source's 8.0 s");
}

TEST_F(ConversionEndToEnd, AWorkFolderThatFillsDuringTheSoundFailsTheConversionAndTheOriginalStays) {
  test::SmallTmpfs small("small work", 5 * 1024);
  if (!small.mounted()) GTEST_SKIP() << small.why().toStdString();
  work = small.path();
  ScopedSettings s{{"ConversionDirectory", work}, {"TVShowDestination", out}, {"VideoSourcesFileAction", 1}};
  // Another program takes all of the disk but `left` bytes.
  const auto fill = [&](int left) {
    return "avail=$(df --output=avail -B1 '" + work.toUtf8() + "' | tail -n 1)\nhead -c $((avail - " +
           QByteArray::number(left) + ")) /dev/zero > '" + work.toUtf8() + "/filler'";
  };
  struct Case {
    const char* what;
    QString BCConverter::*tool;
    QByteArray runs;
    QByteArray before, realRun;
    QString reason;
    bool bigCover = false;  // more tags than the room the file keeps for them
  } cases[] = {
      {"as the stereo re-encode starts", &BCConverter::ffmpegpath, "*ff.mp4*", fill(0),
       "exec \"$real\" \"$@\"", "Unable to add audio track 0: ffmpeg ended with status"},
      {"as MP4Box adds the sound", &BCConverter::mp4boxpath, "*-add*Stereo*", fill(32768),
       "exec \"$real\" \"$@\"", "Unable to add audio track 0: mp4box ended with status 1"},
      {"as the tags are written, after the subtitle", &BCConverter::mp4boxpath, "*-add*subtitle*", "",
       "\"$real\" \"$@\"\nstatus=$?\n" + fill(0) + "\nexit $status", "Unable to write the tags", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    converter.reset();
    QFile::remove(work + "/filler");
    makeEpisode();
    if (c.bigCover) {
      QImage noise(400, 400, QImage::Format_RGB32);
      for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
          noise.setPixel(x, y, qRgb((x * 7919 + y * 104729) % 256, (x ^ y) % 256, (x * y) % 256));
      media->setImage(noise);
    }
    const QByteArray original = test::readFile(source);
    wrapTool(c.tool, c.runs, c.before, c.realRun);
    const BCError result = convert();
    expectFailedAndUntouched(result, original, c.reason);
    QFile::remove(work + "/filler");
  }
}

TEST_F(ConversionEndToEnd, ASourceThatChangesWhileItConvertsLeavesNoFileUnderAFinalName) {
  struct Case {
    const char* what;
    QString destination;
    ConversionFormat format;
    QByteArray runs;
    bool truncated;
  } cases[] = {
      {"grown while its sound was re-encoded", out, ConversionFormat::HDOnly, "*audio0ff.mp4*", false},
      {"cut short while its sound was re-encoded", out, ConversionFormat::HDOnly, "*audio0ff.mp4*", true},
      {"grown during the SD pass, after the HD file was placed", "Desktop", ConversionFormat::HDAndSD,
       "*SD.mp4*", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    converter.reset();
    QDir(paths::desktopFolder()).removeRecursively();
    ScopedSettings s{{"TVShowDestination", c.destination}, {"VideoSourcesFileAction", 1}};
    makeEpisode();
    // The English sound alone: the change, not the tracks, is what is looked at.
    media->setAudioTracks(media->AudioTracks().mid(0, 1));
    media->setSoftSubtitleTracks({});
    media->setConversionFormat(c.format);
    QByteArray changed = test::readFile(source);
    const QByteArray quoted = "'" + source.toUtf8() + "'";
    QByteArray change;
    if (c.truncated) {
      changed.truncate(changed.size() / 2);
      change = "truncate -s " + QByteArray::number(changed.size()) + " " + quoted;
    } else {
      changed += "more of the recording";
      change = "printf 'more of the recording' >> " + quoted;
    }
    wrapTool(&BCConverter::ffmpegpath, c.runs, change);
    const BCError result = convert();
    EXPECT_EQ(result.Code(), ConversionCode::PlacingFile);
    expectFailedAndUntouched(result, changed, "The original changed while it was converted");
    EXPECT_TRUE(log.text().contains(source + " changed while it was converted, it is left in place"));
  }
}

TEST_F(ConversionEndToEnd, ARecordingCutMidGOPLosesOnlyItsUndecodableStartAndCountsWhole) {
  ScopedSettings s{{"MovieDestination", "Desktop"}, {"VideoSourcesFileAction", 1}};
  // A 12-second broadcast with 5-second GOPs, its first 15 % gone: it starts in the middle of
  // a GOP, seconds before its first key frame.
  const QString full = sources + "/full.ts";
  test::makeMedia(full, {"-f",
                         "lavfi",
                         "-i",
                         "testsrc=size=320x240:rate=25:duration=12",
                         "-f",
                         "lavfi",
                         "-i",
                         "sine=frequency=440:sample_rate=48000:duration=12",
                         "-c:v",
                         "libx264",
                         "-preset",
                         "ultrafast",
                         "-g",
                         "125",
                         "-keyint_min",
                         "125",
                         "-sc_threshold",
                         "0",
                         "-c:a",
                         "aac",
                         "-f",
                         "mpegts"});
  const QByteArray whole = test::readFile(full);
  const qsizetype cut = whole.size() * 15 / 100 / 188 * 188;
  source = test::writeFile(sources + "/Recording.ts", whole.mid(cut));
  QFile::remove(full);
  media = test::probed(source);
  media->setMediatype(MediaType::Movie);
  media->setSeriesname("Recording");
  media->setConversionFormat(ConversionFormat::HDOnly);
  QList<AudioTrack> audio = media->AudioTracks();
  ASSERT_EQ(audio.size(), 1);
  audio[0].setSelected(true);
  audio[0].setIsDefault(true);
  media->setAudioTracks(audio);
  const auto videoSeconds = [](const QString& path) {
    return test::runCommand("ffprobe", {"-v", "quiet", "-select_streams", "v:0", "-show_entries",
                                        "stream=duration", "-of", "csv=p=0", path})
        .output.split('\n')
        .first()
        .toDouble();
  };
  const double sourceSeconds = videoSeconds(source);
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << log.text().toStdString();

  const QString output = paths::desktopFolder() + "/" + outputName();
  EXPECT_EQ(describe(streamsOf(output)), "video h264 und ch0 '' on; audio aac und ch2 'Stereo / Stereo' on");
  // More is missing than the tolerance of 2 s: only the undecodable start may be.
  EXPECT_LT(videoSeconds(output), sourceSeconds - 2.5);
  EXPECT_GT(videoSeconds(output), 5.0);
  EXPECT_TRUE(media->conversionfinished());
  EXPECT_EQ(trashed(), QStringList({"Recording.ts"}));
}

TEST_F(ConversionEndToEnd, AJoinLastsAsLongAsItsPartsTogether) {
  ScopedSettings s{{"TVShowDestination", "Desktop"}, {"VideoSourcesFileAction", 1}};
  makeEpisode("Episode part two");
  const QString second = source;
  makeEpisode();
  media->setVideoJoinPaths({second});
  const BCError result = convert();
  ASSERT_FALSE(result.Error()) << result.Description().toStdString() << "\n" << log.text().toStdString();
  const QString output = paths::desktopFolder() + "/" + outputName();
  const QByteArray seconds =
      test::runCommand("ffprobe", {"-v", "quiet", "-select_streams", "v:0", "-show_entries",
                                   "stream=duration", "-of", "csv=p=0", output})
          .output;
  EXPECT_NEAR(seconds.trimmed().toDouble(), 6.0, 0.3) << seconds.toStdString();
  EXPECT_TRUE(media->conversionfinished());
  EXPECT_EQ(trashed(), QStringList({"Episode.mkv"}));
}
