#include "app/controller/RestorableState.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCborMap>
#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <mutex>

#include "platform/KeyedArchive.h"
#include "platform/Paths.h"

namespace zuvo {
namespace {
const QString kFileTable = QStringLiteral("FileTable");
const QString kQueueTable = QStringLiteral("QueueTable");
constexpr const char* kStateFileName = "/MainWindow.state";
// The file: a map of the format's name, its version and the two lists, each a list of
// sealed records; a record holds its list's name beside the item, so that one found by
// a scan of a damaged file still knows where it belongs.
constexpr const char* kFormatKey = "format";
constexpr const char* kFormatName = "org.zuvo.lists";
constexpr const char* kVersionKey = "version";
constexpr qint64 kVersion = 2;
constexpr const char* kListKey = "list";
constexpr const char* kItemKey = "item";
// How every sealed archive begins: a map of four whose first key names the format.
const QByteArray kRecordStart = QByteArrayLiteral(
    "\xA4\x66"
    "format"
    "\x75"
    "org.zuvo.keyedarchive");

std::mutex& writeLock() {
  static std::mutex lock;
  return lock;
}

QString identity(const MediaFile& item) {
  return item.isDVD() ? item.fullpath() + QLatin1Char('\n') + item.DVDTitle() : item.fullpath();
}

QByteArray record(const QString& list, const MediaFilePtr& item) {
  QCborMap map;
  map.insert(QLatin1String(kListKey), list);
  map.insert(QLatin1String(kItemKey), KeyedArchiver::encodedMap(item));
  return sealArchive(map);
}

struct Record {
  QString list;
  MediaFilePtr item;
};

// One sealed record: nothing when it is not whole.
std::optional<Record> readRecord(const QByteArray& bytes) {
  const std::optional<QCborValue> root = openArchive(bytes, nullptr);
  if (!root || !root->isMap()) return std::nullopt;
  const QCborMap map = root->toMap();
  const QString list = map.value(QLatin1String(kListKey)).toString();
  if (list != kFileTable && list != kQueueTable) return std::nullopt;
  KeyedUnarchiver top(QCborMap(), "archive");
  std::optional<MediaFilePtr> item =
      top.decodedObject<MediaFile>(map.value(QLatin1String(kItemKey)), kItemKey);
  if (!item) return std::nullopt;
  return Record{list, *item};
}

// One CBOR item at `from`, and how long it is; nothing when none parses there.
std::optional<std::pair<QCborValue, qsizetype>> itemAt(const QByteArray& data, qsizetype from) {
  const QByteArray rest = QByteArray::fromRawData(data.constData() + from, data.size() - from);
  QCborStreamReader reader(rest);
  QCborValue value = QCborValue::fromCbor(reader);
  if (reader.lastError() != QCborError::NoError) return std::nullopt;
  return std::pair{value, qsizetype(reader.currentOffset())};
}

struct Lists {
  QList<MediaFilePtr> files, queue;
  void add(Record&& r) { (r.list == kFileTable ? files : queue).append(std::move(r.item)); }
};

// A byte string or text at the reader, read whole; nothing when it is neither or cut.
std::optional<QByteArray> readBytes(QCborStreamReader& reader) {
  QByteArray out;
  if (reader.isLengthKnown()) out.reserve(qsizetype(std::min<quint64>(reader.length(), 1u << 30)));
  if (reader.isByteArray()) {
    auto chunk = reader.readByteArray();
    for (; chunk.status == QCborStreamReader::Ok; chunk = reader.readByteArray()) out += chunk.data;
    if (chunk.status == QCborStreamReader::Error) return std::nullopt;
  } else if (reader.isString()) {
    auto chunk = reader.readString();
    for (; chunk.status == QCborStreamReader::Ok; chunk = reader.readString()) out += chunk.data.toUtf8();
    if (chunk.status == QCborStreamReader::Error) return std::nullopt;
  } else {
    return std::nullopt;
  }
  return out;
}

// The file as written, read as a stream so that no second copy of it is held: nothing
// unless every part of it reads.
std::optional<Lists> readWhole(QIODevice& file, const std::atomic<bool>* cancelled) {
  QCborStreamReader reader(&file);
  if (!reader.isMap() || !reader.enterContainer()) return std::nullopt;
  Lists lists;
  bool format = false, version = false;
  int listsRead = 0;
  while (reader.hasNext()) {
    const std::optional<QByteArray> key = reader.isString() ? readBytes(reader) : std::nullopt;
    if (!key) return std::nullopt;
    if (*key == kFormatKey) {
      format = readBytes(reader) == QByteArray(kFormatName);
    } else if (*key == kVersionKey) {
      version = reader.isInteger() && reader.toInteger() == kVersion;
      reader.next();
    } else if (const QString name = QString::fromUtf8(*key); name == kFileTable || name == kQueueTable) {
      if (!format || !version || !reader.isArray() || !reader.enterContainer()) return std::nullopt;
      while (reader.hasNext()) {
        if (cancelled && cancelled->load()) return lists;
        const std::optional<QByteArray> bytes = reader.isByteArray() ? readBytes(reader) : std::nullopt;
        std::optional<Record> r = bytes ? readRecord(*bytes) : std::nullopt;
        if (!r || r->list != name) return std::nullopt;
        lists.add(std::move(*r));
      }
      if (!reader.leaveContainer()) return std::nullopt;
      ++listsRead;
    } else {
      return std::nullopt;
    }
  }
  if (!reader.leaveContainer() || reader.lastError() != QCborError::NoError || listsRead != 2 ||
      reader.currentOffset() != file.size())
    return std::nullopt;
  return lists;
}

// Every whole record of a damaged file, in the order they were written.
Lists salvage(const QByteArray& data, const std::atomic<bool>* cancelled) {
  Lists lists;
  qsizetype at = data.indexOf(kRecordStart);
  while (at >= 0 && !(cancelled && cancelled->load())) {
    const auto found = itemAt(data, at);
    std::optional<Record> r;
    if (found && found->first.isMap()) r = readRecord(data.mid(at, found->second));
    if (r) {
      lists.add(std::move(*r));
      at += found->second;
    } else {
      at += 1;
    }
    at = data.indexOf(kRecordStart, at);
  }
  return lists;
}

// The lists of the first version of the file: one sealed map of two sealed lists.
std::optional<Lists> readFirstVersion(const QByteArray& data, const Reporter& reporter) {
  const std::optional<QCborValue> root = openArchive(data, nullptr);
  if (!root || !root->isMap()) return std::nullopt;
  const QCborMap map = root->toMap();
  Lists lists;
  for (const QString& name : {kFileTable, kQueueTable}) {
    if (!map.contains(name)) continue;
    std::optional<QList<MediaFilePtr>> list = unarchiveMediaFiles(map.value(name).toByteArray(), reporter);
    if (!list) return std::nullopt;
    (name == kFileTable ? lists.files : lists.queue) = *list;
  }
  return lists;
}

bool syncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

}  // namespace

RestorableState::RestorableState(const QString& supportFolder) : path_(supportFolder + kStateFileName) {}

bool RestorableState::write(const QList<MediaFilePtr>& files, const QList<MediaFilePtr>& queue) const {
  std::lock_guard<std::mutex> guard(writeLock());
  const QString fresh = path_ + QStringLiteral(".new");
  QFile file(fresh);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  {
    // Record by record, so that no second copy of the whole lists is ever held.
    QCborStreamWriter writer(&file);
    writer.startMap(4);
    writer.append(QLatin1String(kFormatKey));
    writer.append(QLatin1String(kFormatName));
    writer.append(QLatin1String(kVersionKey));
    writer.append(kVersion);
    for (const auto& [name, list] : {std::pair{kFileTable, &files}, std::pair{kQueueTable, &queue}}) {
      writer.append(name);
      qsizetype count = 0;
      for (const MediaFilePtr& item : *list) count += item ? 1 : 0;
      writer.startArray(quint64(count));
      for (const MediaFilePtr& item : *list)
        if (item) writer.append(record(name, item));
      writer.endArray();
    }
    writer.endMap();
  }
  const bool written = file.error() == QFileDevice::NoError && file.flush() && ::fsync(file.handle()) == 0;
  file.close();
  if (!written || ::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path_).constData()) != 0) {
    QFile::remove(fresh);
    return false;
  }
  syncFolder(QFileInfo(path_).absolutePath());
  return true;
}

RestoredLists RestorableState::read(const Reporter& reporter, const std::atomic<bool>* cancelled) const {
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly)) return {};
  std::optional<Lists> whole = readWhole(file, cancelled);
  if (cancelled && cancelled->load()) return {};
  if (whole) return {whole->files, whole->queue, QString()};
  file.seek(0);
  const QByteArray data = file.readAll();
  file.close();
  whole = readFirstVersion(data, reporter);
  if (whole) return {whole->files, whole->queue, QString()};

  Lists found = salvage(data, cancelled);
  RestoredLists restored{found.files, found.queue, paths::unreadableCopyName(path_)};
  if (!QFile::rename(path_, restored.setAside)) restored.setAside = path_;
  if (reporter)
    reporter->report(
        QStringLiteral("[RED]Saved window state unreadable; kept as %1; %2 of its items read back")
            .arg(restored.setAside)
            .arg(found.files.size() + found.queue.size()),
        1);
  return restored;
}

QList<MediaFilePtr> mergeRestoredList(const QList<MediaFilePtr>& restored, const QList<MediaFilePtr>& current,
                                      const QList<MediaFilePtr>& otherRestored) {
  QSet<QString> known;
  for (const auto* list : {&restored, &otherRestored})
    for (const MediaFilePtr& item : *list)
      if (item) known.insert(identity(*item));
  QList<MediaFilePtr> merged = restored;
  for (const MediaFilePtr& item : current)
    if (item && !known.contains(identity(*item))) merged.append(item);
  return merged;
}

}  // namespace zuvo
