#include "metadata/FileChapters.h"

#include <algorithm>
#include <limits>

#include "media/AnalysisTools.h"
#include "media/StringHelpers.h"
#include "media/TimeHelpers.h"
#include "metadata/ServiceCache.h"
#include "metadata/TagChimp.h"

namespace zuvo {
namespace {

const QString kChapter = QStringLiteral("Chapter");
const QString kNumberStart = QStringLiteral("#0.");
const QString kNumberEnd = QStringLiteral(": start");
const QString kStartStart = QStringLiteral("start ");
const QString kStartEnd = QStringLiteral(", end ");
const QString kTitleLine = QStringLiteral("title    ");
const QString kTitleValue = QStringLiteral("title           : ");
const QString kStreamLine = QStringLiteral("Stream #");
const QString kNumberedTitle = QStringLiteral("chapter");

// ffprobe's seconds ("2.500000") to whole milliseconds; what is no number starts at 0.
qint64 startMs(const QString& seconds) {
  bool ok = false;
  const double value = seconds.trimmed().toDouble(&ok);
  if (!ok || !(value > 0)) return 0;
  return qint64(std::min(value * 1000 + 0.5, double(std::numeric_limits<qint32>::max()) * 1000));
}

}  // namespace

BCError ChaptersFromFile(MediaFile& item, const QString& cachePath, const Reporter& reporter) {
  item.setChapters({});
  const QString source = item.packagepath().isEmpty() ? item.fullpath() : item.packagepath();
  return ChaptersFromFFprobeReport(item, ffprobeOutput(source, cachePath), reporter);
}

BCError ChaptersFromFFprobeReport(MediaFile& item, const QString& ffprobeReport, const Reporter& reporter) {
  QList<ChapterTrack> chapters;
  std::optional<ChapterTrack> open;
  for (const QString& output : SplitLines(ffprobeReport).value_or(QStringList())) {
    logTo(reporter, output, 4);
    const QString line = output.trimmed();
    if (line.startsWith(kChapter)) {
      ChapterTrack chapter;
      chapter.setChapternumber(
          IntegerValue(StringBetween(line, kNumberStart, kNumberEnd).value_or(QString())));
      chapter.setStarttime(TimeStringFromMilliseconds(
          startMs(StringBetween(line, kStartStart, kStartEnd).value_or(QString()))));
      open = chapter;
    } else if (line.startsWith(kStreamLine)) {
      // An untitled chapter must not take the title of the stream listed after it.
      open.reset();
    } else if (open && line.contains(kTitleLine)) {
      open->setTitle(SubstringAfter(line, kTitleValue).value_or(QString()));
      chapters.append(*open);
      open.reset();
    }
  }
  item.setChapters(chapters);
  return BCError::NoError();
}

void matchChapters(MediaFile& item, const QString& language, const QString& cachePath,
                   const Reporter& reporter) {
  for (const VideoAlternate& candidate : item.ChaptersAlternates()) {
    const BCError answer = TagChimpLookupChapterTitles(item, candidate.ID(), language, cachePath, reporter);
    QList<ChapterTrack> chapters = item.Chapters();
    const QStringList titles = answer.NoErrorResult().toStringList();
    if (answer.Error() || chapters.isEmpty() || titles.size() != chapters.size()) continue;
    for (qsizetype i = 0; i < chapters.size(); ++i) chapters[i].setTitle(titles[i]);
    item.setChapters(chapters);
    if (!titles.first().toLower().contains(kNumberedTitle)) return;
  }
}

}  // namespace zuvo
