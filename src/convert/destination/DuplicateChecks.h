#pragma once
// Whether an episode or a movie is already in the media library, asked by the probe's
// duplicate check. Safe to call from any thread: each call runs its own script.
// A check that cannot run answers "not there": an item is only ever marked (and perhaps
// deleted) as a duplicate on the library's own word.
#include <QString>

#include "media/BCCReporter.h"

namespace zuvo {

bool tvShowExistsIniTunes(const QString& seriesName, qint32 season, qint32 episode, const Reporter& reporter);
bool movieExistsIniTunes(const QString& title, const Reporter& reporter);

}  // namespace zuvo
