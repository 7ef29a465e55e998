// Where the time of a whole conversion goes: a 20-second 720p episode with English stereo,
// French 5.1 and a SubRip file beside it, probed and converted through BCConverter::Convert
// into the media library (audio export, video pass, stereo re-encodes with normalising, AC-3,
// MP4Box adds, subtitles, tags, import, clean-up). Every tool starts through a wrapper that
// records when it ran; the program prints the wall time, the time inside the encoder (ffmpeg)
// and the other tools, and the share spent outside them.
//
//   ZUVO_BUILD_DIR=$PWD/build build/bench/conversion_tail_bench [REPEATS] [NORMALISE 0|1]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "convert/converter/BCConverter.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "media/StreamAnalysis.h"
#include "platform/Defaults.h"

using namespace zuvo;

namespace {

bool run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, arguments);
  process.waitForFinished(-1);
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A script that runs `real` with its arguments and appends "<name> <start ns> <end ns>".
QString wrapper(const QString& folder, const QString& name, const QString& real, const QString& log) {
  const QString path = folder + "/" + name;
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(QStringLiteral("#!/bin/sh\ns=$(date +%s%N)\n'%1' \"$@\"\nrc=$?\necho \"%2 $s $(date +%s%N)\" >> '%3'\nexit $rc\n")
                 .arg(real, name, log)
                 .toUtf8());
  file.close();
  file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
  return path;
}

QMap<QString, double> toolSeconds(const QString& log) {
  QMap<QString, double> seconds;
  QFile file(log);
  file.open(QIODevice::ReadOnly);
  for (const QByteArray& line : file.readAll().split('\n')) {
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() == 3) seconds[QString::fromUtf8(parts[0])] += (parts[2].toLongLong() - parts[1].toLongLong()) / 1e9;
  }
  return seconds;
}

MediaFilePtr episode(const QString& path, const QString& cache) {
  auto media = std::make_shared<MediaFile>();
  media->setFullpath(path);
  media->setFilename(QFileInfo(path).fileName());
  media->setType(kSourceTypeFile);
  MediaInfoFromFile(*media, {nullptr, cache, QStringLiteral("en")});
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
    qputenv(variable, (home.path() + (qstrcmp(variable, "HOME") ? QString("/") + variable : QString())).toUtf8());
  qputenv("ZUVO_MEDIA_LIBRARY", (home.path() + "/library").toUtf8());
  QCoreApplication app(argc, argv);
  const int repeats = argc > 1 ? atoi(argv[1]) : 3;
  registerSettingDefaults();
  Defaults& defaults = Defaults::standard();
  const QString work = home.path() + "/work", sources = home.path() + "/sources", tools = home.path() + "/tools";
  for (const QString& folder : {work, sources, tools}) QDir().mkpath(folder);
  defaults.setString(work, "ConversionDirectory");
  defaults.setInteger(1, "EncodingQuality");
  defaults.setString("iTunes", "TVShowDestination");
  defaults.setBool(argc > 2 ? atoi(argv[2]) != 0 : true, "NormalizeStereoAudio");
  defaults.setInteger(0, "VideoSourcesFileAction");

  const QString source = sources + "/Episode.mkv";
  if (!run("ffmpeg", {"-y", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=1280x720:rate=25:duration=20",
                      "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=20",
                      "-f", "lavfi", "-i", "sine=frequency=660:sample_rate=48000:duration=20",
                      "-map", "0:v", "-map", "1:a", "-map", "2:a", "-c:v", "libx264", "-preset", "veryfast",
                      "-b:v", "2500k", "-c:a", "aac", "-ac:a:0", "2", "-ac:a:1", "6",
                      "-metadata:s:a:0", "language=eng", "-metadata:s:a:1", "language=fre", source})) {
    std::fprintf(stderr, "cannot make the source\n");
    return 1;
  }
  QFile subtitles(sources + "/Episode.srt");
  subtitles.open(QIODevice::WriteOnly);
  for (int i = 0; i < 10; ++i)
    subtitles.write(QStringLiteral("%1\n00:00:%2,000 --> 00:00:%3,500\nLine %1\n\n").arg(i + 1).arg(i * 2, 2, 10, QChar('0')).arg(i * 2 + 1, 2, 10, QChar('0')).toUtf8());
  subtitles.close();

  QList<double> shares;
  for (int i = 0; i < repeats; ++i) {
    const QString log = tools + QStringLiteral("/times%1").arg(i);
    const MediaFilePtr media = episode(source, home.path() + "/cache");
    const auto converter = BCConverter::init(media, "[1]", {}, nullptr);
    converter->ffmpegpath = wrapper(tools, "ffmpeg", converter->ffmpegpath, log);
    converter->mp4boxpath = wrapper(tools, "mp4box", converter->mp4boxpath, log);
    converter->aacgainpath = wrapper(tools, "aacgain", converter->aacgainpath, log);
    media->setState(MediaState::Converting);
    QElapsedTimer clock;
    clock.start();
    const BCError result = converter->Convert();
    const double wall = clock.nsecsElapsed() / 1e9;
    if (result.Error()) {
      std::fprintf(stderr, "conversion failed: %s\n", qPrintable(result.Description()));
      return 1;
    }
    const QMap<QString, double> inside = toolSeconds(log);
    const double encoder = inside.value("ffmpeg");
    double all = 0;
    for (const double s : inside) all += s;
    shares << (wall - encoder) / wall * 100;
    std::printf("run %d: wall %.3f s, ffmpeg %.3f s, mp4box %.3f s, aacgain %.3f s; outside the encoder %.1f%%, "
                "outside every tool %.1f%% (%.3f s)\n",
                i + 1, wall, encoder, inside.value("mp4box"), inside.value("aacgain"), (wall - encoder) / wall * 100,
                (wall - all) / wall * 100, wall - all);
  }
  std::sort(shares.begin(), shares.end());
  std::printf("median share outside the encoder: %.1f%%\n", shares[shares.size() / 2]);
  return 0;
}
