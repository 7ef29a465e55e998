#include "media/ContentRatings.h"

#include <QLocale>
#include <vector>

#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

struct CountryRatings {
  const char* country;
  QStringList tv;
  QStringList movie;
};

// The first row also serves every country that has none of its own.
const std::vector<CountryRatings>& ratingsTable() {
  static const std::vector<CountryRatings> table{
      {"US",
       {"TV-MA", "TV-14", "TV-PG", "TV-G", "TV-Y", "TV-Y7"},
       {"Unrated", "NC-17", "R", "PG-13", "PG", "G"}},
      {"AU", {"P", "C", "G", "PG", "M", "MA 15+", "AV 15+", "R18+"}, {"G ", "PG ", "M", "MA 15+", "R 18+"}},
      {"GB",
       {"NR", "Caution"},
       {"NR ", "U", "Uc", "PG", "12", "12A", "15", "18", "R18", "Exempt", "Unrated"}},
      {"DE",
       {"ab 0 Jahren", "ab 6 Jahren", "ab 12 Jahren", "ab 16 Jahren", "ab 18 Jahren"},
       {"FSK 0", "FSK 6", "FSK 12", "FSK 16", "FSK 18"}},
      {"FR", {"-0", "-10", "-12", "-16", "-18"}, {"Tout Public", "- 10", "- 12", "- 16", "- 18"}},
      {"CA",
       {"TV-E", "TV-C", "TV-C8", "TV-G", "TV-PG", "TV-14+", "TV-18+", "TV-21+"},
       {"G", "PG", "14A", "18A", "R", "A"}},
  };
  return table;
}

// The setting's values, in the order they are tested.
struct CountryName {
  const char* name;
  const char* country;
};
constexpr CountryName kCountryNames[] = {{"Canada", "CA"},  {"United States", "US"}, {"Great Britain", "GB"},
                                         {"Germany", "DE"}, {"France", "FR"},        {"Australia", "AU"}};

const CountryRatings& ratingsForCurrentCountry() {
  const QString country = CurrentRatingsCountry();
  for (const CountryRatings& row : ratingsTable())
    if (country == QLatin1String(row.country)) return row;
  return ratingsTable().front();
}

}  // namespace

QString RatingsCountry(const QString& countrySetting, const QString& localeCountry) {
  for (const CountryName& entry : kCountryNames)
    if (countrySetting == QLatin1String(entry.name)) return QString::fromLatin1(entry.country);
  return localeCountry;
}

QString CurrentRatingsCountry() {
  return RatingsCountry(Defaults::standard().get(setting::CountryForRatings),
                        QLocale::territoryToCode(QLocale().territory()));
}

QStringList TVRatingsForCountry() { return ratingsForCurrentCountry().tv; }
QStringList MovieRatingsForCountry() { return ratingsForCurrentCountry().movie; }

}  // namespace zuvo
