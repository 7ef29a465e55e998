#pragma once
// Sources made at test time for the preparation and subtitle steps, the probe that fills a
// media object from them, and short summaries of what ffprobe finds in a result.
#include <QString>
#include <QStringList>
#include <memory>

#include "convert/converter/BCConverter.h"
#include "media/MediaFile.h"
#include "media/MediaTestSupport.h"

namespace zuvo::test {

inline const QString kSubRip = QStringLiteral(
    "1\n00:00:00,200 --> 00:00:01,000\nFirst line\n\n2\n00:00:01,100 --> 00:00:01,900\nSecond line\n\n");
inline const QString kASS = QStringLiteral(
    "[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\n\n[V4+ Styles]\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
    "Italic, "
    "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
    "MarginR, "
    "MarginV, Encoding\n"
    "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\n\n[Events]\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
    "Dialogue: 0,0:00:00.20,0:00:01.00,Default,,0,0,0,,Premier\n"
    "Dialogue: 0,0:00:01.10,0:00:01.90,Default,,0,0,0,,Second\n");

// 2 s, 160x120 H.264; audio "eng" (stereo) and "fre" (mono); a SubRip track "eng" and an
// ASS track "fre", in that order.
void makeMatroska(const QString& path);
// 2 s MP4 with one stereo AAC track and a timed-text track "eng" holding kSubRip.
void makeMp4WithText(const QString& path);

// A phone's video: `seconds` of H.264 and AAC in a QuickTime file, stored at WxH with a
// display matrix that turns it by `degrees`.
void makeRotatedVideo(const QString& path, double seconds, int width, int height, int degrees);
// The turn the first video stream's display matrix asks for, as ffprobe reads it (0: none).
int displayRotation(const QString& path);
// How far the pictures of two files at second `at` are apart, as ffmpeg shows them (turned
// as their display matrices ask): the mean difference of their grey levels at 64x64, 0-255.
// A picture on its side is far from the upright one; the frame's shape is not compared.
// Decoded from the start, as not every file (mencoder's AVI) can seek.
double pictureDistance(const QString& first, const QString& second, double at);

// What every step test starts from: a folder for its sources, a work folder (with a space,
// as a user's cache path may hold), the registered settings and a log read back.
struct StepFolders {
  QString sources = freshFolder("sources");
  QString work = freshFolder("work folder");
  ScopedSettings settings{};
  CapturedLog log;
};

// A "File" media object for `path`, probed with mediainfo and ffprobe.
MediaFilePtr probed(const QString& path);
// Every track of the list chosen.
template <class Track>
QList<Track> allSelected(QList<Track> tracks) {
  for (Track& t : tracks) t.setSelected(true);
  return tracks;
}

// A converter for `media` whose work folder is `folder`.
std::unique_ptr<BCConverter> converterFor(const MediaFilePtr& media, const QString& folder,
                                          const Reporter& reporter);

// One line per stream: "type codec" and the language when tagged, e.g. "audio aac eng".
QStringList streamSummary(const QString& path);
double durationSeconds(const QString& path);

}  // namespace zuvo::test
