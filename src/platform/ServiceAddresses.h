#pragma once
// Base addresses of the online services, in one table. Each can be overridden by an
// environment variable so that tests point the clients at a server on loopback.
#include <QString>

namespace zuvo {

enum class Service { TheTVDB, TheTVDBBanners, TheMovieDB, TagChimp, TVRage, News, Homepage, Social };

// The base address without a trailing "/", e.g. "http://www.thetvdb.com".
QString serviceBaseURL(Service service);
// The environment variable that overrides it, e.g. "ZUVO_TVDB_URL".
const char* serviceOverrideVariable(Service service);

}  // namespace zuvo
