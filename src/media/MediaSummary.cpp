#include "media/MediaSummary.h"

#include <QCoreApplication>

#include "media/MediaLabels.h"
#include "media/StringHelpers.h"

namespace zuvo {
namespace {

constexpr const char* kContext = "MediaFile";
constexpr const char* kUnknownDuration = "Unknown";
constexpr int kEmptySummaryTexts = 8;

}  // namespace

QString summary(const MediaFile& item) {
  QString text = item.filename() + QLatin1Char('\n');
  if (item.filesize() > 0)
    text += QStringLiteral("%1: %2 \n")
                .arg(QCoreApplication::translate(kContext, "File Size"), HumanReadableSize(item.filesize()));
  const QString duration = item.durationstring();
  if (duration != QLatin1String(kUnknownDuration))
    text += QStringLiteral("%1:%2\n").arg(QCoreApplication::translate(kContext, "Duration"), duration);
  const VideoTrack video = item.myvideotrack();
  text += video.videoformat() + QLatin1Char(' ');
  text += QStringLiteral("%1x%2\n").arg(int(video.width())).arg(int(video.height()));
  return text;
}

QVariantList summaryArray(const MediaFile& item) {
  QVariantList values;
  if (!item.didlookup()) {
    for (int i = 0; i < kEmptySummaryTexts; ++i) values << QString();
    return values;
  }
  values << item.seriesname() << item.episodename() << MediaTypeName(item.mediatype())
         << QString::number(int(item.season())) << QString::number(int(item.show()))
         << (item.hasSurround() ? QStringLiteral("6") : QStringLiteral("2"));
  const QImage image = item.artwork().small();
  if (!image.isNull()) values << image;
  return values;
}

}  // namespace zuvo
