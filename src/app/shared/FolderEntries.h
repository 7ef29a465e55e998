#pragma once
// One level of a folder listed the way the scans and the cache clean-ups walk it.
#include <QString>
#include <QStringList>

namespace zuvo {

// The entries of one folder level as "folder/name", in name order, hidden ones included;
// an unreadable folder has none.
QStringList folderEntries(const QString& folder);

}  // namespace zuvo
