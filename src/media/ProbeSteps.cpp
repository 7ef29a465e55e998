#include "media/ProbeSteps.h"

#include <QMutex>
#include <QMutexLocker>

namespace zuvo {
namespace {

struct Installed {
  QMutex lock;
  ProbeContext context;
  ProbeSteps steps;
};

Installed& installed() {
  static Installed value;
  return value;
}

}  // namespace

void setProbeContext(const ProbeContext& context) {
  QMutexLocker guard(&installed().lock);
  installed().context = context;
}

ProbeContext probeContext() {
  QMutexLocker guard(&installed().lock);
  return installed().context;
}

void setProbeSteps(const ProbeSteps& steps) {
  QMutexLocker guard(&installed().lock);
  installed().steps = steps;
}

ProbeSteps probeSteps() {
  QMutexLocker guard(&installed().lock);
  return installed().steps;
}

ProbeSetup installedProbeSetup() {
  QMutexLocker guard(&installed().lock);
  return ProbeSetup{installed().context, installed().steps};
}

}  // namespace zuvo
