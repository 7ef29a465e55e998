// Where the time of a whole conversion goes, and what it writes: a 20-second 720p episode with
// English stereo, French 5.1 and a SubRip file beside it, probed and converted through
// BCConverter::Convert into the media library (audio export, video pass, stereo re-encodes with
// normalising, AC-3, MP4Box adds, subtitles, tags, import, clean-up). Every tool starts through a
// wrapper that records when it ran, which step it served and what it read and wrote (rchar and
// wchar of /proc/self/io, which take in the tool's own children once they are reaped): an ffmpeg
// run that writes the output file is the video pass, every other one (the exports and re-encodes)
// and aacgain are the audio steps, MP4Box is the muxing, the library's import program is the
// move. The tags are what lies between the last tool before the import and the import; their
// bytes are the converter's own (the bench's /proc/self/io less its children's). The program
// prints each part's seconds and share of the wall time, what is left outside all of them, the
// bytes each part wrote per byte of the finished file, and how often the tools read the source.
//
//   ZUVO_BUILD_DIR=$PWD/build build/bench/conversion_tail_bench [REPEATS] [NORMALISE 0|1] [GRAIN 0|1]
//
// With GRAIN 1 the picture carries moving grain, so the video pass spends its whole bit rate
// and the audio's share of the file is that of a broadcast recording.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "convert/converter/BCConverter.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "media/StreamAnalysis.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"

using namespace zuvo;

namespace {

bool run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  process.waitForFinished(-1);
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A script that runs `real` with its arguments and appends "<step> <start ns> <end ns> <wchar>
// <rchar> <reads the source: 0|1>": the step is `name`, or for ffmpeg "video" when its last
// argument is one of `outputs`.
QString wrapper(const QString& folder, const QString& name, const QString& real, const QString& log,
                const QString& source, const QStringList& outputs = {}) {
  const QString path = folder + "/" + name;
  QString step = QStringLiteral("step=%1\n").arg(name);
  if (!outputs.isEmpty()) {
    QStringList patterns;
    for (const QString& output : outputs) patterns << "'" + output + "'";
    step = QStringLiteral("step=audio\nfor last; do :; done\ncase \"$last\" in %1) step=video;; esac\n")
               .arg(patterns.join('|'));
  }
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(
      QStringLiteral("#!/bin/sh\n%1src=0\nfor a; do [ \"$a\" = '%4' ] && src=1; done\ns=$(date +%s%N)\n"
                     "'%2' \"$@\"\nrc=$?\n"
                     "io=$(awk '/^wchar/ {w=$2} /^rchar/ {r=$2} END {print w, r}' /proc/$$/io)\n"
                     "echo \"$step $s $(date +%s%N) $io $src\" >> '%3'\nexit $rc\n")
          .arg(step, real, log, source)
          .toUtf8());
  file.close();
  file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
  return path;
}

// This process's bytes read and written so far, its reaped children's included.
std::pair<qint64, qint64> ownIo() {
  std::ifstream io("/proc/self/io");
  std::string key;
  qint64 value = 0, written = 0, read = 0;
  while (io >> key >> value) {
    if (key == "wchar:") written = value;
    if (key == "rchar:") read = value;
  }
  return {written, read};
}

struct Run {
  QString step;
  qint64 start = 0, end = 0;
  qint64 written = 0, read = 0;
  bool source = false;
};

QList<Run> toolRuns(const QString& log) {
  QList<Run> runs;
  QFile file(log);
  file.open(QIODevice::ReadOnly);
  for (const QByteArray& line : file.readAll().split('\n')) {
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() == 6)
      runs.append({QString::fromUtf8(parts[0]), parts[1].toLongLong(), parts[2].toLongLong(),
                   parts[3].toLongLong(), parts[4].toLongLong(), parts[5] == "1"});
  }
  return runs;
}

MediaFilePtr episode(const QString& path, const QString& cache) {
  auto media = std::make_shared<MediaFile>();
  media->setFullpath(path);
  media->setFilename(QFileInfo(path).fileName());
  media->setType(kSourceTypeFile);
  (void)MediaInfoFromFile(*media, {nullptr, cache, QStringLiteral("en")});
  media->setMediatype(MediaType::TVShow);
  media->setSeriesname("Bench Show");
  media->setSeason(1);
  media->setShow(2);
  media->setEpisodename("Timing");
  QImage cover(600, 600, QImage::Format_RGB32);
  cover.fill(Qt::darkBlue);
  media->setImage(cover);
  media->setConversionFormat(ConversionFormat::HDOnly);
  QList<AudioTrack> audio = media->AudioTracks();
  for (AudioTrack& t : audio) {
    t.setSelected(true);
    t.setIsDefault(t.channels() == 2);
    t.setMakeStereo(t.channels() == 6);
  }
  media->setAudioTracks(audio);
  QList<SubtitleTrack> subtitles = media->SoftSubtitleTracks();
  for (SubtitleTrack& t : subtitles) t.setSelected(true);
  media->setSoftSubtitleTracks(subtitles);
  media->setState(MediaState::Converting);
  return media;
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir home;
  for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
    qputenv(variable,
            (home.path() + (qstrcmp(variable, "HOME") ? QString("/") + variable : QString())).toUtf8());
  qputenv("ZUVO_MEDIA_LIBRARY", (home.path() + "/library").toUtf8());
  QCoreApplication app(argc, argv);
  const int repeats = argc > 1 ? atoi(argv[1]) : 3;
  registerSettingDefaults();
  Defaults& defaults = Defaults::standard();
  const QString work = home.path() + "/work", sources = home.path() + "/sources",
                tools = home.path() + "/tools";
  for (const QString& folder : {work, sources, tools}) QDir().mkpath(folder);
  defaults.setString(work, "ConversionDirectory");
  defaults.setInteger(1, "EncodingQuality");
  defaults.setString("iTunes", "TVShowDestination");
  defaults.setBool(argc > 2 ? atoi(argv[2]) != 0 : true, "NormalizeStereoAudio");
  defaults.setInteger(0, "VideoSourcesFileAction");

  const QString source = sources + "/Episode.mkv";
  const bool grain = argc > 3 && atoi(argv[3]) != 0;
  const QString picture =
      QStringLiteral("testsrc=size=1280x720:rate=25:duration=20") + (grain ? ",noise=alls=16:allf=t" : "");
  if (!run("ffmpeg", {"-y",
                      "-loglevel",
                      "error",
                      "-f",
                      "lavfi",
                      "-i",
                      picture,
                      "-f",
                      "lavfi",
                      "-i",
                      "sine=frequency=440:sample_rate=48000:duration=20",
                      "-f",
                      "lavfi",
                      "-i",
                      "sine=frequency=660:sample_rate=48000:duration=20",
                      "-map",
                      "0:v",
                      "-map",
                      "1:a",
                      "-map",
                      "2:a",
                      "-c:v",
                      "libx264",
                      "-preset",
                      "veryfast",
                      "-b:v",
                      "2500k",
                      "-c:a",
                      "aac",
                      "-ac:a:0",
                      "2",
                      "-ac:a:1",
                      "6",
                      "-metadata:s:a:0",
                      "language=eng",
                      "-metadata:s:a:1",
                      "language=fre",
                      source})) {
    std::fprintf(stderr, "cannot make the source\n");
    return 1;
  }
  QFile subtitles(sources + "/Episode.srt");
  subtitles.open(QIODevice::WriteOnly);
  for (int i = 0; i < 10; ++i)
    subtitles.write(QStringLiteral("%1\n00:00:%2,000 --> 00:00:%3,500\nLine %1\n\n")
                        .arg(i + 1)
                        .arg(i * 2, 2, 10, QChar('0'))
                        .arg(i * 2 + 1, 2, 10, QChar('0'))
                        .toUtf8());
  subtitles.close();

  // The library's import program is found when it is called: the programs' folder is
  // replaced by one of links to the same programs, with a wrapper for it.
  const QString realImport = paths::toolPath("ImportMovie");
  const QString importWrappers = tools + "/import";
  QDir().mkpath(importWrappers);
  const QDir programs = QFileInfo(realImport).dir();
  for (const QString& name : programs.entryList(QDir::Files | QDir::Executable))
    if (name != "ImportMovie") QFile::link(programs.filePath(name), importWrappers + "/" + name);
  paths::setResourceRoots(QString(), importWrappers);

  const QStringList parts = {"video", "audio", "mp4box", "tags", "ImportMovie"};
  const QStringList labels = {"video pass", "audio steps", "muxing", "tags", "move"};
  QMap<QString, QList<double>> shares, ratios;
  for (int i = 0; i < repeats; ++i) {
    const QString log = tools + QStringLiteral("/times%1").arg(i);
    const MediaFilePtr media = episode(source, home.path() + "/cache");
    const auto converter = BCConverter::init(media, "[1]", {}, nullptr, {});
    const QString base = work + "/" + converter->outboundname;
    converter->ffmpegpath = wrapper(tools, "ffmpeg", converter->ffmpegpath, log, source,
                                    {base + ".m4v", base + ".mp4", base + ".SD.mp4"});
    converter->mp4boxpath = wrapper(tools, "mp4box", converter->mp4boxpath, log, source);
    converter->aacgainpath = wrapper(tools, "aacgain", converter->aacgainpath, log, source);
    wrapper(importWrappers, "ImportMovie", realImport, log, source);
    media->setState(MediaState::Converting);
    const qint64 began = QDateTime::currentMSecsSinceEpoch() * 1000000;
    const auto ioBefore = ownIo();
    QElapsedTimer clock;
    clock.start();
    const BCError result = converter->Convert();
    const double wall = clock.nsecsElapsed() / 1e9;
    const auto ioAfter = ownIo();
    if (result.Error()) {
      std::fprintf(stderr, "conversion failed: %s\n", qPrintable(result.Description()));
      return 1;
    }
    QMap<QString, double> seconds;
    QMap<QString, qint64> written, read;
    qint64 lastBeforeImport = began, childrenWrote = 0, sourceRead = 0;
    for (const Run& run : toolRuns(log)) {
      const QString part = run.step == "aacgain" ? QStringLiteral("audio") : run.step;
      seconds[part] += (run.end - run.start) / 1e9;
      written[part] += run.written;
      read[part] += run.read;
      childrenWrote += run.written;
      if (run.source) sourceRead += run.read;
      if (run.step == "ImportMovie")
        seconds["tags"] += (run.start - lastBeforeImport) / 1e9;
      else
        lastBeforeImport = std::max(lastBeforeImport, run.end);
    }
    written["tags"] = ioAfter.first - ioBefore.first - childrenWrote;
    QFileInfo output;
    QDirIterator placed(home.path() + "/library", {"*.m4v"}, QDir::Files, QDirIterator::Subdirectories);
    while (placed.hasNext()) {
      const QFileInfo candidate(placed.next());
      if (!output.exists() || candidate.lastModified() > output.lastModified()) output = candidate;
    }
    const double outputBytes = double(output.size());
    double counted = 0;
    std::printf("run %d: wall %.3f s", i + 1, wall);
    for (int p = 0; p < parts.size(); ++p) {
      const double part = seconds.value(parts[p]);
      counted += part;
      shares[parts[p]] << part / wall * 100;
      std::printf(", %s %.3f s (%.1f%%)", qPrintable(labels[p]), part, part / wall * 100);
    }
    shares["rest"] << (wall - counted) / wall * 100;
    std::printf(", the rest %.3f s (%.1f%%)\n", wall - counted, (wall - counted) / wall * 100);
    qint64 all = 0;
    std::printf("  output %.2f MB; bytes written per output byte:", outputBytes / 1e6);
    for (int p = 0; p < parts.size(); ++p) {
      all += written.value(parts[p]);
      std::printf(" %s %.3f,", qPrintable(labels[p]), written.value(parts[p]) / outputBytes);
    }
    const double muxing = (written.value("mp4box") + written.value("tags")) / outputBytes;
    ratios["muxing"] << muxing;
    ratios["all"] << all / outputBytes;
    ratios["source"] << sourceRead / double(QFileInfo(source).size());
    std::printf(
        " muxing and tags %.3f, all %.3f; the source (%.2f MB) read %.2f times; MP4Box read %.3f per output "
        "byte\n",
        muxing, all / outputBytes, QFileInfo(source).size() / 1e6, ratios["source"].back(),
        read.value("mp4box") / outputBytes);
  }
  std::printf("median shares:");
  for (int p = 0; p <= parts.size(); ++p) {
    QList<double> values = shares[p < parts.size() ? parts[p] : QStringLiteral("rest")];
    std::sort(values.begin(), values.end());
    std::printf(" %s %.1f%%", p < parts.size() ? qPrintable(labels[p]) : "the rest",
                values[values.size() / 2]);
  }
  std::printf("\nmedian bytes written per output byte:");
  for (const char* ratio : {"muxing", "all", "source"}) {
    QList<double> values = ratios[ratio];
    std::sort(values.begin(), values.end());
    std::printf(" %s %.3f", ratio, values[values.size() / 2]);
  }
  std::printf(" (source: times read)\n");
  return 0;
}
