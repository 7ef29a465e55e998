#include "convert/report/ConversionLog.h"

#include <ctime>

namespace zuvo {

void reportTo(const Reporter& reporter, const QString& message, quint32 level) {
  if (reporter) reporter->report(message, level);
}

void reportBoth(const Reporter& mainLog, const Reporter& userLog, const QString& message, quint32 level) {
  reportBoth(mainLog, userLog, message, message, level);
}

void reportBoth(const Reporter& mainLog, const Reporter& userLog, const QString& mainLine,
                const QString& userLine, quint32 level) {
  reportTo(mainLog, mainLine, level);
  reportTo(userLog, userLine, level);
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
