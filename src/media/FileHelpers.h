#pragma once
// Small operations on paths and whole files.
// "Nothing" is std::optional without a value, as in StringHelpers.h.
#include <QString>
#include <QStringList>
#include <optional>

namespace zuvo {

// The file read as UTF-8 and split as SplitLines does; nothing when it is empty,
// unreadable or not valid UTF-8.
std::optional<QStringList> ReadLinesFromFile(const QString& path);
// The path when nothing is there, else the first free "name-i.ext" for i = 1..100
// (the 100th whether free or not).
QString UniqueFilePath(const QString& path);

// The extension of the last path component ("" when it has none) and the path
// without it.
QString PathExtension(const QString& path);
QString PathWithoutExtension(const QString& path);

}  // namespace zuvo
