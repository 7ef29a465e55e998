#include "media/VideoDataFromFilename.h"

#include <QFileInfo>
#include <algorithm>

#include "media/FileNamePatterns.h"
#include "media/FileNameWords.h"
#include "media/FileTypes.h"
#include "media/MediaValues.h"
#include "media/StringHelpers.h"

namespace zuvo {
namespace {

constexpr const char* kUnknown = "Unknown";
constexpr const char* kNoNumber = "00";

// Empty words (" - ") and consumed markers add bare spaces; a name keeps only one
// between its words.
QString joinedWords(const QString& words) {
  return words.split(u' ', Qt::SkipEmptyParts).join(u' ').trimmed();
}

QString orUnknown(const QString& text) { return text.isEmpty() ? QLatin1String(kUnknown) : text; }

quint32 numberValue(const QString& text) { return static_cast<quint32>(std::max(0, IntegerValue(text))); }

}  // namespace

BCError getVideoDataFromFilename(MediaFile& media, const Reporter& reporter) {
  auto log = [&](const QString& message) {
    if (reporter) reporter->report(message, 3);
  };
  const QString name = QFileInfo(media.fullpath()).fileName();
  log(QStringLiteral("Getting Video Data from File : %1").arg(name));

  FileNameParse parse;
  parse.avchd = IsAVCHDFile(name);
  for (const QString& word : FileNameWords(name)) ProcessFileNameWord(parse, word, reporter);

  const QString nameWords = joinedWords(parse.nameWords);
  media.setShowyear(parse.year);
  media.setShowmonth(parse.month);
  media.setShowday(parse.day);
  media.setFilename(name);

  const QString episode = parse.episode.isEmpty() ? QLatin1String(kNoNumber) : parse.episode;
  const QString season = parse.season.isEmpty() ? QLatin1String(kNoNumber) : parse.season;
  media.setShow(numberValue(episode));
  media.setSeason(numberValue(season));
  media.setEpisodename(orUnknown(joinedWords(parse.episodeWords)));
  media.setSeriesname(orUnknown(nameWords));

  media.setSelected(false);
  if (season == QLatin1String(kNoNumber) && episode == QLatin1String(kNoNumber) && parse.day.isEmpty()) {
    log(QStringLiteral("Movie name - %1").arg(media.seriesname()));
    media.setMediatype(MediaType::Movie);
    media.setEpisodename(QString());
    media.setSoliddetection(false);
    media.setSeriesname(nameWords);
  } else {
    media.setMediatype(MediaType::TVShow);
    log(QStringLiteral("TV Show Name : %1").arg(media.seriesname()));
    log(QStringLiteral("TV Show Number : %1").arg(episode));
    log(QStringLiteral("TV Season number : %1").arg(season));
    log(QStringLiteral("TV Episode Name : %1").arg(media.episodename()));
  }
  return BCError::NoError();
}

}  // namespace zuvo
