#include "app/controller/RestorableState.h"

#include "platform/KeyedArchive.h"

#include <QCborMap>
#include <QFile>
#include <QSaveFile>
#include <QSet>

namespace zuvo {
namespace {
const QString kFileTable = QStringLiteral("FileTable");
const QString kQueueTable = QStringLiteral("QueueTable");
constexpr const char* kStateFileName = "/MainWindow.state";

QString identity(const MediaFile& item) {
  return item.isDVD() ? item.fullpath() + QLatin1Char('\n') + item.DVDTitle() : item.fullpath();
}

std::optional<QList<MediaFilePtr>> listUnder(const QCborMap& map, const QString& key, const Reporter& reporter) {
  if (!map.contains(key)) return std::nullopt;
  return unarchiveMediaFiles(map.value(key).toByteArray(), reporter);
}

}  // namespace

RestorableState::RestorableState(const QString& supportFolder) : path_(supportFolder + kStateFileName) {}

bool RestorableState::write(const QList<MediaFilePtr>& files, const QList<MediaFilePtr>& queue) const {
  QCborMap map;
  map.insert(kFileTable, archiveMediaFiles(files));
  map.insert(kQueueTable, archiveMediaFiles(queue));
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(sealArchive(map));
  return file.commit();
}

RestoredLists RestorableState::read(const Reporter& reporter) const {
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QString failure;
  const std::optional<QCborValue> root = openArchive(file.readAll(), &failure);
  if (!root || !root->isMap()) {
    reporter->report(QStringLiteral("Saved window state unreadable: %1").arg(failure), 1);
    return {};
  }
  const QCborMap map = root->toMap();
  return {listUnder(map, kFileTable, reporter), listUnder(map, kQueueTable, reporter)};
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
