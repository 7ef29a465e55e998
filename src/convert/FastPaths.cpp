#include "convert/BCConverter.h"
#include "convert/ToolRun.h"

namespace zuvo {

// Not built yet: every pass is encoded by ffmpeg.
bool BCConverter::EncodeFastMode(int passindex) {
  reportTo(myreporter, QStringLiteral("EncodeFastMode: not available yet for pass %1").arg(passindex), 4);
  return false;
}

bool BCConverter::EncodeTurbo264(int passindex) {
  reportTo(myreporter, QStringLiteral("EncodeTurbo264: not available yet for pass %1").arg(passindex), 4);
  return false;
}

}  // namespace zuvo
