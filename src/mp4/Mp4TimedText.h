#pragma once
// 3GPP timed text (a tx3g subtitle track) and the two text forms it is made from or turned
// into: SubRip cues, and the timed-text description, an XML file of one header (the text
// box's place on the picture, justification, colours, font) and the samples' start times
// and texts, each sample lasting until the next one starts.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mp4/Mp4Bytes.h"
#include "mp4/Mp4Error.h"

namespace zuvo {

class Mp4File;

struct Mp4TextCue {
  uint64_t startMs = 0;
  uint64_t endMs = 0;
  std::string text;  // lines separated by line feeds
  bool operator==(const Mp4TextCue&) const = default;
};

struct Mp4TextBox {
  int16_t top = 0, left = 0, bottom = 0, right = 0;
};

struct Mp4TimedText {
  static constexpr size_t kMaxCues = 1'000'000;
  // The last sample of a description has no end; one with text is shown this long.
  static constexpr uint64_t kLastSampleMs = 4000;

  // TextStreamHeader: the track's size and place on the picture.
  uint32_t width = 400;
  uint32_t height = 60;
  int16_t layer = 0;
  int32_t translationX = 0;
  int32_t translationY = 0;
  // TextSampleDescription.
  int8_t horizontalJustification = 1;  // 0 left, 1 centre, -1 right
  int8_t verticalJustification = -1;   // 0 top, 1 centre, -1 bottom
  uint32_t backColor = 0;              // RGBA
  std::optional<Mp4TextBox> textBox;   // absent: the whole track
  uint16_t fontId = 1;
  std::string fontName = "Sans-Serif";
  uint8_t fontSize = 18;
  uint32_t textColor = 0xFFFFFFFF;  // RGBA
  // Ordered, never overlapping.
  std::vector<Mp4TextCue> cues;

  // SubRip text (UTF-8): cues in time order, overlapping ones shown together; simple
  // formatting tags (<i>, <b>, <u>, <font>) are dropped. Text that holds no cue at all
  // is an error unless it is blank.
  static Mp4Error fromSrt(std::string_view srt, Mp4TimedText& out);
  static Mp4Error fromDescription(std::string_view description, Mp4TimedText& out);
  // The text track `trackId` of `file`: its cues on the movie time line.
  static Mp4Error fromTrack(Mp4File& file, uint32_t trackId, Mp4TimedText& out);

  std::string srt() const;
  // Lines never empty and never longer than a cue's text line.
  std::string description() const;

  // The tx3g sample description, and the samples from time 0: every cue, an empty sample
  // for each gap before or between them, and a closing empty one of no duration.
  Mp4Buffer sampleEntry() const;
  struct Sample {
    uint64_t durationMs = 0;
    Mp4Buffer bytes;
  };
  std::vector<Sample> samples() const;
};

// The text of a text-track sample (a 16-bit length, then UTF-8 or UTF-16 with a byte-order
// mark); modifier boxes after it are ignored.
std::string mp4SampleText(std::span<const uint8_t> sample);

}  // namespace zuvo
