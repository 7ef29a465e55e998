#pragma once
// The pieces of a video pass that Convert strings together: the EyeTV pre-conversion, the
// software encode with its "finished too soon" check, the stop check after the encode and
// the exits that end a conversion. Each answers nothing to go on, or the result that
// Convert returns at once.
#include <QStringList>
#include <cstdint>
#include <optional>

#include "convert/core/ConversionState.h"
#include "convert/passes/VideoPassArguments.h"

namespace zuvo {

// mencoder's arguments that turn an EyeTV recording into "<work>/<base>.pp<ext>" at the
// pass's bit rate.
ToolArguments eyeTVPreconvertArguments(const QString& source, const QString& output, int bitrateKbps,
                                       int quality);

// ffmpeg once, or twice with " -pass 1" and " -pass 2" at Highest quality.
std::optional<BCError> encodeVideo(ConversionState& converter, const VideoPassArguments& pass);

// After each encode: a stopped conversion removes the pass's output and ends with `result`.
std::optional<BCError> stopCheck(ConversionState& converter, const VideoPassArguments& pass,
                                 const BCError& result);

// After a stop: the pass's output goes, the conversion ends with `result` (or code 2).
BCError stoppedExit(ConversionState& converter, const BCError& result, const QString& output);

// Ends the conversion as failed: the lines logged, not finished, progress 100, state 4.
BCError failConversion(ConversionState& converter, const BCError& error, const QStringList& lines);

// The passes a conversion of the media object runs, by index: 0 the HD or only pass, 1 the
// SD pass of an HD-and-SD pair, which an SD-only conversion for mobile devices runs alone.
// Empty for a format no pass makes (tags only).
QList<int> plannedPasses(const MediaFile& media);

// The user pressed stop (the queue also sets state 4 then).
bool conversionStopped(const MediaFile& media);

// AudioTracks.cpp: the audio offset and the exported audio tracks added to `output`.
std::optional<BCError> addAudioTracks(ConversionState& converter, int passindex, const QString& output);

// HDFlag.cpp: the iTunes HD video flag of the pass (0 SD, 1 720p, 2 1080p).
uint8_t hdFlagFor(const MediaFile& media, int passindex);

}  // namespace zuvo
