#include "convert/passes/VideoCopyArguments.h"

#include "convert/converter/SampleOptions.h"

namespace zuvo {

ToolArguments videoCopyArguments(const BCConverter& converter, const QString& outputTemplate,
                                 const QStringList& outputValues) {
  // The sample options go in both forms: a sample must not copy the whole source, and with
  // the sound exported as a sample it would no longer match the video.
  ToolArguments arguments(QStringLiteral(" -i \"%@\" -y -v 5 -threads %1 %2 ")
                              .arg(QString::number(converter.threads), sampleOptions()),
                          {converter.fileToConvertPath});
  if (converter.soundexported) {
    // The exported sound is laid against the first picture: the copy starts it at zero.
    arguments.append(QStringLiteral(" -vcodec copy -an -avoid_negative_ts make_zero -f mp4  "));
  } else {
    arguments.append(QStringLiteral(" -vcodec copy -f mp4 "));
    arguments.append(QStringLiteral("%1 -ab %2k -ar 48000 -ac 2 ")
                         .arg(converter.audiocodec, QString::number(converter.audiobitrate)));
  }
  arguments.append(outputTemplate, outputValues);
  return arguments;
}

}  // namespace zuvo
