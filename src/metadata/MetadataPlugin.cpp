#include "metadata/MetadataPlugin.h"

#include <QDir>

#include "media/MediaValues.h"
#include "platform/BoundedRun.h"
#include "platform/Paths.h"

namespace zuvo {

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
    return {file,
            item.seriesname(),
            QString::number(item.season()),
            QString::number(item.show()),
            item.showyear(),
            item.showmonth(),
            item.showday()};
  return {file, item.seriesname(), item.showyear()};
}

PluginRun runMetadataPlugin(const QString& program, const QStringList& arguments,
                            const QString& workingFolder, double timeLimit) {
  // Whatever the program left running in its group ends with it.
  const BoundedRun bounded =
      runBounded({program, arguments, workingFolder, {}}, {timeLimit, kPluginOutputLimit, {}, true});
  return PluginRun{bounded.started, bounded.timedOut, QString::fromUtf8(bounded.output)};
}

}  // namespace zuvo
