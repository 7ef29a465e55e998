#pragma once
// TheMovieDB's XML interface (version 2.1): a search by name, a movie's full record and
// the posters of the item's selected candidate. Each answer is downloaded into a cache
// file first; a file that is there already is read without a download. Each call blocks
// its thread while it downloads and writes the item directly.
#include <QString>

#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"

namespace zuvo {

// The code of a candidate choice outside the list; unreachable is `kServiceUnreachable`.
namespace MovieDBCode {
inline constexpr qint32 InvalidID = 2;
}  // namespace MovieDBCode

inline constexpr const char* kMovieDBAPIKey = "4f1c8e2a9b7d3065e1a2c4b6d8f09e73";

// The name a search asks for: the lower-cased series name in 7-bit ASCII (accents
// dropped, letters without an ASCII form and every "?" removed).
QString MovieDBCleanedName(const QString& seriesName);

// Fills `AlternativeSuggestions` with the movies found for the item's series name; the
// first one named exactly like the cleaned name is selected and names the item.
// Code 1 "Internet not accessable".
BCError LookUpMovieDBAlternates(MediaFile& item, const QString& language, const QString& cachePath,
                                const Reporter& reporter);

// Takes over the movie's record: name, overview, certification, release date, genres,
// actors, producers and directors (six names each at most), posters 500 pixels wide or
// more into `alternateimages` and the first of them into `image`.
// Code 1 "Internet not accessable".
BCError LookUpMovieDBInfo(MediaFile& item, qint32 movieID, const QString& language, const QString& cachePath,
                          const Reporter& reporter);

// Only the posters of the selected candidate (its id becomes `showid`); nothing else of
// the item changes. Code 1 "Internet not accessable", code 2 "Invalid ID" when no
// candidate is selected.
BCError LookUpMovieDBInfoForSelectedAlternate(MediaFile& item, const QString& language,
                                              const QString& cachePath, const Reporter& reporter);

}  // namespace zuvo
