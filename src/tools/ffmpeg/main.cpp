// Stands in for the ffmpeg and ffmpeg-mts of the conversion steps: translates their legacy
// command lines for Debian's ffmpeg, runs it, and relays its messages in the old form.
#include <cstdio>

#include "tools/ffmpeg/LegacyArguments.h"
#include "tools/ffmpeg/RealFfmpeg.h"

int main(int argc, char** argv) {
  QByteArrayList arguments;
  for (int i = 1; i < argc; ++i) arguments << QByteArray(argv[i]);
  const QByteArray ffmpeg = zuvo::ffmpeg::locateRealFfmpeg();
  if (ffmpeg.isEmpty()) {
    std::fputs("ffmpeg: Debian's ffmpeg was not found on PATH\n", stderr);
    return 127;
  }
  const auto channels = [&](const QByteArray& input) { return zuvo::ffmpeg::audioChannelsOf(ffmpeg, input); };
  return zuvo::ffmpeg::runRelayed(ffmpeg, zuvo::ffmpeg::translateArguments(arguments, channels));
}
