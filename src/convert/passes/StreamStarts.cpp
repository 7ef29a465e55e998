#include "convert/passes/StreamStarts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "platform/Paths.h"
#include "platform/ToolProcess.h"

namespace zuvo {
namespace {

// Quiet: its messages would share the pipe with the answer, and a recording cut mid-stream
// makes the decoder complain until its first keyframe.
QByteArray ffprobe(const QStringList& arguments) {
  ToolProcess::Options options;
  options.program = paths::toolPath(QStringLiteral("ffprobe"));
  options.arguments = QStringList{QStringLiteral("-v"), QStringLiteral("quiet")} + arguments;
  return ToolProcess::run(options);
}

// What ffprobe says of stream `index` in its first seconds: a bounded read, however long
// the file, that still reaches past the longest group of pictures broadcasters send.
QJsonObject firstSeconds(const QString& source, int index, const QString& entries) {
  return QJsonDocument::fromJson(ffprobe({QStringLiteral("-select_streams"), QString::number(index),
                                          QStringLiteral("-read_intervals"), QStringLiteral("%+5"),
                                          QStringLiteral("-show_entries"), entries, QStringLiteral("-of"),
                                          QStringLiteral("json"), source}))
      .object();
}

// A time ffprobe writes as text; nothing for "N/A" or a missing entry.
std::optional<double> seconds(const QJsonValue& value) {
  bool ok = false;
  const double time = value.toString().toDouble(&ok);
  if (!ok || !std::isfinite(time)) return std::nullopt;
  return time;
}

}  // namespace

std::optional<double> firstFrameTime(const QString& source, int index) {
  if (index < 0) return std::nullopt;
  // The decoded frames, not the packets: a recording cut mid-stream opens with packets
  // that decode to nothing until the next keyframe.
  const QJsonArray frames =
      firstSeconds(source, index,
                   QStringLiteral("frame=best_effort_timestamp_time,pts_time"))[QLatin1String("frames")]
          .toArray();
  for (const QJsonValue& value : frames) {
    const QJsonObject frame = value.toObject();
    if (const auto time = seconds(frame[QLatin1String("best_effort_timestamp_time")])) return time;
    if (const auto time = seconds(frame[QLatin1String("pts_time")])) return time;
  }
  return std::nullopt;
}

std::optional<double> firstKeyframeTime(const QString& source, int index) {
  if (index < 0) return std::nullopt;
  const QJsonArray packets =
      firstSeconds(source, index, QStringLiteral("packet=pts_time,flags"))[QLatin1String("packets")]
          .toArray();
  for (const QJsonValue& value : packets) {
    const QJsonObject packet = value.toObject();
    if (packet[QLatin1String("flags")].toString().startsWith(u'K'))
      return seconds(packet[QLatin1String("pts_time")]);
  }
  return std::nullopt;
}

StreamStart videoStart(const QString& source, PictureStart picture) {
  const QJsonObject probe =
      QJsonDocument::fromJson(
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
  // A keyframe without a time of its own (AVI) is copied at the start of its stream.
  if (picture == PictureStart::Copied) start.video = firstKeyframeTime(source, start.videoStream);
  if (!start.video) start.video = firstFrameTime(source, start.videoStream);
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
