#include "helper264/HelperLog.h"

#include <unistd.h>

#include <QDateTime>
#include <cstdio>

namespace zuvo::helper264 {

void logLine(const QString& text) {
  const QString line =
      QStringLiteral("%1 Zuvo264Helper[%2:%3] %4\n")
          .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")))
          .arg(getpid())
          .arg(gettid())
          .arg(text);
  const QByteArray bytes = line.toUtf8();
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
  std::fflush(stderr);
}

}  // namespace zuvo::helper264
