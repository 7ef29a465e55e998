#include "convert/converter/PictureLength.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

#include "platform/Paths.h"
#include "platform/ToolProcess.h"

namespace zuvo {
namespace {

constexpr double kLeastTolerance = 2.0;   // seconds
constexpr double kShareTolerance = 0.02;  // of the expected length
// Packets looked at for the first key frame: a long GOP of a broadcast is a few hundred.
constexpr int kPacketsBeforeKey = 600;

// "V": the first video stream that is no cover picture.
const QString kPicture = QStringLiteral("V:0");

// Quiet: its messages share the pipe with the answer, and a recording cut mid-GOP makes many.
QByteArray ffprobe(const QStringList& arguments) {
  ToolProcess::Options options;
  options.program = paths::toolPath(QStringLiteral("ffprobe"));
  options.arguments = QStringList{QStringLiteral("-v"), QStringLiteral("quiet")} + arguments;
  return ToolProcess::run(options);
}

std::optional<double> number(const QJsonValue& value) {
  bool ok = false;
  const double n = value.toString().toDouble(&ok);
  return ok && std::isfinite(n) && n > 0 ? std::optional<double>(n) : std::nullopt;
}

// Matroska keeps a stream's length as a tag, "00:01:05.400000000".
std::optional<double> clockTime(const QString& text) {
  const QStringList parts = text.split(u':');
  if (parts.size() != 3) return std::nullopt;
  bool h = false, m = false, s = false;
  const double seconds = parts[0].toDouble(&h) * 3600 + parts[1].toDouble(&m) * 60 + parts[2].toDouble(&s);
  return h && m && s && seconds > 0 ? std::optional<double>(seconds) : std::nullopt;
}

// From the first packet to the first key frame, by presentation time.
double undecodableStart(const QString& path) {
  const QByteArray out = ffprobe(
      {QStringLiteral("-select_streams"), kPicture, QStringLiteral("-read_intervals"),
       QStringLiteral("%+#%1").arg(kPacketsBeforeKey), QStringLiteral("-show_entries"),
       QStringLiteral("packet=pts_time,flags"), QStringLiteral("-of"), QStringLiteral("csv=p=0"), path});
  std::optional<double> first;
  double last = 0;
  for (const QByteArray& line : out.split('\n')) {
    const QList<QByteArray> fields = line.trimmed().split(',');
    if (fields.size() < 2) continue;
    bool ok = false;
    const double time = fields[0].toDouble(&ok);
    if (!ok) continue;
    first = first ? std::min(*first, time) : time;
    last = std::max(last, time);
    if (fields[1].contains('K')) return std::max(0.0, time - *first);
  }
  // No key frame so far: all that was looked at is lost.
  return first ? last - *first : 0;
}

}  // namespace

std::optional<PictureLength> pictureLengthOf(const QString& path) {
  const QJsonObject probe =
      QJsonDocument::fromJson(
          ffprobe({QStringLiteral("-select_streams"), kPicture, QStringLiteral("-show_entries"),
                   QStringLiteral("stream=duration:stream_tags=DURATION:format=duration"),
                   QStringLiteral("-of"), QStringLiteral("json"), path}))
          .object();
  const QJsonArray streams = probe[QLatin1String("streams")].toArray();
  if (streams.isEmpty()) return std::nullopt;
  const QJsonObject stream = streams.first().toObject();
  // The stream's own length; the file's (its longest stream) when the container keeps none.
  std::optional<double> seconds = number(stream[QLatin1String("duration")]);
  if (!seconds)
    seconds = clockTime(stream[QLatin1String("tags")].toObject()[QLatin1String("DURATION")].toString());
  if (!seconds) seconds = number(probe[QLatin1String("format")].toObject()[QLatin1String("duration")]);
  if (!seconds) return std::nullopt;
  return PictureLength{*seconds, std::min(*seconds, undecodableStart(path))};
}

std::optional<PictureLength> sourcePictureLength(const MediaFile& media) {
  // A join's list holds the parts after the first, the source itself.
  const QStringList parts =
      QStringList{media.packagepath().isEmpty() ? media.fullpath() : media.packagepath()} +
      media.VideoJoinPaths();
  PictureLength whole;
  for (const QString& part : parts) {
    const std::optional<PictureLength> length = pictureLengthOf(part);
    if (!length) return std::nullopt;
    whole.seconds += length->seconds;
    whole.startLoss += length->startLoss;
  }
  return whole;
}

bool lastsAsLong(double seconds, const PictureLength& expected, double slack) {
  const double tolerance = std::max(kLeastTolerance, kShareTolerance * expected.seconds) + slack;
  return seconds <= expected.seconds + tolerance &&
         seconds >= expected.seconds - expected.startLoss - tolerance;
}

}  // namespace zuvo
