#include "metadata/MetadataPlugin.h"

#include "media/MediaValues.h"
#include "platform/Paths.h"
#include "platform/ToolProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QDeadlineTimer>
#include <QThread>

namespace zuvo {
namespace {

bool onGuiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

}  // namespace

QString metadataPluginPath(const QString& name) {
  return QStringLiteral("%1/%2.%3").arg(paths::applicationSupportFolder(), name, kPluginExtension);
}

QStringList metadataPluginArguments(const MediaFile& item) {
  // A name that starts with "-" would read as an option: the plug-in gets the file's
  // absolute path instead, which names the same file.
  QString file = item.filename();
  if (file.startsWith(u'-')) {
    const QString full = item.fullpath();
    file = QDir::isAbsolutePath(full) ? full : QStringLiteral("./") + file;
  }
  if (item.mediatype() == MediaType::TVShow)
    return {file,           item.seriesname(),  QString::number(item.season()), QString::number(item.show()),
            item.showyear(), item.showmonth(), item.showday()};
  return {file, item.seriesname(), item.showyear()};
}

PluginRun runMetadataPlugin(const QString& program, const QStringList& arguments, const QString& workingFolder,
                            double timeLimit) {
  PluginRun run;
  ToolProcess process;
  run.started = process.start({program, arguments, workingFolder, {}});
  if (!run.started) return run;

  const bool gui = onGuiThread();
  const int sliceMs = gui ? 20 : 200;
  QDeadlineTimer deadline(static_cast<qint64>(timeLimit * 1000));
  QByteArray output;
  auto expired = [&] {
    if (gui) QCoreApplication::processEvents();
    return deadline.hasExpired();
  };
  auto keep = [&](const QByteArray& chunk) { output += chunk.left(kPluginOutputLimit - output.size()); };
  while (!process.atEnd() && !expired()) {
    const QByteArray chunk = process.read(static_cast<int>(std::min<qint64>(sliceMs, deadline.remainingTime())));
    keep(chunk);
    // A child the program left behind may hold the pipe open: once the program has
    // ended, what is already in the pipe is the whole answer.
    if (chunk.isEmpty() && process.hasEnded()) {
      for (QByteArray rest = process.read(0); !rest.isEmpty(); rest = process.read(0)) keep(rest);
      break;
    }
  }
  // A program may also close its output and still run on.
  while (!process.hasEnded() && !expired()) QThread::msleep(sliceMs / 4);
  run.timedOut = !process.hasEnded();
  // Whatever the program left running in its group ends with it.
  process.terminate(500);
  run.output = QString::fromUtf8(output);
  return run;
}

}  // namespace zuvo
