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

// In the order gettext takes them: LANGUAGE (a colon-separated list) unless the messages
// locale (LC_ALL, else LC_MESSAGES, else LANG) is "C" or "POSIX", then that locale; without
// repeats. "en" when none names a language (unset, "C", "POSIX", "C.UTF-8").
QStringList preferredLanguages();

}  // namespace zuvo
