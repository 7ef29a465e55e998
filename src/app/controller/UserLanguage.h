#pragma once
// The user's language as the look-up and the probe use it: a code worked out from the
// first preferred language, and its long name.
#include <QString>
#include <QStringList>

#include "media/BCCReporter.h"

namespace zuvo {

struct UserLanguage {
  QString code;
  QString name = QStringLiteral("Unknown");
};

// Logs every preferred language, takes the first: a code with "-" keeps its language
// ("en-GB" gives "en", "pt-BR" "pt", "zh-Hant" "zh"), then "nb" becomes "no". The name
// is the language table's long name, "Unknown" when the code is not in it or there is no
// preferred language at all.
UserLanguage workOutUserLanguage(const QStringList& preferred, const Reporter& mainLog);

}  // namespace zuvo
