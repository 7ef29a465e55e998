#include <QFileInfo>

#include "convert/passes/PassSteps.h"
#include "convert/passes/VideoCopyArguments.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"

namespace zuvo {
namespace {
// A copy this small or smaller carries no video: ffmpeg gave up on the stream.
constexpr qint64 kLargestFailedCopy = 9999;
}  // namespace

bool PassSteps::EncodeFastMode(int passindex) {
  // The SD pass always scales the picture, which a copy cannot do.
  if (passindex != 0 || !convideodata->fastmode()) return false;
  if (soundexported)
    reportBoth(QStringLiteral("[BLUE]Encoding Video in Fast Mode"),
               QStringLiteral("Encoding Video in PASS THRU"), 3);
  else
    reportBoth(QStringLiteral("[BLUE]Encoding Video in Fast Mode with Audio"),
               QStringLiteral("Encoding Video in PASS THRU with Audio"), 3);
  const ToolArguments arguments = videoCopyArguments(*this, QStringLiteral("\"%@/%@%@\""),
                                                     {conversiondirectory, outboundname, videotype});
  // Only the file is judged: a stop shows in the media object and is handled after the pass.
  (void)runFFMpeg(ffmpegpath, arguments, convideodata, conversiondirectory, report, myreporter);

  const QFileInfo output(QStringLiteral("%1/%2%3").arg(conversiondirectory, outboundname, videotype));
  QString failure;
  if (!output.exists())
    failure = QStringLiteral("[RED]File does not exist after FAST mode going with FULL mode");
  else if (output.size() <= kLargestFailedCopy)
    failure = QStringLiteral("[RED]File too small after FAST mode going with FULL mode");
  if (failure.isEmpty()) return true;
  reportBoth(failure, QStringLiteral("PASS THRU failed attempting regular conversion"), 3);
  convideodata->setFastmode(false);
  return false;
}

}  // namespace zuvo
