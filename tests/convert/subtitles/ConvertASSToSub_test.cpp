#include "convert/subtitles/ConvertASSToSub.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace zuvo;

namespace {
const QByteArray kHead =
    "[Script Info]\nScriptType: v4.00+\n\n[Events]\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

QString converted(const QByteArray& events) {
  const QString folder = test::freshFolder("ass");
  test::writeFile(folder + "/subtitle3.ass", kHead + events);
  EXPECT_EQ(convertASSToSub("subtitle3.ass", folder), "subtitle3.sub");
  return QString::fromUtf8(test::readFile(folder + "/subtitle3.sub"));
}
}  // namespace

TEST(ConvertASSToSub, EventsBecomeSubRipCues) {
  const struct {
    const char* name;
    QByteArray events;
    const char* srt;
  } cases[] = {
      {"a comma in the text", "Dialogue: 0,0:00:01.50,0:00:03.00,Default,,0,0,0,,Hello, world\n",
       "1\n0:00:01,500 --> 0:00:03,000\nHello, world\n\n"},
      {"override blocks and doubled line breaks",
       "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,{\\i1}Word{\\i0}\\N\\NSecond\r\n",
       "1\n0:00:01,000 --> 0:00:02,000\nWord\nSecond\n\n"},
      {"sorted by start",
       "Dialogue: 0,0:00:05.00,0:00:06.00,Default,,0,0,0,,Later\nDialogue: "
       "0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Earlier\n",
       "1\n0:00:01,000 --> 0:00:02,000\nEarlier\n\n2\n0:00:05,000 --> 0:00:06,000\nLater\n\n"},
      {"overlapping events are shown together with the first one's times",
       "Dialogue: 0,0:00:01.00,0:00:04.00,Default,,0,0,0,,One\nDialogue: "
       "0,0:00:02.00,0:00:05.00,Default,,0,0,0,,Two\n"
       "Dialogue: 0,0:00:03.00,0:00:03.50,Default,,0,0,0,,Three\n",
       "1\n0:00:01,000 --> 0:00:04,000\nOne Two Three\n\n"},
      {"events that only touch stay apart",
       "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,One\nDialogue: "
       "0,0:00:02.00,0:00:03.00,Default,,0,0,0,,Two\n",
       "1\n0:00:01,000 --> 0:00:02,000\nOne\n\n2\n0:00:02,000 --> 0:00:03,000\nTwo\n\n"},
      {"too few fields and other lines are skipped",
       "Comment: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Not shown\nDialogue: "
       "0,0:00:01.00,0:00:02.00,Default\n",
       ""},
      {"a line break at either end would end the cue",
       "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,\\NWord\\N\n",
       "1\n0:00:01,000 --> 0:00:02,000\nWord\n\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(converted(c.events), QString::fromUtf8(c.srt)) << c.name;
}
