#include "convert/core/ConversionState.h"

#include "convert/report/ConversionLog.h"

namespace zuvo {

void ConversionState::reportBoth(const QString& message, quint32 level) const {
  zuvo::reportBoth(myreporter, report.userLog, message, level);
}

void ConversionState::reportBoth(const QString& mainLine, const QString& userLine, quint32 level) const {
  zuvo::reportBoth(myreporter, report.userLog, mainLine, userLine, level);
}

void useAsSource(ConversionState& conversion, const QString& path) {
  conversion.fileToConvertPath = path;
  conversion.tfiletype = path.toLower();
}

void markFailed(MediaFile& media) {
  media.setConversionfinished(false);
  media.setProgress(100);
}

}  // namespace zuvo
