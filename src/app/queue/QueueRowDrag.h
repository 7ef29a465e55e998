#pragma once
// The pasteboard form of dragged queue rows: the keyed archive of the rows' index set
// under the type "ZuvoQueueRow".
#include <QList>
#include <QString>
#include <optional>

class QMimeData;

namespace zuvo {

inline const QString kQueueRowType = QStringLiteral("ZuvoQueueRow");

// Ascending, without repeats.
QMimeData* queueRowsMimeData(QList<int> rows);
// The rows a drag carries; nothing when it holds no readable archive of that type.
std::optional<QList<int>> queueRowsFromMimeData(const QMimeData* data);

}  // namespace zuvo
