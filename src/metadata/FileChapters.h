#pragma once
// A source's chapters as ffprobe lists them, and their titles replaced by those of a
// tagChimp record with as many chapters.
#include <QString>

#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"

namespace zuvo {

// Fills `Chapters` from ffprobe's listing of the source (`packagepath` when set, else
// `fullpath`; run in the cache folder): number, start ("hh:mm:ss", then ".mmm" for a fraction) and
// title of every chapter that has a title. Always succeeds; no chapters leave the list
// empty.
BCError ChaptersFromFile(MediaFile& item, const QString& cachePath, const Reporter& reporter);

// The same from an ffprobe report of the source already in hand (the probe's own).
BCError ChaptersFromFFprobeReport(MediaFile& item, const QString& ffprobeReport, const Reporter& reporter);

// Tries the candidates of `ChaptersAlternates` in order: the first whose record has as
// many titles as the item has chapters gives them their titles; a first title that says
// "chapter" only numbers them, so the next candidate is tried too.
void matchChapters(MediaFile& item, const QString& language, const QString& cachePath,
                   const Reporter& reporter);

}  // namespace zuvo
