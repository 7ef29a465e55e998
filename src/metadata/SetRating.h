#pragma once
// The two freeform items of a save: the content rating ("iTunEXTC") and the cast-and-crew
// property list ("iTunMOVI").
#include <QString>

#include "media/BCCReporter.h"

namespace zuvo {

class MediaFile;
class Mp4File;

// Replaces both items in the open file: the rating's value for the country of the setting
// "CountryForRatings" (a rating that country's table cannot write keeps a present value
// that reads back as it, e.g. "FSK 12" saved under "United States"), and the names of the
// media object's actors, directors and producers. The caller commits.
void setRating(Mp4File& file, const QString& rating, const MediaFile& media, const Reporter& reporter);

}  // namespace zuvo
