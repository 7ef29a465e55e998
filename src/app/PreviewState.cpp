#include "app/PreviewState.h"

#include <QMutex>
#include <cstdlib>
#include <ctime>

namespace zuvo {

namespace {
QMutex lock;
QString name;
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
  std::srand(static_cast<unsigned>(std::clock()));
  const QString drawn = "zuvoport" + QString::number(std::rand() % 10000);
  setPreviewBufferName(drawn);
  return drawn;
}

}  // namespace zuvo
