#pragma once
// The application's translation of a user-visible text, or the text itself when there is
// none (English keys, empty fall-back).
#include <QCoreApplication>
#include <QString>

namespace zuvo {

inline QString localizedString(const char* key) { return QCoreApplication::translate("Localizable", key); }

}  // namespace zuvo
