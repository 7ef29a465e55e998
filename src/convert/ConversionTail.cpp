#include "convert/BCConverter.h"
#include "convert/ToolRun.h"

namespace zuvo {

// Not built yet: the pass's output stays in the work folder as the video pass left it.
BCError BCConverter::FinishPass(int passindex) {
  reportTo(myreporter, QStringLiteral("FinishPass: not available yet for pass %1").arg(passindex), 4);
  return BCError::NoError();
}

BCError BCConverter::FinishConversion(const BCError& result) {
  reportTo(myreporter, QStringLiteral("FinishConversion: not available yet"), 4);
  return result;
}

}  // namespace zuvo
