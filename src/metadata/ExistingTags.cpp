#include "metadata/ExistingTags.h"

#include <QFileInfo>

#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "metadata/ExistingMP4Tags.h"
#include "metadata/ServiceCache.h"
#include "metadata/TagChimp.h"
#include "metadata/TheMovieDB.h"
#include "metadata/TheTVDB.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"

namespace zuvo {
namespace {

constexpr quint8 kTVShowMediaType = 10;
const QString kNoNumber = QStringLiteral("00");
const QString kUnknown = QStringLiteral("Unknown");
const QString kMakeFileTable = QStringLiteral("MakeFileTable");
const QString kCannotOpen = QStringLiteral("Can't open MP4 file to read tags");

const QString kTesting = QStringLiteral("Testing for existing MP4 Tags");
const QString kTestOpenFailed = QStringLiteral("[RED]Unable to open file to test for MP4 Tags");
const QString kTagsFound = QStringLiteral("[BLUE]Existing MP4 Tags found");
const QString kTagsNotFound = QStringLiteral("MP4 Tags not found");
const QString kReading = QStringLiteral("Reading existing tag data from file");
const QString kOpenFailed = QStringLiteral("videoDataFromm4v::Can't open MP4 file to read tags : %1");
const QString kMediaTypeSet = QStringLiteral("Media type is set");
const QString kFoundMediaType = QStringLiteral("videoDataFromm4v::Found media type : %1");
const QString kNoMediaType = QStringLiteral("No media type set, checking for TV Show name");
const QString kFoundTVShowName = QStringLiteral("Found TV Show name so setting media type to TV Show");
const QString kMovieName = QStringLiteral("Set Movie Name to : %1");
const QString kTVShowName = QStringLiteral("videoDataFromm4v::Setting TV Show Name To %1");
const QString kSeasonNumber = QStringLiteral("Set TV Season Number to : %1");
const QString kEpisodeName = QStringLiteral("Set TV Episode Number to : %1");
const QString kEpisodeNumber = QStringLiteral("Set TV Show Episode Number to : %1");
const QString kMovieSummary = QStringLiteral("Movie Name : %1");
const QString kShowSummary = QStringLiteral("TV Show Name : %1");
const QString kShowNumberSummary = QStringLiteral("TV Show Number : %1");
const QString kSeasonSummary = QStringLiteral("TV Season number : %1");
const QString kEpisodeSummary = QStringLiteral("TV Episode Name : %1");
const QString kQueued =
    QStringLiteral("File %1 is a solid detection so setting state to 2 in line with preferences");

// The three name lists of "iTunMOVI" and the item fields they go to.
struct People {
  QStringList CastAndCrew::*names;
  QString (MediaFile::*get)() const;
  void (MediaFile::*set)(const QString&);
};
const People kPeople[] = {
    {&CastAndCrew::cast, &MediaFile::actors, &MediaFile::setActors},
    {&CastAndCrew::directors, &MediaFile::directors, &MediaFile::setDirectors},
    {&CastAndCrew::producers, &MediaFile::producers, &MediaFile::setProducers},
};

// Names are added to what the item holds, unless it holds nothing or "Unknown".
void takeOverPeople(const CastAndCrew& found, MediaFile& item) {
  for (const People& people : kPeople) {
    const QString names = (found.*people.names).join(QStringLiteral(", "));
    if (names.isEmpty()) continue;
    const QString present = (item.*people.get)();
    (item.*people.set)(present.isEmpty() || present == kUnknown ? names
                                                                : present + QStringLiteral(", ") + names);
  }
}

}  // namespace

bool testforMP4tags(const MediaFile& item, const Reporter& reporter) {
  logTo(reporter, kTesting, 4);
  ExistingMP4Tags tags;
  if (readExistingMP4Tags(item.fullpath(), tags).Error()) {
    logTo(reporter, kTestOpenFailed, 3);
    return false;
  }
  if (tags.name) {
    logTo(reporter, kTagsFound, 4);
    return true;
  }
  logTo(reporter, kTagsNotFound, 4);
  return false;
}

BCError createVideoDataFromm4v(MediaFile& item, const QString& language, const QString& cachePath,
                               const Reporter& reporter, bool autoprocess) {
  const QString path = item.fullpath();
  ExistingMP4Tags tags;
  if (readExistingMP4Tags(path, tags).Error()) {
    logTo(reporter, kOpenFailed.arg(path), 3);
    return BCError::Code(ExistingTagsCode::CannotOpen, kCannotOpen);
  }
  logTo(reporter, kReading, 4);

  bool tvShow = false;
  if (tags.mediaType) {
    logTo(reporter, kMediaTypeSet, 4);
    logTo(reporter, kFoundMediaType.arg(int(*tags.mediaType)), 4);
    item.setSoliddetection(true);
    tvShow = *tags.mediaType == kTVShowMediaType;
  } else {
    logTo(reporter, kNoMediaType, 4);
    tvShow = !tags.tvShow.value_or(QString()).isEmpty();
    if (tvShow) logTo(reporter, kFoundTVShowName, 4);
    item.setSoliddetection(tvShow);
  }

  QString series, season, episodeName, episode;
  if (!tvShow) {
    series = tags.name.value_or(QString());
    logTo(reporter, kMovieName.arg(series), 4);
  } else {
    if (tags.tvShow) {
      series = *tags.tvShow;
      logTo(reporter, kTVShowName.arg(series), 4);
    }
    if (tags.tvSeason) {
      season = QString::number(*tags.tvSeason);
      logTo(reporter, kSeasonNumber.arg(season), 4);
    }
    if (tags.name) {
      episodeName = *tags.name;
      logTo(reporter, kEpisodeName.arg(episodeName), 4);
    }
    if (tags.tvEpisode) {
      episode = QString::number(*tags.tvEpisode);
      logTo(reporter, kEpisodeNumber.arg(episode), 4);
    }
  }

  series = series.trimmed();
  item.setSeriesname(series.isEmpty() ? kUnknown : series);
  item.setEpisodename(episodeName.trimmed());
  item.setFilename(QFileInfo(path).fileName());
  if (episode.isEmpty()) episode = kNoNumber;
  if (season.isEmpty()) season = kNoNumber;
  item.setShow(quint32(episode.toUInt()));
  item.setSeason(quint32(season.toUInt()));
  if (episode == kNoNumber && season == kNoNumber) {
    logTo(reporter, kMovieSummary.arg(item.seriesname()), 4);
    item.setMediatype(MediaType::Movie);
    item.setEpisodename(QString());
  } else {
    item.setMediatype(MediaType::TVShow);
    logTo(reporter, kShowSummary.arg(item.seriesname()), 3);
    logTo(reporter, kShowNumberSummary.arg(episode), 3);
    logTo(reporter, kSeasonSummary.arg(season), 3);
    logTo(reporter, kEpisodeSummary.arg(item.episodename()), 3);
  }
  item.setSelected(true);
  item.setProgress(0);
  item.setPackagepath(QString());
  item.setHadexistingtags(true);

  if (!tags.artwork.isNull()) item.setImage(tags.artwork);
  if (tags.longDescription) item.setDescription(*tags.longDescription);
  if (tags.releaseDate) item.setReleasedate(*tags.releaseDate);
  if (tags.genre) item.setGenre(*tags.genre);
  if (tags.rating) item.setRating(*tags.rating);
  takeOverPeople(tags.castAndCrew, item);

  if (item.mediatype() == MediaType::Movie) {
    // The file's own tags stay whatever the look-ups answer; failures are only logged.
    reportIfFailed(reporter, LookUpMovieDBAlternates(item, language, cachePath, reporter),
                   QStringLiteral("Searching movie candidates"));
    reportIfFailed(reporter, LookUpMovieDBInfoForSelectedAlternate(item, language, cachePath, reporter),
                   QStringLiteral("Looking up the movie record"));
  } else {
    reportIfFailed(reporter, TVDBLookUpShow(item, cachePath, reporter),
                   QStringLiteral("Searching show candidates"));
    const QList<VideoAlternate> candidates = item.AlternativeSuggestions();
    const int selected = item.selectedAlernativeSuggestion();
    if (selected >= 0 && selected < candidates.size())
      reportIfFailed(reporter, TVDBGetBanner(candidates[selected].ID(), item, cachePath, reporter),
                     QStringLiteral("Fetching the show's artwork"));
  }
  reportIfFailed(reporter, TagChimpSearchChapterAlternates(item, language, cachePath, false, reporter),
                 QStringLiteral("Searching chapter titles"));

  if (autoprocess && Defaults::standard().get(setting::AutomaticallyConvertAllFiles)) {
    item.setState(MediaState::Queued);
    logTo(reporter, kQueued.arg(QFileInfo(path).fileName()), 4);
    NotificationCenter::defaultCenter().post(kMakeFileTable, &item);
  }
  return BCError::NoError();
}

}  // namespace zuvo
