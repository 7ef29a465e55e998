// Stands in for the AVI joiner ("-o OUTPUT -i FIRST FURTHER..."): ffmpeg's concat demuxer
// copies the parts' streams one after another into one AVI file, without re-encoding. A
// failed or stopped join leaves no output behind.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>

#include "tools/common/FfmpegChild.h"

using namespace zuvo::tools;

namespace {

constexpr const char* kUsage = "usage: avimerge -o OUTPUT -i FILE [FILE...]\n";

int fail(const QString& message) {
  std::fprintf(stderr, "avimerge: %s\n", message.toUtf8().constData());
  return 1;
}

int usage() {
  std::fputs(kUsage, stderr);
  return 1;
}

// One "file" line of a concat list; its quoting has no way to hold a line break.
bool concatLine(const QString& path, QByteArray& out) {
  if (path.contains('\n') || path.contains('\r')) return false;
  QString quoted = QFileInfo(path).absoluteFilePath();
  quoted.replace("'", "'\\''");
  out += "file '" + quoted.toUtf8() + "'\n";
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  catchStopRequests();
  const QStringList args = app.arguments().mid(1);
  QString output;
  QStringList inputs;
  for (qsizetype i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      output = args[++i];
    } else if (args[i] == "-i") {
      while (i + 1 < args.size() && args[i + 1] != "-o") inputs << args[++i];
    } else {
      return usage();
    }
  }
  if (output.isEmpty() || inputs.isEmpty()) return usage();
  if (systemFfmpeg().isEmpty()) return fail("ffmpeg is not installed");

  QByteArray list = "ffconcat version 1.0\n";
  for (const QString& input : inputs) {
    if (!QFileInfo(input).isFile()) return fail("no such file: " + input);
    if (!concatLine(input, list)) return fail("a file name holds a line break: " + input);
  }
  QTemporaryFile listFile(QDir::tempPath() + "/avimerge-XXXXXX.txt");
  if (!listFile.open() || listFile.write(list) != list.size() || !listFile.flush())
    return fail("cannot write the list of parts");

  std::printf("Joining %lld files\n", static_cast<long long>(inputs.size()));
  std::fflush(stdout);
  const FfmpegResult r = runFfmpeg({"-y", "-f", "concat", "-safe", "0", "-i", listFile.fileName(), "-map",
                                    "0", "-c", "copy", "-f", "avi", output});
  if (!r.started || r.stopped || r.exitStatus != 0) {
    QFile::remove(output);
    if (r.stopped) return fail("stopped");
    return fail(r.started ? "ffmpeg could not join the files:\n" + r.output.right(2000)
                          : "cannot start ffmpeg");
  }
  std::printf("Wrote %s\n", output.toUtf8().constData());
  return 0;
}
