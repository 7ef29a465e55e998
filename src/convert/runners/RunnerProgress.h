#pragma once
// How a runner turns a tool's percentage into what the queue row shows: the bar that
// never goes back, and the estimate of the time left.
#include <optional>

#include "convert/report/ConversionReport.h"
#include "media/BCCReporter.h"
#include "media/MediaFile.h"

namespace zuvo {

// Bounds of the time-left estimate, in seconds.
inline constexpr double kLongToolTimeLeftBound = 3000000;  // HandBrakeCLI, mencoder, mkvtoolnix, the helper
inline constexpr double kShortToolTimeLeftBound = 300000;  // aacgain, MP4Box

// e × (1 − p/100) ÷ (p/100) for 0 < p; nothing for p ≤ 0.
std::optional<double> timeLeftEstimate(double elapsedSeconds, double percent);

// Sets the media object's time left when the estimate lies strictly between 0 and `bound`.
void setBoundedTimeLeft(MediaFile& media, double elapsedSeconds, double percent, double bound);

// The highest progress shown so far.
class RisingProgress {
 public:
  explicit RisingProgress(float start = 0) : last_(start) {}
  // True when `value` is above the last progress, which it then becomes.
  bool offer(float value) {
    if (value <= last_) return false;
    last_ = value;
    return true;
  }
  void restart(float value) { last_ = value; }
  float last() const { return last_; }

 private:
  float last_;
};

// The rising bar's step: a value above the last progress becomes it, and only then is the
// time left estimated and, with `tenthsLog` ("... at %i%%"), a line logged at each whole
// multiple of ten. The row then shows the last progress and the report tells its item changed.
void showRisingProgress(RisingProgress& bar, float value, MediaFile& media, double elapsedSeconds,
                        double bound, const char* tenthsLog, const ConversionReport& report,
                        const Reporter& reporter);

}  // namespace zuvo
