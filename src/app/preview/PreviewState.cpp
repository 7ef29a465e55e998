#include "app/preview/PreviewState.h"

#include <QMutex>
#include <QRandomGenerator>

namespace zuvo {

namespace {
QMutex lock;
QString name;
// 128 bits from the system's generator: the channel cannot be found by trying names.
constexpr int kRandomWords = 4;
}  // namespace

QString previewBufferName() {
  QMutexLocker hold(&lock);
  return name;
}

void setPreviewBufferName(const QString& value) {
  QMutexLocker hold(&lock);
  name = value;
}

QString makePreviewBufferName() {
  QString drawn = QStringLiteral("zuvoport");
  for (int i = 0; i < kRandomWords; ++i)
    drawn += QStringLiteral("%1").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
  setPreviewBufferName(drawn);
  return drawn;
}

}  // namespace zuvo
