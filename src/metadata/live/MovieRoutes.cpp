#include "metadata/live/MovieRoutes.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QUrl>
#include <mutex>

#include "media/ContentRatings.h"
#include "metadata/ServiceCache.h"
#include "metadata/live/LiveKeys.h"
#include "metadata/live/MovieAnswers.h"

namespace zuvo::live {
namespace {

// The pieces of "/2.1/Movie.search/LANG/xml/KEY/NAME" and "…/Movie.getInfo/…/ID".
constexpr qsizetype kLanguagePiece = 2;
constexpr qsizetype kSubjectPiece = 5;
constexpr qsizetype kMovieSearchLimit = 20;
constexpr qsizetype kEpisodeSearchLimit = 200;
// TMDB's configuration changes rarely; its documentation asks to keep it for days.
constexpr qint64 kConfigurationSeconds = 3 * 24 * 3600;

const QString kNotForm = QStringLiteral("%1 sent an answer that is not JSON");
const QString kNoChapterTitles = QStringLiteral(
    "tagChimp's chapter titles have no live source: the iTunes Search API has none, so chapter lists stay "
    "empty");

QString tmdb() { return serviceBaseURL(Service::LiveTMDB); }
QString itunes() { return serviceBaseURL(Service::LiveITunes); }

// The two-letter country the ratings are asked for ("US" when the setting and the locale
// name none).
QString ratingsCountry() {
  const QString country = CurrentRatingsCountry();
  return country.size() == 2 ? country.toUpper() : QStringLiteral("US");
}

// The old clients ask in two-letter codes; TMDB takes them as they are.
QString requestLanguage(const LiveCall& call) {
  const QStringList pieces = call.pieces();
  const QString language = pieces.size() > kLanguagePiece ? pieces[kLanguagePiece] : QString();
  return language.isEmpty() ? QStringLiteral("en") : language;
}

// The posters asked for: the language's own, English ones and those without text.
QString posterLanguages(const QString& language) {
  QStringList languages{PercentEscaped(language.left(2).toLower()), QStringLiteral("en"),
                        QStringLiteral("null")};
  languages.removeDuplicates();
  return languages.join(u',');
}

QString subject(const LiveCall& call) {
  const QStringList pieces = call.pieces();
  return pieces.size() > kSubjectPiece ? QUrl::fromPercentEncoding(pieces[kSubjectPiece].toUtf8())
                                       : QString();
}

// A GET below TMDB's base with the user's key; the answer, or nothing (logged). A 401 is the
// key refused.
std::optional<QJsonDocument> tmdbAnswer(LiveSession& session, const QString& pathAndQuery) {
  const TMDBAuthorization authorization = tmdbAuthorization(liveKey(LiveKey::TheMovieDB));
  QString url = tmdb() + pathAndQuery;
  if (!authorization.query.isEmpty()) url += (url.contains(u'?') ? u'&' : u'?') + authorization.query;
  const LiveReply reply = session.send(LiveHost::TMDB, "GET", url, authorization.headers);
  if (reply.outcome == LiveReply::Outcome::Answered && reply.status == 401) {
    keyRefused(session, LiveHost::TMDB, LiveKey::TheMovieDB);
    return std::nullopt;
  }
  if (reply.outcome != LiveReply::Outcome::Answered || reply.status >= 300) {
    session.failReply(LiveHost::TMDB, reply);
    return std::nullopt;
  }
  QJsonParseError error;
  QJsonDocument answer = QJsonDocument::fromJson(reply.body, &error);
  if (error.error != QJsonParseError::NoError || answer.isNull()) {
    session.fail(kNotForm.arg(hostName(LiveHost::TMDB)));
    return std::nullopt;
  }
  return answer;
}

struct Configuration {
  std::mutex lock;
  QString base;  // the TMDB address it was learnt from
  QString images;
  QDateTime learnt;
};
Configuration& configuration() {
  static Configuration c;
  return c;
}

// The base of TMDB's image addresses: the variable's, else the one its configuration
// names, learnt once for some days.
std::optional<QString> imageBase(LiveSession& session) {
  if (serviceOverridden(Service::LiveTMDBImages)) return serviceBaseURL(Service::LiveTMDBImages);
  Configuration& c = configuration();
  {
    const std::lock_guard<std::mutex> guard(c.lock);
    if (c.base == tmdb() && !c.images.isEmpty() &&
        c.learnt.secsTo(QDateTime::currentDateTimeUtc()) < kConfigurationSeconds)
      return c.images;
  }
  const std::optional<QJsonDocument> answer = tmdbAnswer(session, QStringLiteral("/configuration"));
  if (!answer) return std::nullopt;
  const std::optional<QString> images = tmdbImageBase(*answer);
  if (!images) {
    session.fail(kNotForm.arg(hostName(LiveHost::TMDB)));
    return std::nullopt;
  }
  const std::lock_guard<std::mutex> guard(c.lock);
  c.base = tmdb();
  c.images = *images;
  c.learnt = QDateTime::currentDateTimeUtc();
  return *images;
}

// Writes the converted answer, or logs why there is none.
void writeConverted(LiveCall& call, LiveHost host, const CacheText& converted) {
  if (converted.lines)
    call.write(*converted.lines);
  else
    call.session.fail(QStringLiteral("%1 sent an answer %2").arg(hostName(host), converted.failure));
}

std::optional<QJsonDocument> iTunesSearch(LiveSession& session, const QString& term, const QString& media,
                                          const QString& entity, const QString& attribute, qsizetype limit) {
  QString url = itunes() + QStringLiteral("/search?term=") + PercentEscaped(term) +
                QStringLiteral("&media=") + media + QStringLiteral("&entity=") + entity;
  if (!attribute.isEmpty()) url += QStringLiteral("&attribute=") + attribute;
  url += QStringLiteral("&country=%1&limit=%2").arg(ratingsCountry()).arg(limit);
  return session.json(LiveHost::ITunes, url);
}

std::optional<QJsonDocument> iTunesLookup(LiveSession& session, const QString& id) {
  return session.json(
      LiveHost::ITunes,
      itunes() + QStringLiteral("/lookup?id=%1&country=%2").arg(PercentEscaped(id), ratingsCountry()));
}

bool haveTMDBKey() { return !liveKey(LiveKey::TheMovieDB).isEmpty(); }

// The iTunes Store's movie ids have nine or ten digits; TMDB's are far below (about 1.4
// million in 2026). A search cached before a key was set names iTunes ids: their records
// stay the iTunes Store's, or TMDB would answer with another movie or none.
constexpr qint64 kFirstITunesMovieId = 100'000'000;
bool isITunesMovieId(const QString& id) {
  bool ok = false;
  const qint64 value = id.toLongLong(&ok);
  return ok && value >= kFirstITunesMovieId;
}

}  // namespace

TMDBAuthorization tmdbAuthorization(const QString& key) {
  if (key.isEmpty()) return {};
  // A read-access token is a JSON web token: three dot-separated parts, far longer than a
  // v3 key's 32 hexadecimal digits.
  if (key.count(u'.') == 2) return {{{"Authorization", "Bearer " + key.toUtf8()}}, {}};
  return {{}, QStringLiteral("api_key=") + PercentEscaped(key)};
}

void forgetTMDBConfiguration() {
  Configuration& c = configuration();
  const std::lock_guard<std::mutex> guard(c.lock);
  c.images.clear();
}

void answerMovieDBSearch(LiveCall& call) {
  const QString name = subject(call);
  // A name with nothing left after cleaning finds nothing.
  if (name.trimmed().isEmpty()) {
    call.write(*movieDBSearchFromTMDB(QJsonDocument::fromJson(R"({"results":[]})")).lines);
    return;
  }
  if (haveTMDBKey()) {
    const auto answer =
        tmdbAnswer(call.session, QStringLiteral("/search/movie?query=%1&language=%2&page=1")
                                     .arg(PercentEscaped(name), PercentEscaped(requestLanguage(call))));
    if (answer) writeConverted(call, LiveHost::TMDB, movieDBSearchFromTMDB(*answer));
    return;
  }
  const auto answer = iTunesSearch(call.session, name, QStringLiteral("movie"), QStringLiteral("movie"), {},
                                   kMovieSearchLimit);
  if (answer) writeConverted(call, LiveHost::ITunes, movieDBSearchFromITunes(*answer));
}

void answerMovieDBRecord(LiveCall& call) {
  const QString id = subject(call);
  if (haveTMDBKey() && !isITunesMovieId(id)) {
    const std::optional<QString> images = imageBase(call.session);
    if (!images) return;
    const QString language = PercentEscaped(requestLanguage(call));
    const auto answer = tmdbAnswer(
        call.session, QStringLiteral("/movie/%1?language=%2&append_to_response=credits,release_dates,images"
                                     "&include_image_language=%3")
                          .arg(PercentEscaped(id), language, posterLanguages(requestLanguage(call))));
    if (answer)
      writeConverted(call, LiveHost::TMDB,
                     movieDBRecordFromTMDB(*answer, *images, requestLanguage(call), ratingsCountry()));
    return;
  }
  const auto answer = iTunesLookup(call.session, id);
  if (answer) writeConverted(call, LiveHost::ITunes, movieDBRecordFromITunes(*answer));
}

void answerTagChimp(LiveCall& call) {
  const QString type = call.value(QStringLiteral("type"));
  if (type == QLatin1String("lookup")) {
    static std::once_flag told;
    std::call_once(told, [&] { call.session.note(kNoChapterTitles, 3); });
    const auto answer = iTunesLookup(call.session, call.value(QStringLiteral("id")));
    if (answer) writeConverted(call, LiveHost::ITunes, tagChimpRecordFromITunes(*answer));
    return;
  }
  const QString title = call.value(QStringLiteral("title"));
  if (call.value(QStringLiteral("videoKind")) == QLatin1String("TVShow")) {
    const auto answer =
        iTunesSearch(call.session, title, QStringLiteral("tvShow"), QStringLiteral("tvEpisode"),
                     QStringLiteral("showTerm"), kEpisodeSearchLimit);
    if (answer) writeConverted(call, LiveHost::ITunes, tagChimpTVSearchFromITunes(*answer));
    return;
  }
  const auto answer = iTunesSearch(call.session, title, QStringLiteral("movie"), QStringLiteral("movie"), {},
                                   kMovieSearchLimit);
  if (answer) writeConverted(call, LiveHost::ITunes, tagChimpMovieSearchFromITunes(*answer));
}

}  // namespace zuvo::live
