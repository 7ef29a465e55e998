// Analysis of one source against running mediainfo and ffprobe alone on it: the two tool
// runs with their output normalised, and the whole stream analysis of a media object. Usage: analysis_bench
// [source] [rounds]; without a source it makes a 3-second H.264/AAC/AC-3 MKV with chapters in a temporary
// folder.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "media/AnalysisTools.h"
#include "media/RegisteredSettings.h"
#include "media/StreamAnalysis.h"
#include "platform/Paths.h"
#include "platform/ToolProcess.h"

using namespace zuvo;

namespace {

QString makeSource(const QString& dir) {
  const QString chapters = dir + "/chapters.txt", path = dir + "/source.mkv";
  QFile f(chapters);
  f.open(QIODevice::WriteOnly);
  f.write(
      ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1500\ntitle=One\n"
      "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1500\nEND=3000\ntitle=Two\n");
  f.close();
  QProcess::execute("ffmpeg", {"-y",
                               "-nostdin",
                               "-loglevel",
                               "error",
                               "-f",
                               "lavfi",
                               "-i",
                               "testsrc=size=640x360:rate=25:duration=3",
                               "-f",
                               "lavfi",
                               "-i",
                               "sine=frequency=440:sample_rate=48000:duration=3",
                               "-i",
                               chapters,
                               "-map",
                               "0:v",
                               "-map",
                               "1:a",
                               "-map",
                               "1:a",
                               "-map_chapters",
                               "2",
                               "-c:v",
                               "libx264",
                               "-preset",
                               "ultrafast",
                               "-c:a:0",
                               "aac",
                               "-c:a:1",
                               "ac3",
                               "-ac:a:1",
                               "6",
                               path});
  return path;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir tmp;
  const QString source = argc > 1 ? QString::fromLocal8Bit(argv[1]) : makeSource(tmp.path());
  const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 30;
  const QString cache = tmp.path();

  registerSettingDefaults();
  const AnalysisContext context{BCCReporter::dummy(), cache, QStringLiteral("en")};
  std::vector<double> alone, analysis, whole;
  QElapsedTimer t;
  for (int r = 0; r < rounds; ++r) {
    t.start();
    ToolProcess::run({paths::toolPath(kMediaInfoTool), {source}, cache, {}});
    ToolProcess::run({paths::toolPath(kFFprobeTool), {source}, cache, {}});
    alone.push_back(t.nsecsElapsed() / 1e6);

    t.start();
    const QString info = mediaInfoOutput(source, cache);
    const QString probe = ffprobeOutput(source, cache);
    analysis.push_back(t.nsecsElapsed() / 1e6);
    if (info.isEmpty() || probe.isEmpty()) {
      fprintf(stderr, "no tool output for %s\n", qPrintable(source));
      return 1;
    }

    t.start();
    MediaFile media;
    media.setFullpath(source);
    media.setFilename(QFileInfo(source).fileName());
    (void)MediaInfoFromFile(media, context);
    whole.push_back(t.nsecsElapsed() / 1e6);
  }
  const double a = median(alone), b = median(analysis), c = median(whole);
  printf(
      "rounds %d\nmediainfo + ffprobe alone: %.1f ms\nrun + normalise: %.1f ms (ratio %.3f)\n"
      "MediaInfoFromFile: %.1f ms (ratio %.3f)\n",
      rounds, a, b, b / a, c, c / a);
  return 0;
}
