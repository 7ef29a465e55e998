#include "metadata/TheTVDB.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>

#include "media/EntityDecoding.h"
#include "media/FileHelpers.h"
#include "media/StringHelpers.h"
#include "metadata/AnswerLines.h"
#include "metadata/ServiceCache.h"
#include "platform/ServiceAddresses.h"

namespace zuvo {
namespace {

constexpr double kSearchTimeout = 60;
constexpr double kRecordTimeout = 120;
const QString kEnglish = QStringLiteral("en");

const QString kSearchPath = QStringLiteral("/api/GetSeries.php?seriesname=%22");
const QString kQuote = QStringLiteral("%22");
const QString kSeriesPath = QStringLiteral("/data/series/");
const QString kAllPath = QStringLiteral("/all/");
const QString kXMLExtension = QStringLiteral(".xml");
const QString kAPIPath = QStringLiteral("/api/");
const QString kBannersPath = QStringLiteral("/banners.xml");
const QString kSeriesPiece = QStringLiteral("/series/");

const QString kNoConnectionSearch = QStringLiteral("Unable to connect to Internet");
const QString kNoConnectionEpisode = QStringLiteral("No internet connection");
const QString kNoEpisodeName = QStringLiteral("No episode name found");
const QString kNoConnectionBanner = QStringLiteral("Not connected to Internet on Banner lookup");
const QString kNoBanner = QStringLiteral("No image found for show");
const QString kNoInternetName = QString::fromLatin1(kTVDBNoInternetName);
const QString kNoNameFound = QString::fromLatin1(kTVDBNoNameFound);

const QString kLoadingShow = QStringLiteral("Loading TVDB show into file %1");
const QString kAlreadyInCache = QStringLiteral("%1 is already in cache");
const QString kUnableToOpen = QStringLiteral("Unable to open file %1");
const QString kGettingEpisodes = QStringLiteral("Getting TVDB Episode List for %1 into file %2");
const QString kEpisodeOffline =
    QStringLiteral("[RED]Computer not connected to Internet when looking up episode name.");
const QString kReturning = QStringLiteral("Look up show name returing %1");
const QString kFinishedPassing = QStringLiteral("Finished passing file");
const QString kGettingBanners = QStringLiteral("Getting TVDB Banner List for %1 into file %2");
const QString kBannerOffline =
    QStringLiteral("[RED]Computer not connected to Internet when looking for series banner.");
const QString kBannerPass = QStringLiteral("TV Show Banner Pass %1");
const QString kNoBannerFound = QStringLiteral("No banner found");
const QString kFoundBanner = QStringLiteral("Found banner %1");
const QString kGettingBannerFile = QStringLiteral("Getting TVDB Banner file into file %1");
const QString kBannerInCache = QStringLiteral("Banner already in cache");
const QString kDownloadingBanner = QStringLiteral("Downloading banner from URL : %1");
const QString kBannerNotDownloaded = QStringLiteral("Unable to locate downloaded file from URL");
const QString kBannerDownloaded = QStringLiteral("Downloaded file now in cache");

QString baseURL() { return serviceBaseURL(Service::TheTVDB); }

// The series-wide values and the episode chosen while reading a full record.
struct EpisodeRecord {
  QString rating;
  qint32 episode = 0;
  qint32 season = 0;
  QString name = kNoNameFound;
  QString airDate;
  QString overview;
  QString actors;
  QString seriesName;
  QString genre;
};

enum class EpisodeChoice { ByNumberOrDate, ByName };

BCError readEpisodes(qint32 seriesID, MediaFile& item, const QString& language, const QString& cachePath,
                     const Reporter& reporter, EpisodeChoice choice) {
  item.setAlternateimages({});
  const QString id = QString::number(seriesID);
  const QString file = cachefile::tvdbSeries(cachePath, quint32(seriesID));
  logTo(reporter, kGettingEpisodes.arg(id, file), 4);
  if (QFileInfo::exists(file)) {
    logTo(reporter, kFileAlreadyInCache, 3);
  } else {
    // The EyeTV form asks without the ".xml" extension.
    const QString extension = choice == EpisodeChoice::ByName ? QString() : kXMLExtension;
    const QString record = baseURL() + kSeriesPath + id + kAllPath;
    if (!downloadIntoCache(record + language + extension, file, kRecordTimeout, reporter) &&
        !downloadIntoCache(record + kEnglish + extension, file, kRecordTimeout, reporter)) {
      logTo(reporter, kEpisodeOffline, 3);
      item.setEpisodename(kNoInternetName);
      return BCError::Code(kServiceUnreachable, kNoConnectionEpisode);
    }
  }

  logTo(reporter, kOpeningToReadResult.arg(file), 4);
  QStringList lines = ReadLinesFromFile(file).value_or(QStringList());
  if (choice == EpisodeChoice::ByName)
    for (QString& line : lines) line = *DecodeCharacterReferences(line);
  const QString wantedName = UnescapeXMLEntities(item.episodename()).toLower();
  const QString wantedDate =
      QStringLiteral("%1-%2-%3").arg(item.showyear(), item.showmonth(), item.showday());
  const bool byDate = !item.showday().isEmpty();
  EpisodeRecord current;
  EpisodeRecord chosen;
  chosen.name.clear();
  for (qsizetype at = 0; at < lines.size(); ++at) {
    const QString& line = lines[at];
    if (auto v = elementValue(line, "ContentRating")) current.rating = *v;
    if (auto v = elementValue(line, "Combined_episodenumber")) current.episode = IntegerValue(*v);
    if (auto v = elementValue(line, "EpisodeNumber")) current.episode = IntegerValue(*v);
    if (auto v = elementValue(line, "Combined_season")) current.season = IntegerValue(*v);
    if (auto v = elementValue(line, "SeasonNumber")) current.season = IntegerValue(*v);
    if (auto v = elementValue(line, "EpisodeName")) current.name = *v;
    if (auto v = elementValue(line, "FirstAired")) current.airDate = *v;
    if (auto v = elementValue(line, "Actors")) current.actors = *v;
    if (auto v = elementValue(line, "SeriesName")) current.seriesName = *v;
    if (auto v = elementValue(line, "Genre")) current.genre = *v;
    if (HasXMLElement(line, "Overview"))
      current.overview = multiLineElementText(lines, at, QStringLiteral("Overview"));
    if (!lines[at].contains(QLatin1String("</Episode>"))) continue;

    if (choice == EpisodeChoice::ByName) {
      if (UnescapeXMLEntities(current.name).toLower() == wantedName) {
        item.setSeason(quint32(current.season));
        item.setShow(quint32(current.episode));
        chosen = current;
      }
    } else {
      if (current.season == qint32(item.season()) && current.episode == qint32(item.show())) chosen = current;
      if (byDate && wantedDate == current.airDate) {
        item.setSeason(quint32(current.season));
        item.setShow(quint32(current.episode));
        chosen = current;
      }
    }
    // Every value but the overview carries over into the next record.
    current.overview.clear();
  }
  if (choice == EpisodeChoice::ByName) logTo(reporter, kFinishedPassing, 4);

  // The series-wide values are the last ones read, whichever episode was chosen. Lines whose
  // numeric references were decoded above only need their entities replaced; the others take
  // both, so that every name is unescaped here once and the look-up leaves it as it is.
  QString (*const unescape)(const QString&) =
      choice == EpisodeChoice::ByName ? UnescapeXMLEntities : UnescapeHTML;
  const QString seriesName = unescape(current.seriesName);
  const QString episodeName = unescape(chosen.name);
  const QString overview = UnescapeXMLEntities(chosen.overview);
  if (episodeName.isEmpty()) {
    logTo(reporter, kNoEpisodeName, 4);
    item.setEpisodename(kNoNameFound);
    return BCError::Code(TVDBCode::NoEpisodeName, kNoEpisodeName);
  }
  item.setSoliddetection(true);
  logTo(reporter, kReturning.arg(episodeName), 4);
  item.setEpisodename(episodeName);
  if (!seriesName.isEmpty()) item.setSeriesname(seriesName);
  item.setDescription(overview);
  item.setReleasedate(chosen.airDate);
  item.setActors(QString(current.actors).replace(u'|', u','));
  item.setGenre(QString(current.genre).replace(u'|', u','));
  item.setRating(chosen.rating);
  // An episode without artwork is still found.
  reportIfFailed(reporter, TVDBGetBanner(seriesID, item, cachePath, reporter),
                 QStringLiteral("Fetching the show's artwork"));
  return BCError::NoError();
}

struct Banner {
  QString path;
  int rating = 0;
  int season = -1;
};

}  // namespace

BCError TVDBLookUpShow(MediaFile& item, const QString& cachePath, const Reporter& reporter) {
  item.setSelectedAlernativeSuggestion(-1);
  item.setAlternativeSuggestions({});
  const QString query = item.seriesname().toLower();
  const QString file = cachefile::tvdbSearch(cachePath, query);
  logTo(reporter, kLoadingShow.arg(file), 4);
  if (QFileInfo::exists(file)) {
    logTo(reporter, kAlreadyInCache.arg(file), 4);
  } else if (!downloadIntoCache(baseURL() + kSearchPath + PercentEscaped(query) + kQuote, file,
                                kSearchTimeout, reporter)) {
    logTo(reporter, kShowLookUpOffline, 3);
    return BCError::Code(kServiceUnreachable, kNoConnectionSearch);
  }

  logTo(reporter, kOpeningFile.arg(file), 4);
  const std::optional<QStringList> lines = ReadLinesFromFile(file);
  if (!lines) logTo(reporter, kUnableToOpen.arg(file), 3);
  QList<VideoAlternate> candidates;
  int selected = -1;
  VideoAlternate candidate;
  bool named = false;  // the candidate in hand is named like the query
  for (const QString& line : lines.value_or(QStringList())) {
    if (HasXMLElement(line, "Series")) {
      candidate = VideoAlternate::alternateWithName(QString(), 0);
      named = false;
    }
    if (auto v = elementValue(line, "seriesid")) candidate.setID(IntegerValue(*v));
    if (auto v = elementValue(line, "SeriesName")) {
      // The answer is XML text: the name is kept unescaped, so a name with "&" equals the query.
      candidate.setName(UnescapeHTML(*v).toLower());
      named = candidate.Name() == query;
    }
    if (line.contains(QLatin1String("</Series>"))) {
      // Selected as it is kept, so that the index always lies inside the list.
      if (named) selected = int(candidates.size());
      candidates.append(candidate);
      named = false;
    }
  }
  if (candidates.isEmpty()) {
    QFile::remove(file);
  } else if (selected < 0) {
    selected = 0;
  }
  item.setAlternativeSuggestions(candidates);
  item.setSelectedAlernativeSuggestion(selected);
  return BCError::NoError();
}

BCError TVDBGetEpisode(qint32 seriesID, MediaFile& item, const QString& language, const QString& cachePath,
                       const Reporter& reporter) {
  return readEpisodes(seriesID, item, language, cachePath, reporter, EpisodeChoice::ByNumberOrDate);
}

BCError TVDBGetEpisodeByName(qint32 seriesID, MediaFile& item, const QString& language,
                             const QString& cachePath, const Reporter& reporter) {
  return readEpisodes(seriesID, item, language, cachePath, reporter, EpisodeChoice::ByName);
}

BCError TVDBGetBanner(qint32 seriesID, MediaFile& item, const QString& cachePath, const Reporter& reporter) {
  item.setShowid(quint32(seriesID));
  const QString id = QString::number(seriesID);
  const QString file = cachefile::tvdbBannerList(cachePath, quint32(seriesID));
  logTo(reporter, kGettingBanners.arg(id, file), 4);
  if (QFileInfo::exists(file)) {
    logTo(reporter, kFileAlreadyInCache, 4);
  } else if (!downloadIntoCache(
                 baseURL() + kAPIPath + QLatin1String(kTVDBAPIKey) + kSeriesPiece + id + kBannersPath, file,
                 kRecordTimeout, reporter)) {
    logTo(reporter, kBannerOffline, 3);
    return BCError::Code(kServiceUnreachable, kNoConnectionBanner);
  }

  const QString bannerBase = serviceBaseURL(Service::TheTVDBBanners) + u'/';
  QStringList images = item.alternateimages();
  const qsizetype before = images.size();
  int selected = item.selectedImage();
  const int season = int(item.season());
  for (int pass = 0; pass < 2; ++pass) {
    logTo(reporter, kBannerPass.arg(pass), 4);
    logTo(reporter, kOpeningToReadResult.arg(file), 4);
    int best = -1;
    Banner banner;
    for (const QString& line : ReadLinesFromFile(file).value_or(QStringList())) {
      if (HasXMLElement(line, "Banner")) banner = Banner();
      if (auto v = elementValue(line, "BannerPath")) banner.path = *v;
      if (auto v = elementValue(line, "Rating")) banner.rating = IntegerValue(*v);
      if (auto v = elementValue(line, "Season")) banner.season = IntegerValue(*v);
      if (!line.contains(QLatin1String("</Banner>"))) continue;
      const bool accepted = pass == 0 ? banner.season == season : banner.season == -1;
      if (!accepted) continue;
      images.append(bannerBase + banner.path);
      if (pass == 0 && banner.rating > best) {
        best = banner.rating;
        selected = int(images.size() - 1);
      }
    }
  }
  item.setAlternateimages(images);
  if (images.size() == before) {
    logTo(reporter, kNoBannerFound, 4);
    return BCError::Code(TVDBCode::NoBanner, kNoBanner);
  }
  // Without a season banner the earlier choice stands, as long as it names an image.
  if (selected < 0 || selected >= images.size()) selected = 0;
  item.setSelectedImage(selected);

  const QString address = images[selected];
  logTo(reporter, kFoundBanner.arg(address), 4);
  const QString image = cachefile::tvImage(cachePath, item.showid(), item.season(), int(item.show()));
  logTo(reporter, kGettingBannerFile.arg(image), 4);
  if (QFileInfo::exists(image)) {
    logTo(reporter, kBannerInCache, 4);
  } else {
    logTo(reporter, kDownloadingBanner.arg(address), 4);
    if (!downloadIntoCache(address, image, kRecordTimeout, reporter, BCDownloader::kMostImageBytes)) {
      logTo(reporter, kBannerNotDownloaded, 4);
      return BCError::NoError();
    }
    logTo(reporter, kBannerDownloaded, 4);
  }
  const Artwork picture = Artwork::fromFile(image);
  if (!picture.isNull()) item.setArtwork(picture);
  return BCError::NoError();
}

}  // namespace zuvo
