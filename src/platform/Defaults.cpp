#include "platform/Defaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <utility>

#include "platform/Paths.h"

namespace zuvo {
namespace {

// The file without the lines the INI reader cannot take: a section header without its
// closing bracket, or a line that is neither a comment, a header nor "key=value". A
// value that ends with a backslash goes on on the next line.
QByteArray readableLines(const QByteArray& text) {
  QByteArrayList kept;
  bool continued = false;
  for (const QByteArray& line : text.split('\n')) {
    const QByteArray bare = line.trimmed();
    const bool readable = continued || bare.isEmpty() || bare.startsWith(';') || bare.startsWith('#') ||
                          (bare.startsWith('[') ? bare.endsWith(']') : bare.contains('='));
    if (readable) kept.append(line);
    continued = readable && bare.endsWith('\\');
  }
  return kept.join('\n');
}

// The file holds the user's keys for the online services: only the user may read it. The
// store rewrites it through a file that takes over the permissions of the one it replaces.
void keepPrivate(const QString& file) {
  if (file.isEmpty()) return;
  QDir().mkpath(QFileInfo(file).absolutePath());
  if (!QFileInfo::exists(file)) QFile(file).open(QIODevice::WriteOnly);
  QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace

Defaults& Defaults::standard() {
  static Defaults instance;
  return instance;
}

Defaults::Defaults() : file_(paths::settingsFile()) {}

QSettings& Defaults::settings() const {
  if (!settings_) {
    keepUnreadableFileAside();
    keepPrivate(file_);
    settings_ = std::make_unique<QSettings>(file_, QSettings::IniFormat);
  }
  return *settings_;
}

void Defaults::keepUnreadableFileAside() const {
  QFile file(file_);
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray text = file.readAll();
  file.close();
  const QByteArray readable = readableLines(text);
  if (readable == text) {
    // Whatever else the INI reader refuses is kept aside too, left as it is.
    const QSettings probe(file_, QSettings::IniFormat);
    if (probe.status() != QSettings::FormatError) return;
  }
  const QString aside = paths::unreadableCopyName(file_);
  if (!QFile::copy(file_, aside)) return;
  // It may hold the user's keys too.
  QFile::setPermissions(aside, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  setAside_ = aside;
  QSaveFile repaired(file_);
  if (repaired.open(QIODevice::WriteOnly)) {
    repaired.write(readable);
    repaired.commit();
  }
}

QString Defaults::takeSetAsideFile() {
  QMutexLocker guard(&lock_);
  settings();
  return std::exchange(setAside_, QString());
}

void Defaults::setStorageFile(const QString& path) {
  QMutexLocker guard(&lock_);
  settings_.reset();
  file_ = path;
  setAside_.clear();
}

void Defaults::registerDefaults(const QVariantMap& defaults) {
  QMutexLocker guard(&lock_);
  for (auto it = defaults.begin(); it != defaults.end(); ++it) registered_.insert(it.key(), it.value());
}

QVariantMap Defaults::registeredDefaults() const {
  QMutexLocker guard(&lock_);
  return registered_;
}

QVariant Defaults::objectForKey(const QString& key) const {
  QMutexLocker guard(&lock_);
  const QVariant user = settings().value(key);
  if (user.isValid()) return user;
  return registered_.value(key);
}

bool Defaults::hasUserValue(const QString& key) const {
  QMutexLocker guard(&lock_);
  return settings().contains(key);
}

bool Defaults::boolForKey(const QString& key) const {
  const QVariant v = objectForKey(key);
  if (v.typeId() == QMetaType::QString) {
    const QString s = v.toString().trimmed().toLower();
    return s == "true" || s == "yes" || s.toInt() != 0;
  }
  return v.toBool();
}

int Defaults::integerForKey(const QString& key) const {
  const QVariant v = objectForKey(key);
  bool ok = false;
  const int i = v.toInt(&ok);
  if (ok) return i;
  if (v.typeId() == QMetaType::QString) {
    const QString s = v.toString().trimmed();
    if (s == "true") return 1;
  }
  return static_cast<int>(v.toDouble());
}

double Defaults::doubleForKey(const QString& key) const { return objectForKey(key).toDouble(); }

QString Defaults::stringForKey(const QString& key) const {
  const QVariant v = objectForKey(key);
  if (v.typeId() == QMetaType::QStringList) return QString();
  return v.toString();
}

QStringList Defaults::stringArrayForKey(const QString& key) const {
  const QVariant v = objectForKey(key);
  if (!v.isValid()) return {};
  // The INI format stores a one-element list as a plain text.
  if (v.typeId() == QMetaType::QString) return {v.toString()};
  return v.toStringList();
}

QByteArray Defaults::dataForKey(const QString& key) const { return objectForKey(key).toByteArray(); }

void Defaults::setObject(const QVariant& value, const QString& key) {
  QMutexLocker guard(&lock_);
  if (!value.isValid()) {
    settings().remove(key);
    return;
  }
  settings().setValue(key, value);
}

void Defaults::removeObjectForKey(const QString& key) {
  QMutexLocker guard(&lock_);
  settings().remove(key);
}

void Defaults::synchronize() {
  QMutexLocker guard(&lock_);
  settings().sync();
}

}  // namespace zuvo
