#include "convert/support/PreparationFixtures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <cmath>

#include "media/MediaValues.h"
#include "media/StreamAnalysis.h"
#include "mp4/Mp4Fixtures.h"
#include "support/TestSupport.h"

namespace zuvo::test {
namespace {
QString textFile(const QString& path, const QString& text) { return writeFile(path, text.toUtf8()); }
}  // namespace

void makeMatroska(const QString& path) {
  const QString folder = freshFolder("mkv source");
  makeMedia(path, {"-f",
                   "lavfi",
                   "-i",
                   "testsrc=size=160x120:rate=25:duration=2",
                   "-f",
                   "lavfi",
                   "-i",
                   "sine=frequency=440:sample_rate=48000:duration=2",
                   "-f",
                   "lavfi",
                   "-i",
                   "sine=frequency=660:sample_rate=48000:duration=2",
                   "-i",
                   textFile(folder + "/a.srt", kSubRip),
                   "-i",
                   textFile(folder + "/b.ass", kASS),
                   "-map",
                   "0:v",
                   "-map",
                   "1:a",
                   "-map",
                   "2:a",
                   "-map",
                   "3:s",
                   "-map",
                   "4:s",
                   "-c:v",
                   "libx264",
                   "-preset",
                   "ultrafast",
                   "-c:a",
                   "aac",
                   "-ac:a:0",
                   "2",
                   "-ac:a:1",
                   "1",
                   "-c:s:0",
                   "srt",
                   "-c:s:1",
                   "ass",
                   "-metadata:s:a:0",
                   "language=eng",
                   "-metadata:s:a:1",
                   "language=fre",
                   "-metadata:s:s:0",
                   "language=eng",
                   "-metadata:s:s:1",
                   "language=fre"});
}

void makeMp4WithText(const QString& path) {
  const QString folder = freshFolder("mp4 source");
  makeMedia(path, {"-f",
                   "lavfi",
                   "-i",
                   "testsrc=size=160x120:rate=25:duration=2",
                   "-f",
                   "lavfi",
                   "-i",
                   "sine=frequency=440:sample_rate=48000:duration=2",
                   "-i",
                   textFile(folder + "/a.srt", kSubRip),
                   "-map",
                   "0:v",
                   "-map",
                   "1:a",
                   "-map",
                   "2:s",
                   "-c:v",
                   "libx264",
                   "-preset",
                   "ultrafast",
                   "-c:a",
                   "aac",
                   "-ac",
                   "2",
                   "-c:s",
                   "mov_text",
                   "-metadata:s:s:0",
                   "language=eng"});
}

void makeRotatedVideo(const QString& path, double seconds, int width, int height, int degrees) {
  const QString stored = path + ".stored.mp4";
  makeMedia(stored,
            {"-f", "lavfi", "-i",
             QStringLiteral("testsrc2=size=%1x%2:rate=30:duration=%3").arg(width).arg(height).arg(seconds),
             "-f", "lavfi", "-i", QStringLiteral("sine=frequency=440:duration=%1").arg(seconds), "-c:v",
             "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac"});
  // 5.1 has no -display_rotation; the old "rotate" tag still becomes the display matrix.
  makeMedia(path, {"-i", stored, "-c", "copy", "-metadata:s:v:0", QStringLiteral("rotate=%1").arg(degrees)});
  QFile::remove(stored);
}

int displayRotation(const QString& path) {
  const CommandResult r = runCommand("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                                 "stream_side_data=rotation", "-of", "csv=p=0", path});
  return r.output.trimmed().toInt();
}

double pictureDistance(const QString& first, const QString& second, double at) {
  const auto grey = [at](const QString& file) {
    return runCommand("ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-ss", QString::number(at),
                                 "-frames:v", "1", "-vf", "scale=64:64,format=gray", "-f", "rawvideo", "-"})
        .output;
  };
  const QByteArray a = grey(first), b = grey(second);
  if (a.size() != 64 * 64 || b.size() != a.size()) return 255;
  double sum = 0;
  for (qsizetype i = 0; i < a.size(); ++i) sum += std::abs(int(uchar(a[i])) - int(uchar(b[i])));
  return sum / double(a.size());
}

MediaFilePtr probed(const QString& path) {
  auto media = std::make_shared<MediaFile>();
  media->setFullpath(path);
  media->setFilename(path.section(u'/', -1));
  media->setType(kSourceTypeFile);
  (void)MediaInfoFromFile(*media, {nullptr, freshFolder("probe"), QStringLiteral("en")});
  media->setState(MediaState::Converting);
  return media;
}

std::unique_ptr<BCConverter> converterFor(const MediaFilePtr& media, const QString& folder,
                                          const Reporter& reporter) {
  auto converter = BCConverter::init(media, QStringLiteral("[1]"), {}, reporter, {});
  converter->conversiondirectory = folder;
  return converter;
}

QStringList streamSummary(const QString& path) {
  QStringList lines;
  for (const QJsonValue& value : ffprobeStreams(path)) {
    const QJsonObject s = value.toObject();
    QString line = s["codec_type"].toString() + u' ' + s["codec_name"].toString();
    const QString language = s["tags"].toObject()["language"].toString();
    if (!language.isEmpty()) line += u' ' + language;
    lines << line;
  }
  return lines;
}

double durationSeconds(const QString& path) {
  return runCommand("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path})
      .output.trimmed()
      .toDouble();
}

}  // namespace zuvo::test
