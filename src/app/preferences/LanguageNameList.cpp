#include "app/preferences/LanguageNameList.h"

#include <algorithm>

#include "media/LanguageRecord.h"

namespace zuvo {

bool compareLanguageNames(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) < 0;
}

const QStringList& LanguageNameList() {
  static const QStringList list = [] {
    QStringList names{QStringLiteral("Automatic")};
    for (int i = 0; i < LanguageCount(); ++i) names << LanguageAtIndex(i).longname();
    std::stable_sort(names.begin(), names.end(), compareLanguageNames);
    names[0] = QStringLiteral("Automatic");
    return names;
  }();
  return list;
}

}  // namespace zuvo
