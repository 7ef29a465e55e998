#include "metadata/ServiceCache.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QUrl>

#include "media/BCDownloader.h"
#include "metadata/live/LiveRouting.h"
#include "platform/MadeFiles.h"

namespace zuvo {
namespace {

// File systems allow 255 bytes per name; the longest prefix and suffix around a component
// ("-4294967295-4294967295.tagchimpftc") stay well inside what this leaves.
constexpr qsizetype kMaxComponentBytes = 200;
constexpr qsizetype kDigestCharacters = 16;

const QString kTVDBSearch = QStringLiteral("%1/%2.tvdbftc");
const QString kTVDBSeries = QStringLiteral("%1/%2.tvdbftc");
const QString kTVDBBannerList = QStringLiteral("%1/%2.tvdbbanc");
const QString kTVImage = QStringLiteral("%1/TV%2.%3.%4.jpg");
const QString kMovieDBSearch = QStringLiteral("%1/%2.moviedbftc");
const QString kMovieDBRecord = QStringLiteral("%1/%2.moviedbftcinfo");
const QString kMovieImage = QStringLiteral("%1/MOVIE%2.%3.%4.jpg");
const QString kTagChimpTVSearch = QStringLiteral("%1/%2-%3-%4.tagchimpftc");
const QString kTagChimpMovieSearch = QStringLiteral("%1/%2.tagchimpftc");
const QString kTagChimpRecord = QStringLiteral("%1/%2.tagchimpbftcinfo");
const QString kTagChimpMovieCover = QStringLiteral("%1/MOVIE%2.%3.0.jpg");
const QString kTagChimpTVCover = QStringLiteral("%1/TV%2.%3.%4.jpg");
const QString kTVRageFile = QStringLiteral("%1/%2.ftc");

}  // namespace

QString cacheNameComponent(const QString& name) {
  QString safe = name;
  safe.replace(u'/', u'-').remove(QChar(u'\0'));
  if (safe.toUtf8().size() <= kMaxComponentBytes) return safe;
  const QString digest = QString::fromLatin1(
      QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(kDigestCharacters));
  const qsizetype room = kMaxComponentBytes - kDigestCharacters - 1;
  QString kept;
  qsizetype bytes = 0;
  for (qsizetype i = 0; i < safe.size();) {
    const qsizetype length = safe[i].isHighSurrogate() && i + 1 < safe.size() ? 2 : 1;
    const QString character = safe.mid(i, length);
    bytes += character.toUtf8().size();
    if (bytes > room) break;
    kept += character;
    i += length;
  }
  return kept + u'-' + digest;
}

QString PercentEscaped(const QString& text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); }

namespace cachefile {

QString tvdbSearch(const QString& cachePath, const QString& lowerCasedSeriesName) {
  return kTVDBSearch.arg(cachePath, cacheNameComponent(lowerCasedSeriesName));
}
QString tvdbSeries(const QString& cachePath, quint32 seriesID) {
  return kTVDBSeries.arg(cachePath, QString::number(seriesID));
}
QString tvdbBannerList(const QString& cachePath, quint32 seriesID) {
  return kTVDBBannerList.arg(cachePath, QString::number(seriesID));
}
QString tvImage(const QString& cachePath, quint32 showid, quint32 season, int episodeOrIndex) {
  return kTVImage.arg(cachePath, QString::number(showid), QString::number(season),
                      QString::number(episodeOrIndex));
}

QString movieDBSearch(const QString& cachePath, const QString& queryName) {
  return kMovieDBSearch.arg(cachePath, cacheNameComponent(queryName));
}
QString movieDBRecord(const QString& cachePath, qint32 movieID) {
  return kMovieDBRecord.arg(cachePath, QString::number(movieID));
}
QString movieImage(const QString& cachePath, quint32 showid, quint32 season, int index) {
  return kMovieImage.arg(cachePath, QString::number(showid), QString::number(season), QString::number(index));
}

QString tagChimpTVSearch(const QString& cachePath, const QString& queryName, quint32 season,
                         quint32 episode) {
  return kTagChimpTVSearch.arg(cachePath, cacheNameComponent(queryName), QString::number(season),
                               QString::number(episode));
}
QString tagChimpMovieSearch(const QString& cachePath, const QString& queryName) {
  return kTagChimpMovieSearch.arg(cachePath, cacheNameComponent(queryName));
}
QString tagChimpRecord(const QString& cachePath, qint32 tagChimpID) {
  return kTagChimpRecord.arg(cachePath, QString::number(tagChimpID));
}
QString tagChimpMovieCover(const QString& cachePath, const QString& seriesName, quint32 season) {
  return kTagChimpMovieCover.arg(cachePath, cacheNameComponent(seriesName), QString::number(season));
}
QString tagChimpTVCover(const QString& cachePath, const QString& seriesName, quint32 season,
                        quint32 episode) {
  return kTagChimpTVCover.arg(cachePath, cacheNameComponent(seriesName), QString::number(season),
                              QString::number(episode));
}

QString tvRageSearch(const QString& cachePath, const QString& escapedName) {
  return kTVRageFile.arg(cachePath, cacheNameComponent(escapedName));
}
QString tvRageEpisodeList(const QString& cachePath, const QString& showID) {
  return kTVRageFile.arg(cachePath, cacheNameComponent(showID));
}

}  // namespace cachefile

bool downloadIntoCache(const QString& url, const QString& file, double timeout, const Reporter& reporter,
                       qint64 mostBytes) {
  // A request to an old interface is answered by today's services unless its own address
  // variable points it somewhere; nothing then goes to the old host.
  if (const std::optional<bool> answered =
          live::answerFromLiveServices(url, file, timeout, reporter, mostBytes);
      !answered) {
    BCDownloader downloader;
    downloader.setMyreporter(reporter);
    downloader.downloadFileFromURL(url, file, timeout, mostBytes);
  }
  const QFileInfo written(file);
  if (!written.exists()) return false;
  // The cache folder may be the user's: the expiry deletes only what the record names.
  madefiles::add(written.absolutePath(), {written.fileName()});
  return true;
}

void logTo(const Reporter& reporter, const QString& message, quint32 level) {
  if (reporter) reporter->report(message, level);
}

}  // namespace zuvo
