#pragma once
// The ffmpeg arguments that put the source's video, as it is, into an MP4 container: with
// the sound encoded beside it, or without sound when the audio was exported on its own.
// The pass-through and the hardware encoder's rewrap both start from it.
#include "convert/core/ConversionState.h"
#include "convert/runners/ToolArguments.h"

namespace zuvo {

// `outputTemplate` names the file to write, e.g. "\"%@/%@%@\"", filled from `outputValues`.
ToolArguments videoCopyArguments(const ConversionState& converter, const QString& outputTemplate,
                                 const QStringList& outputValues);

}  // namespace zuvo
