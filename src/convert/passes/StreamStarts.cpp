#include "convert/passes/StreamStarts.h"

#include "platform/Paths.h"
#include "platform/ToolProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace zuvo {
namespace {

QByteArray ffprobe(const QStringList& arguments) {
  ToolProcess::Options options;
  options.program = paths::toolPath(QStringLiteral("ffprobe"));
  options.arguments = QStringList{QStringLiteral("-v"), QStringLiteral("error")} + arguments;
  return ToolProcess::run(options);
}

}  // namespace

std::optional<double> firstFrameTime(const QString& source, int index) {
  if (index < 0) return std::nullopt;
  // The decoded frames, not the packets: a stream's first packet may hold nothing to present.
  const QByteArray out = ffprobe({QStringLiteral("-select_streams"), QString::number(index),
                                  QStringLiteral("-read_intervals"), QStringLiteral("%+#1"), QStringLiteral("-show_entries"),
                                  QStringLiteral("frame=best_effort_timestamp_time"), QStringLiteral("-of"),
                                  QStringLiteral("csv=p=0"), source});
  for (const QByteArray& line : out.split('\n')) {
    bool ok = false;
    const double time = line.trimmed().replace(",", "").toDouble(&ok);
    if (ok) return time;
  }
  return std::nullopt;
}

StreamStart videoStart(const QString& source) {
  const QJsonObject probe = QJsonDocument::fromJson(
                                ffprobe({QStringLiteral("-show_entries"),
                                         QStringLiteral("stream=index,codec_type,width,height:stream_disposition=attached_pic"),
                                         QStringLiteral("-of"), QStringLiteral("json"), source}))
                                .object();
  StreamStart start;
  qint64 largest = -1;
  for (const QJsonValue& value : probe[QLatin1String("streams")].toArray()) {
    const QJsonObject s = value.toObject();
    if (s[QLatin1String("codec_type")].toString() != QLatin1String("video")) continue;
    if (s[QLatin1String("disposition")].toObject()[QLatin1String("attached_pic")].toInt() == 1) continue;
    const qint64 area = qint64(s[QLatin1String("width")].toInt()) * s[QLatin1String("height")].toInt();
    if (area > largest) {
      largest = area;
      start.videoStream = s[QLatin1String("index")].toInt();
    }
  }
  start.video = firstFrameTime(source, start.videoStream);
  return start;
}

QString alignmentFilter(std::optional<double> audioStart, std::optional<double> videoStart) {
  if (!audioStart || !videoStart) return {};
  const double offset = *audioStart - *videoStart;
  // Less than a millisecond is below what any player shows.
  if (std::fabs(offset) < 0.001) return {};
  const QString own = QStringLiteral("asetpts=PTS-STARTPTS");
  if (offset > 0) return own + QStringLiteral(",adelay=delays=%1:all=1").arg(qRound64(offset * 1000));
  return own + QStringLiteral(",atrim=start=%1,asetpts=PTS-STARTPTS").arg(-offset, 0, 'f', 6);
}

}  // namespace zuvo
