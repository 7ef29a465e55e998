#pragma once
// TheTVDB's XML interface: a series search, a full series record with every episode (one
// episode picked by number, by air date or by name) and the banner artwork. Every answer
// is first downloaded into a cache file and then read line by line; a file that is there
// already is read without a download. Each call blocks its thread while it downloads and
// writes the item directly.
#include <QString>

#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"

namespace zuvo {

// The codes of TheTVDB's failures besides `kServiceUnreachable`.
namespace TVDBCode {
inline constexpr qint32 NoEpisodeName = 2;
inline constexpr qint32 NoBanner = 3;
}  // namespace TVDBCode

inline constexpr const char* kTVDBAPIKey = "A3C9E71B04D28F56";
// The episode names a record fetch leaves when it could not name the episode.
inline constexpr const char* kTVDBNoInternetName = "NoInternet";
inline constexpr const char* kTVDBNoNameFound = "NoNameFound";

// Fills `AlternativeSuggestions` with the series found for the item's series name (names
// in lower case) and selects the one named exactly so (the last such), else the first.
// Code 1 "Unable to connect to Internet".
BCError TVDBLookUpShow(MediaFile& item, const QString& cachePath, const Reporter& reporter);

// Reads the series' full record (in `language`, else in English) and takes over the
// episode whose season and number are the item's, or whose air date is the item's date
// (which then sets season and number): name, description, date, rating, the series'
// name, actors and genre; then the banner. Code 1 "No internet connection" (episode name
// "NoInternet"), code 2 "No episode name found" (episode name "NoNameFound").
BCError TVDBGetEpisode(qint32 seriesID, MediaFile& item, const QString& language, const QString& cachePath,
                       const Reporter& reporter);
// The same for EyeTV recordings, whose name carries the episode title: the episode is the
// one named like the item's `episodename` (the last such), and it sets season and number.
BCError TVDBGetEpisodeByName(qint32 seriesID, MediaFile& item, const QString& language,
                             const QString& cachePath, const Reporter& reporter);

// Lists the series' banners for the item's season and the series-wide ones in
// `alternateimages`, selects the best-rated season banner, and downloads the selected one
// into `image`. Code 1 "Not connected to Internet on Banner lookup", code 3 "No image
// found for show".
BCError TVDBGetBanner(qint32 seriesID, MediaFile& item, const QString& cachePath, const Reporter& reporter);

}  // namespace zuvo
