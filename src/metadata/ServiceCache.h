#pragma once
// The cache files of the online-service clients, named in one place, and the one way an
// answer gets into them. A file's presence is the test of a successful download: an answer
// is written whole or not at all, and never for an error status. Files are kept however
// old; only the controller's expiry deletes them by age.
#include <QString>

#include "media/BCCReporter.h"
#include "media/BCDownloader.h"

namespace zuvo {

// The code with which every online client answers when its service could not be reached.
inline constexpr qint32 kServiceUnreachable = 1;

// A show, movie or query name made safe as part of one file name in the cache folder: "/"
// (which the names of shows like Face/Off hold) becomes "-", NUL is dropped, and a name too
// long for the file system is cut and marked with a digest of the whole name, so that
// every name gives a file that can be made and stays in the folder.
QString cacheNameComponent(const QString& name);

// UTF-8 percent escapes of everything but ASCII letters, digits and "-._~": a name's form
// in a query (a slash or "&" in it never ends a path piece or a query value).
QString PercentEscaped(const QString& text);

namespace cachefile {

// TheTVDB: a series search (the lower-cased series name), a full series record, a banner
// list, and a series' artwork for one season and episode (or artwork index).
QString tvdbSearch(const QString& cachePath, const QString& lowerCasedSeriesName);
QString tvdbSeries(const QString& cachePath, quint32 seriesID);
QString tvdbBannerList(const QString& cachePath, quint32 seriesID);
QString tvImage(const QString& cachePath, quint32 showid, quint32 season, int episodeOrIndex);

// TheMovieDB: a search (the cleaned, percent-escaped name), a movie record, and a movie's
// artwork (index 0 for the first poster).
QString movieDBSearch(const QString& cachePath, const QString& queryName);
QString movieDBRecord(const QString& cachePath, qint32 movieID);
QString movieImage(const QString& cachePath, quint32 showid, quint32 season, int index);

// tagChimp: the TV and movie searches (query name), a record, and the first cover of a
// movie or a TV record, named after the series name.
QString tagChimpTVSearch(const QString& cachePath, const QString& queryName, quint32 season, quint32 episode);
QString tagChimpMovieSearch(const QString& cachePath, const QString& queryName);
QString tagChimpRecord(const QString& cachePath, qint32 tagChimpID);
QString tagChimpMovieCover(const QString& cachePath, const QString& seriesName, quint32 season);
QString tagChimpTVCover(const QString& cachePath, const QString& seriesName, quint32 season, quint32 episode);

// TVRage: a show search (percent-escaped lower-cased name) and a show's episode list (id text).
QString tvRageSearch(const QString& cachePath, const QString& escapedName);
QString tvRageEpisodeList(const QString& cachePath, const QString& showID);

}  // namespace cachefile

// Log lines that several clients write.
inline const QString kShowLookUpOffline =
    QStringLiteral("[RED]Computer not connected to Internet when looking up show.");
inline const QString kFileAlreadyInCache = QStringLiteral("File already in cache");
inline const QString kFileIsAlreadyInCache = QStringLiteral("File is already in cache");
inline const QString kOpeningFile = QStringLiteral("Opening file %1");
inline const QString kOpeningToReadResult = QStringLiteral("Opening file %1 to read result");
inline const QString kMovieImageNowInCache = QStringLiteral("Movie image now in cache");

// Downloads `url` into `file` and answers whether the file is there afterwards.
bool downloadIntoCache(const QString& url, const QString& file, double timeout, const Reporter& reporter,
                       qint64 mostBytes = BCDownloader::kMostAnswerBytes);

// Writes to the log writer when there is one.
void logTo(const Reporter& reporter, const QString& message, quint32 level);

}  // namespace zuvo
