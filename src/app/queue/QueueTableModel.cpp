#include "app/queue/QueueTableModel.h"

#include <QMimeData>

#include "app/queue/QueueRowDrag.h"
#include "app/queue/QueueRowStatus.h"
#include "app/tables/TableImages.h"
#include "app/tables/TableRoles.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

// The stop icon while converting, none once ended, the reset icon otherwise.
QImage buttonImage(const MediaFile& item) {
  const MediaState state = item.state();
  if (state == MediaState::Converting) return tableImage(QStringLiteral("queue_stop_icon"));
  if (state == MediaState::Ended) return QImage();
  return tableImage(QStringLiteral("queue_reset_icon"));
}

QueueRowStatus statusOf(const MediaFile& item) {
  const Defaults& defaults = Defaults::standard();
  return queueRowStatus(item, false,  // "DetailedQueue": never registered nor written, so NO
                        defaults.get(setting::EnableFASTMode));
}

// Where the item is on its way, in words.
QString stateText(const MediaFile& item, const QueueRowStatus& status) {
  switch (item.state()) {
    case MediaState::Queued:
      return queuedText();
    case MediaState::Converting: {
      const QString doing = item.pause() ? pausedText() : QStringLiteral("Converting");
      return status.passLabel.isEmpty() ? doing : QStringLiteral("%1, %2").arg(doing, status.passLabel);
    }
    case MediaState::Ended:
      if (item.conversionfinished()) return QStringLiteral("Finished");
      if (item.stopbuttonpressed()) return QStringLiteral("Stopped");
      return item.conversionerror().isEmpty() ? QStringLiteral("Failed")
                                              : QStringLiteral("Failed: %1").arg(item.conversionerror());
    default:
      return QString();
  }
}

}  // namespace

QString QueueTableModel::accessibleText(const QString& id, const MediaFile& item) {
  if (id == QLatin1String("Stop")) {
    if (item.state() == MediaState::Converting) return QStringLiteral("Stop");
    if (item.state() == MediaState::Ended) return QString();
    return QStringLiteral("Remove from the queue");
  }
  const QueueRowStatus status = statusOf(item);
  if (id == QLatin1String("Image")) return status.title;
  // Each row says only what it shows: progress and time left while it runs (the time
  // text is "Paused" while held), the time taken once it has finished, and no time or
  // progress for a row that waits, failed or was stopped.
  QStringList parts = {status.title, stateText(item, status)};
  const bool running = item.state() == MediaState::Converting;
  if (running) parts << QStringLiteral("%1%").arg(status.progress);
  if (running && !item.pause()) parts << status.timeText.trimmed();
  if (item.state() == MediaState::Ended && item.conversionfinished()) parts << status.timeText.trimmed();
  parts.removeAll(QString());
  return parts.join(QStringLiteral(", "));
}

const QStringList& QueueTableModel::identifiers() {
  static const QStringList ids = {QStringLiteral("Image"), QStringLiteral("ProgressIndicator"),
                                  QStringLiteral("Stop")};
  return ids;
}

QueueTableModel::QueueTableModel(const QList<MediaFilePtr>& queue, QObject* parent)
    : QAbstractTableModel(parent), queue_(queue) {}

void QueueTableModel::setInUse(bool inUse) {
  if (inUse == inUse_) return;
  beginResetModel();
  inUse_ = inUse;
  endResetModel();
}

void QueueTableModel::reload() {
  beginResetModel();
  endResetModel();
}

void QueueTableModel::watch(const QueueJobs& jobs) {
  jobs_ = &jobs;
  connect(&jobs, &QueueJobs::statusChanged, this, [this](QueueJobs::Id id, JobStatus) { jobChanged(id); });
  connect(&jobs, &QueueJobs::progressChanged, this, [this](QueueJobs::Id id, float) { jobChanged(id); });
}

void QueueTableModel::jobChanged(QueueJobs::Id id) {
  if (!inUse_) return;
  // The item's place now: a job whose item has left the list has no row.
  const MediaFilePtr item = jobs_->item(id);
  const qsizetype row = item ? queue_.indexOf(item) : -1;
  if (row >= 0) emit dataChanged(index(int(row), 0), index(int(row), columnCount() - 1));
}

int QueueTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !inUse_ ? 0 : int(queue_.size());
}

int QueueTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(identifiers().size());
}

QVariant QueueTableModel::data(const QModelIndex& index, int role) const {
  if (!inUse_ || !index.isValid() || index.row() >= queue_.size() || index.column() >= identifiers().size())
    return {};
  const MediaFile& item = *queue_[index.row()];
  const QString& id = identifiers()[index.column()];
  const bool display = role == Qt::DisplayRole || role == Qt::EditRole;
  if (role == Qt::AccessibleTextRole) return accessibleText(id, item);
  if (id == QLatin1String("Image")) {
    if (!display) return {};
    const QImage artwork = item.artwork().small();
    return artwork.isNull() ? tableImage(mediaTypeImageName(item.mediatype())) : artwork;
  }
  if (id == QLatin1String("ProgressIndicator")) {
    if (display) return statusOf(item).toList();
    // Only a running row draws its progress bar.
    if (role == TableRole::AccessibleValue)
      return item.state() == MediaState::Converting ? QVariant(statusOf(item).progress) : QVariant();
    if (role == TableRole::ConversionError) return item.conversionerror();
    if (role == TableRole::IsSample) return item.isSample();
    return {};
  }
  // "Stop"
  if (display) return QStringLiteral("No Data");
  if (role == TableRole::ButtonImage) return buttonImage(item);
  if (role == TableRole::Enabled) return item.state() != MediaState::Ended || item.conversionfinished();
  if (role == TableRole::AccessibleAction) return item.state() != MediaState::Ended;
  return {};
}

QVariant QueueTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= identifiers().size()) return {};
  if (role == TableRole::Identifier) return identifiers()[section];
  if (role == Qt::DisplayRole) return section == 1 ? QStringLiteral("Status") : QString();
  return {};
}

bool QueueTableModel::setData(const QModelIndex& index, const QVariant&, int role) {
  if (role != Qt::EditRole || !inUse_ || !index.isValid() || index.row() >= queue_.size()) return false;
  if (identifiers()[index.column()] != QLatin1String("Stop")) return false;
  if (stopRequest_) stopRequest_(index.row());
  return false;
}

Qt::ItemFlags QueueTableModel::flags(const QModelIndex& index) const {
  // Rows drag from the table in use; a drop lands between rows or past the last.
  if (!index.isValid()) return inUse_ ? Qt::ItemIsDropEnabled : Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | (inUse_ ? Qt::ItemIsDragEnabled : Qt::NoItemFlags);
}

QStringList QueueTableModel::mimeTypes() const { return {kQueueRowType}; }

QMimeData* QueueTableModel::mimeData(const QModelIndexList& indexes) const {
  if (!inUse_ || !dragRequest_) return nullptr;
  QList<int> rows;
  for (const QModelIndex& index : indexes)
    if (index.isValid() && !rows.contains(index.row())) rows << index.row();
  return rows.isEmpty() ? nullptr : dragRequest_(rows);
}

bool QueueTableModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                      const QModelIndex&) const {
  return inUse_ && data && data->hasFormat(kQueueRowType);
}

bool QueueTableModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                   const QModelIndex& parent) {
  if (action == Qt::IgnoreAction) return true;
  if (!canDropMimeData(data, action, row, column, parent) || !dropRequest_) return false;
  // Dropped on a row rather than between rows: that row's place; below the rows: the end.
  if (row < 0) row = parent.isValid() ? parent.row() : int(queue_.size());
  dropRequest_(data, row);
  // The controller has moved the item itself: the view must remove nothing.
  return false;
}

Qt::DropActions QueueTableModel::supportedDropActions() const { return Qt::MoveAction | Qt::CopyAction; }

Qt::DropActions QueueTableModel::supportedDragActions() const { return Qt::MoveAction; }

}  // namespace zuvo
