#include "app/controller/UserLanguage.h"

#include "media/LanguageRecord.h"

namespace zuvo {

UserLanguage workOutUserLanguage(const QStringList& preferred, const Reporter& mainLog) {
  UserLanguage language;
  for (int i = 0; i < preferred.size(); ++i)
    mainLog->report(QStringLiteral("Language (%1) is %2").arg(i).arg(preferred[i]), 5);
  if (!preferred.isEmpty()) language.code = preferred.first();
  // The language, not the region or script: "pt-BR" is Portuguese, not Breton ("br").
  if (language.code.contains('-')) language.code = language.code.section('-', 0, 0);
  if (language.code == QLatin1String("nb")) language.code = QStringLiteral("no");
  mainLog->report(QStringLiteral("Prefered language is %1").arg(language.code), 3);
  if (language.code.isEmpty()) return language;
  if (const auto record = LanguageRecord::LanguageWithString(language.code)) {
    language.name = record->longname();
    mainLog->report(QStringLiteral("Language name is %1").arg(language.name), 3);
  }
  return language;
}

}  // namespace zuvo
