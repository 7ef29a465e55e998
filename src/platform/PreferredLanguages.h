#pragma once
// The user's preferred languages, in the form the language logic expects: a bare
// language code ("en", "de", "nb"), except the few region and script forms that are
// kept whole ("en-GB", "pt-BR", "pt-PT", "zh-Hans", "zh-Hant").
#include <QString>
#include <QStringList>

namespace zuvo {

// One POSIX locale name ("en_US.UTF-8", "pt_BR", "zh_TW@euro", "de") in that form;
// empty for "C", "POSIX" and anything without a language.
QString preferredLanguageCode(const QString& localeName);

// From LANGUAGE (a colon-separated list), then LC_ALL, LC_MESSAGES and LANG, in order,
// without repeats. Empty when none names a language.
QStringList preferredLanguages();

}  // namespace zuvo
