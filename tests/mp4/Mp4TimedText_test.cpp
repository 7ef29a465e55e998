#include "mp4/Mp4TimedText.h"

#include <gtest/gtest.h>

using namespace zuvo;

namespace {
// The header line a caller rewrites to place the text box on the picture.
const std::string kHeaderLine =
    "<TextStreamHeader width=\"400\" height=\"60\" layer=\"0\" translation_x=\"0\" translation_y=\"0\">";
}  // namespace

TEST(Mp4TimedText, SubRipCuesAreReadInTimeOrderWithOverlapsShownTogether) {
  const struct {
    const char* name;
    std::string srt;
    std::vector<Mp4TextCue> cues;
  } cases[] = {
      {"plain",
       "1\n00:00:01,000 --> 00:00:02,500\nHello\n\n2\n00:00:03,000 --> 00:00:04,000\nTwo\nlines\n\n",
       {{1000, 2500, "Hello"}, {3000, 4000, "Two\nlines"}}},
      {"byte-order mark, CR LF, trailing spaces",
       "\xEF\xBB\xBF"
       "1\r\n00:00:01,000 --> 00:00:02,000  \r\nHi  \r\n\r\n",
       {{1000, 2000, "Hi"}}},
      {"blank lines lost between cues",
       "1\n00:00:01,000 --> 00:00:02,000\nOne\n2\n00:00:03,000 --> 00:00:04,000\nTwo\n",
       {{1000, 2000, "One"}, {3000, 4000, "Two"}}},
      {"a text line that starts with digits",
       "1\n00:00:01,000 --> 00:00:02,000\n1984 was a year\n",
       {{1000, 2000, "1984 was a year"}}},
      {"formatting tags",
       "1\n00:00:01,000 --> 00:00:02,000\n<i>Hi</i> <FONT color=\"red\">there</FONT> a<b\n",
       {{1000, 2000, "Hi there a<b"}}},
      {"out of order",
       "2\n00:00:05,000 --> 00:00:06,000\nLater\n\n1\n00:00:01,000 --> 00:00:02,000\nEarlier\n",
       {{1000, 2000, "Earlier"}, {5000, 6000, "Later"}}},
      {"overlapping",
       "1\n00:00:01,000 --> 00:00:03,000\nA\n\n2\n00:00:02,000 --> 00:00:04,000\nB\n",
       {{1000, 2000, "A"}, {2000, 3000, "A\nB"}, {3000, 4000, "B"}}},
      {"a cue inside another",
       "1\n00:00:01,000 --> 00:00:05,000\nA\n\n2\n00:00:02,000 --> 00:00:03,000\nB\n",
       {{1000, 2000, "A"}, {2000, 3000, "A\nB"}, {3000, 5000, "A"}}},
      {"dots and short fractions, position hints",
       "1\n0:00:01.5 --> 0:00:02.25 X1:10 X2:20\nShort\n",
       {{1500, 2250, "Short"}}},
      {"cues without text or length are dropped",
       "1\n00:00:01,000 --> 00:00:02,000\n\n2\n00:00:03,000 --> 00:00:03,000\nZero\n\n3\n00:00:04,000 --> "
       "00:00:05,000\nKept\n",
       {{4000, 5000, "Kept"}}},
      {"blank", " \n\n", {}},
  };
  for (const auto& c : cases) {
    Mp4TimedText t;
    const Mp4Error e = Mp4TimedText::fromSrt(c.srt, t);
    EXPECT_FALSE(e) << c.name << ": " << e.message();
    EXPECT_EQ(t.cues, c.cues) << c.name;
  }
}

TEST(Mp4TimedText, WhatIsNoSubRipTextIsRefused) {
  for (const std::string& srt :
       {std::string("just some words\n"), std::string("1\n00:00:01,000 --> 00:00:02,000\nOk\n\xff\xfe\n"),
        std::string("1\n00:61:01,000 --> 00:00:02,000\nBad minute\n")}) {
    Mp4TimedText t;
    EXPECT_TRUE(Mp4TimedText::fromSrt(srt, t).failed()) << srt;
  }
}

TEST(Mp4TimedText, TheDescriptionKeepsItsHeaderLineAndReadsBackAfterTheHeaderIsPlaced) {
  Mp4TimedText t;
  ASSERT_FALSE(
      Mp4TimedText::fromSrt("1\n00:00:00,000 --> 00:00:01,000\nAt <once> & \"quoted\"\n\n"
                            "2\n00:00:02,000 --> 00:00:03,500\nTwo\nlines\n\n"
                            "3\n00:00:03,500 --> 00:00:04,000\nRight after\n",
                            t));
  std::string d = t.description();
  ASSERT_NE(d.find("\n" + kHeaderLine + "\n"), std::string::npos) << d;
  EXPECT_EQ(d.find("\n\n"), std::string::npos)
      << "a caller copies the description up to its first empty line";
  EXPECT_GE(d.size(), 101u);

  const std::string placed =
      "<TextStreamHeader width=\"1280\" height=\"60\" layer=\"0\" translation_x=\"0\" translation_y=\"620\">";
  d.replace(d.find(kHeaderLine), kHeaderLine.size(), placed);
  Mp4TimedText back;
  const Mp4Error e = Mp4TimedText::fromDescription(d, back);
  ASSERT_FALSE(e) << e.message();
  EXPECT_EQ(back.cues, t.cues);
  EXPECT_EQ(back.width, 1280u);
  EXPECT_EQ(back.height, 60u);
  EXPECT_EQ(back.translationY, 620);
  EXPECT_EQ(back.fontName, t.fontName);
  EXPECT_EQ(back.textColor, t.textColor);
  EXPECT_EQ(back.verticalJustification, -1);

  // Samples cover the time line from 0 without gaps; the tx3g entry carries the font.
  const auto samples = back.samples();
  ASSERT_EQ(samples.size(), 5u);  // cue, gap, cue, cue, the end of the last
  EXPECT_EQ(samples[1].durationMs, 1000u);
  EXPECT_EQ(mp4SampleText(samples[1].bytes), "");
  EXPECT_EQ(mp4SampleText(samples[2].bytes), "Two\nlines");
  EXPECT_EQ(samples[4].durationMs, 0u);
  EXPECT_EQ(mp4SampleText(samples[4].bytes), "");
  const Mp4Buffer entry = back.sampleEntry();
  EXPECT_NE(std::string(entry.begin(), entry.end()).find("ftab"), std::string::npos);
}

TEST(Mp4TimedText, MalformedDescriptionsAreRefused) {
  const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<TextStream version=\"1.1\">\n" +
                           kHeaderLine + "\n</TextStreamHeader>\n";
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"not a description", "<html><body/></html>"},
      {"no end of the stream", head + "<TextSample sampleTime=\"00:00:01.000\">A</TextSample>\n"},
      {"unterminated sample", head + "<TextSample sampleTime=\"00:00:01.000\">A\n</TextStream>\n"},
      {"markup in a sample",
       head + "<TextSample sampleTime=\"00:00:01.000\">A<b>B</b></TextSample>\n</TextStream>\n"},
      {"no sample time", head + "<TextSample>A</TextSample>\n</TextStream>\n"},
      {"a bad sample time", head + "<TextSample sampleTime=\"1 second\">A</TextSample>\n</TextStream>\n"},
      {"samples out of order", head + "<TextSample sampleTime=\"00:00:02.000\">A</TextSample>\n<TextSample "
                                      "sampleTime=\"00:00:01.000\">B</TextSample>\n</TextStream>\n"},
      {"an unknown entity",
       head + "<TextSample sampleTime=\"00:00:01.000\">&nbsp;</TextSample>\n</TextStream>\n"},
      {"a width that is no number",
       "<TextStream>\n<TextStreamHeader width=\"wide\" height=\"60\">\n</TextStreamHeader>\n</TextStream>\n"},
      {"an unquoted attribute",
       "<TextStream>\n<TextStreamHeader width=400>\n</TextStreamHeader>\n</TextStream>\n"},
      {"text outside the elements", head + "stray\n</TextStream>\n"},
      {"content after the end",
       head + "</TextStream>\n<TextSample sampleTime=\"00:00:01.000\">A</TextSample>\n"},
  };
  for (const auto& c : cases) {
    Mp4TimedText t;
    const Mp4Error e = Mp4TimedText::fromDescription(c.text, t);
    EXPECT_TRUE(e.failed()) << c.name;
  }
}
