#include "convert/BCConverter.h"
#include "convert/ToolRun.h"

namespace zuvo {
namespace {
// Not built yet: the source is converted as it is.
BCError skipped(const Reporter& reporter, const char* step) {
  reportTo(reporter, QStringLiteral("%1: not available yet, source left as it is").arg(QLatin1StringView(step)),
           4);
  return BCError::NoError();
}
}  // namespace

BCError BCConverter::VideoJoin() { return skipped(myreporter, "VideoJoin"); }
BCError BCConverter::ExtractDVD() { return skipped(myreporter, "ExtractDVD"); }
BCError BCConverter::ExtractSubtitles() { return skipped(myreporter, "ExtractSubtitles"); }
BCError BCConverter::ExtractAudio() { return skipped(myreporter, "ExtractAudio"); }
BCError BCConverter::MTSPreprocess() { return skipped(myreporter, "MTSPreprocess"); }
BCError BCConverter::BurnInSubtitle() { return skipped(myreporter, "BurnInSubtitle"); }

}  // namespace zuvo
