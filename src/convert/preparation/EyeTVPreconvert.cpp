#include "convert/passes/VideoPasses.h"

namespace zuvo {

ToolArguments eyeTVPreconvertArguments(const QString& source, const QString& output, int bitrateKbps,
                                       int quality) {
  ToolArguments arguments(QStringLiteral("\"%@\" -o \"%@\" "), {source, output});
  const char* motion = quality == 3   ? "me=hex:subq=7:frameref=4:trellis=1"
                       : quality == 2 ? "me=umh:subq=7:frameref=4:trellis=1"
                                      : "me=hex:subq=6:frameref=2:trellis=0";
  arguments.append(QStringLiteral(" -of lavf -lavfopts format=mp4 -ovc x264 -x264encopts "
                                  "bitrate=%1:vbv_maxrate=%1:vbv_bufsize=2000:nocabac:%2"
                                  ":level_idc=30:global_header -nosound -fps 29.97 -ofps 29.97 ")
                       .arg(bitrateKbps)
                       .arg(QLatin1StringView(motion)));
  return arguments;
}

}  // namespace zuvo
