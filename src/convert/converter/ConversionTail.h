#pragma once
// The steps after a pass's video encode and after the last pass, each in the file named
// after it. Each answers nothing to go on, or the result that Convert returns at once.
#include <QString>
#include <cstdint>
#include <optional>

#include "convert/converter/BCConverter.h"
#include "convert/passes/VideoPasses.h"  // addAudioTracks, hdFlagFor, stoppedExit

namespace zuvo {

// Subtitles.cpp: the chosen subtitle tracks added to `output` as timed text.
void addSubtitleTracks(BCConverter& converter, int passindex, const QString& output);

// Destination.cpp: `output` (in the work folder) to where the media type's settings send it.
std::optional<BCError> placeOutput(BCConverter& converter, int passindex, const QString& output);

// OriginalFile.cpp: when the user's source changed since the conversion began, the failure,
// and the files the passes placed are taken back (a sample or a DVD is never checked).
std::optional<BCError> failIfSourceChanged(BCConverter& converter);

// OriginalFile.cpp: the user's source after a conversion, as the settings say.
std::optional<BCError> handleOriginalFile(BCConverter& converter);

}  // namespace zuvo
