#include "platform/SystemVersion.h"

#include <QByteArray>
#include <QStringList>

namespace zuvo {

QString SystemVersion::text() const { return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(bugfix); }

SystemVersion systemVersion() {
  const SystemVersion compatible;
  const QStringList parts = QString::fromUtf8(qgetenv(kSystemVersionVariable)).trimmed().split('.');
  if (parts.size() != 3) return compatible;
  int numbers[3];
  for (int i = 0; i < 3; ++i) {
    bool ok = false;
    numbers[i] = parts[i].toInt(&ok);
    if (!ok || numbers[i] < 0) return compatible;
  }
  return SystemVersion{numbers[0], numbers[1], numbers[2]};
}

}  // namespace zuvo
