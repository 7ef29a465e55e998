#pragma once
// Debian's mediainfo (23.04) and ffprobe (5.1) print some values in newer forms than the
// ones our stream-analysis and chapter readers take. These functions turn a tool's whole
// output into the older forms and leave every other line as the tool printed it:
//
//   mediainfo  "1 h 2 min", "45 min 0 s", "3 s 46 ms"  ->  "1h 2mn", "45mn", "3s 46ms"
//              "1 500 kb/s", "12.0 Mb/s", "145 b/s"    ->  "1 500 Kbps", "12.0 Mbps", "145 bps"
//              "48.0 kHz"                              ->  "48.0 KHz"
//              "23.976 (24000/1001) FPS", "25.000 FPS" ->  "23.976 fps", "25.000 fps"
//              "Format settings, Reference frames"     ->  "Format settings, ReFrames"
//              "Menu #1" header                        ->  "Menu"
//   ffprobe    "Stream #0:1", "Chapter #0:1:"          ->  "Stream #0.1", "Chapter #0.1:"
//              "  Chapters:" header                    ->  dropped
//              "Input #0, ..., from '<path with line breaks>':" -> one line, breaks as " / "
//              a demuxer warning naming "Stream #N"    ->  "stream #N", so it is not counted
//                                                          as a stream
//
// Unit forms are rewritten only in the values of the keys that carry them (bit rates,
// sampling rates, frame rates, durations and delays), so a title is never touched.
#include <QString>

namespace zuvo {

QString normalizeMediaInfoOutput(const QString& output);
QString normalizeFFprobeOutput(const QString& output);

}  // namespace zuvo
