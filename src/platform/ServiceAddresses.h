#pragma once
// Base addresses of the online services, in one table. Each can be overridden by an
// environment variable so that tests point the clients at a server on loopback.
#include <QString>

namespace zuvo {

// The first five are the interfaces the look-up clients ask; the Live rows are the services
// that answer those requests today (the TMDB image base has no default here: it is the one
// TMDB's configuration names).
enum class Service {
  TheTVDB,
  TheTVDBBanners,
  TheMovieDB,
  TagChimp,
  TVRage,
  News,
  Homepage,
  LiveTVmaze,
  LiveITunes,
  LiveTMDB,
  LiveTMDBImages,
  LiveTheTVDB,
  Social,
};

// The base address without a trailing "/", e.g. "http://www.thetvdb.com".
QString serviceBaseURL(Service service);
// The environment variable that overrides it, e.g. "ZUVO_TVDB_URL".
const char* serviceOverrideVariable(Service service);
// The address used when the variable is not set (empty for the TMDB image base).
QString serviceDefaultURL(Service service);
// Whether the variable is set to an address.
bool serviceOverridden(Service service);

}  // namespace zuvo
