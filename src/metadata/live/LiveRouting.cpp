#include "metadata/live/LiveRouting.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>
#include <algorithm>
#include <iterator>

#include "media/BCDownloader.h"
#include "metadata/live/LiveText.h"
#include "metadata/live/MovieRoutes.h"
#include "metadata/live/TVRoutes.h"

namespace zuvo::live {
namespace {

// Looked up in order: the first row of the request's service whose prefix starts its path
// (and whose suffix, when it has one, ends it).
constexpr LiveRoute kRoutes[] = {
    {Service::TheTVDB, "/api/GetSeries.php", answerTheTVDBSearch},
    {Service::TheTVDB, "/data/series/", answerTheTVDBRecord},
    {Service::TheTVDB, "/api/", answerTheTVDBBannerList, "/banners.xml"},
    {Service::TheTVDBBanners, "/", answerTheTVDBBanner},
    {Service::TVRage, "/feeds/search.php", answerTVRageSearch},
    {Service::TVRage, "/feeds/episode_list.php", answerTVRageEpisodeList},
    {Service::TheMovieDB, "/2.1/Movie.search/", answerMovieDBSearch},
    {Service::TheMovieDB, "/2.1/Movie.getInfo/", answerMovieDBRecord},
    {Service::TagChimp, "/ape/search.php", answerTagChimp},
};

// The old interfaces, the banner host before the TheTVDB one it lies under.
constexpr Service kOldInterfaces[] = {Service::TheTVDBBanners, Service::TheTVDB, Service::TheMovieDB,
                                      Service::TagChimp, Service::TVRage};

const QString kNoRoute = QStringLiteral("No live service answers %1");
const QString kCannotWrite = QStringLiteral("[RED] Download failed cannot write %1 : %2");

}  // namespace

bool LiveCall::write(const QStringList& lines) const {
  QSaveFile out(file);
  const QByteArray bytes = documentBytes(lines);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
    session.fail(kCannotWrite.arg(file, out.errorString()));
    return false;
  }
  return true;
}

QStringList LiveCall::pieces() const { return path.split(u'/', Qt::SkipEmptyParts); }

QString LiveCall::value(const QString& key) const {
  QString text = query.queryItemValue(key, QUrl::FullyDecoded);
  if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"')) text = text.mid(1, text.size() - 2);
  return text;
}

bool translated(Service service) { return !serviceOverridden(service); }

std::optional<bool> answerFromLiveServices(const QString& url, const QString& file, double timeout,
                                           const Reporter& reporter, qint64 mostBytes) {
  for (Service service : kOldInterfaces) {
    if (!translated(service)) continue;
    const QString base = serviceDefaultURL(service);
    if (!url.startsWith(base + u'/') && url != base) continue;
    const QString rest = url.mid(base.size());
    const qsizetype mark = rest.indexOf(u'?');
    LiveSession session(timeout, reporter);
    LiveCall call{url,
                  base,
                  mark < 0 ? rest : rest.left(mark),
                  QUrlQuery(mark < 0 ? QString() : rest.mid(mark + 1)),
                  file,
                  mostBytes,
                  session};
    const auto route = std::find_if(std::begin(kRoutes), std::end(kRoutes), [&](const LiveRoute& r) {
      return r.service == service && call.path.startsWith(QLatin1String(r.pathPrefix)) &&
             (!r.pathSuffix || call.path.endsWith(QLatin1String(r.pathSuffix)));
    });
    if (route != std::end(kRoutes))
      route->answer(call);
    else
      session.fail(kNoRoute.arg(withoutKeys(url)));
    const bool answered = QFileInfo::exists(file);
    // The look-up says in words which service it asked and why that gave no answer.
    const QString asked = session.askedService();
    noteDownloadOutcome({asked.isEmpty() ? QUrl(url).host() : asked, answered ? QString()
                                                                     : session.why().isEmpty()
                                                                         ? QStringLiteral("gave no answer")
                                                                         : session.why()});
    return answered;
  }
  return std::nullopt;
}

}  // namespace zuvo::live
