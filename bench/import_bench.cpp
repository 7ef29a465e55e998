// What a library import writes: imports a converted file into a library in the bench's
// temporary home, as a copy (the import of a file in a user folder) and as a move (the
// import from the work folder), and for a move across file systems into a library in
// /dev/shm. For each it prints the time and the bytes this process wrote (write calls, from
// /proc/self/io) beside the file's size: a move within one file system writes only the
// library's index.
//
//   build/bench/import_bench [SECONDS] [REPEATS]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "tools/library/LibraryImport.h"

using namespace zuvo;
using namespace zuvo::library;

namespace {

qint64 bytesWritten() {
  QFile io(QStringLiteral("/proc/self/io"));
  if (!io.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : io.readAll().split('\n'))
    if (line.startsWith("wchar:")) return line.mid(6).trimmed().toLongLong();
  return -1;
}

double median(QList<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? atoi(argv[1]) : 60;
  const int repeats = argc > 2 ? atoi(argv[2]) : 5;
  QTemporaryDir home;
  QTemporaryDir shm(QStringLiteral("/dev/shm/import_bench-XXXXXX"));
  const QString master = home.path() + "/master.m4v";
  QProcess ffmpeg;
  ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
  ffmpeg.start("ffmpeg", {"-y",
                          "-loglevel",
                          "error",
                          "-f",
                          "lavfi",
                          "-i",
                          QStringLiteral("testsrc=size=1280x720:rate=25:duration=%1").arg(seconds),
                          "-f",
                          "lavfi",
                          "-i",
                          QStringLiteral("sine=frequency=440:sample_rate=48000:duration=%1").arg(seconds),
                          "-c:v",
                          "libx264",
                          "-preset",
                          "ultrafast",
                          "-b:v",
                          "5000k",
                          "-c:a",
                          "aac",
                          master});
  ffmpeg.waitForFinished(-1);
  if (ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0) {
    std::fprintf(stderr, "cannot make the file: %s\n", ffmpeg.readAll().constData());
    return 1;
  }
  const qint64 size = QFileInfo(master).size();
  std::printf("file: %.1f MB\n", size / 1e6);

  const struct {
    const char* what;
    QString library;
    ImportMode mode;
  } cases[] = {{"copy, one file system", home.path() + "/copies", ImportMode::Copy},
               {"move, one file system", home.path() + "/moves", ImportMode::Move},
               {"move into /dev/shm", shm.path() + "/moves", ImportMode::Move}};
  for (const auto& c : cases) {
    QList<double> times, written;
    for (int i = 0; i < repeats; ++i) {
      const QString work = home.path() + "/work";
      QDir(work).removeRecursively();
      QDir(c.library).removeRecursively();
      QDir().mkpath(work);
      const QString file = work + "/Bench.m4v";
      if (!QFile::copy(master, file)) return 1;
      const qint64 before = bytesWritten();
      QElapsedTimer clock;
      clock.start();
      const ImportResult result = importIntoLibrary(c.library, file, QString(), Kind::Movie, c.mode);
      times << clock.nsecsElapsed() / 1e6;
      written << double(bytesWritten() - before);
      if (!result.imported) {
        std::fprintf(stderr, "%s failed: %s\n", c.what, qPrintable(result.error));
        return 1;
      }
    }
    std::printf("%-22s median %8.1f ms, written %12.0f bytes (%.4f of the file)\n", c.what, median(times),
                median(written), median(written) / size);
  }
  return 0;
}
