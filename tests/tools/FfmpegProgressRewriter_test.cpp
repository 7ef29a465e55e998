#include <gtest/gtest.h>

#include "tools/ffmpeg/ProgressRewriter.h"

using zuvo::ffmpeg::ProgressRewriter;

namespace {

struct Line {
  const char* name;
  const char* current;
  const char* legacy;
};

const Line kLines[] = {
    {"clock time becomes seconds",
     "frame=   49 fps=0.0 q=28.0 size=      80kB time=00:00:01.96 bitrate= 325.2kbits/s speed=10.5x    \r",
     "frame=   49 fps=0.0 q=28.0 size=      80kB time=1.96 bitrate= 325.2kbits/s speed=10.5x    \r"},
    {"hours and minutes count", "size=  1024kB time=01:02:03.45 bitrate= 128.0kbits/s\n",
     "size=  1024kB time=3723.45 bitrate= 128.0kbits/s\n"},
    {"a time of 300,000 seconds or more stays a plain number", "time=83:20:00.00 bitrate=N/A\r",
     "time=300000.00 bitrate=N/A\r"},
    {"a negative time keeps its sign", "time=-00:00:00.04 bitrate=N/A\r", "time=-0.04 bitrate=N/A\r"},
    {"an unknown time passes", "frame=    0 fps=0.0 q=0.0 size=       0kB time=N/A bitrate=N/A speed=N/A\r",
     "frame=    0 fps=0.0 q=0.0 size=       0kB time=N/A bitrate=N/A speed=N/A\r"},
    {"the duration line passes", "  Duration: 00:00:02.00, start: 0.000000, bitrate: 129 kb/s\n",
     "  Duration: 00:00:02.00, start: 0.000000, bitrate: 129 kb/s\n"},
    {"the dup and drop counts pass",
     "frame=   60 fps=0.0 q=-1.0 Lsize=      90kB time=00:00:02.02 bitrate= 362.3kbits/s dup=10 drop=0\n",
     "frame=   60 fps=0.0 q=-1.0 Lsize=      90kB time=2.02 bitrate= 362.3kbits/s dup=10 drop=0\n"},
    {"the fatal time-stamp error gets its old wording too",
     "[mp4 @ 0x55d4] Application provided invalid, non monotonically increasing dts to muxer in stream 0: "
     "512 >= 256\n",
     "[mp4 @ 0x55d4] Application provided invalid, non monotonically increasing dts to muxer in stream 0: "
     "512 >= 256\n"
     "error, non monotone timestamps 512 >= 256\n"},
    {"the repaired time-stamp warning passes",
     "[mp4 @ 0x55d4] Non-monotonous DTS in output stream 0:1; previous: 5, current: 3; changing to 6.\n",
     "[mp4 @ 0x55d4] Non-monotonous DTS in output stream 0:1; previous: 5, current: 3; changing to 6.\n"},
    {"other lines pass", "Stream mapping:\n", "Stream mapping:\n"},
};

}  // namespace

TEST(FfmpegProgressRewriter, RewritesLinesIntoTheOldForm) {
  for (const Line& line : kLines) {
    EXPECT_EQ(ProgressRewriter::rewriteLine(line.current), QByteArray(line.legacy)) << line.name;
  }
}

TEST(FfmpegProgressRewriter, ALineSplitOverChunksIsRewrittenWhole) {
  ProgressRewriter rewriter;
  QByteArray out = rewriter.feed("  Duration: 00:00:02.00, start: 0.0\nframe=  1 time=00:00:0");
  EXPECT_EQ(out, "  Duration: 00:00:02.00, start: 0.0\n");
  EXPECT_TRUE(rewriter.hasPending());
  out = rewriter.feed("1.50 bitrate= 1.0kbits/s\rframe=  2 time=00:01:00.00 bitrate= 2.0kbits/s\r");
  EXPECT_EQ(out, "frame=  1 time=1.50 bitrate= 1.0kbits/s\rframe=  2 time=60.00 bitrate= 2.0kbits/s\r");
  EXPECT_FALSE(rewriter.hasPending());
}

TEST(FfmpegProgressRewriter, TheLastUnfinishedLineComesOutAtTheEnd) {
  ProgressRewriter rewriter;
  EXPECT_EQ(rewriter.feed("frame=  9 time=00:00:03.00 bitrate= 1.0kbits/s"), "");
  EXPECT_EQ(rewriter.flush(), "frame=  9 time=3.00 bitrate= 1.0kbits/s");
  EXPECT_EQ(rewriter.flush(), "");
}
