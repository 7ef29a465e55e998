#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <algorithm>
#include <cmath>

#include "../mp4/Mp4Fixtures.h"
#include "ToolTestSupport.h"
#include "media/MediaFile.h"
#include "media/MediaValues.h"
#include "metadata/SaveMP4Tags.h"
#include "mp4/Mp4File.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

const QString kSrt =
    "1\n00:00:00,500 --> 00:00:01,500\nHello <i>world</i>\n\n"
    "2\n00:00:02,000 --> 00:00:02,800\nSecond line\ntwo\n\n";
const QString kHeaderLine =
    R"(<TextStreamHeader width="400" height="60" layer="0" translation_x="0" translation_y="0">)";

QString quoted(const QString& path) { return "\"" + path + "\""; }

// What the conversion's runner reads: the number between "| (" and "/100)" of every chunk
// holding the marker; every other line is logged.
void expectRunnerProgress(const QByteArray& output) {
  int last = -1;
  for (const QString& line : QString::fromUtf8(output).split('\n')) {
    if (!StringContains(line, "| (")) continue;
    const auto value = StringBetween(line, "| (", "/100)");
    ASSERT_TRUE(value.has_value()) << line.toStdString();
    last = IntegerValue(*value);
    EXPECT_TRUE(last >= 0 && last <= 100) << line.toStdString();
  }
  EXPECT_EQ(last, 100) << output.toStdString();
}

// The conversion's subtitle step: copy the description up to its first empty line, the
// header placed 100 pixels above the bottom of a picture of width x height.
void placeHeader(const QString& ttxt, const QString& ttxt2, int width, int height) {
  QByteArray out;
  for (const QByteArray& line : readFile(ttxt).split('\n')) {
    if (line.isEmpty()) break;
    out +=
        line == kHeaderLine.toUtf8()
            ? QStringLiteral(
                  R"(<TextStreamHeader width="%1" height="60" layer="0" translation_x="0" translation_y="%2">)")
                  .arg(width)
                  .arg(height - 100)
                  .toUtf8()
            : line;
    out += '\n';
  }
  writeFile(ttxt2, out);
}

// tkhd's vertical translation of the last track, read by a few lines of Python.
int lastTrackTranslationY(const QString& path) {
  const char* script = R"PY(
import struct, sys
d = open(sys.argv[1], 'rb').read()
i = d.rfind(b'tkhd')
matrix = i + 4 + (52 if d[i + 4] == 1 else 40)
print(struct.unpack('>i', d[matrix + 28:matrix + 32])[0] >> 16)
)PY";
  return runCommand("/usr/bin/python3", {"-c", script, path}).output.trimmed().toInt();
}

struct Work {
  QString folder, output, aac, ac3;
};

Work prepare() {
  Work w;
  w.folder = freshFolder("work folder");  // a space, as a user's cache path may hold
  w.output = w.folder + "/Show - 1x02.m4v";
  makeTestVideo(w.output, 3, 320, 240,
                {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac", "-metadata", "title=Kept"});
  w.aac = w.folder + "/audio:0ff.mp4";  // a colon, which also separates the options
  makeMedia(w.aac, {"-f", "lavfi", "-i", "sine=frequency=300:sample_rate=48000:duration=3", "-ac", "2",
                    "-c:a", "aac", "-b:a", "128k"});
  w.ac3 = w.folder + "/audio1ss.ac3";
  makeMedia(w.ac3, {"-f", "lavfi", "-i", "sine=frequency=500:sample_rate=48000:duration=3", "-af",
                    "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:a", "ac3", "-b:a", "384k"});
  return w;
}

}  // namespace

TEST(Mp4Box, TheAddCommandsOfTheConversionGiveTracksWithTheirNameLanguageGroupFlagAndDelay) {
  const Work w = prepare();
  const QByteArray video = streamDigest(w.output, "0:v:0"), audio = streamDigest(w.output, "0:a:0");

  // The subtitle steps: SubRip to a timed-text description, its header placed for the picture.
  writeFile(w.folder + "/subtitle0.sub", kSrt.toUtf8());
  const ToolRun ttxt = runTool("mp4box", " -ttxt subtitle0.sub", w.folder);
  ASSERT_EQ(ttxt.exitCode, 0) << ttxt.output.toStdString();
  expectRunnerProgress(ttxt.output);
  ASSERT_GE(QFileInfo(w.folder + "/subtitle0.ttxt").size(), 101);
  EXPECT_TRUE(readFile(w.folder + "/subtitle0.ttxt").contains("\n" + kHeaderLine.toUtf8() + "\n"));
  placeHeader(w.folder + "/subtitle0.ttxt", w.folder + "/subtitle0.ttxt2", 320, 240);
  writeFile(w.folder + "/subtitle1.sub", "1\n00:00:01,000 --> 00:00:02,000\nZweite\n\n");
  ASSERT_EQ(runTool("mp4box", " -ttxt " + quoted(w.folder + "/subtitle1.sub"), w.folder).exitCode, 0);
  placeHeader(w.folder + "/subtitle1.ttxt", w.folder + "/subtitle1.ttxt2", 320, 240);

  const QString out = quoted(w.output);
  const struct {
    const char* name;
    QString command;
    const char* codec;
    int channels;
    const char* language;  // ffprobe's
    const char* title;     // mediainfo's, "" for none
    const char* handler;   // ffprobe's handler name, which players show
    int group;
    bool enabled;
    double startSeconds;
  } cases[] = {
      {"enabled stereo",
       QString(" -add %1:name=Stereo:lang=\"%2\":group=1%3 %4").arg(quoted(w.aac), "eng", "", out), "aac", 2,
       "eng", "Stereo", "Stereo", 1, true, 0},
      {"delayed, disabled stereo",
       QString(" -add %1:name=Stereo:lang=\"%2\":group=1%3:disable %4")
           .arg(quoted(w.aac), "", ":delay=250", out),
       "aac", 2, "und", "Stereo", "Stereo", 1, false, 0.25},
      {"surround",
       QString(" -add %1:name=\"%2\":lang=\"%3\":group=1%4:disable %5")
           .arg(quoted(w.ac3), "Surround", "deu", "", out),
       "ac3", 6, "deu", "Surround", "Surround", 1, false, 0},
      {"first subtitle",
       QString(" -add \"%1\":name=%2:lang=%2:group=2 %3").arg(w.folder + "/subtitle0.ttxt2", "fre", out),
       "mov_text", 0, "fre", "fre", "fre", 2, true, 0},
      {"later subtitle without a language",
       QString(" -add \"%1\":group=2:disable %2").arg(w.folder + "/subtitle1.ttxt2", out), "mov_text", 0,
       "und", "", "SubtitleHandler", 2, false, 0},
  };
  int expected = 2;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun r = runTool("mp4box", c.command, w.folder);
    ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
    expectRunnerProgress(r.output);
    const QJsonArray streams = ffprobeStreams(w.output);
    ASSERT_EQ(streams.size(), ++expected);
    const QJsonObject s = streams.last().toObject();
    EXPECT_EQ(s["codec_name"].toString(), c.codec);
    if (c.channels) {
      EXPECT_EQ(s["channels"].toInt(), c.channels);
    }
    EXPECT_EQ(s["tags"].toObject()["language"].toString(), c.language);
    EXPECT_EQ(s["tags"].toObject()["handler_name"].toString(), c.handler);
    EXPECT_EQ(s["disposition"].toObject()["default"].toInt(), c.enabled ? 1 : 0);
    EXPECT_NEAR(s["start_time"].toString().toDouble(), c.startSeconds, 0.001);
    const QJsonObject m = mediainfoTracks(w.output).last().toObject();
    EXPECT_EQ(m["Title"].toString(), c.title);
    EXPECT_EQ(m["AlternateGroup"].toString().toInt(), c.group);
    EXPECT_EQ(m["Default"].toString(), c.enabled ? "Yes" : "No");
  }

  // The video's and the first audio's media are untouched; everything plays.
  EXPECT_EQ(streamDigest(w.output, "0:v:0"), video);
  EXPECT_EQ(streamDigest(w.output, "0:a:0"), audio);
  EXPECT_EQ(streamDigest(w.output, "0:a:1"), streamDigest(w.aac, "0:a:0"));
  const CommandResult play = runCommand(
      "ffmpeg", {"-nostdin", "-v", "error", "-i", w.output, "-map", "0:v", "-map", "0:a", "-f", "null", "-"});
  EXPECT_EQ(play.exitCode, 0);
  EXPECT_TRUE(play.output.trimmed().isEmpty()) << play.output.toStdString();
  const CommandResult text =
      runCommand("ffmpeg", {"-nostdin", "-v", "error", "-i", w.output, "-map", "0:s:0", "-f", "ass", "-"});
  EXPECT_TRUE(text.output.contains("0:00:00.50,0:00:01.50,Default,,0,0,0,,Hello world"))
      << text.output.toStdString();
  EXPECT_TRUE(text.output.contains("0:00:02.00,0:00:02.80,Default,,0,0,0,,Second line\\Ntwo"))
      << text.output.toStdString();

  // The text box lies across the picture, 100 pixels above its bottom.
  const QJsonObject subtitle = ffprobeStreams(w.output)[5].toObject();
  EXPECT_EQ(subtitle["width"].toInt(), 320);
  EXPECT_EQ(subtitle["height"].toInt(), 60);
  EXPECT_EQ(lastTrackTranslationY(w.output), 140);
  EXPECT_EQ(mutagenView(w.output)["tags"].toObject()["\u00a9nam"].toArray().first().toString(), "Kept");
}

TEST(Mp4Box, TheLastCueEndsWhereTheDescriptionEndsItNotAtTheEndOfTheFilm) {
  const QString folder = freshFolder("work folder");
  const QString output = folder + "/Film.m4v";
  makeTestVideo(output, 6, 160, 120, {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"});
  writeFile(folder + "/subtitle0.sub", kSrt.toUtf8());
  ASSERT_EQ(runTool("mp4box", " -ttxt subtitle0.sub", folder).exitCode, 0);
  const ToolRun r =
      runTool("mp4box", " -add " + quoted(folder + "/subtitle0.ttxt") + ":lang=eng:group=2 " + quoted(output),
              folder);
  ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();

  const CommandResult packets =
      runCommand("ffprobe", {"-v", "error", "-select_streams", "s", "-show_entries",
                             "packet=pts_time,duration_time", "-of", "csv=p=0", output});
  // The last cue's sample lasts as long as the cue; the empty one after it takes the rest.
  EXPECT_TRUE(packets.output.contains("\n2.000000,0.800000\n2.800000,")) << packets.output.toStdString();
  const CommandResult srt =
      runCommand("ffmpeg", {"-nostdin", "-v", "error", "-i", output, "-map", "0:s:0", "-f", "srt", "-"});
  EXPECT_TRUE(srt.output.contains("00:00:02,000 --> 00:00:02,800")) << srt.output.toStdString();
}

TEST(Mp4Box, DelayAndRemoveChangeOnlyTheTrackTheyName) {
  const Work w = prepare();
  const QByteArray video = streamDigest(w.output, "0:v:0");
  ToolRun r = runTool("mp4box", QString(" -delay 1=%1 \"%2\"").arg("250", w.output), w.folder);
  ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
  expectRunnerProgress(r.output);
  const QJsonArray delayed = ffprobeStreams(w.output);
  EXPECT_NEAR(delayed[0]["start_time"].toString().toDouble(), 0.25, 0.001);
  EXPECT_NEAR(delayed[1]["start_time"].toString().toDouble(), 0.0, 0.001);

  r = runTool("mp4box", QString(" -rem 2 \"%1\"").arg(w.output), w.folder);
  ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
  expectRunnerProgress(r.output);
  const QJsonArray left = ffprobeStreams(w.output);
  ASSERT_EQ(left.size(), 1);
  EXPECT_EQ(left[0]["codec_name"].toString(), "h264");
  EXPECT_EQ(streamDigest(w.output, "0:v:0"), video);
  EXPECT_EQ(mediainfoTracks(w.output).size(), 2);  // general, video
}

TEST(Mp4Box, SrtOfATimedTextTrackIsWrittenIntoTheWorkFolderNotBesideTheSource) {
  const QString source = freshFolder("user's videos") + "/Episode.mp4";
  const QString srt = writeFile(freshFolder("srt") + "/in.srt", kSrt.toUtf8());
  makeMedia(source, {"-f",   "lavfi",   "-i",      "testsrc=size=160x120:rate=25:duration=3",
                     "-f",   "lavfi",   "-i",      "sine=duration=3",
                     "-i",   srt,       "-map",    "0",
                     "-map", "1",       "-map",    "2",
                     "-c:v", "libx264", "-preset", "ultrafast",
                     "-c:a", "aac",     "-c:s",    "mov_text"});
  const QStringList before = QDir(QFileInfo(source).path()).entryList(QDir::Files);
  const QString work = freshFolder("work");

  const ToolRun r = runTool("mp4box", QString(" -srt %1 \"%2\"").arg(3).arg(source), work);
  ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
  expectRunnerProgress(r.output);
  EXPECT_EQ(QString::fromUtf8(readFile(work + "/Episode_3_text.srt")),
            "1\n00:00:00,500 --> 00:00:01,500\nHello world\n\n2\n00:00:02,000 --> 00:00:02,800\nSecond "
            "line\ntwo\n\n");
  EXPECT_EQ(QDir(QFileInfo(source).path()).entryList(QDir::Files), before);

  const ToolRun audio = runTool("mp4box", QString(" -srt 2 \"%1\"").arg(source), work);
  EXPECT_EQ(audio.exitCode, 1);
  EXPECT_FALSE(QFile::exists(work + "/Episode_2_text.srt"));
}

TEST(Mp4Box, BadArgumentsAndMalformedInputAreErrorsThatLeaveEveryFileAlone) {
  const Work w = prepare();
  const QString garbage = writeFile(w.folder + "/garbage.mp4", QByteArray(5000, 'g'));
  const QByteArray ac3 = readFile(w.ac3);
  const QString cut = writeFile(w.folder + "/cut.ac3", ac3.left(ac3.size() - 300));
  writeFile(w.folder + "/empty.sub", "");
  writeFile(w.folder + "/prose.sub", "Not subtitles at all.\n");
  const QString out = quoted(w.output);
  const struct {
    const char* name;
    QString command;
  } cases[] = {
      {"no arguments", ""},
      {"an unknown form", " -frobnicate 1 " + out},
      {"-add without an output", " -add " + quoted(w.aac)},
      {"a missing file", " -add " + quoted(w.folder + "/missing.mp4") + ":group=1 " + out},
      {"garbage", " -add " + quoted(garbage) + ":lang=eng " + out},
      {"a cut AC-3 stream", " -add " + quoted(cut) + ":name=Surround " + out},
      {"a language that is no code", " -add " + quoted(w.aac) + ":lang=english " + out},
      {"a group that is no number", " -add " + quoted(w.aac) + ":group=one " + out},
      {"a negative delay", " -add " + quoted(w.aac) + ":delay=-5 " + out},
      {"an output that is no MP4", " -add " + quoted(w.aac) + " " + quoted(garbage)},
      {"a delay without a value", " -delay 1 " + out},
      {"a delay of a missing track", " -delay 7=100 " + out},
      {"removing a missing track", " -rem 9 " + out},
      {"removing no number", " -rem two " + out},
      {"an empty SubRip file", " -ttxt " + quoted(w.folder + "/empty.sub")},
      {"prose", " -ttxt " + quoted(w.folder + "/prose.sub")},
  };
  const QByteArray original = readFile(w.output), garbageBytes = readFile(garbage);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun r = runTool("mp4box", c.command, w.folder);
    EXPECT_EQ(r.exitCode, 1) << r.output.toStdString();
    EXPECT_FALSE(r.output.trimmed().isEmpty());
    EXPECT_FALSE(r.output.contains("| (")) << "no progress for a failure";
    EXPECT_EQ(readFile(w.output), original);
    EXPECT_EQ(readFile(garbage), garbageBytes);
  }
  EXPECT_FALSE(QFile::exists(w.folder + "/empty.ttxt")) << "no description without subtitles";
  EXPECT_FALSE(QFile::exists(w.folder + "/prose.ttxt"));
}

namespace {

struct Packet {
  int stream = 0;
  qint64 pos = 0;
  double dts = 0, duration = 0;
};

// ffprobe's packets of every stream, in file order.
QList<Packet> packetsByPosition(const QString& path) {
  const CommandResult r =
      runCommand("ffprobe", {"-v", "error", "-show_entries", "packet=stream_index,pos,dts_time,duration_time",
                             "-of", "json", path});
  QList<Packet> packets;
  for (const QJsonValue v : QJsonDocument::fromJson(r.output)["packets"].toArray()) {
    const QJsonObject p = v.toObject();
    packets.append({p["stream_index"].toInt(), p["pos"].toString().toLongLong(),
                    p["dts_time"].toString().toDouble(), p["duration_time"].toString().toDouble()});
  }
  std::sort(packets.begin(), packets.end(), [](const Packet& a, const Packet& b) { return a.pos < b.pos; });
  return packets;
}

// Runs of one stream's packets that lie one after another in the file.
struct PacketRun {
  int stream;
  double start, end;  // seconds
};
QList<PacketRun> runsOf(const QList<Packet>& packets) {
  QList<PacketRun> runs;
  for (const Packet& p : packets) {
    if (runs.isEmpty() || runs.back().stream != p.stream) runs.append({p.stream, p.dts, p.dts});
    runs.back().end = p.dts + p.duration;
  }
  return runs;
}

// Each packet's size and checksum, without the side data a demuxer adds (MP4's AC-3 carries some).
QStringList packetBytes(const QString& path, const QString& stream) {
  const CommandResult r = runCommand("ffmpeg", {"-nostdin", "-loglevel", "error", "-i", path, "-map", stream,
                                                "-c", "copy", "-f", "framemd5", "-"});
  QStringList packets;
  for (const QString& line : QString::fromUtf8(r.output).split('\n', Qt::SkipEmptyParts))
    if (!line.startsWith('#')) packets << line.section(',', 4, 5).simplified();
  return packets;
}

}  // namespace

// The conversion adds its tracks one by one and lays the file out once, after the last one.
TEST(Mp4Box, AddsAppendWithoutMovingMediaAndTheConvertersLayoutInterleavesThemOnceAfterTheIndex) {
  const QString folder = freshFolder("interleave");
  const QString output = folder + "/Film.m4v";
  const double seconds = 8;
  makeMedia(output, {"-f", "lavfi", "-i", QString("testsrc=size=320x240:rate=25:duration=%1").arg(seconds),
                     "-c:v", "libx264", "-preset", "ultrafast"});
  const QString aac = folder + "/audio0ff.mp4", ac3 = folder + "/audio1ss.ac3";
  makeMedia(aac,
            {"-f", "lavfi", "-i", QString("sine=frequency=300:sample_rate=48000:duration=%1").arg(seconds),
             "-ac", "2", "-c:a", "aac", "-b:a", "128k"});
  makeMedia(ac3,
            {"-f", "lavfi", "-i", QString("sine=frequency=500:sample_rate=48000:duration=%1").arg(seconds),
             "-af", "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0", "-c:a", "ac3", "-b:a", "384k"});
  writeFile(folder + "/subtitle0.sub", kSrt.toUtf8());
  ASSERT_EQ(runTool("mp4box", " -ttxt subtitle0.sub", folder).exitCode, 0);
  const QStringList video = packetBytes(output, "0:v:0");
  ASSERT_EQ(video.size(), int(seconds * 25));
  QList<qint64> videoAt;
  for (const Packet& p : packetsByPosition(output)) videoAt << p.pos;
  for (const QString& command :
       {QString(" -add %1:name=Stereo:lang=\"eng\":group=1 %2").arg(quoted(aac), quoted(output)),
        QString(" -add %1:name=\"Surround\":lang=\"eng\":group=1:disable %2")
            .arg(quoted(ac3), quoted(output)),
        QString(" -add \"%1\":name=eng:lang=eng:group=2 %2")
            .arg(folder + "/subtitle0.ttxt", quoted(output))}) {
    const ToolRun r = runTool("mp4box", command, folder);
    ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
    expectRunnerProgress(r.output);
    QList<qint64> stillAt;
    for (const Packet& p : packetsByPosition(output))
      if (p.stream == 0) stillAt << p.pos;
    EXPECT_EQ(stillAt, videoAt) << "an add moves no media already in the file";
  }

  const auto interleaved = [&] {
    Mp4File f;
    return !f.open(output.toStdString(), Mp4File::Mode::Read).failed() && f.interleaved();
  };
  EXPECT_FALSE(interleaved()) << "each added track lies in a box of its own after the video";

  // The converter's tag save lays the file out, chapters included: ftyp, the index, the room the
  // tag writer keeps after it, then all media in one box.
  MediaFile media;
  media.setMediatype(MediaType::Movie);
  media.setSeriesname("Laid out");
  ChapterTrack first, second;
  first.setStarttime("00:00:00.000");
  first.setTitle("One");
  second.setStarttime("00:00:04.000");
  second.setTitle("Two");
  media.setChapters({first, second});
  ASSERT_FALSE(saveMP4Tags(output, 0, media, 0, nullptr).Error());
  EXPECT_TRUE(interleaved()) << "a later save of the converter's would lay it out again";
  const QStringList boxes = topLevelBoxes(output);
  ASSERT_EQ(boxes.size(), 4) << boxes.join(' ').toStdString();
  EXPECT_TRUE(boxes[0].startsWith("ftyp:") && boxes[1].startsWith("moov:") && boxes[2].startsWith("free:") &&
              boxes[3].startsWith("mdat:"))
      << boxes.join(' ').toStdString();
  const qint64 moovAt = boxes[0].section(':', 1).toLongLong(),
               moovSize = boxes[1].section(':', 1).toLongLong();
  EXPECT_LE(boxes[2].section(':', 1).toLongLong(), std::max<qint64>(moovSize, Mp4File::kMinimumPadding));

  const QList<Packet> packets = packetsByPosition(output);
  ASSERT_FALSE(packets.isEmpty());
  EXPECT_GT(packets.first().pos, moovAt + moovSize);
  QList<Packet> mediaPackets;  // the chapter titles' stream comes fifth
  for (const Packet& p : packets)
    if (p.stream < 4) mediaPackets << p;
  const QList<PacketRun> runs = runsOf(mediaPackets);
  QMap<int, int> runsPerStream;
  for (qsizetype i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(
        QString("run %1 of stream %2 at %3 s").arg(i).arg(runs[i].stream).arg(runs[i].start).toStdString());
    ++runsPerStream[runs[i].stream];
    if (runs[i].stream == 3) continue;  // a cue lasts as long as it is shown
    EXPECT_LE(runs[i].end - runs[i].start, 0.6);
    // No stream runs ahead of the others.
    if (i > 0) {
      EXPECT_LE(std::abs(runs[i].start - runs[i - 1].start), 0.6);
    }
  }
  ASSERT_EQ(runsPerStream.size(), 4);
  for (int stream : {0, 1, 2}) EXPECT_GE(runsPerStream[stream], int(seconds / 0.6)) << "stream " << stream;

  // The media bytes are those of the sources; every reader sees every track.
  EXPECT_EQ(packetBytes(output, "0:v:0"), video);
  EXPECT_EQ(packetBytes(output, "0:a:0"), packetBytes(aac, "0:a:0"));
  EXPECT_EQ(packetBytes(output, "0:a:1"), packetBytes(ac3, "0:a:0"));
  const QJsonArray streams = ffprobeStreams(output);
  ASSERT_EQ(streams.size(), 5);
  const char* codecs[] = {"h264", "aac", "ac3", "mov_text"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(streams[i]["codec_name"].toString(), codecs[i]) << i;
    EXPECT_NEAR(streams[i]["duration"].toString().toDouble(), seconds, 0.05) << i;
  }
  EXPECT_EQ(mutagenView(output)["tags"].toObject()["\u00a9nam"].toArray().first().toString(), "Laid out");
  EXPECT_TRUE(atomicParsley(output).contains("Laid out"));

  // A later tag save, cover and new chapters included, fits in the room kept and moves no media.
  {
    Mp4File f;
    ASSERT_FALSE(f.open(output.toStdString(), Mp4File::Mode::Modify));
    Mp4Tags t = f.tags();
    t.name = "Tagged later";
    t.artwork = {Mp4Cover::fromPicture(makePicture(folder + "/cover.jpg", 200))};
    f.storeTags(t);
    ASSERT_FALSE(f.setChapters({{0, 0, "One"}, {2500, 0, "Two"}}));
    ASSERT_FALSE(f.commit());
  }
  QList<qint64> before, after;
  for (const Packet& p : mediaPackets) before << p.pos;
  for (const Packet& p : packetsByPosition(output))
    if (p.stream < 4) after << p.pos;
  EXPECT_EQ(after, before);
  EXPECT_TRUE(atomicParsley(output).contains("Tagged later"));
  // The index still comes before every sample, the new chapter titles' too.
  qint64 at = 0, newMoovAt = -1, firstMedia = -1;
  for (const QString& box : topLevelBoxes(output)) {
    if (box.startsWith("moov:")) newMoovAt = at;
    if (box.startsWith("mdat:") && firstMedia < 0) firstMedia = at;
    at += box.section(':', 1).toLongLong();
  }
  EXPECT_GT(newMoovAt, 0);
  EXPECT_LT(newMoovAt, firstMedia) << topLevelBoxes(output).join(' ').toStdString();
}
