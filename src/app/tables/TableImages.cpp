#include "app/tables/TableImages.h"

#include <QHash>

#include "media/MediaValues.h"
#include "platform/Paths.h"

namespace zuvo {

QImage tableImage(const QString& name) {
  static QHash<QString, QImage> loaded;
  auto found = loaded.constFind(name);
  if (found != loaded.constEnd()) return *found;
  const QImage image(paths::resourcePath(name + QStringLiteral(".png")));
  loaded.insert(name, image);
  return image;
}

QImage statusImage(const MediaFile& item) {
  switch (item.reasonfordeselection()) {
    case DeselectionReason::None:
      return tableImage(item.hadexistingtags() ? QStringLiteral("MP4Circle") : QStringLiteral("OKCircle"));
    case DeselectionReason::Duplicate:
      return tableImage(QStringLiteral("DuplicateCircle"));
    case DeselectionReason::NoLookUpMatch:
    case DeselectionReason::IncompleteTVShow:
      return tableImage(QStringLiteral("UnknownCircle"));
    case DeselectionReason::ProtectedByDRM:
      return tableImage(QStringLiteral("DRMCircle"));
    case DeselectionReason::UnsupportedVideo:
    case DeselectionReason::NoVideo:
      return tableImage(QStringLiteral("UnsupportedCircle"));
    default:
      return QImage();
  }
}

QString mediaTypeImageName(MediaType mediatype) {
  if (mediatype == MediaType::TVShow) return QStringLiteral("TVShow");
  if (mediatype == MediaType::Movie) return QStringLiteral("Movie");
  return QStringLiteral("HomeMovie");
}

QString mediaTypeDescription(MediaType mediatype) {
  if (mediatype == MediaType::TVShow) return QStringLiteral("TV Show");
  if (mediatype == MediaType::Movie) return QStringLiteral("Movie");
  return QStringLiteral("Home Movie");
}

}  // namespace zuvo
