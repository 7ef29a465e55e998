#include "metadata/TagChimp.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>

#include "media/EntityDecoding.h"
#include "media/FileHelpers.h"
#include "media/MediaValues.h"
#include "media/StringHelpers.h"
#include "metadata/AnswerLines.h"
#include "metadata/ServiceCache.h"
#include "platform/ServiceAddresses.h"

namespace zuvo {
namespace {

constexpr double kSearchTimeout = 60;
constexpr double kRecordTimeout = 120;
constexpr double kImageTimeout = 60;
constexpr qsizetype kMostActors = 6;

const QString kSearchPrefix = QStringLiteral("/ape/search.php?token=");
const QString kTVSearch = QStringLiteral("&type=search&title=%1&show=%1&totalChapters=X&limit=200&lang=%2");
const QString kTVSearchKind = QStringLiteral("&videoKind=TVShow&season=%1&episode=%2");
const QString kMovieSearch =
    QStringLiteral("&type=search&title=%1&totalChapters=X&limit=20&locked=false&lang=%2");
const QString kMovieSearchKind = QStringLiteral("&videoKind=Movie");
const QString kTVLookup = QStringLiteral("&type=lookup&totalChapters=X&id=%1&season=%2&episode=%3");
const QString kMovieLookup = QStringLiteral("&type=lookup&totalChapters=X&id=%1");
const QString kNotFound = QStringLiteral("Not found");
const QString kListSeparator = QStringLiteral(", ");

const QString kNoConnection = QStringLiteral("Unable to connect to Tag Chimp server");
const QString kLoading = QStringLiteral("Loading Tag Chimp show id into file %1");
const QString kRecordInCache = QStringLiteral("File exists in cache");
const QString kURL = QStringLiteral("Tag Chimp URL is %1");
const QString kAddingAlternate = QStringLiteral("[BLUE]Adding alternate %1 with id of %2");
const QString kGettingMovie = QStringLiteral("Getting Movie Data from Tag Chimp for movie %1 with id %2");
const QString kDownloadingImage = QStringLiteral("Downloading movie image to cache");
const QString kImageInCache = QStringLiteral("Movie image in cache");

QString prefix() { return serviceBaseURL(Service::TagChimp) + kSearchPrefix + QLatin1String(kTagChimpToken); }

// The record's cache file, downloaded with the TV or the movie query when it is not there.
std::optional<QString> recordFile(const MediaFile& item, qint32 tagChimpID, bool tvQuery,
                                  const QString& cachePath, const Reporter& reporter) {
  const QString file = cachefile::tagChimpRecord(cachePath, tagChimpID);
  logTo(reporter, kLoading.arg(file), 4);
  if (QFileInfo::exists(file)) {
    logTo(reporter, kRecordInCache, 4);
    return file;
  }
  const QString id = QString::number(tagChimpID);
  const QString query = tvQuery
                            ? kTVLookup.arg(id, QString::number(item.season()), QString::number(item.show()))
                            : kMovieLookup.arg(id);
  if (downloadIntoCache(prefix() + query, file, kRecordTimeout, reporter)) return file;
  logTo(reporter, kShowLookUpOffline, 3);
  return std::nullopt;
}

}  // namespace

BCError TagChimpSearchWithMode(MediaFile& item, TagChimpMode mode, const QString& language,
                               const QString& cachePath, bool tv, const Reporter& reporter) {
  const bool metadata = mode == TagChimpMode::MetadataCandidates;
  if (metadata) {
    item.setAlternativeSuggestions({});
    // An index into the list just emptied names nothing.
    item.setSelectedAlernativeSuggestion(-1);
  } else {
    item.setChaptersAlternates({});
  }
  const QString queryName = PercentEscaped(item.seriesname()).toLower();
  const QString file = tv ? cachefile::tagChimpTVSearch(cachePath, queryName, item.season(), item.show())
                          : cachefile::tagChimpMovieSearch(cachePath, queryName);
  logTo(reporter, kLoading.arg(file), 4);
  if (QFileInfo::exists(file)) {
    logTo(reporter, kFileAlreadyInCache, 4);
  } else {
    const QString url =
        prefix() + (tv ? kTVSearch.arg(queryName, language) +
                             kTVSearchKind.arg(QString::number(item.season()), QString::number(item.show()))
                       : kMovieSearch.arg(queryName, language) + kMovieSearchKind);
    logTo(reporter, kURL.arg(url), 4);
    if (!downloadIntoCache(url, file, kSearchTimeout, reporter)) {
      logTo(reporter, kShowLookUpOffline, 3);
      return BCError::Code(kServiceUnreachable, kNoConnection);
    }
  }

  const QString wanted = item.seriesname().toLower();
  QList<VideoAlternate> kept;
  QString name;
  qint32 id = 0;
  qint32 season = 0;
  qint32 episode = 0;
  int firstNamedIndex = -1;  // where the first candidate named like the item would go
  int firstNamedKept = -1;   // the first kept candidate named like the item
  for (const QString& raw : ReadLinesFromFile(file).value_or(QStringList())) {
    const QString line = UnescapeXMLEntities(raw);
    std::optional<QString> newName;
    if (tv) {
      newName = elementValue(line, "showName");
      if (auto v = elementValue(line, "season")) season = IntegerValue(*v);
      if (auto v = elementValue(line, "episode")) episode = IntegerValue(*v);
    } else {
      if (HasXMLElement(line, "movie")) {
        name = kNotFound;
        id = 0;
      }
      newName = elementValue(line, "movieTitle");
    }
    if (newName) {
      name = *newName;
      if (metadata && firstNamedIndex < 0 && name.toLower() == wanted) firstNamedIndex = int(kept.size());
    }
    if (auto v = elementValue(line, "tagChimpID")) id = IntegerValue(*v);
    if (!line.contains(QLatin1String("</movie>"))) continue;

    const bool keep = !metadata || !tv ||
                      (season == qint32(item.season()) && episode == qint32(item.show())) ||
                      (season == 0 && episode == 0);
    if (!keep) continue;
    if (metadata && firstNamedKept < 0 && name.toLower() == wanted) firstNamedKept = int(kept.size());
    // The line's entities are replaced already; its numeric references finish the name, so
    // that every candidate name is unescaped exactly once, here.
    kept.append(VideoAlternate::alternateWithName(*DecodeCharacterReferences(name), id));
    logTo(reporter, kAddingAlternate.arg(name, QString::number(id)), 4);
    if (metadata) item.setSoliddetection(true);
  }

  if (metadata) {
    item.setAlternativeSuggestions(kept);
    // A candidate of the item's name that was kept wins; the position a dropped one
    // would have had only counts when it names a kept candidate.
    int selected = firstNamedKept;
    if (selected < 0 && firstNamedIndex >= 0 && firstNamedIndex < kept.size()) selected = firstNamedIndex;
    item.setSelectedAlernativeSuggestion(selected);
  } else {
    item.setChaptersAlternates(kept);
  }
  if (item.AlternativeSuggestions().isEmpty()) QFile::remove(file);
  return BCError::NoError();
}

BCError TagChimpSearchSuggestions(MediaFile& item, const QString& language, const QString& cachePath, bool tv,
                                  const Reporter& reporter) {
  return TagChimpSearchWithMode(item, TagChimpMode::MetadataCandidates, language, cachePath, tv, reporter);
}

BCError TagChimpSearchChapterAlternates(MediaFile& item, const QString& language, const QString& cachePath,
                                        bool tv, const Reporter& reporter) {
  return TagChimpSearchWithMode(item, TagChimpMode::ChapterCandidates, language, cachePath, tv, reporter);
}

BCError TagChimpLookupShowData(MediaFile& item, qint32 tagChimpID, const QString&, const QString& cachePath,
                               const Reporter& reporter) {
  logTo(reporter, kGettingMovie.arg(item.seriesname(), QString::number(tagChimpID)), 4);
  item.setSelectedImage(0);
  item.setAlternateimages({});
  const bool tvShow = item.mediatype() == MediaType::TVShow;
  const std::optional<QString> file = recordFile(item, tagChimpID, tvShow, cachePath, reporter);
  if (!file) return BCError::Code(kServiceUnreachable, kNoConnection);

  QStringList lines = ReadLinesFromFile(*file).value_or(QStringList());
  for (QString& line : lines) line = *DecodeCharacterReferences(line);
  QStringList actors, directors, producers, genres, images;
  bool firstRecord = true;
  bool additionalGenres = false;
  bool imageTaken = false;
  bool posterTried = false;
  // Downloads the picture at `address` into the cover file when it is missing, and takes
  // the file when it is there afterwards.
  const auto takeImage = [&](const QString& address) {
    const QString image =
        tvShow ? cachefile::tagChimpTVCover(cachePath, item.seriesname(), item.season(), item.show())
               : cachefile::tagChimpMovieCover(cachePath, item.seriesname(), item.season());
    if (!QFileInfo::exists(image)) {
      logTo(reporter, kDownloadingImage, 4);
      downloadIntoCache(address, image, kImageTimeout, reporter, BCDownloader::kMostImageBytes);
    } else {
      logTo(reporter, kImageInCache, 4);
    }
    if (!QFileInfo::exists(image)) return false;
    logTo(reporter, kMovieImageNowInCache, 4);
    const Artwork picture = Artwork::fromFile(image);
    if (!picture.isNull()) item.setArtwork(picture);
    item.setSelectedImage(0);
    return true;
  };

  for (qsizetype at = 0; at < lines.size(); ++at) {
    const QString& line = lines[at];
    if (firstRecord) {
      if (auto v = elementValue(line, "movieTitle")) {
        const QString title = UnescapeXMLEntities(*v);
        tvShow ? item.setEpisodename(title) : item.setSeriesname(title);
      }
      if (HasXMLElement(line, "longDescription"))
        item.setDescription(multiLineElementText(lines, at, QStringLiteral("longDescription")));
      if (auto v = elementValue(line, "rating")) item.setRating(*v);
      if (auto v = elementValue(line, "releaseDate")) item.setReleasedate(*v);
    }
    if (tvShow)
      if (auto v = elementValue(line, "showName")) item.setSeriesname(UnescapeXMLEntities(*v));
    if (auto v = elementValue(line, "actor"); v && actors.size() < kMostActors) actors.append(*v);
    if (auto v = elementValue(line, "director")) directors.append(*v);
    if (auto v = elementValue(line, "producer")) producers.append(*v);
    if (HasXMLElement(line, "additionalGenres")) additionalGenres = true;
    if (auto v = elementValue(line, "genre"); v && !additionalGenres) genres.append(*v);
    if (line.contains(QLatin1String("</additionalGenres>"))) additionalGenres = false;
    if (auto v = elementValue(line, "coverArtLarge")) {
      images.append(*v);
      if (!imageTaken) imageTaken = takeImage(*v);
    }
    if (firstRecord) {
      if (const std::optional<QString> poster = posterAddress(line)) {
        images.append(*poster);
        if (!posterTried) {
          posterTried = true;
          takeImage(*poster);
        }
      }
    }
    if (lines[at].contains(QLatin1String("</movie>"))) firstRecord = false;
  }
  item.setAlternateimages(images);
  item.setActors(actors.join(kListSeparator));
  item.setProducers(producers.join(kListSeparator));
  item.setDirectors(directors.join(kListSeparator));
  item.setGenre(genres.join(kListSeparator));
  item.setSoliddetection(true);
  return BCError::NoError();
}

BCError TagChimpLookupChapterTitles(MediaFile& item, qint32 tagChimpID, const QString&,
                                    const QString& cachePath, const Reporter& reporter) {
  logTo(reporter, kGettingMovie.arg(item.seriesname(), QString::number(tagChimpID)), 4);
  const std::optional<QString> file = recordFile(item, tagChimpID, false, cachePath, reporter);
  if (!file) return BCError::Code(kServiceUnreachable, kNoConnection);
  QStringList titles;
  for (const QString& line : ReadLinesFromFile(*file).value_or(QStringList()))
    if (HasXMLElement(line, "chapterTitle"))
      titles.append(UnescapeHTML(XMLElementText(line, QStringLiteral("chapterTitle")).value_or(QString())));
  return BCError::NoErrorWithSucess(titles);
}

}  // namespace zuvo
