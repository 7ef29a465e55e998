#include "metadata/TVRage.h"

#include <QFileInfo>

#include "media/EntityDecoding.h"
#include "media/FileHelpers.h"
#include "media/StringHelpers.h"
#include "metadata/AnswerLines.h"
#include "metadata/ServiceCache.h"
#include "platform/ServiceAddresses.h"

namespace zuvo {
namespace {

constexpr double kTimeout = 120;

const QString kSearchPath = QStringLiteral("/feeds/search.php?show=%22");
const QString kQuote = QStringLiteral("%22");
const QString kEpisodeListPath = QStringLiteral("/feeds/episode_list.php?sid=");
const QString kSeasonMarker = QStringLiteral("<Season no=\"");
const QString kSeasonEnd = QStringLiteral("\">");
const QString kEpisodeMarker = QStringLiteral("<episode><epnum>");

const QString kLoading = QStringLiteral("Loading TVRage show id into file %1");
const QString kNamesOffline =
    QStringLiteral("[RED]Computer not connected to Internet when creating show picker list");
const QString kUnableToOpen = QStringLiteral("[RED]Unable to open file");
const QString kFoundID = QStringLiteral("Found TV Rage ID of %1");
const QString kBuilding = QStringLiteral("Building Episode Picker for %1");
const QString kGettingList = QStringLiteral("Getting TVRage Episode List for %1 into file %2");
const QString kListInCache = QStringLiteral("%1 is already in cache");
const QString kListOffline = QStringLiteral("Computer not connected to Internet");

// The show search's cache file, downloaded when it is not there; nothing when that fails.
std::optional<QString> searchFile(const QString& showName, const QString& cachePath, const Reporter& reporter,
                                  const QString& inCacheMessage) {
  const QString escaped = PercentEscaped(showName.toLower());
  const QString file = cachefile::tvRageSearch(cachePath, escaped);
  logTo(reporter, kLoading.arg(file), 4);
  if (QFileInfo::exists(file)) {
    logTo(reporter, inCacheMessage, 4);
    return file;
  }
  if (downloadIntoCache(serviceBaseURL(Service::TVRage) + kSearchPath + escaped + kQuote, file, kTimeout,
                        reporter))
    return file;
  return std::nullopt;
}

}  // namespace

qint32 TVRageLookupShowID(const QString& showName, const QString& cachePath, const Reporter& reporter) {
  const std::optional<QString> file = searchFile(showName, cachePath, reporter, kFileAlreadyInCache);
  if (!file) {
    logTo(reporter, kShowLookUpOffline, 4);
    return 0;
  }
  const std::optional<QStringList> lines = ReadLinesFromFile(*file);
  if (!lines) logTo(reporter, kUnableToOpen, 3);
  const QString wanted = showName.toLower();
  QString current = QStringLiteral("0");
  QString found = current;
  for (const QString& line : lines.value_or(QStringList())) {
    if (auto v = elementValue(line, "showid")) current = *v;
    // The answer is XML: a name with "&" only equals the asked one once unescaped.
    if (auto v = elementValue(line, "name"); v && UnescapeXMLEntities(*v).toLower() == wanted)
      found = current;
  }
  logTo(reporter, kFoundID.arg(found), 4);
  return IntegerValue(found);
}

std::optional<QStringList> TVRageShowNames(const QString& showName, const QString& cachePath,
                                           const Reporter& reporter) {
  const std::optional<QString> file = searchFile(showName, cachePath, reporter, kFileIsAlreadyInCache);
  if (!file) {
    logTo(reporter, kNamesOffline, 3);
    return std::nullopt;
  }
  QStringList names;
  for (const QString& line : ReadLinesFromFile(*file).value_or(QStringList())) {
    logTo(reporter, line, 5);
    if (auto v = elementValue(line, "name")) names.append(UnescapeXMLEntities(*v));
  }
  return names;
}

std::optional<QList<TVRageEpisode>> TVRageEpisodeList(const QString& seriesName, const QString& cachePath,
                                                      const Reporter& reporter) {
  const QString id = QString::number(TVRageLookupShowID(seriesName, cachePath, reporter));
  logTo(reporter, kBuilding.arg(seriesName), 3);
  const QString file = cachefile::tvRageEpisodeList(cachePath, id);
  logTo(reporter, kGettingList.arg(id, file), 4);
  if (QFileInfo::exists(file)) {
    logTo(reporter, kListInCache.arg(file), 3);
  } else if (!downloadIntoCache(serviceBaseURL(Service::TVRage) + kEpisodeListPath + id, file, kTimeout,
                                reporter)) {
    logTo(reporter, kListOffline, 3);
    return std::nullopt;
  }
  logTo(reporter, kOpeningToReadResult.arg(file), 4);
  QList<TVRageEpisode> episodes;
  qint32 season = -1;
  for (const QString& line : ReadLinesFromFile(file).value_or(QStringList())) {
    if (auto number = StringBetween(line, kSeasonMarker, kSeasonEnd)) season = IntegerValue(*number);
    if (!line.contains(kEpisodeMarker)) continue;
    TVRageEpisode episode;
    episode.season = season;
    episode.number = IntegerValue(XMLElementText(line, QStringLiteral("seasonnum")).value_or(QString()));
    episode.title = UnescapeHTML(XMLElementText(line, QStringLiteral("title")).value_or(QString()));
    episodes.append(episode);
  }
  return episodes;
}

}  // namespace zuvo
