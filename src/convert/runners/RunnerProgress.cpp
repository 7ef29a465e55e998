#include "convert/runners/RunnerProgress.h"

namespace zuvo {

std::optional<double> timeLeftEstimate(double elapsedSeconds, double percent) {
  if (percent <= 0) return std::nullopt;
  const double fraction = percent / 100.0;
  return elapsedSeconds * (1.0 - fraction) / fraction;
}

void setBoundedTimeLeft(MediaFile& media, double elapsedSeconds, double percent, double bound) {
  const std::optional<double> left = timeLeftEstimate(elapsedSeconds, percent);
  if (left && *left > 0 && *left < bound) media.setTimeleftinconversion(*left);
}

void showRisingProgress(RisingProgress& bar, float value, MediaFile& media, double elapsedSeconds,
                        double bound, const char* tenthsLog, const ConversionReport& report,
                        const Reporter& reporter) {
  if (bar.offer(value)) {
    setBoundedTimeLeft(media, elapsedSeconds, bar.last(), bound);
    const int whole = static_cast<int>(bar.last());
    if (tenthsLog && reporter && whole % 10 == 0) reporter->report(QString::asprintf(tenthsLog, whole), 4);
  }
  media.setProgress(static_cast<int>(bar.last()));
  report.itemChanged();
}

}  // namespace zuvo
