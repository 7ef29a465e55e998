#include "tools/library/LibraryIndex.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>

namespace zuvo::library {
namespace {

constexpr int kFormatVersion = 1;
constexpr int kLockWaitMs = 10000;
constexpr int kStaleLockMs = 60000;

QJsonObject toJson(const LibraryItem& item) {
  QJsonObject o{{"kind", kindName(item.kind)},
                {"path", item.path},
                {"title", item.title},
                {"description", item.description},
                {"added", item.added}};
  if (item.kind == Kind::TVShow) {
    o["series"] = item.series;
    o["season"] = qint64(item.season);
    o["episode"] = qint64(item.episode);
  }
  return o;
}

std::optional<LibraryItem> fromJson(const QJsonValue& value) {
  const QJsonObject o = value.toObject();
  const std::optional<Kind> kind = kindNamed(o.value("kind").toString());
  const QString path = o.value("path").toString();
  if (!kind || path.isEmpty()) return std::nullopt;
  LibraryItem item;
  item.kind = *kind;
  item.path = path;
  item.title = o.value("title").toString();
  item.series = o.value("series").toString();
  item.season = quint32(o.value("season").toInteger());
  item.episode = quint32(o.value("episode").toInteger());
  item.description = o.value("description").toString();
  item.added = o.value("added").toString();
  return item;
}

bool sameName(const QString& a, const QString& b) {
  return QString::compare(a.trimmed(), b.trimmed(), Qt::CaseInsensitive) == 0;
}

}  // namespace

LibraryIndex::LibraryIndex(const QString& libraryFolder) : folder_(libraryFolder) {}

QString LibraryIndex::path() const { return folder_ + "/" + kIndexFileName; }

bool LibraryIndex::read(QList<LibraryItem>& items, QString& error) const {
  items.clear();
  QFile file(path());
  if (!file.exists()) return true;
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("cannot read the library index %1: %2").arg(path(), file.errorString());
    return false;
  }
  QJsonParseError parse;
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parse);
  if (parse.error != QJsonParseError::NoError || !doc.isObject() || !doc.object().value("items").isArray()) {
    error = QStringLiteral("the library index %1 is damaged").arg(path());
    return false;
  }
  for (const QJsonValue& value : doc.object().value("items").toArray())
    if (std::optional<LibraryItem> item = fromJson(value)) items << *item;
  return true;
}

bool LibraryIndex::add(const LibraryItem& item, QString& error, QString* warning) {
  QLockFile lock(path() + ".lock");
  lock.setStaleLockTime(kStaleLockMs);
  if (!lock.tryLock(kLockWaitMs)) {
    error = QStringLiteral("the library index %1 is locked by another import").arg(path());
    return false;
  }
  QList<LibraryItem> items;
  QString readError;
  if (!read(items, readError)) {
    const QString aside = path() + ".damaged-" + QDateTime::currentDateTimeUtc().toString("yyyyMMddHHmmss");
    if (!QFile::rename(path(), aside)) {
      error = readError;
      return false;
    }
    if (warning) *warning = readError + QStringLiteral(", kept as %1; a new index was started").arg(aside);
  }
  LibraryItem added = item;
  if (added.added.isEmpty()) added.added = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
  items << added;

  QJsonArray array;
  for (const LibraryItem& each : items) array << toJson(each);
  QSaveFile file(path());
  if (!file.open(QIODevice::WriteOnly)) {
    error = QStringLiteral("cannot write the library index %1: %2").arg(path(), file.errorString());
    return false;
  }
  file.write(QJsonDocument(QJsonObject{{"version", kFormatVersion}, {"items", array}}).toJson());
  if (!file.commit()) {
    error = QStringLiteral("cannot write the library index %1: %2").arg(path(), file.errorString());
    return false;
  }
  return true;
}

bool LibraryIndex::stillThere(const LibraryItem& item) const {
  return QFileInfo(folder_ + "/" + item.path).isFile();
}

int LibraryIndex::countEpisodes(const QList<LibraryItem>& items, const QString& series, quint32 season,
                                quint32 episode) const {
  int count = 0;
  for (const LibraryItem& item : items)
    if (item.kind == Kind::TVShow && item.season == season && item.episode == episode &&
        sameName(item.series, series) && stillThere(item))
      ++count;
  return count;
}

int LibraryIndex::countMovies(const QList<LibraryItem>& items, const QString& title) const {
  int count = 0;
  for (const LibraryItem& item : items)
    if (item.kind == Kind::Movie && sameName(item.title, title) && stillThere(item)) ++count;
  return count;
}

}  // namespace zuvo::library
