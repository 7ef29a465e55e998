#pragma once
// The names the language combo boxes of the preferences offer: "Automatic" first, then
// the built-in language table's long names sorted without regard to case, the name that
// sorts first giving its place to that "Automatic" (so 223 entries).
#include <QStringList>

namespace zuvo {

const QStringList& LanguageNameList();
bool compareLanguageNames(const QString& a, const QString& b);

}  // namespace zuvo
