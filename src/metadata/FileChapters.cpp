#include "metadata/FileChapters.h"

#include <QFileInfo>

#include "media/StringHelpers.h"
#include "media/TimeHelpers.h"
#include "metadata/ServiceCache.h"
#include "metadata/TagChimp.h"
#include "platform/Paths.h"
#include "platform/ToolProcess.h"

namespace zuvo {
namespace {

const QString kFFprobe = QStringLiteral("ffprobe");
const QString kChapter = QStringLiteral("Chapter");
const QString kNumberStart = QStringLiteral("#0.");
const QString kNumberStartColon = QStringLiteral("#0:");  // ffprobe 5 writes "Chapter #0:1:"
const QString kNumberEnd = QStringLiteral(": start");
const QString kStartStart = QStringLiteral("start ");
const QString kStartEnd = QStringLiteral(", end ");
const QString kTitleLine = QStringLiteral("title    ");
const QString kTitleValue = QStringLiteral("title           : ");
const QString kStreamLine = QStringLiteral("Stream #");
const QString kNumberedTitle = QStringLiteral("chapter");

QString ffprobeListing(const QString& source, const QString& cachePath) {
  ToolProcess::Options options;
  options.program = paths::toolPath(kFFprobe);
  // Absolute, so that no path can be read as an option, and right from any working folder.
  options.arguments = {source.isEmpty() ? source : QFileInfo(source).absoluteFilePath()};
  if (QFileInfo(cachePath).isDir()) options.workingDirectory = cachePath;
  return QString::fromUtf8(ToolProcess::run(options));
}

}  // namespace

BCError ChaptersFromFile(MediaFile& item, const QString& cachePath, const Reporter& reporter) {
  item.setChapters({});
  const QString source = item.packagepath().isEmpty() ? item.fullpath() : item.packagepath();
  QList<ChapterTrack> chapters;
  std::optional<ChapterTrack> open;
  for (const QString& output : SplitLines(ffprobeListing(source, cachePath)).value_or(QStringList())) {
    logTo(reporter, output, 4);
    const QString line = output.trimmed();
    if (line.startsWith(kChapter)) {
      ChapterTrack chapter;
      std::optional<QString> number = StringBetween(line, kNumberStart, kNumberEnd);
      if (!number) number = StringBetween(line, kNumberStartColon, kNumberEnd);
      chapter.setChapternumber(IntegerValue(number.value_or(QString())));
      chapter.setStarttime(
          TimeStringFromSeconds(IntegerValue(StringBetween(line, kStartStart, kStartEnd).value_or(QString()))));
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

void matchChapters(MediaFile& item, const QString& language, const QString& cachePath, const Reporter& reporter) {
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
