#pragma once
// The movie services' JSON answers (TMDB v3, the iTunes Search API) turned into the text
// of the cache files that TheMovieDB's and tagChimp's clients read: one element per line,
// texts escaped so that the readers' own unescaping gives back what the service wrote.
// Pure functions: a JSON answer in, the file's lines out.
#include <QJsonDocument>
#include <QString>
#include <QStringList>
#include <optional>

namespace zuvo::live {

// A converted answer: the cache file's lines, or why there are none, as the log goes on
// after "<service> sent an answer" ("in a form not expected").
struct CacheText {
  std::optional<QStringList> lines;
  QString failure;

  static CacheText written(const QStringList& lines) { return {lines, {}}; }
  static CacheText failed(const QString& why) { return {std::nullopt, why}; }
};

// TMDB's image base (`images.secure_base_url`) from its /configuration answer.
std::optional<QString> tmdbImageBase(const QJsonDocument& configuration);

// TheMovieDB's search file from TMDB's /search/movie answer.
CacheText movieDBSearchFromTMDB(const QJsonDocument& answer);
// TheMovieDB's record file from TMDB's /movie/{id} answer with credits, release dates and
// images appended. Posters are addressed under `imageBase`; the certification is the
// theatrical one of `country`, else of the United States; posters in `language` lead.
CacheText movieDBRecordFromTMDB(const QJsonDocument& answer, const QString& imageBase,
                                const QString& language, const QString& country);

// TheMovieDB's search and record files from the iTunes Search API's movie search and
// look-up answers.
CacheText movieDBSearchFromITunes(const QJsonDocument& answer);
CacheText movieDBRecordFromITunes(const QJsonDocument& answer);

// tagChimp's movie search, TV search and record files from the iTunes Search API's
// movie search, TV-episode search and look-up answers.
CacheText tagChimpMovieSearchFromITunes(const QJsonDocument& answer);
CacheText tagChimpTVSearchFromITunes(const QJsonDocument& answer);
CacheText tagChimpRecordFromITunes(const QJsonDocument& answer);

// iTunes artwork at 600 by 600 pixels instead of the 100 by 100 its answers name.
QString largeITunesArtwork(const QString& artworkUrl100);

}  // namespace zuvo::live
