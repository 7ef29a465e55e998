#include "app/shared/FolderEntries.h"

#include <QDir>

namespace zuvo {

QStringList folderEntries(const QString& folder) {
  QStringList entries;
  const QDir dir(folder);
  for (const QString& name :
       dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
    entries << QStringLiteral("%1/%2").arg(folder, name);
  return entries;
}

}  // namespace zuvo
