#include "convert/ConversionLog.h"

#include <QMutex>

#include "convert/ToolRun.h"

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

}  // namespace zuvo
