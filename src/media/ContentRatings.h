#pragma once
// The content ratings offered in the tag editors, by the country of the setting
// "CountryForRatings" (or of the current locale when it names no country of the table).
#include <QString>
#include <QStringList>

namespace zuvo {

QStringList TVRatingsForCountry();
QStringList MovieRatingsForCountry();

// The two-letter country the lists are chosen for: from the setting's value, else from
// `localeCountry` (as QLocale gives it, e.g. "DE").
QString RatingsCountry(const QString& countrySetting, const QString& localeCountry);
// The same for the present setting and the current locale.
QString CurrentRatingsCountry();

}  // namespace zuvo
