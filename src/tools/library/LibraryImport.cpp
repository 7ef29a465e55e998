#include "tools/library/LibraryImport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "mp4/Mp4File.h"
#include "platform/FileMove.h"
#include "tools/library/LibraryIndex.h"

namespace zuvo::library {
namespace {

constexpr uint8_t kMovieMediaKind = 9;
constexpr uint8_t kTVShowMediaKind = 10;
constexpr int kMostCopiesOfOneName = 99;

QString text(const std::optional<std::string>& tag) { return tag ? QString::fromStdString(*tag) : QString(); }

Kind kindOfTags(const Mp4Tags& tags) {
  if (tags.mediaType == kTVShowMediaKind) return Kind::TVShow;
  if (tags.mediaType == kMovieMediaKind) return Kind::Movie;
  return Kind::HomeVideo;
}

// "name.ext", else "name 1.ext" up to "name 99.ext"; empty when all are taken.
QString freeName(const QString& folder, const QFileInfo& source) {
  const QString suffix = source.suffix().isEmpty() ? QString() : "." + source.suffix();
  const QString stem = source.suffix().isEmpty() ? source.fileName() : source.completeBaseName();
  for (int i = 0; i <= kMostCopiesOfOneName; ++i) {
    const QString name =
        i == 0 ? source.fileName() : QStringLiteral("%1 %2%3").arg(stem, QString::number(i), suffix);
    if (!QFileInfo::exists(folder + "/" + name)) return name;
  }
  return {};
}

}  // namespace

ImportResult importIntoLibrary(const QString& libraryFolder, const QString& file, const QString& description,
                               std::optional<Kind> kind, ImportMode mode) {
  ImportResult result;
  const QFileInfo source(file);
  if (!source.isFile()) {
    result.error = QStringLiteral("no file to import at %1").arg(file);
    return result;
  }
  Mp4File mp4;
  if (const Mp4Error opened = mp4.open(QFile::encodeName(file).toStdString(), Mp4File::Mode::Read)) {
    result.error = QStringLiteral("%1 is not a readable MP4 file: %2")
                       .arg(file, QString::fromStdString(opened.message()));
    return result;
  }
  const Mp4Tags tags = mp4.tags();
  mp4.close();

  LibraryItem item;
  item.kind = kind ? *kind : kindOfTags(tags);
  item.title = text(tags.name).isEmpty() ? source.completeBaseName() : text(tags.name);
  item.description = description;
  if (item.kind == Kind::TVShow) {
    item.series = text(tags.tvShow);
    item.season = tags.tvSeason.value_or(0);
    item.episode = tags.tvEpisode.value_or(0);
  }

  const QString relativeFolder = itemFolder(item.kind, item.series, item.season);
  const QString folder = libraryFolder + "/" + relativeFolder;
  if (!QDir().mkpath(folder)) {
    result.error = QStringLiteral("cannot make the library folder %1").arg(folder);
    return result;
  }
  const QString name = freeName(folder, source);
  if (name.isEmpty()) {
    result.error = QStringLiteral("%1 already holds %2 copies of %3")
                       .arg(folder, QString::number(kMostCopiesOfOneName + 1), source.fileName());
    return result;
  }
  const QString target = folder + "/" + name;
  const FileMoveResult placed =
      mode == ImportMode::Move ? moveFileNoReplace(file, target) : copyFileNoReplace(file, target);
  if (!placed.done) {
    result.error = QStringLiteral("cannot %1 %2 to %3: %4")
                       .arg(mode == ImportMode::Move ? QStringLiteral("move") : QStringLiteral("copy"), file,
                            target, placed.error);
    return result;
  }
  item.path = relativeFolder + "/" + name;
  LibraryIndex index(libraryFolder);
  if (!index.add(item, result.error, &result.warning)) {
    // The caller's file is where it was, as with any failed import.
    if (mode == ImportMode::Move)
      moveFileNoReplace(target, file);
    else
      QFile::remove(target);
    return result;
  }
  result.imported = true;
  result.placedAt = target;
  return result;
}

}  // namespace zuvo::library
