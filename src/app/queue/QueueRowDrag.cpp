#include "app/queue/QueueRowDrag.h"

#include <QMimeData>
#include <algorithm>

#include "platform/KeyedArchive.h"

namespace zuvo {
namespace {

// An index set as the archive holds it: the count and one key per index.
struct IndexSet {
  static constexpr const char* kArchiveClass = "NSIndexSet";
  QList<int> indexes;

  void encodeWithCoder(KeyedArchiver& coder) const {
    coder.encodeInt32(qint32(indexes.size()), QStringLiteral("NSCount"));
    for (qsizetype i = 0; i < indexes.size(); ++i)
      coder.encodeInt32(indexes[i], QStringLiteral("NSIndex%1").arg(i));
  }
  static IndexSet initWithCoder(const KeyedUnarchiver& coder) {
    IndexSet set;
    const qint32 count = coder.decodeInt32(QStringLiteral("NSCount"));
    for (qint32 i = 0; i < count; ++i) {
      const QString key = QStringLiteral("NSIndex%1").arg(i);
      if (!coder.containsValueForKey(key)) {
        coder.fail(QStringLiteral("index %1 missing").arg(i));
        break;
      }
      set.indexes << coder.decodeInt32(key);
    }
    return set;
  }
};

}  // namespace

QMimeData* queueRowsMimeData(QList<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  auto* data = new QMimeData;
  data->setData(kQueueRowType, archivedDataWithRootObject(IndexSet{rows}));
  return data;
}

std::optional<QList<int>> queueRowsFromMimeData(const QMimeData* data) {
  if (!data || !data->hasFormat(kQueueRowType)) return std::nullopt;
  const std::optional<IndexSet> set = unarchiveObjectWithData<IndexSet>(data->data(kQueueRowType));
  if (!set) return std::nullopt;
  return set->indexes;
}

}  // namespace zuvo
