#include "metadata/TheMovieDB.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>

#include "media/BCDownloader.h"
#include "media/EntityDecoding.h"
#include "media/FileHelpers.h"
#include "media/StringHelpers.h"
#include "metadata/AnswerLines.h"
#include "metadata/ServiceCache.h"
#include "platform/ServiceAddresses.h"

namespace zuvo {
namespace {

constexpr double kTimeout = 120;
constexpr qsizetype kMostPeoplePerJob = 6;
constexpr qsizetype kMinimumAttributePieces = 4;
// Pieces counted from 1: the element's opening, then name=..., so a name or genre is read
// past its five-character "name=".
constexpr qsizetype kNamePiece = 2;
constexpr qsizetype kGenrePiece = 3;
constexpr qsizetype kNameSkip = 5;

const QString kSearchPath = QStringLiteral("/2.1/Movie.search/");
const QString kInfoPath = QStringLiteral("/2.1/Movie.getInfo/");
const QString kXMLPiece = QStringLiteral("/xml/");
const QString kNotFound = QStringLiteral("Not found");
const QString kGenreLineMarker = QStringLiteral("<category type=\"genre\"");
const QString kListSeparator = QStringLiteral(", ");

const QString kNoConnection = QStringLiteral("Internet not accessable");
const QString kInvalidID = QStringLiteral("Invalid ID");

const QString kLoading = QStringLiteral("Loading MovieDB show id into file %1");
const QString kURL = QStringLiteral("MovieDB URL is %1");
const QString kSearchOffline = QStringLiteral("Computer not connected to Internet when looking up show.");
const QString kFoundShow = QStringLiteral("[BLUE]Found show on MovieDB with name : %1");
const QString kAddingAlternate = QStringLiteral("Adding Alternate Index:%1 Name:%2 ID:%3");
const QString kGettingMovie = QStringLiteral("Getting Movie Data from MovieDB for movie %1 with id %2");
const QString kJoiningOverview = QStringLiteral("Adding overview lines together");
const QString kDownloadingImage = QStringLiteral("Downloading move image to cache");
const QString kImageInCache = QStringLiteral("Movie image already in cache");
const QString kImageCount = QStringLiteral("Total Image Count for Movie is %1");

// The three people lists of a record, by the job="..." text of a cast line.
const char* const kJobs[] = {"job=\"Actor\"", "job=\"Producer\"", "job=\"Director\""};
enum JobIndex { Actor, Producer, Director, JobCount };

enum class RecordRules { All, PostersOnly };

BCError readRecord(MediaFile& item, qint32 movieID, const QString& language, const QString& cachePath,
                   const Reporter& reporter, RecordRules rules) {
  item.setShowid(quint32(movieID));
  logTo(reporter, kGettingMovie.arg(item.seriesname(), QString::number(movieID)), 4);
  item.setAlternateimages({});
  const QString file = cachefile::movieDBRecord(cachePath, movieID);
  logTo(reporter, kLoading.arg(file), 4);
  if (QFileInfo::exists(file)) {
    logTo(reporter, kFileIsAlreadyInCache, 4);
  } else {
    const QString url = serviceBaseURL(Service::TheMovieDB) + kInfoPath + language + kXMLPiece +
                        QLatin1String(kMovieDBAPIKey) + u'/' + QString::number(movieID);
    if (!downloadIntoCache(url, file, kTimeout, reporter)) {
      logTo(reporter, kShowLookUpOffline, 3);
      return BCError::Code(kServiceUnreachable, kNoConnection);
    }
  }

  logTo(reporter, kOpeningFile.arg(file), 4);
  QStringList lines = ReadLinesFromFile(file).value_or(QStringList());
  for (QString& line : lines) line = *DecodeCharacterReferences(line);
  const bool all = rules == RecordRules::All;
  QStringList people[JobCount];
  QStringList genres;
  QStringList images;
  bool posterTried = false;
  for (qsizetype at = 0; at < lines.size(); ++at) {
    const QString& line = lines[at];
    if (all) {
      if (auto v = elementValue(line, "name")) item.setSeriesname(UnescapeXMLEntities(*v));
      if (HasXMLElement(line, "overview"))
        item.setDescription(multiLineElementText(lines, at, QStringLiteral("overview"),
                                                 [&] { logTo(reporter, kJoiningOverview, 5); }));
      if (HasXMLElement(line, "certification"))
        item.setRating(XMLElementText(line, QStringLiteral("certification")).value_or(QString()));
      if (auto v = elementValue(line, "released")) item.setReleasedate(*v);
      for (int job = 0; job < JobCount; ++job) {
        if (!line.contains(QLatin1String(kJobs[job]))) continue;
        const QStringList pieces = SplitArguments(line);
        if (pieces.size() < kMinimumAttributePieces || people[job].size() >= kMostPeoplePerJob) continue;
        people[job].append(pieces[kNamePiece - 1].mid(kNameSkip));
      }
      if (line.contains(kGenreLineMarker)) {
        const QStringList pieces = SplitArguments(line);
        // Without its "name=", so that a genre no keyword maps is still a genre.
        if (pieces.size() >= kMinimumAttributePieces) genres.append(pieces[kGenrePiece - 1].mid(kNameSkip));
      }
    }
    if (const std::optional<QString> poster = posterAddress(line)) {
      images.append(*poster);
      if (!posterTried) {
        posterTried = true;
        const QString image = cachefile::movieImage(cachePath, item.showid(), item.season(), 0);
        if (!QFileInfo::exists(image)) {
          logTo(reporter, kDownloadingImage, 4);
          downloadIntoCache(*poster, image, BCDownloader::kDefaultTimeout, reporter,
                            BCDownloader::kMostImageBytes);
        } else {
          logTo(reporter, kImageInCache, 4);
        }
        if (QFileInfo::exists(image)) {
          logTo(reporter, kMovieImageNowInCache, 4);
          const Artwork picture = Artwork::fromFile(image);
          if (!picture.isNull()) item.setArtwork(picture);
        }
      }
    }
    // Only the first movie of the answer counts.
    if (lines[at].contains(QLatin1String("</movie>"))) break;
  }
  item.setAlternateimages(images);
  if (all) {
    item.setGenre(genres.join(kListSeparator));
    item.setActors(people[Actor].join(kListSeparator));
    item.setProducers(people[Producer].join(kListSeparator));
    item.setDirectors(people[Director].join(kListSeparator));
  }
  logTo(reporter, kImageCount.arg(images.size()), 4);
  if (all) item.setSoliddetection(true);
  return BCError::NoError();
}

}  // namespace

QString MovieDBCleanedName(const QString& seriesName) {
  const QString decomposed = seriesName.toLower().normalized(QString::NormalizationForm_KD);
  QString cleaned;
  for (const QChar c : decomposed) {
    if (c.unicode() < 0x80) {
      if (c != u'?') cleaned += c;
    } else if (c.isMark()) {
      continue;  // the accent of a decomposed letter
    }
    // Anything else has no ASCII form: it would become "?", and every "?" goes.
  }
  return cleaned;
}

BCError LookUpMovieDBAlternates(MediaFile& item, const QString& language, const QString& cachePath,
                                const Reporter& reporter) {
  item.setSelectedAlernativeSuggestion(-1);
  item.setAlternativeSuggestions({});
  const QString cleaned = MovieDBCleanedName(item.seriesname());
  const QString queryName = PercentEscaped(cleaned);
  const QString file = cachefile::movieDBSearch(cachePath, queryName);
  logTo(reporter, kLoading.arg(file), 4);
  if (QFileInfo::exists(file)) {
    logTo(reporter, kFileAlreadyInCache, 4);
  } else {
    const QString url = serviceBaseURL(Service::TheMovieDB) + kSearchPath + language + kXMLPiece +
                        QLatin1String(kMovieDBAPIKey) + u'/' + queryName;
    logTo(reporter, kURL.arg(url), 4);
    if (!downloadIntoCache(url, file, kTimeout, reporter)) {
      logTo(reporter, kSearchOffline, 3);
      return BCError::Code(kServiceUnreachable, kNoConnection);
    }
  }

  logTo(reporter, kOpeningFile.arg(file), 4);
  QList<VideoAlternate> candidates;
  int selected = -1;
  VideoAlternate candidate;
  bool matched = false;
  for (const QString& line : ReadLinesFromFile(file).value_or(QStringList())) {
    if (HasXMLElement(line, "movie")) {
      candidate = VideoAlternate::alternateWithName(kNotFound, 0);
      matched = false;
    }
    if (auto v = elementValue(line, "name")) {
      // The answer is XML text: the name is kept, compared and assigned unescaped, and
      // nothing later unescapes it again.
      candidate.setName(UnescapeHTML(*v));
      if (candidate.Name().toLower() == cleaned) {
        logTo(reporter, kFoundShow.arg(candidate.Name()), 4);
        matched = true;
      }
    }
    if (auto v = elementValue(line, "id")) candidate.setID(IntegerValue(*v));
    if (!line.contains(QLatin1String("</movie>"))) continue;
    candidates.append(candidate);
    logTo(reporter,
          kAddingAlternate.arg(QString::number(candidates.size()), candidate.Name(),
                               QString::number(candidate.ID())),
          5);
    item.setSoliddetection(true);
    if (matched && selected < 0) {
      selected = int(candidates.size() - 1);
      item.setSeriesname(candidate.Name());
    }
    matched = false;
  }
  if (candidates.isEmpty()) QFile::remove(file);
  item.setAlternativeSuggestions(candidates);
  item.setSelectedAlernativeSuggestion(selected);
  return BCError::NoError();
}

BCError LookUpMovieDBInfo(MediaFile& item, qint32 movieID, const QString& language, const QString& cachePath,
                          const Reporter& reporter) {
  return readRecord(item, movieID, language, cachePath, reporter, RecordRules::All);
}

BCError LookUpMovieDBInfoForSelectedAlternate(MediaFile& item, const QString& language,
                                              const QString& cachePath, const Reporter& reporter) {
  const QList<VideoAlternate> candidates = item.AlternativeSuggestions();
  const int selected = item.selectedAlernativeSuggestion();
  if (selected < 0 || selected >= candidates.size()) return BCError::Code(MovieDBCode::InvalidID, kInvalidID);
  return readRecord(item, candidates[selected].ID(), language, cachePath, reporter, RecordRules::PostersOnly);
}

}  // namespace zuvo
