#include "convert/support/PreparationFixtures.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

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
  makeMedia(path, {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2",
                   "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=2",
                   "-f", "lavfi", "-i", "sine=frequency=660:sample_rate=48000:duration=2",
                   "-i", textFile(folder + "/a.srt", kSubRip), "-i", textFile(folder + "/b.ass", kASS),
                   "-map", "0:v", "-map", "1:a", "-map", "2:a", "-map", "3:s", "-map", "4:s",
                   "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac", "-ac:a:0", "2", "-ac:a:1", "1",
                   "-c:s:0", "srt", "-c:s:1", "ass",
                   "-metadata:s:a:0", "language=eng", "-metadata:s:a:1", "language=fre",
                   "-metadata:s:s:0", "language=eng", "-metadata:s:s:1", "language=fre"});
}

void makeMp4WithText(const QString& path) {
  const QString folder = freshFolder("mp4 source");
  makeMedia(path, {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2",
                   "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=2",
                   "-i", textFile(folder + "/a.srt", kSubRip), "-map", "0:v", "-map", "1:a", "-map", "2:s",
                   "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac", "-ac", "2", "-c:s", "mov_text",
                   "-metadata:s:s:0", "language=eng"});
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

std::unique_ptr<BCConverter> converterFor(const MediaFilePtr& media, const QString& folder, const Reporter& reporter) {
  auto converter = BCConverter::init(media, QStringLiteral("[1]"), {}, reporter);
  converter->conversiondirectory = folder;
  converter->updatetableview = {};
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
