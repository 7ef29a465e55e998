#include "app/files/IncomingPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zuvo {

QString normalisedPath(const QString& path) {
  if (path.isEmpty()) return path;
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

IncomingKind incomingKind(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  struct stat status {};
  if (name.isEmpty() || ::stat(name.constData(), &status) != 0) return IncomingKind::Missing;
  // A pipe or a device never ends: whatever reads it (the probe's tools) waits for good.
  if (S_ISDIR(status.st_mode))
    return ::access(name.constData(), R_OK | X_OK) == 0 ? IncomingKind::Folder : IncomingKind::Other;
  if (S_ISREG(status.st_mode))
    return ::access(name.constData(), R_OK) == 0 ? IncomingKind::File : IncomingKind::Other;
  return IncomingKind::Other;
}

}  // namespace zuvo
