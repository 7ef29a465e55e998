#include "app/files/ConvertedSources.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace zuvo {
namespace {
const QString kPath = QStringLiteral("path");
const QString kSize = QStringLiteral("size");
const QString kModified = QStringLiteral("modified");  // milliseconds since the epoch, UTC
}  // namespace

ConvertedSources::ConvertedSources(QString file) : file_(std::move(file)) {}

void ConvertedSources::load() {
  if (loaded_) return;
  loaded_ = true;
  QFile file(file_);
  if (file_.isEmpty() || !file.open(QIODevice::ReadOnly)) return;
  // A damaged file forgets what it held: at worst a source is converted once more.
  for (const QJsonValue& value : QJsonDocument::fromJson(file.readAll()).array()) {
    const QJsonObject source = value.toObject();
    const QString path = source.value(kPath).toString();
    if (path.isEmpty()) continue;
    sources_.insert(
        path, SourceIdentity{source.value(kSize).toInteger(),
                             QDateTime::fromMSecsSinceEpoch(source.value(kModified).toInteger(), Qt::UTC)});
  }
}

bool ConvertedSources::contains(const QString& path, const SourceIdentity& identity) {
  load();
  const auto found = sources_.constFind(path);
  return found != sources_.constEnd() && *found == identity;
}

void ConvertedSources::remember(const QString& path, const SourceIdentity& identity) {
  load();
  sources_.insert(path, identity);
  save();
}

void ConvertedSources::save() {
  if (file_.isEmpty()) return;
  QJsonArray sources;
  for (auto it = sources_.begin(); it != sources_.end();) {
    if (!QFileInfo::exists(it.key())) {
      it = sources_.erase(it);
      continue;
    }
    sources.append(
        QJsonObject{{kPath, it.key()}, {kSize, it->size}, {kModified, it->modified.toMSecsSinceEpoch()}});
    ++it;
  }
  QSaveFile file(file_);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(QJsonDocument(sources).toJson(QJsonDocument::Compact));
  file.commit();
}

}  // namespace zuvo
