#include "platform/ServiceAddresses.h"

#include <QByteArray>

namespace zuvo {
namespace {

struct Row {
  Service service;
  const char* variable;
  const char* address;
};

constexpr Row kServices[] = {
    {Service::TheTVDB, "ZUVO_TVDB_URL", "http://www.thetvdb.com"},
    {Service::TheTVDBBanners, "ZUVO_TVDB_BANNERS_URL", "http://www.thetvdb.com/banners"},
    {Service::TheMovieDB, "ZUVO_TMDB_URL", "http://api.themoviedb.org"},
    {Service::TagChimp, "ZUVO_TAGCHIMP_URL", "https://www.tagchimp.com"},
    {Service::TVRage, "ZUVO_TVRAGE_URL", "http://services.tvrage.com"},
    {Service::News, "ZUVO_NEWS_URL", "http://www.zuvo.example"},
    {Service::Homepage, "ZUVO_HOMEPAGE_URL", "http://www.zuvo.example"},
    {Service::LiveTVmaze, "ZUVO_TVMAZE_URL", "https://api.tvmaze.com"},
    {Service::LiveITunes, "ZUVO_ITUNES_URL", "https://itunes.apple.com"},
    {Service::LiveTMDB, "ZUVO_TMDB3_URL", "https://api.themoviedb.org/3"},
    {Service::LiveTMDBImages, "ZUVO_TMDB_IMAGES_URL", ""},
    {Service::LiveTheTVDB, "ZUVO_TVDB4_URL", "https://api4.thetvdb.com/v4"},
    // The maker's social-media page, on its own host.
    {Service::Social, "ZUVO_SOCIAL_URL", "https://social.zuvo.example/zuvo"},
};

const Row& row(Service service) {
  for (const Row& r : kServices)
    if (r.service == service) return r;
  return kServices[0];
}

}  // namespace

QString serviceBaseURL(Service service) {
  const Row& r = row(service);
  QString base = QString::fromUtf8(qgetenv(r.variable));
  if (base.isEmpty()) base = QString::fromLatin1(r.address);
  while (base.endsWith('/')) base.chop(1);
  return base;
}

QString serviceDefaultURL(Service service) { return QString::fromLatin1(row(service).address); }

bool serviceOverridden(Service service) { return !qgetenv(row(service).variable).isEmpty(); }

const char* serviceOverrideVariable(Service service) { return row(service).variable; }

}  // namespace zuvo
