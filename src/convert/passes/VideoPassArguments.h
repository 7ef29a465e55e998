#pragma once
// The ffmpeg argument string of one video pass, built piece by piece in the order the
// driver appends them: the start and the frame size, the bit rate, then the frame rate,
// the filters, the x264 settings of the quality, the sound and the output. Each piece
// writes its log lines as it is appended.
#include <QString>

#include "convert/runners/ToolArguments.h"
#include "media/BCCReporter.h"
#include "media/MediaFile.h"

namespace zuvo {

// The values one pass is built from.
struct VideoPass {
  int passindex = 0;  // 0 the HD or only pass, 1 the SD pass of an HD-and-SD conversion
  ConversionFormat format = ConversionFormat::HDAndSD;  // the media object's conversion format
  int quality = 1;                                      // 1 Normal, 2 High, 3 Highest, 4 Original
  int threads = 0;
  QString source;  // the file ffmpeg reads
  QString workFolder;
  QString baseName;
  QString videotype;     // the pass's extension, set by outputPiece
  QString audiocodec;    // " -acodec libfaac "
  int audiobitrate = 0;  // kbit/s
  bool soundexported = false;
  QString sampleOptions;
};

// "EncodingQuality", or the media object's forced quality when it has one.
int passQuality(const MediaFile& media);
// The number a text starts with, as the settings and the analysis write them ("3.5",
// "2002Kbps", "2500.000000"); 0 when there is none.
double leadingNumber(const QString& text);

// The "-b" value and its size in kbit/s.
struct PassBitrate {
  QString text;  // "3000k" or "3.5M"
  int kbps = 0;
};
// The share of the source's bit rate ("PercentageBitrate") up to the cap (Mbit/s text).
PassBitrate cappedBitrate(const MediaFile& media, const QString& capText, const Reporter& reporter,
                          const Reporter& userLog);

class VideoPassArguments {
 public:
  // The user log gets the lines about the choices made for the user to read.
  VideoPassArguments(MediaFilePtr media, VideoPass pass, Reporter reporter, Reporter userLog = nullptr);

  // The start, the frame size and the bit rate; sets the pass's stage code.
  void startAndSize();
  // The bit rate of the pass in kbit/s (the EyeTV pre-conversion encodes at it).
  int bitrateKbps() const { return bitrate_.kbps; }
  // Frame rate, filters, x264 settings, sample, sound and output; sets the extension.
  void finish();

  const ToolArguments& arguments() const { return arguments_; }
  const VideoPass& pass() const { return pass_; }
  // Where the pass's encode writes: "<work>/<base>.SD.mp4" or "<work>/<base><ext>".
  QString outputPath() const;

 private:
  bool sdOfPair() const;
  // " -s WxH", with square pixels for a picture that ffmpeg turns upright.
  void appendSize(const VideoTrack& video, int width, int height);
  void frameRate();
  void x264Options();
  void sound();

  MediaFilePtr media_;
  VideoPass pass_;
  Reporter reporter_;
  Reporter userLog_;
  ToolArguments arguments_;
  PassBitrate bitrate_;
};

}  // namespace zuvo
