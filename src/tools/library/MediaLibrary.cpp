#include "tools/library/MediaLibrary.h"

#include <QDir>

#include "convert/converter/OutputName.h"
#include "platform/Paths.h"

namespace zuvo::library {
namespace {

struct KindRow {
  Kind kind;
  const char* name;    // in the index
  const char* folder;  // under the library folder
};
constexpr KindRow kKinds[] = {
    {Kind::TVShow, "TV Show", "TV Shows"},
    {Kind::Movie, "Movie", "Movies"},
    {Kind::HomeVideo, "Home Video", "Home Videos"},
};
constexpr const char* kUnknownSeries = "Unknown Series";

const KindRow& rowOf(Kind kind) {
  for (const KindRow& row : kKinds)
    if (row.kind == kind) return row;
  return kKinds[0];
}

}  // namespace

QString libraryFolder() {
  const QByteArray overridden = qgetenv(kLocationVariable);
  if (!overridden.isEmpty()) return QDir::cleanPath(QString::fromLocal8Bit(overridden));
  return paths::moviesFolder() + "/" + kDefaultFolderName;
}

QString kindName(Kind kind) { return QString::fromLatin1(rowOf(kind).name); }

std::optional<Kind> kindNamed(const QString& name) {
  for (const KindRow& row : kKinds)
    if (name == QLatin1StringView(row.name)) return row.kind;
  return std::nullopt;
}

std::optional<Kind> kindOfMediaType(int mediaType) {
  switch (mediaType) {
    case 0:
      return Kind::TVShow;
    case 1:
      return Kind::Movie;
    case 2:
      return Kind::HomeVideo;
  }
  return std::nullopt;
}

QString itemFolder(Kind kind, const QString& series, quint32 season) {
  const QString top = QString::fromLatin1(rowOf(kind).folder);
  if (kind != Kind::TVShow) return top;
  // Without leading dots too (media servers skip hidden folders), nor the spaces after them.
  QString seriesFolder = SafeFileBaseName(series.trimmed(), QString::fromLatin1(kUnknownSeries)).trimmed();
  if (seriesFolder.isEmpty()) seriesFolder = QString::fromLatin1(kUnknownSeries);
  return QStringLiteral("%1/%2/Season %3").arg(top, seriesFolder, QString::number(season));
}

}  // namespace zuvo::library
