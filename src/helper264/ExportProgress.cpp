#include "helper264/ExportProgress.h"

#include <cmath>

namespace zuvo::helper264 {

std::optional<QString> ExportProgress::take(double fraction) {
  const double percent = std::trunc(fraction * 100.0);
  if (!(percent > lastPercent_) || percent > 100) return std::nullopt;
  lastPercent_ = int(percent);
  return QStringLiteral("progress:%1%").arg(lastPercent_);
}

}  // namespace zuvo::helper264
