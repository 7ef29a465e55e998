#include "platform/PlacedOutputs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QSaveFile>
#include <QSet>

#include "platform/Paths.h"

namespace zuvo::placedoutputs {
namespace {

const QString kPath = QStringLiteral("path");
const QString kSize = QStringLiteral("size");
const QString kModified = QStringLiteral("modified");  // milliseconds since the epoch
const QString kTold = QStringLiteral("told");

struct Output {
  qint64 size = 0;
  qint64 modified = 0;
  bool told = false;
};

struct Record {
  QMutex lock;
  QString file;  // the record of the support folder it was read from
  QHash<QString, Output> outputs;
  QSet<QString> expected;
};

Record& record() {
  static Record instance;
  return instance;
}

// The record of the current support folder, read at its first use. Call with the lock held.
Record& current() {
  Record& r = record();
  const QString file = paths::applicationSupportFolder() + u'/' + QLatin1String(kRecordName);
  if (file == r.file) return r;
  r.file = file;
  r.outputs.clear();
  r.expected.clear();
  QFile stored(file);
  if (!stored.open(QIODevice::ReadOnly)) return r;
  // A damaged record forgets what it held: at worst an output is converted once more.
  for (const QJsonValue& value : QJsonDocument::fromJson(stored.readAll()).array()) {
    const QJsonObject output = value.toObject();
    const QString path = output.value(kPath).toString();
    if (!path.isEmpty())
      r.outputs.insert(path, Output{output.value(kSize).toInteger(), output.value(kModified).toInteger(),
                                    output.value(kTold).toBool()});
  }
  return r;
}

// Written whole or not at all; outputs no longer there are left out.
void save(Record& r) {
  QJsonArray outputs;
  for (auto it = r.outputs.begin(); it != r.outputs.end();) {
    if (!QFileInfo(it.key()).isFile()) {
      it = r.outputs.erase(it);
      continue;
    }
    outputs.append(
        QJsonObject{{kPath, it.key()}, {kSize, it->size}, {kModified, it->modified}, {kTold, it->told}});
    ++it;
  }
  QDir().mkpath(QFileInfo(r.file).path());
  QSaveFile file(r.file);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(QJsonDocument(outputs).toJson(QJsonDocument::Compact));
  file.commit();
}

}  // namespace

void expect(const QString& path) {
  Record& r = record();
  const QMutexLocker locker(&r.lock);
  current().expected.insert(path);
}

void remember(const QString& path) {
  const QFileInfo placed(path);
  Record& r = record();
  const QMutexLocker locker(&r.lock);
  Record& now = current();
  now.expected.remove(path);
  if (!placed.isFile()) return;
  Output& output = now.outputs[path];
  output.size = placed.size();
  output.modified = placed.lastModified().toMSecsSinceEpoch();
  save(now);
}

void forget(const QString& path) {
  Record& r = record();
  const QMutexLocker locker(&r.lock);
  Record& now = current();
  now.expected.remove(path);
  if (now.outputs.remove(path) > 0) save(now);
}

bool isPlaced(const QString& path, qint64 size, const QDateTime& modified) {
  Record& r = record();
  const QMutexLocker locker(&r.lock);
  const Record& now = current();
  if (now.expected.contains(path)) return true;
  const auto found = now.outputs.constFind(path);
  return found != now.outputs.constEnd() && found->size == size &&
         found->modified == modified.toMSecsSinceEpoch();
}

bool firstTimeTold(const QString& path) {
  Record& r = record();
  const QMutexLocker locker(&r.lock);
  Record& now = current();
  const auto found = now.outputs.find(path);
  if (found == now.outputs.end()) return !now.expected.contains(path);
  if (found->told) return false;
  found->told = true;
  save(now);
  return true;
}

}  // namespace zuvo::placedoutputs
