#include <QFile>
#include <QFileInfo>

#include "convert/preparation/PreparationSteps.h"
#include "convert/report/ConversionCodes.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolResources.h"
#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"
#include "platform/Paths.h"

namespace zuvo {

// AVCHD streams are re-encoded to H.264 in MP4 first: the passes read that far better.
BCError PreparationSteps::MTSPreprocess() {
  MediaFile& media = *convideodata;
  reportBoth(QStringLiteral("[BLUE]Doing MTS preprocess"), QStringLiteral("Doing MTS Preprocess"), 3);
  const QString output = conversiondirectory + QStringLiteral("/mtspre.mp4");
  ToolArguments command(QStringLiteral(" -i \"%@\" -y "), {fileToConvertPath});
  command.append(QStringLiteral(" -b 10M  -bt 10M  -maxrate 10M  -r ntsc -deinterlace -coder 1 "));
  command.append(
      QStringLiteral(
          " -bufsize 2M -ab 256k -vcodec libx264 -trellis 1 -flags +loop -cmp +chroma -partitions "
          "+parti8x8+parti4x4+partp8x8+partb8x8 -me_method hex -subq 7 -me_range 16 -g 250 -keyint_min 25 "
          "-sc_threshold 40 -i_qfactor 0.71 -b_strategy 1 -qcomp 0.6 -qmin 10 -qmax 51 -qdiff 4 -bf 3 -refs "
          "2 "
          "-directpred 3 -bidir_refine 1 -flags2 +wpred+dct8x8+fastpskip+mixed_refs+bpyramid -strict "
          "experimental  -acodec aac \"%@\""),
      {output});
  reportTo(myreporter, command.text(), 4);
  QFile::remove(output);  // one left by an earlier conversion proves nothing
  const BCError result = runFFMpeg(paths::toolPath(tools::kFfmpegMts), command, convideodata,
                                   conversiondirectory, report, myreporter);
  // A tool that failed leaves no file to go on with, whatever it wrote.
  if (result.Error() && result.Code() != kToolFailedCode) return result;
  if (!result.Error() && QFileInfo::exists(output)) {
    useAsSource(*this, output);
    return BCError::NoError();
  }
  markFailed(media);
  reportTo(myreporter, QStringLiteral("[RED]MTS Preproces failed"), 3);
  return BCError::Code(ConversionCode::MTSPreprocess, QStringLiteral("MTS Preprocess failed"));
}

}  // namespace zuvo
