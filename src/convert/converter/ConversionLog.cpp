#include "convert/converter/ConversionLog.h"

#include <QMutex>
#include <ctime>

#include "convert/runners/ToolRun.h"

namespace zuvo {
namespace {
QMutex lock;
Reporter& userLogSlot() {
  static Reporter userLog;
  return userLog;
}
}  // namespace

void setConversionUserLog(const Reporter& userLog) {
  QMutexLocker guard(&lock);
  userLogSlot() = userLog;
}

Reporter conversionUserLog() {
  QMutexLocker guard(&lock);
  return userLogSlot();
}

void reportBoth(const Reporter& mainLog, const QString& message, quint32 level) {
  reportBoth(mainLog, message, message, level);
}

void reportBoth(const Reporter& mainLog, const QString& mainLine, const QString& userLine, quint32 level) {
  reportTo(mainLog, mainLine, level);
  reportTo(conversionUserLog(), userLine, level);
}

QString asctimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64] = {};
  std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &local);
  return QString::fromLatin1(text);
}

}  // namespace zuvo
