#pragma once
// The record of the files Zuvo itself made in a folder that may also be the user's (the
// work and cache folder is the user's choice): a hidden file in that folder naming them.
// Clean-up and expiry remove only what the record names, never a file merely because its
// name looks like one of ours. Safe to use from any thread.
#include <QSet>
#include <QString>
#include <QStringList>

namespace zuvo::madefiles {

// The record's own name in the folder.
inline constexpr const char* kRecordName = ".zuvo-made-files";

// Adds `names` (file names in `folder`) to the folder's record.
void add(const QString& folder, const QStringList& names);
// The names the folder's record holds.
QSet<QString> names(const QString& folder);
// Removes `names` from the folder's record.
void forget(const QString& folder, const QStringList& names);

}  // namespace zuvo::madefiles
