#pragma once
// The export's percent lines: each whole percent at most once, rising, never 0.
#include <QString>
#include <optional>

namespace zuvo::helper264 {

class ExportProgress {
 public:
  // The line to write for `fraction` done (0 to 1), if any.
  std::optional<QString> take(double fraction);

 private:
  int lastPercent_ = 0;
};

}  // namespace zuvo::helper264
