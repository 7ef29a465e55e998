#include "platform/MadeFiles.h"

#include <QFile>
#include <QMutex>
#include <QSaveFile>

namespace zuvo::madefiles {
namespace {

// One writer at a time within the process: probes add cache files on many threads.
QMutex& recordLock() {
  static QMutex lock;
  return lock;
}

QString recordPath(const QString& folder) { return folder + u'/' + QLatin1String(kRecordName); }

// A name is one line; a name holding a line break or a slash is none of ours.
bool recordable(const QString& name) {
  return !name.isEmpty() && !name.contains(u'\n') && !name.contains(u'/') &&
         name != QLatin1String(kRecordName);
}

QSet<QString> readRecord(const QString& folder) {
  QSet<QString> names;
  QFile file(recordPath(folder));
  if (!file.open(QIODevice::ReadOnly)) return names;
  for (const QByteArray& line : file.readAll().split('\n'))
    if (!line.isEmpty()) names << QString::fromUtf8(line);
  return names;
}

}  // namespace

void add(const QString& folder, const QStringList& names) {
  if (folder.isEmpty()) return;
  const QMutexLocker locker(&recordLock());
  const QSet<QString> known = readRecord(folder);
  QByteArray lines;
  for (const QString& name : names)
    if (recordable(name) && !known.contains(name)) lines += name.toUtf8() + '\n';
  if (lines.isEmpty()) return;
  QFile file(recordPath(folder));
  if (file.open(QIODevice::WriteOnly | QIODevice::Append)) file.write(lines);
}

QSet<QString> names(const QString& folder) {
  if (folder.isEmpty()) return {};
  const QMutexLocker locker(&recordLock());
  return readRecord(folder);
}

void forget(const QString& folder, const QStringList& names) {
  if (folder.isEmpty() || names.isEmpty()) return;
  const QMutexLocker locker(&recordLock());
  QSet<QString> kept = readRecord(folder);
  const qsizetype before = kept.size();
  for (const QString& name : names) kept.remove(name);
  if (kept.size() == before) return;
  // An empty record is no record: the folder is left as the user had it.
  if (kept.isEmpty()) {
    QFile::remove(recordPath(folder));
    return;
  }
  QByteArray lines;
  for (const QString& name : kept) lines += name.toUtf8() + '\n';
  // Written whole or not at all: a torn record would forget files that are ours.
  QSaveFile file(recordPath(folder));
  if (file.open(QIODevice::WriteOnly)) {
    file.write(lines);
    file.commit();
  }
}

}  // namespace zuvo::madefiles
