#include "convert/converter/SampleOptions.h"

#include <QMutex>

namespace zuvo {
namespace {
QMutex lock;
QString& value() {
  static QString options;
  return options;
}
}  // namespace

QString sampleOptions() {
  QMutexLocker guard(&lock);
  return value();
}

void setSampleOptions(const QString& options) {
  QMutexLocker guard(&lock);
  value() = options;
}

}  // namespace zuvo
