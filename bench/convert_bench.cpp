// The converter's overhead over ffmpeg: converts the given file as an "HD only" pass at
// Normal quality through BCConverter::Convert (adapter, runner, progress, table redraws),
// and runs the same command by hand (the adapter's translation of that pass's arguments,
// straight into Debian's ffmpeg); alternates the two and prints the medians. Both read a
// copy of the source in the bench's temporary home, and the original is left in place, so
// the given file is never moved or trashed; a by-hand run that fails stops the bench.
//
//   convert_bench SOURCE WIDTH HEIGHT SECONDS [REPEATS]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "convert/converter/BCConverter.h"
#include "convert/passes/VideoPassArguments.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "tools/ffmpeg/LegacyArguments.h"

using namespace zuvo;

namespace {

MediaFilePtr media(const QString& path, int width, int height, int seconds) {
  auto m = std::make_shared<MediaFile>();
  m->setMediatype(MediaType::Movie);
  m->setType(kSourceTypeFile);
  m->setFullpath(path);
  m->setFilename("Bench.mkv");
  m->setSeriesname("Bench");
  m->setConversionFormat(ConversionFormat::HDOnly);
  VideoTrack video;
  video.setWidth(width);
  video.setHeight(height);
  video.setBitrate("2500");
  video.setFramerate("25 fps");
  video.setDuration(seconds);
  m->setMyvideotrack(video);
  m->setState(MediaState::Converting);
  return m;
}

double median(QList<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir home;
  qputenv("HOME", home.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
  qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
  qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
  QCoreApplication app(argc, argv);
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s SOURCE WIDTH HEIGHT SECONDS [REPEATS]\n", argv[0]);
    return 2;
  }
  const QString source = QString::fromLocal8Bit(argv[1]);
  const int width = atoi(argv[2]);
  const int height = atoi(argv[3]);
  const int seconds = atoi(argv[4]);
  const int repeats = argc > 5 ? atoi(argv[5]) : 5;
  registerSettingDefaults();
  Defaults& defaults = Defaults::standard();
  const QString work = home.path() + "/work";
  defaults.setString(work, "ConversionDirectory");
  defaults.setInteger(1, "EncodingQuality");
  // The original stays where it is (the default sends it away after the conversion).
  defaults.setInteger(0, "DroppedFileAction");
  defaults.setInteger(0, "VideoSourcesFileAction");
  const QString copy = home.path() + "/source/" + QFileInfo(source).fileName();
  QDir().mkpath(home.path() + "/source");
  if (!QFile::copy(source, copy)) {
    std::fprintf(stderr, "cannot copy %s\n", qPrintable(source));
    return 1;
  }

  QList<double> zuvo;
  QList<double> byHand;
  for (int i = 0; i < repeats; ++i) {
    QDir(work).removeRecursively();
    QDir().mkpath(work);
    if (!QFileInfo::exists(copy)) {
      std::fprintf(stderr, "the conversion took its source away\n");
      return 1;
    }
    const MediaFilePtr item = media(copy, width, height, seconds);
    const auto converter = BCConverter::init(item, "[1]", {}, nullptr, {});
    item->setState(MediaState::Converting);
    QElapsedTimer clock;
    clock.start();
    const BCError result = converter->Convert();
    zuvo << clock.nsecsElapsed() / 1e9;
    if (result.Error()) {
      std::fprintf(stderr, "conversion failed: %s\n", qPrintable(result.Description()));
      return 1;
    }

    // The same pass's command, translated once and run by hand.
    VideoPass pass;
    pass.format = ConversionFormat::HDOnly;
    pass.quality = 1;
    pass.source = copy;
    pass.workFolder = work;
    pass.baseName = "byhand";
    pass.videotype = ".m4v";
    pass.audiocodec = converter->audiocodec;
    pass.audiobitrate = converter->audiobitrate;
    const MediaFilePtr same = media(copy, width, height, seconds);
    VideoPassArguments arguments(same, pass, nullptr);
    arguments.startAndSize();
    arguments.finish();
    QByteArrayList legacy;
    for (const QString& argument : arguments.arguments().list()) legacy << argument.toUtf8();
    QStringList translated;
    for (const QByteArray& argument : ffmpeg::translateArguments(legacy))
      translated << QString::fromUtf8(argument);
    QProcess ffmpeg;
    ffmpeg.setWorkingDirectory(work);
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    clock.restart();
    ffmpeg.start("/usr/bin/ffmpeg", translated);
    ffmpeg.waitForFinished(-1);
    byHand << clock.nsecsElapsed() / 1e9;
    const QByteArray said = ffmpeg.readAll();
    if (ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0) {
      std::fprintf(stderr, "the run by hand failed (exit %d):\n%s\n", ffmpeg.exitCode(),
                   said.right(2000).constData());
      return 1;
    }
    std::printf("run %d: Zuvo %.3f s, by hand %.3f s\n", i + 1, zuvo.last(), byHand.last());
  }
  const double z = median(zuvo);
  const double h = median(byHand);
  std::printf("median: Zuvo %.3f s, by hand %.3f s, overhead %+.2f%%\n", z, h, (z / h - 1) * 100);
  return 0;
}
