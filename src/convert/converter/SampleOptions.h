#pragma once
// The ffmpeg options that cut a sample out of the source (" -ss %i -t 60 "), or "" for a
// whole conversion. One process-wide value: only one conversion runs at a time, and the
// driver sets it when a conversion starts.
#include <QString>

namespace zuvo {

QString sampleOptions();
void setSampleOptions(const QString& options);

}  // namespace zuvo
