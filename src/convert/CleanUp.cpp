#include "convert/BCConverter.h"
#include "convert/ToolRun.h"

namespace zuvo {

// Not built yet: the work folder keeps what earlier conversions left.
void BCConverter::CleanUpConversionFiles() {
  reportTo(myreporter, QStringLiteral("CleanUpConversionFiles: not available yet, nothing removed"), 4);
}

}  // namespace zuvo
