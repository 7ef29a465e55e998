#include "convert/passes/VideoCopyArguments.h"

namespace zuvo {
namespace {
constexpr const char* kFromFirstPicture =
    "setts=pts=if(eq(PTS\\,NOPTS)\\,NOPTS\\,PTS-STARTPTS):dts=if(eq(STARTPTS\\,NOPTS)\\,DTS-STARTDTS\\,DTS-"
    "STARTPTS)";
}  // namespace

ToolArguments videoCopyArguments(const ConversionState& converter, const QString& outputTemplate,
                                 const QStringList& outputValues) {
  // The sample options go in both forms: a sample must not copy the whole source, and with
  // the sound exported as a sample it would no longer match the video.
  ToolArguments arguments(QStringLiteral(" -i \"%@\" -y -v 5 -threads %1 %2 ")
                              .arg(QString::number(converter.threads), converter.sampleoptions),
                          {converter.fileToConvertPath});
  if (converter.soundexported) {
    // The exported sound is laid against the first keyframe copied, so that picture is shown
    // at zero: every time moves by its time, and pictures decoded before it is shown (B-frames)
    // get negative decode times, which the MP4 edit list takes. A stream without shown times
    // (AVI) has its first decode time moved to zero instead.
    arguments.append(
        QStringLiteral(" -vcodec copy -an -bsf:v %1 -f mp4  ").arg(QLatin1StringView(kFromFirstPicture)));
  } else {
    arguments.append(QStringLiteral(" -vcodec copy -f mp4 "));
    arguments.append(QStringLiteral("%1 -ab %2k -ar 48000 -ac 2 ")
                         .arg(converter.audiocodec, QString::number(converter.audiobitrate)));
  }
  arguments.append(outputTemplate, outputValues);
  return arguments;
}

}  // namespace zuvo
