#pragma once
// The movie routes: TheMovieDB's XML requests answered by TMDB v3 with the user's key (a
// v3 key or a read-access token), else by the iTunes Search API; tagChimp's answered by
// the iTunes Search API, which has no chapter titles.
#include "metadata/live/LiveRouting.h"

namespace zuvo::live {

// "/2.1/Movie.search/LANG/xml/KEY/NAME"
void answerMovieDBSearch(LiveCall& call);
// "/2.1/Movie.getInfo/LANG/xml/KEY/ID"
void answerMovieDBRecord(LiveCall& call);
// "/ape/search.php?…&type=search…&videoKind=TVShow|Movie" and "…&type=lookup…&id=ID"
void answerTagChimp(LiveCall& call);

// TMDB's headers and query for `key`: a read-access token (a JWT) goes as a bearer
// header, a v3 key as the api_key parameter.
struct TMDBAuthorization {
  QList<Header> headers;
  QString query;  // "api_key=…" or empty
};
TMDBAuthorization tmdbAuthorization(const QString& key);

// Forgets TMDB's image base learnt from its configuration (tests).
void forgetTMDBConfiguration();

}  // namespace zuvo::live
