// Lines as Debian's mediainfo 23.04 and ffprobe 5.1 print them, and the forms our readers take.
#include "media/AnalysisOutputNormalizer.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace zuvo;

namespace {
struct Case {
  const char* name;
  const char* today;
  const char* expected;
};

// Keys padded to 41 columns, as mediainfo prints them.
QString mi(const char* key, const char* value) {
  return QString::fromUtf8(key).leftJustified(41) + ": " + QString::fromUtf8(value);
}

void runTable(const Case* cases, size_t count, QString (*normalize)(const QString&), bool mediainfoValues) {
  for (size_t i = 0; i < count; ++i) {
    const Case& c = cases[i];
    QString today = QString::fromUtf8(c.today), expected = QString::fromUtf8(c.expected);
    if (mediainfoValues) {
      const QStringList t = today.split('|'), e = expected.split('|');
      today = mi(t[0].toUtf8().constData(), t[1].toUtf8().constData());
      expected = mi(e[0].toUtf8().constData(), e[1].toUtf8().constData());
    }
    EXPECT_EQ(normalize(today).toStdString(), expected.toStdString()) << "case: " << c.name;
  }
}
}  // namespace

TEST(AnalysisOutputNormalizer, MediaInfoValuesTakeTheOlderUnitsAndKeys) {
  // "key|value" on both sides.
  const Case cases[] = {
      {"hours and minutes", "Duration|1 h 2 min", "Duration|1h 2mn"},
      {"minutes and seconds", "Duration|45 min 12 s", "Duration|45mn 12s"},
      {"seconds and milliseconds", "Duration|3 s 46 ms", "Duration|3s 46ms"},
      {"zero minutes left out", "Duration|2 h 0 min", "Duration|2h"},
      {"zero seconds left out", "Duration|45 min 0 s", "Duration|45mn"},
      {"zero milliseconds left out", "Duration|1 s 0 ms", "Duration|1s"},
      {"ten hours", "Duration|10 h 0 min", "Duration|10h"},
      {"milliseconds only", "Duration|500 ms", "Duration|500ms"},
      {"negative delay", "Delay relative to video|-21 ms", "Delay relative to video|-21ms"},
      {"source duration", "Source duration|3 s 21 ms", "Source duration|3s 21ms"},
      {"duration list", "Duration|3 s 0 ms / 3 s 21 ms", "Duration|3s / 3s 21ms"},
      {"duration in frames untouched", "Duration_FirstFrame|-1000", "Duration_FirstFrame|-1000"},
      {"kilobits", "Bit rate|1 500 kb/s", "Bit rate|1 500 Kbps"},
      {"megabits", "Bit rate|12.0 Mb/s", "Bit rate|12.0 Mbps"},
      {"bits", "Overall bit rate|145 b/s", "Overall bit rate|145 bps"},
      {"bits with thousands", "Overall bit rate|9 752 b/s", "Overall bit rate|9 752 bps"},
      {"nominal bit rate", "Nominal bit rate|1 500 kb/s", "Nominal bit rate|1 500 Kbps"},
      {"maximum bit rate", "Maximum bit rate|40.0 Mb/s", "Maximum bit rate|40.0 Mbps"},
      {"bit rate list", "Bit rate|Unknown / 1 509 kb/s", "Bit rate|Unknown / 1 509 Kbps"},
      {"bit rate mode untouched", "Bit rate mode|Constant", "Bit rate mode|Constant"},
      {"kilohertz", "Sampling rate|48.0 kHz", "Sampling rate|48.0 KHz"},
      {"kilohertz 44.1", "Sampling rate|44.1 kHz", "Sampling rate|44.1 KHz"},
      {"hertz untouched", "Sampling rate|8 000 Hz", "Sampling rate|8 000 Hz"},
      {"sampling rate list", "Sampling rate|48.0 kHz / 24.0 kHz", "Sampling rate|48.0 KHz / 24.0 KHz"},
      {"frames per second", "Frame rate|25.000 FPS", "Frame rate|25.000 fps"},
      {"fraction dropped", "Frame rate|23.976 (24000/1001) FPS", "Frame rate|23.976 fps"},
      {"original frame rate", "Original frame rate|29.970 (30000/1001) FPS",
       "Original frame rate|29.970 fps"},
      {"audio frame rate", "Frame rate|46.875 FPS (1024 SPF)", "Frame rate|46.875 fps (1024 SPF)"},
      {"frame rate mode untouched", "Frame rate mode|Constant", "Frame rate mode|Constant"},
      {"reference frames key", "Format settings, Reference frames|4 frames",
       "Format settings, ReFrames|4 frames"},
      {"one reference frame", "Format settings, Reference frames|1 frame",
       "Format settings, ReFrames|1 frame"},
      {"CABAC untouched", "Format settings, CABAC|Yes", "Format settings, CABAC|Yes"},
      {"title untouched", "Title|45 min 0 s at 128 kb/s, 48.0 kHz, 25.000 FPS",
       "Title|45 min 0 s at 128 kb/s, 48.0 kHz, 25.000 FPS"},
      {"width untouched", "Width|1 920 pixels", "Width|1 920 pixels"},
      {"chapter entry untouched", "00:00:01.000|Part Two", "00:00:01.000|Part Two"},
      {"encoding settings untouched", "Encoding settings|cabac=1 / ref=4 / bitrate=1500",
       "Encoding settings|cabac=1 / ref=4 / bitrate=1500"},
      {"value with further colons", "Display aspect ratio|16:9", "Display aspect ratio|16:9"},
  };
  runTable(cases, std::size(cases), normalizeMediaInfoOutput, true);
}

TEST(AnalysisOutputNormalizer, MediaInfoSectionsAndWholeOutputs) {
  const Case cases[] = {
      {"numbered menu", "Menu #1", "Menu"},
      {"menu twelve", "Menu #12", "Menu"},
      {"plain menu", "Menu", "Menu"},
      {"numbered audio untouched", "Audio #1", "Audio #1"},
      {"numbered text untouched", "Text #2", "Text #2"},
      {"blank line", "", ""},
      {"section run",
       "Audio #2\nID                                       : 3\nBit rate                                 : "
       "448 kb/s\n\n"
       "Menu #1\nID                                       : 5\n00:00:00.000                             : "
       "Part One\n\n"
       "Menu #2\n",
       "Audio #2\nID                                       : 3\nBit rate                                 : "
       "448 Kbps\n\n"
       "Menu\nID                                       : 5\n00:00:00.000                             : Part "
       "One\n\n"
       "Menu\n"},
      {"carriage returns kept", "Video\r\nFrame rate                               : 25.000 FPS\r\n",
       "Video\r\nFrame rate                               : 25.000 fps\r\n"},
  };
  runTable(cases, std::size(cases), normalizeMediaInfoOutput, false);
}

TEST(AnalysisOutputNormalizer, FFprobeStreamAndChapterLines) {
  const Case cases[] = {
      {"chapter", "    Chapter #0:1: start 1.000000, end 3.000000",
       "    Chapter #0.1: start 1.000000, end 3.000000"},
      {"chapter twelve", "    Chapter #0:12: start 300.000000, end 600.000000",
       "    Chapter #0.12: start 300.000000, end 600.000000"},
      {"chapter title untouched", "        title           : Part Two", "        title           : Part Two"},
      {"audio stream", "  Stream #0:1(eng): Audio: aac (LC), 48000 Hz, stereo, fltp (default)",
       "  Stream #0.1(eng): Audio: aac (LC), 48000 Hz, stereo, fltp (default)"},
      {"stream with id",
       "  Stream #0:1[0x2](eng): Audio: aac (LC) (mp4a / 0x6134706D), 48000 Hz, stereo, fltp, 128 kb/s "
       "(default)",
       "  Stream #0.1[0x2](eng): Audio: aac (LC) (mp4a / 0x6134706D), 48000 Hz, stereo, fltp, 128 kb/s "
       "(default)"},
      {"stream ten", "  Stream #0:10: Subtitle: ass", "  Stream #0.10: Subtitle: ass"},
      {"stream in a title untouched", "      title           : Stream #0:1 Audio: commentary",
       "      title           : Stream #0:1 Audio: commentary"},
      {"demuxer warning is not a stream",
       "[mpegts @ 0x55d0c0a1b2c0] Stream #1: not enough frames to estimate rate; consider increasing "
       "probesize",
       "[mpegts @ 0x55d0c0a1b2c0] stream #1: not enough frames to estimate rate; consider increasing "
       "probesize"},
      {"duration line untouched", "  Duration: 00:00:03.05, start: 0.000000, bitrate: 702 kb/s",
       "  Duration: 00:00:03.05, start: 0.000000, bitrate: 702 kb/s"},
      {"chapters header dropped",
       "  Duration: 00:00:03.05, start: 0.000000, bitrate: 702 kb/s\n  Chapters:\n    Chapter #0:0: start "
       "0.000000, end 1.000000\n",
       "  Duration: 00:00:03.05, start: 0.000000, bitrate: 702 kb/s\n    Chapter #0.0: start 0.000000, end "
       "1.000000\n"},
      {"input path over lines",
       "Input #0, matroska,webm, from '/tmp/we ird\nAudio: x\nStream #9.mkv':\n  Metadata:",
       "Input #0, matroska,webm, from '/tmp/we ird / Audio: x / Stream #9.mkv':\n  Metadata:"},
      {"input on one line untouched",
       "Input #0, avi, from '/tmp/a.avi':\n  Metadata:", "Input #0, avi, from '/tmp/a.avi':\n  Metadata:"},
      {"unreadable input untouched", "/tmp/missing.mkv: No such file or directory",
       "/tmp/missing.mkv: No such file or directory"},
  };
  runTable(cases, std::size(cases), normalizeFFprobeOutput, false);
}
