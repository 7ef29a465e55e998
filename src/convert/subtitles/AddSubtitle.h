#pragma once
// Adds one subtitle text file of the work folder to the output as a 3GPP timed-text
// track (alternate group 2, named and tagged with its language's three-letter code).
#include <QString>

#include "convert/report/ConversionReport.h"
#include "media/BCCReporter.h"
#include "media/BCStringEncoding.h"
#include "media/MediaFile.h"

namespace zuvo {

// `name` is "subtitleN.sub" (SubRip) or "subtitleN.ass". The file is cleaned into UTF-8
// SubRip in place first (blank lines only before cue numbers, LF line ends, decoded with
// `encoding`); an ASS file is converted to SubRip. The text box is placed across the
// bottom of the SD picture when `sd`, else of the HD picture. Only the `enabled` track
// plays by default. Nothing is reported back: a subtitle that could not be added is
// simply absent from `output`.
void AddSubtitle(const QString& mp4boxPath, bool enabled, const MediaFilePtr& media, const QString& name,
                 const QString& language, const QString& folder, const QString& output, bool sd,
                 const ConversionReport& report, const BCStringEncoding& encoding, const Reporter& reporter);

}  // namespace zuvo
