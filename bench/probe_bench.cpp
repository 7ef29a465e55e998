// Probing a folder of short files against running the analysis tools alone on them.
// Usage: probe_bench [files] [rounds]
//
// The tools alone: per file mediainfo once and ffprobe once, as a probe runs them, on as
// many threads as the probe gate lets run (11). The probes: one item per file through
// initializeMediaWithPath, all at once, with the real metadata steps and the online look-up
// switched off (no network), until the last has ended. Each round runs both; files per
// second of every round are printed.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThreadPool>
#include <algorithm>
#include <cstdio>

#include "media/AnalysisTools.h"
#include "media/ProbeMediaFile.h"
#include "media/ProbeSteps.h"
#include "media/RegisteredSettings.h"
#include "metadata/MetadataProbeSteps.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "platform/ToolProcess.h"

using namespace zuvo;

namespace {

QStringList makeSources(const QString& dir, int count) {
  const QString chapters = dir + "/chapters.txt", first = dir + "/source.mkv";
  QFile f(chapters);
  f.open(QIODevice::WriteOnly);
  f.write(
      ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\ntitle=One\n"
      "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\nEND=2000\ntitle=Two\n");
  f.close();
  QProcess::execute("ffmpeg", {"-y",
                               "-nostdin",
                               "-loglevel",
                               "error",
                               "-f",
                               "lavfi",
                               "-i",
                               "testsrc=size=320x240:rate=25:duration=2",
                               "-f",
                               "lavfi",
                               "-i",
                               "sine=frequency=440:sample_rate=48000:duration=2",
                               "-i",
                               chapters,
                               "-map",
                               "0:v",
                               "-map",
                               "1:a",
                               "-map_chapters",
                               "2",
                               "-c:v",
                               "libx264",
                               "-preset",
                               "ultrafast",
                               "-c:a",
                               "aac",
                               first});
  QStringList paths;
  for (int i = 1; i <= count; ++i) {
    const QString path = QStringLiteral("%1/Some Show S01E%2.mkv").arg(dir).arg(i, 3, 10, QChar('0'));
    QFile::copy(first, path);
    paths << path;
  }
  QFile::remove(first);
  QFile::remove(chapters);
  return paths;
}

double toolsAlone(const QStringList& sources, const QString& cache) {
  QThreadPool pool;
  pool.setMaxThreadCount(kRunningProbeThreshold + 1);
  const QString mediainfo = paths::toolPath(kMediaInfoTool), ffprobe = paths::toolPath(kFFprobeTool);
  QElapsedTimer clock;
  clock.start();
  for (const QString& source : sources)
    pool.start([=] {
      ToolProcess::run({mediainfo, {source}, cache, {}});
      ToolProcess::run({ffprobe, {source}, cache, {}});
    });
  pool.waitForDone();
  return sources.size() / (clock.nsecsElapsed() / 1e9);
}

double probes(const QStringList& sources) {
  QElapsedTimer clock;
  clock.start();
  QList<MediaFilePtr> items;
  for (const QString& source : sources) items << initializeMediaWithPath(source, true, true);
  probeThreadPool().waitForDone();
  const double rate = sources.size() / (clock.nsecsElapsed() / 1e9);
  for (const MediaFilePtr& item : items)
    if (!item->didlookup() || item->myvideotrack().width() != 320 || item->Chapters().size() != 2) {
      fprintf(stderr, "incomplete probe of %s\n", qPrintable(item->fullpath()));
      return 0;
    }
  return rate;
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir home;
  qputenv("HOME", home.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
  QCoreApplication app(argc, argv);
  const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
  const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

  QTemporaryDir tmp;
  const QString cache = tmp.path() + "/cache";
  QDir().mkpath(cache);
  const QStringList sources = makeSources(tmp.path(), count);

  Defaults::standard().setStorageFile(home.path() + "/Zuvo.conf");
  registerSettingDefaults();
  Defaults::standard().setBool(false, "AutomaticallyLookUpShowInformation");
  setProbeContext(ProbeContext{BCCReporter::dummy(), BCCReporter::dummy(), cache, "en"});
  installMetadataProbeSteps();

  printf("%d files, %d cores, tools on %d threads\n", count, QThread::idealThreadCount(),
         kRunningProbeThreshold + 1);
  for (int r = 1; r <= rounds; ++r) {
    const double alone = toolsAlone(sources, cache);
    const double probed = probes(sources);
    printf("round %d: tools alone %.1f files/s, probes %.1f files/s, ratio %.3f\n", r, alone, probed,
           probed / alone);
  }
  return 0;
}
