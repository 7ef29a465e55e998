#include "metadata/ExistingTags.h"

#include <QFileInfo>
#include <QImage>
#include <QXmlStreamReader>

#include "media/MediaValues.h"
#include "metadata/ServiceCache.h"
#include "metadata/TagChimp.h"
#include "metadata/TheMovieDB.h"
#include "metadata/TheTVDB.h"
#include "mp4/Mp4File.h"
#include "platform/Defaults.h"
#include "platform/NotificationCenter.h"

namespace zuvo {
namespace {

constexpr std::uint8_t kTVShowMediaType = 10;
const std::string kITunesMeaning = "com.apple.iTunes";
const std::string kRatingItem = "iTunEXTC";
const std::string kPeopleItem = "iTunMOVI";
const QString kNoNumber = QStringLiteral("00");
const QString kUnknown = QStringLiteral("Unknown");
const QString kAutomaticallyConvertAllFiles = QStringLiteral("AutomaticallyConvertAllFiles");
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
const QString kQueued = QStringLiteral("File %1 is a solid detection so setting state to 2 in line with preferences");

// The three people lists of "iTunMOVI" and the item fields they go to.
struct PeopleKey {
  const char* key;
  QString (MediaFile::*get)() const;
  void (MediaFile::*set)(const QString&);
};
const PeopleKey kPeopleKeys[] = {
    {"cast", &MediaFile::actors, &MediaFile::setActors},
    {"directors", &MediaFile::directors, &MediaFile::setDirectors},
    {"producers", &MediaFile::producers, &MediaFile::setProducers},
};

QString text(const std::optional<std::string>& value) { return QString::fromStdString(value.value_or(std::string())); }

// One value of an XML property list at the reader's current start element.
QVariant propertyListValue(QXmlStreamReader& xml) {
  const QStringView kind = xml.name();
  if (kind == u"dict") {
    QVariantMap map;
    QString key;
    while (xml.readNextStartElement()) {
      if (xml.name() == u"key") {
        key = xml.readElementText();
      } else {
        map.insert(key, propertyListValue(xml));
      }
    }
    return map;
  }
  if (kind == u"array") {
    QVariantList list;
    while (xml.readNextStartElement()) list.append(propertyListValue(xml));
    return list;
  }
  if (kind == u"true" || kind == u"false") {
    const bool value = kind == u"true";
    xml.skipCurrentElement();
    return value;
  }
  return xml.readElementText(QXmlStreamReader::SkipChildElements);
}

// The dictionary an XML property list holds; nothing for anything else.
std::optional<QVariantMap> propertyListDictionary(const QByteArray& data) {
  QXmlStreamReader xml(data);
  if (!xml.readNextStartElement() || xml.name() != u"plist" || !xml.readNextStartElement() || xml.name() != u"dict")
    return std::nullopt;
  const QVariant value = propertyListValue(xml);
  if (xml.hasError()) return std::nullopt;
  return value.toMap();
}

void takeOverRating(const Mp4File& file, MediaFile& item) {
  for (const Mp4Item& found : file.freeformItems(kITunesMeaning, kRatingItem))
    for (const Mp4ItemData& data : found.data()) {
      const QStringList pieces = QString::fromStdString(data.text()).split(u'|');
      if (pieces.size() >= 3) item.setRating(pieces[1]);
    }
}

void takeOverPeople(const Mp4File& file, MediaFile& item) {
  for (const Mp4Item& found : file.freeformItems(kITunesMeaning, kPeopleItem))
    for (const Mp4ItemData& data : found.data()) {
      const std::optional<QVariantMap> list =
          propertyListDictionary(QByteArray(reinterpret_cast<const char*>(data.value.data()), qsizetype(data.value.size())));
      if (!list) continue;
      for (const PeopleKey& people : kPeopleKeys) {
        const QString names = stringFromArray(list->value(QLatin1String(people.key)).toList());
        if (names.isEmpty()) continue;
        const QString present = (item.*people.get)();
        (item.*people.set)(present.isEmpty() || present == kUnknown ? names : present + QStringLiteral(", ") + names);
      }
    }
}

}  // namespace

QString stringFromArray(const QVariantList& array) {
  QStringList names;
  for (const QVariant& entry : array) names.append(entry.toMap().value(QStringLiteral("name")).toString());
  return names.join(QStringLiteral(", "));
}

bool testforMP4tags(const MediaFile& item, const Reporter& reporter) {
  logTo(reporter, kTesting, 4);
  Mp4File file;
  if (file.open(item.fullpath().toStdString(), Mp4File::Mode::Read).failed()) {
    logTo(reporter, kTestOpenFailed, 3);
    return false;
  }
  if (file.tags().name) {
    logTo(reporter, kTagsFound, 4);
    return true;
  }
  logTo(reporter, kTagsNotFound, 4);
  return false;
}

BCError createVideoDataFromm4v(MediaFile& item, const QString& language, const QString& cachePath,
                               const Reporter& reporter, bool autoprocess) {
  const QString path = item.fullpath();
  Mp4File file;
  if (file.open(path.toStdString(), Mp4File::Mode::Read).failed()) {
    logTo(reporter, kOpenFailed.arg(path), 3);
    return BCError::Code(1, kCannotOpen);
  }
  logTo(reporter, kReading, 4);
  const Mp4Tags tags = file.tags();

  bool tvShow = false;
  if (tags.mediaType) {
    logTo(reporter, kMediaTypeSet, 4);
    logTo(reporter, kFoundMediaType.arg(int(*tags.mediaType)), 4);
    item.setSoliddetection(true);
    tvShow = *tags.mediaType == kTVShowMediaType;
  } else {
    logTo(reporter, kNoMediaType, 4);
    tvShow = !text(tags.tvShow).isEmpty();
    if (tvShow) logTo(reporter, kFoundTVShowName, 4);
    item.setSoliddetection(tvShow);
  }

  QString series, season, episodeName, episode;
  if (!tvShow) {
    series = text(tags.name);
    logTo(reporter, kMovieName.arg(series), 4);
  } else {
    if (tags.tvShow) {
      series = text(tags.tvShow);
      logTo(reporter, kTVShowName.arg(series), 4);
    }
    if (tags.tvSeason) {
      season = QString::number(*tags.tvSeason);
      logTo(reporter, kSeasonNumber.arg(season), 4);
    }
    if (tags.name) {
      episodeName = text(tags.name);
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

  if (!tags.artwork.empty()) {
    const Mp4Buffer& picture = tags.artwork.front().data;
    const QImage image = QImage::fromData(picture.data(), int(picture.size()));
    if (!image.isNull()) item.setImage(image);
  }
  if (tags.longDescription) item.setDescription(text(tags.longDescription));
  if (tags.releaseDate) item.setReleasedate(text(tags.releaseDate));
  if (tags.genre) item.setGenre(text(tags.genre));
  takeOverRating(file, item);
  takeOverPeople(file, item);
  file.close();

  if (item.mediatype() == MediaType::Movie) {
    LookUpMovieDBAlternates(item, language, cachePath, reporter);
    LookUpMovieDBInfoForSelectedAlternate(item, language, cachePath, reporter);
  } else {
    TVDBLookUpShow(item, cachePath, reporter);
    const QList<VideoAlternate> candidates = item.AlternativeSuggestions();
    const int selected = item.selectedAlernativeSuggestion();
    if (selected >= 0 && selected < candidates.size())
      TVDBGetBanner(candidates[selected].ID(), item, cachePath, reporter);
  }
  TagChimpSearchChapterAlternates(item, language, cachePath, false, reporter);

  if (autoprocess && Defaults::standard().boolForKey(kAutomaticallyConvertAllFiles)) {
    item.setState(MediaState::Queued);
    logTo(reporter, kQueued.arg(QFileInfo(path).fileName()), 4);
    NotificationCenter::defaultCenter().post(kMakeFileTable, &item);
  }
  return BCError::NoError();
}

}  // namespace zuvo
