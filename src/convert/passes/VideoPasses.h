#pragma once
// The pieces of a video pass that Convert strings together: the EyeTV pre-conversion, the
// software encode with its "finished too soon" check, the stop check after the encode and
// the exits that end a conversion. Each answers nothing to go on, or the result that
// Convert returns at once.
#include <QStringList>
#include <optional>

#include "convert/converter/BCConverter.h"
#include "convert/passes/VideoPassArguments.h"

namespace zuvo {

// mencoder's arguments that turn an EyeTV recording into "<work>/<base>.pp<ext>" at the
// pass's bit rate.
ToolArguments eyeTVPreconvertArguments(const QString& source, const QString& output, int bitrateKbps,
                                       int quality);

// ffmpeg once, or twice with " -pass 1" and " -pass 2" at Highest quality.
std::optional<BCError> encodeVideo(BCConverter& converter, const VideoPassArguments& pass);

// After each encode: a stopped conversion removes the pass's output and ends with `result`.
std::optional<BCError> stopCheck(BCConverter& converter, const VideoPassArguments& pass, const BCError& result);

// Ends the conversion as failed: the lines logged, not finished, progress 100, state 4.
BCError failConversion(BCConverter& converter, const BCError& error, const QStringList& lines);

// The passes a conversion of the media object runs, by index: 0 the HD or only pass, 1 the
// SD pass of an HD-and-SD pair, which an SD-only conversion for mobile devices runs alone.
// Empty for a format no pass makes (tags only).
QList<int> plannedPasses(const MediaFile& media);

// The user pressed stop (the queue also sets state 4 then).
bool conversionStopped(const MediaFile& media);

}  // namespace zuvo
