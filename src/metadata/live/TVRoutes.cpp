#include "metadata/live/TVRoutes.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QMutex>
#include <algorithm>

#include "media/ContentRatings.h"
#include "media/LanguageRecord.h"
#include "metadata/ServiceCache.h"
#include "metadata/live/LiveText.h"
#include "metadata/live/TheTVDB4.h"

namespace zuvo::live {
namespace {

const QString kUnknownShow = QStringLiteral("%1 knows no show with TheTVDB id %2");
const QString kNoSeriesID = QStringLiteral("The request names no series id: %1");

QString tvmaze() { return serviceBaseURL(Service::LiveTVmaze); }

QString text(const QJsonObject& object, const char* key) {
  return jsonText(object.value(QLatin1String(key)));
}
int number(const QJsonObject& object, const char* key, int fallback = 0) {
  const QJsonValue value = object.value(QLatin1String(key));
  return value.isDouble() ? value.toInt(fallback) : fallback;
}

// ---- the series as the cache files need it, whichever service gave it

struct Episode {
  int season = 0;
  int number = 0;
  QString name;
  QString aired;
  QString overview;
};

struct Series {
  qint32 id = 0;
  QString name;
  QString overview;
  QStringList actors;
  QStringList genres;
  QString rating;
  QList<Episode> episodes;
};

struct Artwork {
  QString address;
  int season = -1;  // -1 for the series' own
  int rating = 0;
};

struct Candidate {
  qint32 id = 0;
  QString name;
  QString firstAired;
};

QStringList searchLines(const QList<Candidate>& candidates) {
  QStringList lines{QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>"), QStringLiteral("<Data>")};
  for (const Candidate& c : candidates) {
    lines << QStringLiteral("<Series>") << xmlElement("seriesid", QString::number(c.id))
          << xmlElement("SeriesName", c.name);
    if (!c.firstAired.isEmpty()) lines << xmlElement("FirstAired", c.firstAired);
    lines << QStringLiteral("</Series>");
  }
  lines << QStringLiteral("</Data>");
  return lines;
}

QStringList recordLines(const Series& series) {
  QStringList lines{QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>"),
                    QStringLiteral("<Data>"),
                    QStringLiteral("<Series>"),
                    xmlElement("id", QString::number(series.id)),
                    xmlElement("SeriesName", series.name),
                    xmlElement("Actors", pipeList(series.actors)),
                    xmlElement("Genre", pipeList(series.genres))};
  // Read by nothing but kept as the old record had it; every episode's own overview follows.
  if (!series.overview.isEmpty()) lines << xmlElement("Overview", series.overview);
  // The reader carries the rating into every episode; without one, none is written.
  if (!series.rating.isEmpty()) lines << xmlElement("ContentRating", series.rating);
  lines << QStringLiteral("</Series>");
  for (const Episode& e : series.episodes) {
    lines << QStringLiteral("<Episode>") << xmlElement("EpisodeNumber", QString::number(e.number))
          << xmlElement("SeasonNumber", QString::number(e.season)) << xmlElement("EpisodeName", e.name)
          << xmlElement("FirstAired", e.aired) << xmlElement("Overview", e.overview)
          << QStringLiteral("</Episode>");
  }
  lines << QStringLiteral("</Data>");
  return lines;
}

QStringList bannerLines(QList<Artwork> artworks) {
  std::stable_sort(artworks.begin(), artworks.end(),
                   [](const Artwork& a, const Artwork& b) { return a.rating > b.rating; });
  QStringList lines{QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>"),
                    QStringLiteral("<Banners>")};
  int id = 0;
  for (const Artwork& a : artworks) {
    if (!isFetchableAddress(a.address)) continue;
    lines << QStringLiteral("<Banner>") << xmlElement("id", QString::number(++id))
          << xmlElement("BannerPath", a.address)
          << xmlElement("BannerType", a.season < 0 ? QStringLiteral("poster") : QStringLiteral("season"));
    if (a.season >= 0) lines << xmlElement("Season", QString::number(a.season));
    lines << xmlElement("Rating", QString::number(a.rating)) << QStringLiteral("</Banner>");
  }
  lines << QStringLiteral("</Banners>");
  return lines;
}

// The series id the old request names (its third path piece for records, fourth for banners).
std::optional<qint32> seriesIDIn(const LiveCall& call, qsizetype piece) {
  const QStringList pieces = call.pieces();
  if (piece >= pieces.size()) return std::nullopt;
  return jsonSeriesID(QJsonValue(pieces[piece]));
}

// ---- TVmaze

std::optional<QJsonArray> tvmazeSearch(LiveSession& session, const QString& query) {
  const auto answer =
      session.json(LiveHost::TVmaze, tvmaze() + QStringLiteral("/search/shows?q=") + PercentEscaped(query));
  if (!answer) return std::nullopt;
  return answer->array();
}

QList<Candidate> tvmazeCandidates(const QJsonArray& results) {
  QList<Candidate> candidates;
  for (const QJsonValue& result : results) {
    const QJsonObject show = result.toObject().value(QStringLiteral("show")).toObject();
    const auto id =
        jsonSeriesID(show.value(QStringLiteral("externals")).toObject().value(QStringLiteral("thetvdb")));
    if (!id) continue;
    candidates.append({*id, text(show, "name"), text(show, "premiered")});
  }
  return candidates;
}

// The TVmaze show of a TheTVDB id, asked once per run.
std::optional<QJsonObject> tvmazeShow(LiveSession& session, qint32 tvdbID) {
  static QMutex lock;
  static QMap<QPair<QString, qint32>, QJsonObject> known;
  const QPair<QString, qint32> key{tvmaze(), tvdbID};
  {
    QMutexLocker guard(&lock);
    if (known.contains(key)) return known.value(key);
  }
  bool notFound = false;
  const auto answer = session.json(
      LiveHost::TVmaze, tvmaze() + QStringLiteral("/lookup/shows?thetvdb=%1").arg(tvdbID), {}, {}, &notFound);
  if (notFound) session.fail(kUnknownShow.arg(hostName(LiveHost::TVmaze)).arg(tvdbID));
  if (!answer) return std::nullopt;
  const QJsonObject show = answer->object();
  QMutexLocker guard(&lock);
  known.insert(key, show);
  return show;
}

std::optional<QJsonArray> tvmazeList(LiveSession& session, const QJsonObject& show, const char* what) {
  const auto answer = session.json(
      LiveHost::TVmaze,
      tvmaze() + QStringLiteral("/shows/%1/%2").arg(number(show, "id")).arg(QLatin1String(what)));
  if (!answer) return std::nullopt;
  return answer->array();
}

QList<Episode> tvmazeEpisodes(const QJsonArray& list) {
  QList<Episode> episodes;
  for (const QJsonValue& value : list) {
    const QJsonObject e = value.toObject();
    // Specials carry no number; the clients have no place for them.
    if (!e.value(QStringLiteral("number")).isDouble()) continue;
    episodes.append({number(e, "season"), number(e, "number"), text(e, "name"), text(e, "airdate"),
                     plainTextFromHTML(text(e, "summary"))});
  }
  return episodes;
}

std::optional<Series> tvmazeSeries(LiveSession& session, qint32 tvdbID) {
  const auto show = tvmazeShow(session, tvdbID);
  if (!show) return std::nullopt;
  const auto episodes = tvmazeList(session, *show, "episodes");
  if (!episodes) return std::nullopt;
  const auto cast = tvmazeList(session, *show, "cast");
  if (!cast) return std::nullopt;
  Series series;
  series.id = tvdbID;
  series.name = text(*show, "name");
  for (const QJsonValue& genre : show->value(QStringLiteral("genres")).toArray())
    series.genres << genre.toString();
  for (const QJsonValue& member : *cast) {
    const QString name = text(member.toObject().value(QStringLiteral("person")).toObject(), "name");
    if (!name.isEmpty() && !series.actors.contains(name)) series.actors << name;
  }
  series.episodes = tvmazeEpisodes(*episodes);
  return series;
}

QString imageOf(const QJsonObject& object) {
  const QJsonObject image = object.value(QStringLiteral("image")).toObject();
  const QString original = text(image, "original");
  return original.isEmpty() ? text(image, "medium") : original;
}

std::optional<QList<Artwork>> tvmazeArtwork(LiveSession& session, qint32 tvdbID) {
  const auto show = tvmazeShow(session, tvdbID);
  if (!show) return std::nullopt;
  const auto seasons = tvmazeList(session, *show, "seasons");
  if (!seasons) return std::nullopt;
  QList<Artwork> artworks;
  for (const QJsonValue& value : *seasons) {
    const QJsonObject season = value.toObject();
    if (const QString image = imageOf(season); !image.isEmpty())
      artworks.append({image, number(season, "number"), 10});
  }
  if (const QString poster = imageOf(*show); !poster.isEmpty()) artworks.append({poster, -1, 10});
  return artworks;
}

// ---- TheTVDB v4

// The three-letter country TheTVDB names ratings by, for the ratings country in force.
QString ratingsCountry() {
  static const QMap<QString, QString> alpha3 = {
      {"US", "usa"}, {"GB", "gbr"}, {"DE", "deu"}, {"FR", "fra"}, {"AU", "aus"}, {"CA", "can"},
      {"NZ", "nzl"}, {"IE", "irl"}, {"NL", "nld"}, {"BE", "bel"}, {"AT", "aut"}, {"CH", "che"},
      {"IT", "ita"}, {"ES", "esp"}, {"PT", "prt"}, {"SE", "swe"}, {"NO", "nor"}, {"DK", "dnk"},
      {"FI", "fin"}, {"PL", "pol"}, {"BR", "bra"}, {"MX", "mex"}, {"AR", "arg"}, {"JP", "jpn"},
      {"KR", "kor"}, {"IN", "ind"}, {"RU", "rus"}, {"ZA", "zaf"}};
  return alpha3.value(CurrentRatingsCountry().toUpper(), QStringLiteral("usa"));
}

// A search hit's names: its own (in the show's original language), its translations by
// three-letter language, and its aliases.
QStringList hitNames(const QJsonObject& hit) {
  QStringList names{text(hit, "name")};
  const QJsonObject translations = hit.value(QStringLiteral("translations")).toObject();
  for (auto it = translations.begin(); it != translations.end(); ++it) names << jsonText(it.value());
  for (const QJsonValue& alias : hit.value(QStringLiteral("aliases")).toArray())
    names << (alias.isObject() ? text(alias.toObject(), "name") : jsonText(alias));
  return names;
}

// The name a hit goes by in the search answer: the one the user asked by, when the query is
// one of its names, so that the client's exact-name test finds it; else its name in
// `language`; else its original one.
QString candidateName(const QJsonObject& hit, const QString& query, const QString& language) {
  for (const QString& name : hitNames(hit))
    if (!name.isEmpty() && name.compare(query, Qt::CaseInsensitive) == 0) return name;
  const QString translated = jsonText(hit.value(QStringLiteral("translations")).toObject().value(language));
  return translated.isEmpty() ? text(hit, "name") : translated;
}

std::optional<QList<Candidate>> theTVDBCandidates(LiveSession& session, const QString& query) {
  const auto data =
      theTVDBData(session, QStringLiteral("/search?query=%1&type=series").arg(PercentEscaped(query)));
  if (!data) return std::nullopt;
  // The search request names no language: the user's own, as the start-up found it.
  const QString language = threeLetterLanguage(userLanguageName());
  QList<Candidate> candidates;
  for (const QJsonValue& value : data->toArray()) {
    const QJsonObject hit = value.toObject();
    const auto id = jsonSeriesID(hit.value(QStringLiteral("tvdb_id")));
    if (!id) continue;
    QString firstAired = text(hit, "first_air_time");
    if (firstAired.isEmpty()) firstAired = text(hit, "year");
    candidates.append({*id, candidateName(hit, query, language), firstAired});
  }
  return candidates;
}

std::optional<QJsonObject> theTVDBExtended(LiveSession& session, qint32 id) {
  const auto data = theTVDBData(session, QStringLiteral("/series/%1/extended").arg(id));
  if (!data) return std::nullopt;
  return data->toObject();
}

std::optional<Series> theTVDBSeries(LiveSession& session, qint32 id, const QString& language) {
  const auto extended = theTVDBExtended(session, id);
  if (!extended) return std::nullopt;
  Series series;
  series.id = id;
  // The record's name and overview are in the show's original language; the client asked
  // for its own, which only a translation has.
  series.name = text(*extended, "name");
  series.overview = text(*extended, "overview");
  const QJsonValue translated = extended->value(QStringLiteral("nameTranslations"));
  const bool mayHaveTranslation =
      text(*extended, "originalLanguage") != language &&
      (!translated.isArray() || translated.toArray().contains(QJsonValue(language)));
  if (mayHaveTranslation) {
    bool none = false;
    const auto translation =
        theTVDBData(session, QStringLiteral("/series/%1/translations/%2").arg(id).arg(language), &none);
    if (!translation && !none) return std::nullopt;
    if (translation) {
      if (const QString name = text(translation->toObject(), "name"); !name.isEmpty()) series.name = name;
      if (const QString overview = text(translation->toObject(), "overview"); !overview.isEmpty())
        series.overview = overview;
    }
  }
  for (const QJsonValue& genre : extended->value(QStringLiteral("genres")).toArray())
    series.genres << text(genre.toObject(), "name");
  QList<QJsonObject> actors;
  for (const QJsonValue& value : extended->value(QStringLiteral("characters")).toArray()) {
    const QJsonObject character = value.toObject();
    if (text(character, "peopleType") == u"Actor" || number(character, "type") == 3) actors << character;
  }
  std::stable_sort(actors.begin(), actors.end(), [](const QJsonObject& a, const QJsonObject& b) {
    return number(a, "sort") < number(b, "sort");
  });
  for (const QJsonObject& actor : actors) {
    const QString name = text(actor, "personName");
    if (!name.isEmpty() && !series.actors.contains(name)) series.actors << name;
  }
  QString us;
  const QString wanted = ratingsCountry();
  for (const QJsonValue& value : extended->value(QStringLiteral("contentRatings")).toArray()) {
    const QJsonObject rating = value.toObject();
    const QString country = text(rating, "country").toLower();
    if (country == wanted && series.rating.isEmpty()) series.rating = text(rating, "name");
    if (country == u"usa" && us.isEmpty()) us = text(rating, "name");
  }
  if (series.rating.isEmpty()) series.rating = us;

  // Every page of the list (500 episodes each); the last has no next link.
  constexpr int kMostPages = 1000;
  for (int page = 0; page < kMostPages; ++page) {
    const auto answer = theTVDBAnswer(
        session, QStringLiteral("/series/%1/episodes/default/%2?page=%3").arg(id).arg(language).arg(page));
    if (!answer) return std::nullopt;
    const QJsonArray episodes =
        answer->value(QStringLiteral("data")).toObject().value(QStringLiteral("episodes")).toArray();
    for (const QJsonValue& value : episodes) {
      const QJsonObject e = value.toObject();
      if (!e.value(QStringLiteral("number")).isDouble()) continue;
      series.episodes.append({number(e, "seasonNumber"), number(e, "number"), text(e, "name"),
                              text(e, "aired"), text(e, "overview")});
    }
    const QJsonValue next = answer->value(QStringLiteral("links")).toObject().value(QStringLiteral("next"));
    if (episodes.isEmpty() || next.isNull() || next.isUndefined() || jsonText(next).isEmpty()) break;
  }
  return series;
}

std::optional<QList<Artwork>> theTVDBArtwork(LiveSession& session, qint32 id) {
  const auto extended = theTVDBExtended(session, id);
  if (!extended) return std::nullopt;
  QMap<qint64, int> seasonNumbers;
  QList<Artwork> artworks;
  for (const QJsonValue& value : extended->value(QStringLiteral("seasons")).toArray()) {
    const QJsonObject season = value.toObject();
    const QJsonObject type = season.value(QStringLiteral("type")).toObject();
    // Only the aired order's seasons, when the answer says which order a season is of.
    if (!type.isEmpty() && text(type, "type") != u"official") continue;
    seasonNumbers.insert(qint64(season.value(QStringLiteral("id")).toDouble()), number(season, "number"));
    if (const QString image = text(season, "image"); !image.isEmpty())
      artworks.append({image, number(season, "number"), 0});
  }
  for (const QJsonValue& value : extended->value(QStringLiteral("artworks")).toArray()) {
    const QJsonObject artwork = value.toObject();
    const int type = number(artwork, "type");
    const QString image = text(artwork, "image");
    const int score = int(std::clamp<double>(artwork.value(QStringLiteral("score")).toDouble(), 0, 1e9));
    if (image.isEmpty()) continue;
    if (type == 2) artworks.append({image, -1, score});
    const qint64 seasonID = qint64(artwork.value(QStringLiteral("seasonId")).toDouble());
    if (type == 7 && seasonNumbers.contains(seasonID))
      artworks.append({image, seasonNumbers.value(seasonID), score});
  }
  if (artworks.isEmpty()) {
    if (const QString poster = text(*extended, "image"); !poster.isEmpty()) artworks.append({poster, -1, 0});
  }
  return artworks;
}

}  // namespace

QString threeLetterLanguage(const QString& language) {
  const auto record = LanguageRecord::LanguageWithString(language);
  return record && record->threechar().size() == 3 ? record->threechar() : QStringLiteral("eng");
}

void answerTheTVDBSearch(LiveCall& call) {
  const QString query = call.value(QStringLiteral("seriesname"));
  std::optional<QList<Candidate>> candidates;
  if (haveTheTVDBKey()) {
    candidates = theTVDBCandidates(call.session, query);
  } else if (const auto results = tvmazeSearch(call.session, query)) {
    candidates = tvmazeCandidates(*results);
  }
  if (candidates) call.write(searchLines(*candidates));
}

void answerTheTVDBRecord(LiveCall& call) {
  const auto id = seriesIDIn(call, 2);
  if (!id) {
    call.session.fail(kNoSeriesID.arg(call.path));
    return;
  }
  const QStringList pieces = call.pieces();
  QString language = pieces.size() > 4 ? pieces[4] : QStringLiteral("en");
  if (language.endsWith(QLatin1String(".xml"))) language.chop(4);
  const auto series = haveTheTVDBKey() ? theTVDBSeries(call.session, *id, threeLetterLanguage(language))
                                       : tvmazeSeries(call.session, *id);
  if (series) call.write(recordLines(*series));
}

void answerTheTVDBBannerList(LiveCall& call) {
  const auto id = seriesIDIn(call, 3);
  if (!id) {
    call.session.fail(kNoSeriesID.arg(call.path));
    return;
  }
  const auto artworks =
      haveTheTVDBKey() ? theTVDBArtwork(call.session, *id) : tvmazeArtwork(call.session, *id);
  if (artworks) call.write(bannerLines(*artworks));
}

void answerTheTVDBBanner(LiveCall& call) {
  // The banner list wrote the address as XML text; the client takes it as it stands.
  const QString address =
      call.asked.mid(call.base.size() + 1).replace(QLatin1String("&amp;"), QLatin1String("&"));
  call.session.picture(address, call.file, call.mostBytes);
}

void answerTVRageSearch(LiveCall& call) {
  const auto results = tvmazeSearch(call.session, call.value(QStringLiteral("show")));
  if (!results) return;
  QStringList lines{QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>"),
                    QStringLiteral("<Results>")};
  for (const Candidate& c : tvmazeCandidates(*results))
    lines << QStringLiteral("<show>") << xmlElement("showid", QString::number(c.id))
          << xmlElement("name", c.name) << QStringLiteral("</show>");
  lines << QStringLiteral("</Results>");
  call.write(lines);
}

void answerTVRageEpisodeList(LiveCall& call) {
  QStringList lines{QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>"), QStringLiteral("<Show>")};
  // The client asks for id 0 when its search found nothing: no hits, without asking.
  const auto id = jsonSeriesID(QJsonValue(call.value(QStringLiteral("sid"))));
  if (!id) {
    call.write(lines << QStringLiteral("</Show>"));
    return;
  }
  const auto show = tvmazeShow(call.session, *id);
  if (!show) return;
  const auto list = tvmazeList(call.session, *show, "episodes");
  if (!list) return;
  lines << xmlElement("name", text(*show, "name")) << QStringLiteral("<Episodelist>");
  int season = -1;
  int running = 0;
  for (const Episode& e : tvmazeEpisodes(*list)) {
    if (e.season != season) {
      if (season >= 0) lines << QStringLiteral("</Season>");
      season = e.season;
      lines << QStringLiteral("<Season no=\"%1\">").arg(season);
    }
    lines << QStringLiteral("<episode>") + xmlElement("epnum", QString::number(++running)) +
                 xmlElement("seasonnum", QStringLiteral("%1").arg(e.number, 2, 10, QLatin1Char('0'))) +
                 xmlElement("title", e.name) + QStringLiteral("</episode>");
  }
  if (season >= 0) lines << QStringLiteral("</Season>");
  lines << QStringLiteral("</Episodelist>") << QStringLiteral("</Show>");
  call.write(lines);
}

}  // namespace zuvo::live
