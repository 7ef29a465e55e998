#include "convert/runners/ToolOutput.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace zuvo;

namespace {
QStringList readAll(const QList<QByteArray>& reads) {
  ToolOutput output;
  QStringList lines;
  for (const QByteArray& read : reads) lines += output.lines(read);
  return lines + output.finish();
}
}  // namespace

TEST(ToolOutput, ReadsBecomeWholeLines) {
  struct Case {
    const char* name;
    QList<QByteArray> reads;
    QStringList lines;
  } cases[] = {
      {"line split over two reads", {"Progress: 4", "2%\r"}, {"Progress: 42%"}},
      {"CR progress and LF messages in one read",
       {"Duration: 00:01:00.00, start\nframe=1 time=1.00 bitrate=\rframe=2 time=2.00 bitrate=\rframe=3"},
       {"Duration: 00:01:00.00, start",
        "frame=1 time=1.00 bitrate=", "frame=2 time=2.00 bitrate=", "frame=3"}},
      {"CR LF is one line end, also when cut between reads", {"a\r\nb\r", "\nc\n"}, {"a", "b", "c"}},
      {"the unfinished last line comes at the end", {"one\ntwo"}, {"one", "two"}},
      {"character cut between reads", {"caf\xc3", "\xa9 \xe2\x82", "\xac\n"}, {QString::fromUtf8("café €")}},
      {"a bad byte spoils only itself",
       {"bad \xff byte\nProgress: 7%\r"},
       {QString::fromUtf8("bad \xef\xbf\xbd byte"), "Progress: 7%"}},
      {"nothing", {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(readAll(c.reads), c.lines) << c.name;
}

TEST(ToolOutput, AToolThatNeverEndsItsLineIsStillRead) {
  ToolOutput output;
  const QStringList lines = output.lines(QByteArray(70 * 1024, 'x'));
  ASSERT_EQ(lines.size(), 1);
  EXPECT_EQ(lines[0].size(), 70 * 1024);
}
