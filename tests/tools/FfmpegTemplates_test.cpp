// Every ffmpeg command line the conversion steps build, run through the adapter against
// Debian's ffmpeg on small files made here, checked with ffprobe and x264's own record of
// its settings, and read the way the conversion's ffmpeg runner reads the output.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <optional>

#include "media/StringHelpers.h"
#include "platform/Paths.h"
#include "platform/ToolProcess.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

enum class Source {
  Movie,          // 320x240 at 25 fps (x264 4:4:4, key frames 0.4 s apart), stereo AAC at 48 kHz, 2 s
  MovieMono44k,   // the same with a mono track at 44.1 kHz
  MovieTwoAudio,  // stereo 2 s track, then a second track of 1 s
  MovieSurround,  // Matroska with a 5.1 AC3 track
  StereoAac,      // the work folder's audio0.m4a, as the audio export leaves it
  SurroundAc3,    // the work folder's audio0.ac3 (AC3 5.1 at 384k in MP4)
  CombedMts,      // MPEG-TS of interlaced frames of a moving bar, AC3 stereo
};

struct VideoExpect {
  const char* codec = nullptr;  // nullptr: the output has no video stream
  int width = 0;
  int height = 0;
  const char* frameRate = nullptr;
  const char* profile = nullptr;  // nullptr: not checked
  const char* aspect = nullptr;   // display aspect ratio, nullptr: not checked
};

struct AudioExpect {
  const char* codec = nullptr;  // nullptr: the output has no audio stream
  int channels = 0;
  int sampleRate = 0;
  int kbps = 0;  // 0: not checked
  int streams = 1;
};

struct Template {
  const char* id;
  const char* program;  // the bundle resource: "ffmpeg" or "ffmpeg-mts"
  Source source;
  // The argument string as the step builds it; {in} is the source, {work} the work folder.
  const char* arguments;
  const char* output;  // in the work folder
  bool twoPass = false;
  VideoExpect video = {};
  const char* x264 = nullptr;  // "key=value ..." that x264 must report having used
  AudioExpect audio = {};
  double duration = 0;                // seconds; 0: not checked
  std::optional<double> gainDb = {};  // level change against the source
  bool deinterlaced = false;          // the combing of the source is gone
};

#define HIGHEST_QUALITY                                                                                    \
  " -flags +loop -cmp +chroma -partitions +parti8x8+parti4x4+partp8x8+partb8x8 -me_method hex -subq 7"     \
  " -me_range 16 -g 250 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71 -b_strategy 1 -qcomp 0.6 -qmin 10" \
  " -qmax 51 -qdiff 4 -bf 3 -refs 4 -directpred 3 -bidir_refine 1 -trellis 1"                              \
  " -flags2 +wpred+mixed_refs+fastpskip+dct8x8"
#define HIGH_QUALITY                                                                                       \
  " -flags +loop -cmp +chroma -partitions +parti8x8+parti4x4+partp8x8+partb8x8 -me_method umh -subq 7"     \
  " -me_range 16 -g 250 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71 -b_strategy 1 -qcomp 0.6 -qmin 10" \
  " -qmax 51 -qdiff 4 -bf 2 -refs 4 -directpred 3 -bidir_refine 1 -trellis 1"                              \
  " -flags2 +wpred+mixed_refs+fastpskip+dct8x8"
#define NORMAL_QUALITY                                                                                     \
  " -flags +loop -cmp +chroma -partitions +parti8x8+parti4x4+partp8x8+partb8x8 -me_method hex -subq 6"     \
  " -me_range 16 -g 250 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71 -b_strategy 1 -qcomp 0.6 -qmin 10" \
  " -qmax 51 -qdiff 4 -bf 2 -refs 2 -directpred 3 -bidir_refine 1 -trellis 0 -flags2 "                     \
  "+wpred+fastpskip+dct8x8"
#define ORIGINAL_QUALITY                                                                         \
  " -g 250 -keyint_min 25 -sc_threshold 40 -bf 16 -coder 1 -refs 6 -flags +loop -deblockalpha 0" \
  " -deblockbeta 0 -qmin 10 -qmax 51 -qdiff 4 -rc_eq 'blurCplx^(1-qComp)' -qcomp 0.60 "
#define BASELINE                                                                                        \
  "-flags +loop -cmp +chroma -partitions +parti4x4+partp8x8+partb8x8 -me_method umh -subq 5 -trellis 1" \
  " -refs 1 -coder 0 -me_range 16 -g 300 -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71"               \
  " -rc_eq 'blurCplx^(1-qComp)' -qcomp 0.6 -qmin 10 -qmax 51 -qdiff 4 -level 30 "
#define HD_START " -y -v 5  -i \"{in}\"  -threads 2 -f mp4  -vcodec libx264 "
#define HD_RATE "  -b 300k  -bt 300k  -maxrate 5M -bufsize 2M "
#define HD_SOUND "  -acodec libfaac  -ab 160k -ar 48000 -ac 2  "

const Template kTemplates[] = {
    {.id = "HdPassHighestQualityTwoPasses",
     .program = "ffmpeg",
     .source = Source::Movie,
     .arguments = HD_START " -s 320x240 " HD_RATE " -r 24 " HIGHEST_QUALITY "+bpyramid  -coder 1 " HD_SOUND
                           " \"{work}/Show.S1.E2.Pilot.m4v\"",
     .output = "Show.S1.E2.Pilot.m4v",
     .twoPass = true,
     .video = {"h264", 320, 240, "24/1", "High"},
     .x264 = "rc=2pass bitrate=300 vbv_maxrate=5000 vbv_bufsize=2000 cabac=1 ref=4 bframes=3 b_pyramid=2 "
             "weightb=1 mixed_ref=1 8x8dct=1 fast_pskip=1 me=hex subme=7 trellis=1 direct=3 weightp=0 "
             "analyse=0x3:0x113 me_range=16 keyint=250 keyint_min=25 scenecut=40 b_adapt=1 qpmin=10 "
             "qpmax=51 qpstep=4 deblock=1:0:0",
     .audio = {"aac", 2, 48000, 160}},
    {.id = "HdPassHighQualityAppleTv",
     .program = "ffmpeg",
     .source = Source::Movie,
     .arguments = HD_START " -s 320x180  -aspect 16:9 " HD_RATE
                           " -r ntsc  -deinterlace  -vsync 2  -nr 100 " HIGH_QUALITY " -coder 0 " HD_SOUND
                           " \"{work}/Show.m4v\"",
     .output = "Show.m4v",
     .video = {"h264", 320, 180, "30000/1001", "High", "16:9"},
     .x264 = "cabac=0 bframes=2 b_pyramid=0 me=umh ref=4 nr=100 weightb=1 8x8dct=1 bitrate=300",
     .audio = {"aac", 2, 48000, 160}},
    {.id = "HdPassNormalQualitySample",
     .program = "ffmpeg",
     .source = Source::Movie,
     .arguments =
         HD_START " -s 320x240 " HD_RATE " -r pal " NORMAL_QUALITY "+bpyramid  -coder 1  -ss 1 -t 60 "
                  " -acodec libfaac  -ab 160k -ar 48000 -ac 2  -ss 1 -t 60   \"{work}/Show.m4v\"",
     .output = "Show.m4v",
     .video = {"h264", 320, 240, "25/1", "High"},
     .x264 = "cabac=1 bframes=2 b_pyramid=2 ref=2 mixed_ref=0 subme=6 trellis=0 me=hex weightb=1",
     .audio = {"aac", 2, 48000, 160},
     .duration = 1.0},
    {.id = "HdPassOriginalQualityAudioExported",
     .program = "ffmpeg",
     .source = Source::Movie,
     .arguments =
         HD_START " -s 320x240 " HD_RATE " -r 25  " ORIGINAL_QUALITY " -coder 0  -an  \"{work}/Movie.m4v\"",
     .output = "Movie.m4v",
     .video = {"h264", 320, 240, "25/1", "Main"},
     .x264 = "cabac=0 ref=6 bframes=16 b_pyramid=0 8x8dct=0 weightb=0 mixed_ref=0 direct=2 weightp=0 "
             "deblock=1:0:0 keyint=250"},
    {.id = "SdPassOfHdAndSdBaseline",
     .program = "ffmpeg",
     .source = Source::Movie,
     .arguments =
         " -i \"{in}\" -y -v 5 -threads 2 -s 176x144  -vcodec libx264  -b 1.5M  -bt 1.5M  -maxrate 1.5M"
         " -bufsize 2M  -r ntsc " BASELINE " -acodec libfaac  -ar 48000 -ac 2 -ab 128k  "
         " \"{work}/Show.SD.mp4\"",
     .output = "Show.SD.mp4",
     .video = {"h264", 176, 144, "30000/1001", "Constrained Baseline"},
     .x264 =
         "cabac=0 ref=1 bframes=0 8x8dct=0 weightp=0 me=umh subme=5 trellis=1 analyse=0x1:0x111 keyint=300 "
         "bitrate=1500 vbv_maxrate=1500",
     .audio = {"aac", 2, 48000, 128}},
    {.id = "OriginalFormatPassBaselineAudioExported",
     .program = "ffmpeg",
     .source = Source::Movie,
     .arguments = HD_START " -s 320x240 " HD_RATE " -r 24 " BASELINE " -an  \"{work}/Home Movie.m4v\"",
     .output = "Home Movie.m4v",
     .video = {"h264", 320, 240, "24/1", "Constrained Baseline"},
     .x264 = "cabac=0 ref=1 bframes=0 8x8dct=0 weightp=0"},
    {.id = "PassThroughWithAudio",
     .program = "ffmpeg",
     .source = Source::Movie,
     .arguments =
         " -i \"{in}\" -y -v 5 -threads 2   -vcodec copy -f mp4  -acodec libfaac  -ab 160k -ar 48000 -ac 2 "
         " \"{work}/Show.m4v\"",
     .output = "Show.m4v",
     .video = {"h264", 320, 240, "25/1"},
     .audio = {"aac", 2, 48000, 160}},
    {.id = "PassThroughWithoutAudio",
     .program = "ffmpeg",
     .source = Source::Movie,
     .arguments = " -i \"{in}\" -y -v 5 -threads 2  -vcodec copy -an -f mp4   \"{work}/Show.m4v\"",
     .output = "Show.m4v",
     .video = {"h264", 320, 240, "25/1"}},
    {.id = "ContainerChangeForHardwareEncoderSample",
     .program = "ffmpeg",
     .source = Source::Movie,
     .arguments =
         " -i \"{in}\" -y -v 5 -threads 2  -ss 1 -t 60   -vcodec copy -f mp4  -acodec libfaac  -ab 160k"
         " -ar 48000 -ac 2  \"{work}/ShowTurbo.m4v\"",
     .output = "ShowTurbo.m4v",
     .video = {"h264", 320, 240, "25/1"},
     .audio = {"aac", 2, 48000, 160},
     .duration = 1.0},
    {.id = "StereoTrackReencodedForHdPass",
     .program = "ffmpeg",
     .source = Source::StereoAac,
     .arguments = " -y -i \"{work}/audio0.m4a\"  -acodec libfaac  -vol 256 -ab 160k -ar 48000 -ac 2"
                  " \"{work}/audio0ff.mp4\" -async 1 ",
     .output = "audio0ff.mp4",
     .audio = {"aac", 2, 48000, 160},
     .gainDb = 0.0},
    {.id = "StereoTrackReencodedForSdPassLouder",
     .program = "ffmpeg",
     .source = Source::StereoAac,
     .arguments = " -y -i \"{work}/audio0.m4a\"  -acodec libfaac   -vol 512 -ab 128k -ar 48000 -ac 2"
                  " \"{work}/audio0ff.mp4\"",
     .output = "audio0ff.mp4",
     .audio = {"aac", 2, 48000, 128},
     .gainDb = 6.02},
    {.id = "SurroundTrackCopied",
     .program = "ffmpeg",
     .source = Source::SurroundAc3,
     .arguments =
         " -y -i \"{work}/audio0.ac3\"  -acodec copy -ab 384k -ar 48000 -ac 6 \"{work}/audio0ss.ac3\""
         " -async 1 ",
     .output = "audio0ss.ac3",
     .audio = {"ac3", 6, 48000, 384}},
    {.id = "AudioExportStereoSample",
     .program = "ffmpeg",
     .source = Source::Movie,
     .arguments = " -y   -i  \"{in}\" -map 0.1:0.1  -ss 1 -t 60   -async 1  -ab 160k -ar 48000 -ac 2 -vn"
                  " -acodec libfaac -f mp4 \"{work}/audio0.m4a\"",
     .output = "audio0.m4a",
     .audio = {"aac", 2, 48000, 160},
     .duration = 1.0},
    {.id = "AudioExportMonoBecomesStereo",
     .program = "ffmpeg",
     .source = Source::MovieMono44k,
     .arguments = " -y   -i  \"{in}\" -map 0.1:0.1    -ab 160k -ar 48000 -ac 2 -vn -acodec libfaac -f mp4"
                  " \"{work}/audio0.m4a\"",
     .output = "audio0.m4a",
     .audio = {"aac", 2, 48000, 160},
     .duration = 2.0},
    {.id = "AudioExportOfTheSecondTrack",
     .program = "ffmpeg",
     .source = Source::MovieTwoAudio,
     .arguments = " -y   -i  \"{in}\" -map 0.2:0.1    -ab 160k -ar 48000 -ac 2 -vn -acodec libfaac -f mp4"
                  " \"{work}/audio1.m4a\"",
     .output = "audio1.m4a",
     .audio = {"aac", 2, 48000, 160},
     .duration = 1.0},
    {.id = "AudioExportSurroundToAc3",
     .program = "ffmpeg",
     .source = Source::MovieSurround,
     .arguments = " -y   -i  \"{in}\" -map 0.1:0.1    -ab 384k -ar 48000 -ac 6  -vn -f mp4 -acodec ac3"
                  " \"{work}/audio0.ac3\"",
     .output = "audio0.ac3",
     .audio = {"ac3", 6, 48000, 384}},
    {.id = "StereoAc3FromSurroundExport",
     .program = "ffmpeg",
     .source = Source::SurroundAc3,
     .arguments = " -y -i \"{work}/audio0.ac3\"  -ab 160k -ar 48000 -ac 2 -vn -f mp4 -acodec ac3  -async 1  "
                  " \"{work}/audio0.m4a\" ",
     .output = "audio0.m4a",
     .audio = {"ac3", 2, 48000, 160}},
    {.id = "RewrapForJoiningWithTwoAudioTracks",
     .program = "ffmpeg",
     .source = Source::MovieTwoAudio,
     .arguments =
         "-y -i \"{in}\" -vcodec copy -acodec copy -sn \"{work}/intermediate0.mkv\" -acodec copy -newaudio ",
     .output = "intermediate0.mkv",
     .video = {"h264", 320, 240, "25/1"},
     .audio = {"aac", 2, 48000, 0, 2}},
    {.id = "AvchdPreparation",
     .program = "ffmpeg-mts",
     .source = Source::CombedMts,
     .arguments =
         " -i \"{in}\" -y  -b 10M  -bt 10M  -maxrate 10M  -r ntsc -deinterlace -coder 1  -bufsize 2M"
         " -ab 256k -vcodec libx264 -trellis 1 -flags +loop -cmp +chroma"
         " -partitions +parti8x8+parti4x4+partp8x8+partb8x8 -me_method hex -subq 7 -me_range 16 -g 250"
         " -keyint_min 25 -sc_threshold 40 -i_qfactor 0.71 -b_strategy 1 -qcomp 0.6 -qmin 10 -qmax 51"
         " -qdiff 4 -bf 3 -refs 2 -directpred 3 -bidir_refine 1"
         " -flags2 +wpred+dct8x8+fastpskip+mixed_refs+bpyramid -strict experimental  -acodec aac"
         " \"{work}/mtspre.mp4\"",
     .output = "mtspre.mp4",
     .video = {"h264", 320, 240, "30000/1001", "High"},
     .x264 = "cabac=1 bframes=3 b_pyramid=2 ref=2 weightb=1 mixed_ref=1 8x8dct=1 direct=3 bitrate=10000 "
             "vbv_maxrate=10000",
     .audio = {"aac", 2, 48000, 256},
     .deinterlaced = true},
};

QStringList lavfiVideo(const char* extra = "") {
  return {"-f", "lavfi", "-i", QStringLiteral("testsrc=size=320x240:rate=25:duration=2%1").arg(extra)};
}
QStringList sine(int rate, double seconds, int frequency = 440) {
  return {
      "-f", "lavfi", "-i",
      QStringLiteral("sine=frequency=%1:sample_rate=%2:duration=%3").arg(frequency).arg(rate).arg(seconds)};
}

QString makeSource(Source source, const QString& work) {
  const QString folder = test::freshFolder("sources");
  switch (source) {
    case Source::Movie:
      test::makeMedia(folder + "/Source Movie.mp4",
                      lavfiVideo() + sine(48000, 2) + QStringList{"-g", "10", "-ac", "2"});
      return folder + "/Source Movie.mp4";
    case Source::MovieMono44k:
      test::makeMedia(folder + "/mono.mp4", lavfiVideo() + sine(44100, 2));
      return folder + "/mono.mp4";
    case Source::MovieTwoAudio:
      test::makeMedia(folder + "/two.mp4",
                      lavfiVideo() + sine(48000, 2) + sine(48000, 1, 880) +
                          QStringList{"-map", "0", "-map", "1", "-map", "2", "-ac", "2"});
      return folder + "/two.mp4";
    case Source::MovieSurround:
      test::makeMedia(folder + "/surround.mkv",
                      lavfiVideo() + sine(48000, 2) + QStringList{"-ac", "6", "-c:a", "ac3", "-b:a", "448k"});
      return folder + "/surround.mkv";
    case Source::StereoAac:
      test::makeMedia(work + "/audio0.m4a",
                      sine(48000, 2) + QStringList{"-ac", "2", "-c:a", "aac", "-f", "mp4"});
      return work + "/audio0.m4a";
    case Source::SurroundAc3:
      test::makeMedia(work + "/audio0.ac3",
                      sine(48000, 2) + QStringList{"-ac", "6", "-c:a", "ac3", "-b:a", "384k", "-f", "mp4"});
      return work + "/audio0.ac3";
    case Source::CombedMts:
      // Each frame weaves two moments of a bar moving 8 pixels per field.
      test::makeMedia(folder + "/clip.mts",
                      QStringList{"-f", "lavfi", "-i",
                                  "color=c=black:s=320x240:r=50:d=2[bg];color=c=white:s=40x240:r=50[bar];"
                                  "[bg][bar]overlay=x='mod(t*400,280)':y=0:shortest=1,"
                                  "tinterlace=mode=interleave_top,setfield=tff[out0]"} +
                          sine(48000, 2) +
                          QStringList{"-ac", "2", "-c:v", "libx264", "-c:a", "ac3", "-f", "mpegts"});
      return folder + "/clip.mts";
  }
  return {};
}

struct AdapterRun {
  bool started = false;
  int exitCode = -1;
  QByteArray output;
};

AdapterRun runAdapter(const QString& program, const QStringList& arguments, const QString& work) {
  ToolProcess process;
  AdapterRun run;
  run.started = process.start({paths::toolPath(program), arguments, work, {}});
  if (!run.started) return run;
  const QDeadlineTimer deadline(120000);
  while (!process.atEnd() && !deadline.hasExpired()) run.output += process.read(1000);
  if (!process.atEnd()) process.terminate();
  run.exitCode = process.waitForExit();
  return run;
}

// The runner's reading: the total from the text between "Duration: " and ", " as h:m:s,
// and every progress line's text between "time=" and " bitrate=" as whole seconds.
void expectRunnerReadsProgress(const QByteArray& output, const char* id) {
  QString text = QString::fromUtf8(output);
  text.replace('\r', '\n');
  int total = -1;
  int lastSeconds = 0;
  int progressLines = 0;
  for (const QString& line : text.split('\n')) {
    const QStringList duration = StringBetween(line, "Duration: ", ", ").value_or(QString()).split(':');
    if (total < 0 && duration.size() >= 3)
      total = IntegerValue(duration[0]) * 3600 + IntegerValue(duration[1]) * 60 + IntegerValue(duration[2]);
    const std::optional<QString> time = StringBetween(line, "time=", " bitrate=");
    if (!time || *time == "N/A") continue;
    EXPECT_FALSE(time->contains(':')) << id << ": the runner reads time=" << time->toStdString() << " as "
                                      << IntegerValue(*time) << " seconds";
    lastSeconds = IntegerValue(*time);
    ++progressLines;
  }
  EXPECT_GT(total, 0) << id << ": no duration line the runner can read";
  EXPECT_GT(progressLines, 0) << id << ": no progress line";
  EXPECT_GE(lastSeconds, 1) << id << ": the last progress line shows no progress";
}

QJsonObject probe(const QString& path) {
  const test::CommandResult r =
      test::runCommand("ffprobe", {"-v", "error", "-show_streams", "-show_format", "-of", "json", path});
  return QJsonDocument::fromJson(r.output).object();
}

QList<QJsonObject> streamsOf(const QJsonObject& probed, const QString& type) {
  QList<QJsonObject> streams;
  for (const QJsonValue& s : probed["streams"].toArray())
    if (s.toObject()["codec_type"].toString() == type) streams << s.toObject();
  return streams;
}

// The settings x264 records in the stream ("options: cabac=1 ref=3 ...").
QMap<QByteArray, QByteArray> x264Settings(const QString& path) {
  const QByteArray data = test::readFile(path);
  const int at = data.indexOf("x264 - core");
  const int options = data.indexOf("options: ", at);
  QMap<QByteArray, QByteArray> settings;
  if (at < 0 || options < 0) return settings;
  const int end = data.indexOf('\0', options);
  for (const QByteArray& item : data.mid(options + 9, end - options - 9).split(' ')) {
    const int eq = item.indexOf('=');
    if (eq > 0) settings[item.left(eq)] = item.mid(eq + 1);
  }
  return settings;
}

double maxVolumeDb(const QString& path) {
  const test::CommandResult r =
      test::runCommand("ffmpeg", {"-nostdin", "-i", path, "-vn", "-af", "volumedetect", "-f", "null", "-"});
  return StringBetween(QString::fromUtf8(r.output), "max_volume: ", " dB").value_or("nan").toDouble();
}

// Mean difference between neighbouring lines of frame 10: interlaced motion makes them
// alternate, a deinterlaced picture has almost none.
double combing(const QString& path) {
  const QString raw = test::freshFolder("frame") + "/frame.gray";
  test::runCommand("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-vf", "select=eq(n\\,10),format=gray",
                              "-frames:v", "1", "-f", "rawvideo", raw});
  const QByteArray d = test::readFile(raw);
  const int w = 320;
  const int h = int(d.size() / w);
  if (h < 2) return -1;
  double sum = 0;
  for (int y = 0; y + 1 < h; ++y)
    for (int x = 0; x < w; ++x) sum += std::abs(int(uchar(d[y * w + x])) - int(uchar(d[(y + 1) * w + x])));
  return sum / (w * (h - 1));
}

// Names the case in test listings.
void PrintTo(const Template& t, std::ostream* os) { *os << t.id; }

class FfmpegTemplates : public ::testing::TestWithParam<Template> {};

}  // namespace

TEST_P(FfmpegTemplates, RunsThroughTheAdapterAsTheStepExpects) {
  const Template& t = GetParam();
  const QString work = test::freshFolder("work folder");
  const QString source = makeSource(t.source, work);
  const QString output = work + "/" + t.output;
  const QString arguments = QString(t.arguments).replace("{in}", source).replace("{work}", work);

  const QStringList passes = t.twoPass ? QStringList{" -pass 1 ", " -pass 2 "} : QStringList{""};
  for (const QString& pass : passes) {
    const AdapterRun run = runAdapter(t.program, SplitArguments(arguments + pass), work);
    ASSERT_TRUE(run.started) << t.id;
    ASSERT_EQ(run.exitCode, 0) << t.id << pass.toStdString() << "\n" << run.output.toStdString();
    expectRunnerReadsProgress(run.output, t.id);
  }
  ASSERT_TRUE(QFile::exists(output)) << t.id;
  if (t.twoPass) {
    EXPECT_TRUE(QFile::exists(work + "/ffmpeg2pass-0.log")) << t.id << ": no first-pass statistics";
  }

  const QJsonObject probed = probe(output);
  const QList<QJsonObject> video = streamsOf(probed, "video");
  EXPECT_EQ(video.size(), t.video.codec ? 1 : 0) << t.id;
  if (t.video.codec && video.size() == 1) {
    const QJsonObject& v = video[0];
    EXPECT_EQ(v["codec_name"].toString(), t.video.codec) << t.id;
    EXPECT_EQ(v["width"].toInt(), t.video.width) << t.id;
    EXPECT_EQ(v["height"].toInt(), t.video.height) << t.id;
    EXPECT_EQ(v["r_frame_rate"].toString(), t.video.frameRate) << t.id;
    if (t.video.profile) {
      EXPECT_EQ(v["profile"].toString(), t.video.profile) << t.id;
      EXPECT_EQ(v["pix_fmt"].toString(), "yuv420p") << t.id;
    }
    if (t.video.aspect) {
      EXPECT_EQ(v["display_aspect_ratio"].toString(), t.video.aspect) << t.id;
    }
  }
  if (t.x264) {
    const QMap<QByteArray, QByteArray> settings = x264Settings(output);
    for (const QByteArray& item : QByteArray(t.x264).split(' ')) {
      const QByteArray key = item.left(item.indexOf('='));
      EXPECT_EQ(settings.value(key), item.mid(item.indexOf('=') + 1)) << t.id << ": x264 " << key.constData();
    }
  }

  const QList<QJsonObject> audio = streamsOf(probed, "audio");
  EXPECT_EQ(audio.size(), t.audio.codec ? t.audio.streams : 0) << t.id;
  for (const QJsonObject& a : audio) {
    EXPECT_EQ(a["codec_name"].toString(), t.audio.codec) << t.id;
    EXPECT_EQ(a["channels"].toInt(), t.audio.channels) << t.id;
    EXPECT_EQ(a["sample_rate"].toString().toInt(), t.audio.sampleRate) << t.id;
    if (t.audio.kbps > 0) {
      const double kbps = a["bit_rate"].toString().toDouble() / 1000;
      EXPECT_NEAR(kbps, t.audio.kbps, t.audio.kbps * 0.15) << t.id << ": audio bit rate";
    }
  }
  if (t.duration > 0) {
    EXPECT_NEAR(probed["format"].toObject()["duration"].toString().toDouble(), t.duration, 0.15) << t.id;
  }
  if (t.gainDb) {
    EXPECT_NEAR(maxVolumeDb(output) - maxVolumeDb(source), *t.gainDb, 0.5) << t.id;
  }
  if (t.deinterlaced) {
    EXPECT_GT(combing(source), 5.0) << t.id << ": the source is not combed";
    EXPECT_LT(combing(output), 1.0) << t.id << ": the output is still combed";
  }
}

INSTANTIATE_TEST_SUITE_P(EveryTemplate, FfmpegTemplates, ::testing::ValuesIn(kTemplates),
                         [](const ::testing::TestParamInfo<Template>& info) {
                           return std::string(info.param.id);
                         });
