#include "metadata/live/MovieAnswers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <limits>

#include "metadata/live/LiveText.h"

namespace zuvo::live {
namespace {

const QString kXMLDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
const QString kNotInForm = QStringLiteral("in a form not expected");
// Theatrical release, the one whose certification a movie's tags carry.
constexpr int kTheatricalRelease = 3;
constexpr const char* kFallbackCountry = "US";
// iTunes artwork is square; the larger form it serves.
constexpr int kITunesArtworkSide = 600;

std::optional<QJsonObject> jsonObject(const QJsonDocument& answer) {
  if (!answer.isObject()) return std::nullopt;
  return answer.object();
}

// An address as the readers take it: no spaces or quotes, nothing they would unescape.
std::optional<QString> addressValue(const QString& address) {
  const QUrl url(address);
  if (address.isEmpty() || !url.isValid()) return std::nullopt;
  return url.toString(QUrl::FullyEncoded);
}

QString attribute(const char* name, const QString& value) {
  return QStringLiteral(" %1=\"%2\"").arg(QLatin1String(name), value);
}

// "2018-10-18T07:00:00Z" gives "2018-10-18".
QString dateOnly(const QString& date) { return date.left(10); }

// iTunes names a movie that shares its title with an older one "A Star Is Born (2018)";
// the year of its own release is not part of the title the look-up compares.
QString iTunesTitle(const QJsonObject& result) {
  static const QRegularExpression yearSuffix(QStringLiteral("^(.*\\S)\\s+\\((\\d{4})\\)$"));
  const QString title = result.value(QLatin1String("trackName")).toString();
  const QRegularExpressionMatch match = yearSuffix.match(title);
  if (match.hasMatch() && match.captured(2) == result.value(QLatin1String("releaseDate")).toString().left(4))
    return match.captured(1);
  return title;
}

// "Under the Dome, Season 2" gives 2; a collection that names no season is the show's first.
int iTunesSeason(const QString& collectionName) {
  static const QRegularExpression season(QStringLiteral("\\bSeason (\\d+)\\b"));
  const QRegularExpressionMatch match = season.match(collectionName);
  return match.hasMatch() ? match.captured(1).toInt() : 1;
}

std::optional<QJsonArray> resultsOf(const QJsonDocument& answer, const char* field) {
  const std::optional<QJsonObject> object = jsonObject(answer);
  if (!object || !object->value(QLatin1String(field)).isArray()) return std::nullopt;
  return object->value(QLatin1String(field)).toArray();
}

// TheMovieDB's search file: one movie block per candidate (an empty list when none).
QStringList movieDBSearchFile(const QList<std::pair<QString, qint32>>& movies) {
  QStringList lines{kXMLDeclaration, QStringLiteral("<OpenSearchDescription>"), QStringLiteral("<movies>")};
  for (const auto& [name, id] : movies)
    lines << QStringLiteral("<movie>") << xmlElement("name", name) << xmlElement("id", QString::number(id))
          << QStringLiteral("</movie>");
  lines << QStringLiteral("</movies>") << QStringLiteral("</OpenSearchDescription>");
  return lines;
}

struct MovieRecord {
  qint32 id = 0;
  QString name, overview, certification, released;
  QStringList genres;
  struct Person {
    QString name, character, job;
  };
  QList<Person> people;
  struct Poster {
    QString url;
    int width = 0, height = 0;
  };
  QList<Poster> posters;
};

QStringList movieDBRecordFile(const MovieRecord& record) {
  QStringList lines{kXMLDeclaration,
                    QStringLiteral("<OpenSearchDescription>"),
                    QStringLiteral("<movies>"),
                    QStringLiteral("<movie>"),
                    xmlElement("name", record.name),
                    xmlElement("id", QString::number(record.id)),
                    xmlElement("overview", record.overview),
                    xmlElement("certification", record.certification),
                    xmlElement("released", record.released),
                    QStringLiteral("<categories>")};
  for (const QString& genre : record.genres)
    lines << QStringLiteral("<category") + attribute("type", QStringLiteral("genre")) +
                 attribute("name", xmlEscaped(genre)) + attribute("url", {}) +
                 attribute("id", QStringLiteral("0")) + QStringLiteral("/>");
  lines << QStringLiteral("</categories>") << QStringLiteral("<cast>");
  for (const MovieRecord::Person& person : record.people)
    lines << QStringLiteral("<person") + attribute("name", xmlEscaped(person.name)) +
                 attribute("character", xmlEscaped(person.character)) + attribute("job", person.job) +
                 attribute("id", QStringLiteral("0")) + QStringLiteral("/>");
  lines << QStringLiteral("</cast>") << QStringLiteral("<images>");
  int index = 0;
  for (const MovieRecord::Poster& poster : record.posters)
    lines << QStringLiteral("<image") + attribute("type", QStringLiteral("poster")) +
                 attribute("url", poster.url) + attribute("size", QStringLiteral("original")) +
                 attribute("width", QString::number(poster.width)) +
                 attribute("height", QString::number(poster.height)) +
                 attribute("id", QString::number(++index)) + QStringLiteral("/>");
  lines << QStringLiteral("</images>") << QStringLiteral("</movie>") << QStringLiteral("</movies>")
        << QStringLiteral("</OpenSearchDescription>");
  return lines;
}

// The certification of `country`'s theatrical release, else of any of its releases.
QString certificationFor(const QJsonArray& countries, const QString& country) {
  for (const QJsonValue& entry : countries) {
    if (entry[QLatin1String("iso_3166_1")].toString().compare(country, Qt::CaseInsensitive) != 0) continue;
    QString any;
    for (const QJsonValue& release : entry[QLatin1String("release_dates")].toArray()) {
      const QString certification = release[QLatin1String("certification")].toString().trimmed();
      if (certification.isEmpty()) continue;
      if (release[QLatin1String("type")].toInt() == kTheatricalRelease) return certification;
      if (any.isEmpty()) any = certification;
    }
    return any;
  }
  return {};
}

QString joinedImageAddress(const QString& base, const QString& size, const QString& path) {
  QString address = base;
  if (!address.endsWith(u'/')) address += u'/';
  return address + size + (path.startsWith(u'/') ? path : u'/' + path);
}

// tagChimp's record file for one iTunes result.
QStringList tagChimpRecordFile(const QJsonObject& result, qint32 id) {
  const bool tv = result.value(QLatin1String("kind")).toString() == QLatin1String("tv-episode");
  QStringList lines{kXMLDeclaration,
                    QStringLiteral("<items>"),
                    QStringLiteral("<movie>"),
                    xmlElement("tagChimpID", QString::number(id)),
                    QStringLiteral("<movieTags>"),
                    QStringLiteral("<info>"),
                    xmlElement("kind", tv ? QStringLiteral("TV Show") : QStringLiteral("Movie"))};
  if (tv) {
    lines << xmlElement("movieTitle", result.value(QLatin1String("trackName")).toString())
          << xmlElement("showName", result.value(QLatin1String("artistName")).toString())
          << xmlElement("season", QString::number(
                                      iTunesSeason(result.value(QLatin1String("collectionName")).toString())))
          << xmlElement("episode", QString::number(result.value(QLatin1String("trackNumber")).toInt()));
  } else {
    lines << xmlElement("movieTitle", iTunesTitle(result));
  }
  lines << xmlElement("releaseDate", dateOnly(result.value(QLatin1String("releaseDate")).toString()))
        << xmlElement("genre", result.value(QLatin1String("primaryGenreName")).toString())
        << xmlElement("rating", result.value(QLatin1String("contentAdvisoryRating")).toString())
        << xmlElement("longDescription", result.value(QLatin1String("longDescription")).toString())
        << QStringLiteral("</info>") << QStringLiteral("<cast>");
  // A movie's artist is its director; an episode's is its show.
  if (!tv && result.contains(QLatin1String("artistName")))
    lines << xmlElement("director", result.value(QLatin1String("artistName")).toString());
  lines << QStringLiteral("</cast>");
  if (const auto cover =
          addressValue(largeITunesArtwork(result.value(QLatin1String("artworkUrl100")).toString())))
    lines << QStringLiteral("<coverArtLarge>%1</coverArtLarge>").arg(*cover);
  lines << QStringLiteral("</movieTags>") << QStringLiteral("</movie>") << QStringLiteral("</items>");
  return lines;
}

// The first result of an iTunes look-up whose id the clients can hold.
std::optional<std::pair<QJsonObject, qint32>> firstITunesRecord(const QJsonArray& results) {
  for (const QJsonValue& value : results)
    if (const auto id = jsonSeriesID(value[QLatin1String("trackId")]))
      return std::pair{value.toObject(), *id};
  return std::nullopt;
}

const QString kNoITunesRecord = QStringLiteral("without the item asked for");

// tagChimp's search file: one movie block per result the clients can hold the id of, with
// the result's own elements.
CacheText tagChimpSearchFile(const QJsonDocument& answer,
                             QStringList (*elements)(const QJsonObject& result)) {
  const std::optional<QJsonArray> results = resultsOf(answer, "results");
  if (!results) return CacheText::failed(kNotInForm);
  QStringList lines{kXMLDeclaration, QStringLiteral("<items>")};
  for (const QJsonValue& result : *results) {
    const auto id = jsonSeriesID(result[QLatin1String("trackId")]);
    if (!id) continue;
    lines << QStringLiteral("<movie>") << xmlElement("tagChimpID", QString::number(*id))
          << elements(result.toObject()) << QStringLiteral("</movie>");
  }
  lines << QStringLiteral("</items>");
  return CacheText::written(lines);
}

}  // namespace

std::optional<QString> tmdbImageBase(const QJsonDocument& configuration) {
  const std::optional<QJsonObject> object = jsonObject(configuration);
  if (!object) return std::nullopt;
  const QString base = (*object)[QLatin1String("images")][QLatin1String("secure_base_url")].toString();
  if (base.isEmpty()) return std::nullopt;
  return base;
}

CacheText movieDBSearchFromTMDB(const QJsonDocument& answer) {
  const std::optional<QJsonArray> results = resultsOf(answer, "results");
  if (!results) return CacheText::failed(kNotInForm);
  QList<std::pair<QString, qint32>> movies;
  for (const QJsonValue& result : *results)
    if (const auto id = jsonSeriesID(result[QLatin1String("id")]))
      movies.append({result[QLatin1String("title")].toString(), *id});
  return CacheText::written(movieDBSearchFile(movies));
}

CacheText movieDBRecordFromTMDB(const QJsonDocument& answer, const QString& imageBase,
                                const QString& language, const QString& country) {
  const std::optional<QJsonObject> object = jsonObject(answer);
  if (!object) return CacheText::failed(kNotInForm);
  const std::optional<qint32> id = jsonSeriesID(object->value(QLatin1String("id")));
  if (!id) return CacheText::failed(kNotInForm);
  MovieRecord record;
  record.id = *id;
  record.name = object->value(QLatin1String("title")).toString();
  record.overview = object->value(QLatin1String("overview")).toString();
  record.released = object->value(QLatin1String("release_date")).toString();
  const QJsonArray releases = (*object)[QLatin1String("release_dates")][QLatin1String("results")].toArray();
  record.certification = certificationFor(releases, country);
  if (record.certification.isEmpty())
    record.certification = certificationFor(releases, QLatin1String(kFallbackCountry));
  for (const QJsonValue& genre : object->value(QLatin1String("genres")).toArray())
    record.genres << genre[QLatin1String("name")].toString();

  const QJsonObject credits = object->value(QLatin1String("credits")).toObject();
  QList<QJsonObject> cast;
  for (const QJsonValue& member : credits.value(QLatin1String("cast")).toArray()) cast << member.toObject();
  std::stable_sort(cast.begin(), cast.end(), [](const QJsonObject& a, const QJsonObject& b) {
    return a.value(QLatin1String("order")).toInt() < b.value(QLatin1String("order")).toInt();
  });
  for (const QJsonObject& member : cast)
    record.people.append({member.value(QLatin1String("name")).toString(),
                          member.value(QLatin1String("character")).toString(), QStringLiteral("Actor")});
  for (const QJsonValue& member : credits.value(QLatin1String("crew")).toArray()) {
    const QString job = member[QLatin1String("job")].toString();
    if (job == QLatin1String("Director") || job == QLatin1String("Producer"))
      record.people.append({member[QLatin1String("name")].toString(), {}, job});
  }

  // The movie's own poster first, then the ones in the asked language, then the rest as
  // TMDB ranks them.
  const QString ownPoster = object->value(QLatin1String("poster_path")).toString();
  const QString posterLanguage = language.left(2).toLower();
  QList<QJsonObject> posters;
  for (const QJsonValue& poster : (*object)[QLatin1String("images")][QLatin1String("posters")].toArray())
    posters << poster.toObject();
  const auto rank = [&](const QJsonObject& poster) {
    if (!ownPoster.isEmpty() && poster.value(QLatin1String("file_path")).toString() == ownPoster) return 0;
    return poster.value(QLatin1String("iso_639_1")).toString() == posterLanguage ? 1 : 2;
  };
  std::stable_sort(posters.begin(), posters.end(),
                   [&](const QJsonObject& a, const QJsonObject& b) { return rank(a) < rank(b); });
  for (const QJsonObject& poster : posters) {
    const auto url = addressValue(joinedImageAddress(imageBase, QStringLiteral("original"),
                                                     poster.value(QLatin1String("file_path")).toString()));
    if (url && !poster.value(QLatin1String("file_path")).toString().isEmpty())
      record.posters.append({*url, poster.value(QLatin1String("width")).toInt(),
                             poster.value(QLatin1String("height")).toInt()});
  }
  // Without an image list the movie's poster still comes, in the 500-pixel size TMDB serves.
  if (record.posters.isEmpty() && !ownPoster.isEmpty())
    if (const auto url = addressValue(joinedImageAddress(imageBase, QStringLiteral("w500"), ownPoster)))
      record.posters.append({*url, 500, 750});
  return CacheText::written(movieDBRecordFile(record));
}

CacheText movieDBSearchFromITunes(const QJsonDocument& answer) {
  const std::optional<QJsonArray> results = resultsOf(answer, "results");
  if (!results) return CacheText::failed(kNotInForm);
  QList<std::pair<QString, qint32>> movies;
  for (const QJsonValue& result : *results)
    if (const auto id = jsonSeriesID(result[QLatin1String("trackId")]))
      movies.append({iTunesTitle(result.toObject()), *id});
  return CacheText::written(movieDBSearchFile(movies));
}

CacheText movieDBRecordFromITunes(const QJsonDocument& answer) {
  const std::optional<QJsonArray> results = resultsOf(answer, "results");
  if (!results) return CacheText::failed(kNotInForm);
  const auto found = firstITunesRecord(*results);
  if (!found) return CacheText::failed(kNoITunesRecord);
  const auto& [result, id] = *found;
  MovieRecord record;
  record.id = id;
  record.name = iTunesTitle(result);
  record.overview = result.value(QLatin1String("longDescription")).toString();
  record.certification = result.value(QLatin1String("contentAdvisoryRating")).toString();
  record.released = dateOnly(result.value(QLatin1String("releaseDate")).toString());
  if (const QString genre = result.value(QLatin1String("primaryGenreName")).toString(); !genre.isEmpty())
    record.genres << genre;
  if (const QString director = result.value(QLatin1String("artistName")).toString(); !director.isEmpty())
    record.people.append({director, {}, QStringLiteral("Director")});
  if (const auto url =
          addressValue(largeITunesArtwork(result.value(QLatin1String("artworkUrl100")).toString())))
    record.posters.append({*url, kITunesArtworkSide, kITunesArtworkSide});
  return CacheText::written(movieDBRecordFile(record));
}

CacheText tagChimpMovieSearchFromITunes(const QJsonDocument& answer) {
  return tagChimpSearchFile(answer, [](const QJsonObject& result) {
    return QStringList{xmlElement("movieTitle", iTunesTitle(result))};
  });
}

CacheText tagChimpTVSearchFromITunes(const QJsonDocument& answer) {
  return tagChimpSearchFile(answer, [](const QJsonObject& result) {
    return QStringList{
        xmlElement("showName", result.value(QLatin1String("artistName")).toString()),
        xmlElement("season",
                   QString::number(iTunesSeason(result.value(QLatin1String("collectionName")).toString()))),
        xmlElement("episode", QString::number(result.value(QLatin1String("trackNumber")).toInt()))};
  });
}

CacheText tagChimpRecordFromITunes(const QJsonDocument& answer) {
  const std::optional<QJsonArray> results = resultsOf(answer, "results");
  if (!results) return CacheText::failed(kNotInForm);
  const auto found = firstITunesRecord(*results);
  if (!found) return CacheText::failed(kNoITunesRecord);
  return CacheText::written(tagChimpRecordFile(found->first, found->second));
}

QString largeITunesArtwork(const QString& artworkUrl100) {
  QString large = artworkUrl100;
  return large.replace(QLatin1String("100x100"), QStringLiteral("%1x%1").arg(kITunesArtworkSide));
}

}  // namespace zuvo::live
