#include "platform/PreferredLanguages.h"

#include <QByteArray>
#include <QRegularExpression>

namespace zuvo {
namespace {

struct RegionForm {
  const char* language;
  const char* region;  // POSIX territory, or the script of a "zh-Hans"-style name
  const char* form;
};

// The only forms that keep more than the language.
constexpr RegionForm kRegionForms[] = {
    {"en", "GB", "en-GB"},     {"pt", "BR", "pt-BR"},     {"pt", "PT", "pt-PT"},   {"zh", "CN", "zh-Hans"},
    {"zh", "SG", "zh-Hans"},   {"zh", "TW", "zh-Hant"},   {"zh", "HK", "zh-Hant"}, {"zh", "MO", "zh-Hant"},
    {"zh", "Hans", "zh-Hans"}, {"zh", "Hant", "zh-Hant"},
};

bool isLetters(const QString& text) {
  if (text.isEmpty()) return false;
  for (QChar c : text)
    if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z')) return false;
  return true;
}

}  // namespace

QString preferredLanguageCode(const QString& localeName) {
  // "ll_RR.codeset@modifier", or "ll-Script" as some desktops write it.
  const QString name = localeName.trimmed().section('.', 0, 0).section('@', 0, 0);
  QString language = name.section(QRegularExpression(QStringLiteral("[_-]")), 0, 0).toLower();
  if (!isLetters(language) || language == QLatin1String("c") || language == QLatin1String("posix")) return {};
  const QString region = name.section(QRegularExpression(QStringLiteral("[_-]")), 1, 1);
  for (const RegionForm& f : kRegionForms)
    if (language == QLatin1String(f.language) &&
        region.compare(QLatin1String(f.region), Qt::CaseInsensitive) == 0)
      return QString::fromLatin1(f.form);
  return language;
}

// As gettext does: the messages locale is the first of LC_ALL, LC_MESSAGES and LANG that is
// set and not empty. When it is "C" or "POSIX" (or none is set) programs speak English and
// LANGUAGE is ignored; otherwise LANGUAGE's list comes first. A Mac always has a
// preferred language, so where no variable names one the answer is English.
QStringList preferredLanguages() {
  QString messagesLocale;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    messagesLocale = QString::fromLocal8Bit(qgetenv(variable));
    if (!messagesLocale.isEmpty()) break;
  }
  QStringList names;
  if (!messagesLocale.isEmpty() && messagesLocale != QLatin1String("C") &&
      messagesLocale != QLatin1String("POSIX"))
    names = QString::fromLocal8Bit(qgetenv("LANGUAGE")).split(':', Qt::SkipEmptyParts) << messagesLocale;
  QStringList codes;
  for (const QString& name : names) {
    const QString code = preferredLanguageCode(name);
    if (!code.isEmpty() && !codes.contains(code)) codes.append(code);
  }
  if (codes.isEmpty()) codes.append(QStringLiteral("en"));
  return codes;
}

}  // namespace zuvo
