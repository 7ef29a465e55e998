#include "media/EyeTVPackage.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "media/MediaValues.h"
#include "media/StringHelpers.h"

namespace zuvo {
namespace {

constexpr const char* kMPEGExtension = "mpg";

void report(const Reporter& reporter, const QString& message, quint32 level) {
  if (reporter) reporter->report(message, level);
}

}  // namespace

BCError FindMPEGInEyeTVPackage(const QString& packagePath) {
  std::error_code error;
  std::filesystem::directory_iterator entries(std::filesystem::path(packagePath.toStdString()), error);
  if (error) return BCError::Code(kEyeTVPackageCode, QStringLiteral("Unable to read Elgato Package"));
  QStringList names;
  for (const auto& entry : entries) names << QString::fromStdString(entry.path().filename().string());
  if (names.isEmpty()) return BCError::Code(kEyeTVPackageCode, QStringLiteral("Elgato Package is Empty"));
  std::sort(names.begin(), names.end());
  for (const QString& name : names)
    if (QFileInfo(name).suffix().toLower() == QLatin1String(kMPEGExtension))
      return BCError::NoErrorWithSucess(QStringLiteral("%1/%2").arg(packagePath, name));
  return BCError::Code(kEyeTVPackageCode, QStringLiteral("No mpg file found in EyeTV package"));
}

BCError ParseEyeTVRecordingName(MediaFile& media, const Reporter& reporter) {
  QString path = media.fullpath();
  while (path.size() > 1 && path.endsWith('/')) path.chop(1);
  const QString name = QFileInfo(path).fileName();
  report(reporter, QStringLiteral("Getting Video Data from EyeTV file %1").arg(name), 4);

  QString segment;
  QString series;
  QString episode;
  bool inExtension = false;
  for (qsizetype i = 0; i < name.size(); ++i) {
    const QChar c = name[i];
    // Only the dot of the ".eyetv" extension ends a name; other dots belong to it
    // ("Mr. Smith - Pilot").
    if (c == '.' && i + 2 < name.size() && name[i + 1] == 'e' && name[i + 2] == 'y') {
      if (series.isEmpty()) series = CapitalizedString(segment);
      inExtension = true;
    } else if (c == '-') {
      report(reporter, QStringLiteral("Found >%1<").arg(segment.toLower()), 4);
      if (series.isEmpty()) series = CapitalizedString(segment.toLower().trimmed());
      segment.clear();
    } else {
      segment += c;
      if (!series.isEmpty() && !inExtension) episode += c;
    }
  }
  series = series.trimmed();
  episode = CapitalizedString(episode).trimmed();

  media.setShow(0);
  media.setSeason(0);
  media.setEpisodename(episode);
  media.setSeriesname(series);
  media.setSelected(false);
  media.setProgress(0);
  media.setTimeleftinconversion(0);
  if (episode.isEmpty()) {
    media.setMediatype(MediaType::Movie);
    report(reporter, QStringLiteral("Movie name - %1").arg(series), 4);
  } else {
    media.setMediatype(MediaType::TVShow);
    report(reporter, QStringLiteral("TV show name - %1").arg(series), 4);
    report(reporter, QStringLiteral("TV show number - %1").arg(QStringLiteral("00")), 4);
    report(reporter, QStringLiteral("TV show season number - %1").arg(QStringLiteral("00")), 4);
    report(reporter, QStringLiteral("TV show episode name -  %1").arg(episode), 4);
  }
  return BCError::NoError();
}

}  // namespace zuvo
