#include "media/Trash.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace zuvo {

bool MoveFileToTrash(const QString& path) {
  // The home Trash must exist before Qt looks for a Trash: Qt 6.4 does not create the
  // data folder above it, and when it finds no Trash at all it "trashes" into
  // files/ and info/ of the current folder and reports success.
  const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (dataHome.isEmpty() || !QDir().mkpath(dataHome + QStringLiteral("/Trash"))) return false;
  return QFile::moveToTrash(path);
}

}  // namespace zuvo
