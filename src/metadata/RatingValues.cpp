#include "metadata/RatingValues.h"

#include <QStringList>

namespace zuvo {
namespace {

struct RatingRow {
  const char* country;  // empty: the base row every country starts from
  const char* rating;
  const char* value;
};

// Base rows first; a country's row replaces the base value of the same rating text.
constexpr RatingRow kRatingRows[] = {
    {"", "G", "mpaa|G|100|"},
    {"", "PG", "mpaa|PG|200|"},
    {"", "PG-13", "mpaa|PG-13|300|"},
    {"", "R", "mpaa|R|400|"},
    {"", "NC-17", "mpaa|NC-17|500|"},
    {"", "TV-Y", "us-tv|TV-Y|100|"},
    {"", "TV-Y7", "us-tv|TV-Y7|200|"},
    {"", "TV-G", "us-tv|TV-G|300|"},
    {"", "TV-PG", "us-tv|TV-PG|400|"},
    {"", "TV-14", "us-tv|TV-14|500|"},
    {"", "TV-MA", "us-tv|TV-MA|600|"},
    {"", "Unrated", "us-tv|Unrated|???|"},
    {"", "NR", "mpaa|NR|000|"},

    {"AU", "P", "au-tv|P|100|"},
    {"AU", "C", "au-tv|C|200|"},
    {"AU", "G", "au-tv|G|300|"},
    {"AU", "PG", "au-tv|PG|400|"},
    {"AU", "AV 15+", "au-tv|AV15+|575|"},
    {"AU", "R18+", "au-tv|R18+|600|"},
    {"AU", "G ", "au-movie|G|100|"},
    {"AU", "PG ", "au-movie|PG|200|"},
    {"AU", "M", "au-movie|M|350|"},
    {"AU", "MA 15+", "au-movie|MA15+|375|"},
    {"AU", "R 18+", "au-movie|R18+|400|"},

    {"GB", "NR", "uk-movie|NR|000|"},
    {"GB", "NR ", "uk-movie|NR|000|"},
    {"GB", "Caution", "uk-tv|Caution|500|"},
    {"GB", "U", "uk-movie|U|100|"},
    {"GB", "Uc", "uk-movie|Uc|150|"},
    {"GB", "PG", "uk-movie|PG|200|"},
    {"GB", "12", "uk-movie|12|300|"},
    {"GB", "12A", "uk-movie|12A|325|"},
    {"GB", "15", "uk-movie|15|350|"},
    {"GB", "18", "uk-movie|18|400|"},
    {"GB", "R18", "uk-movie|R18|600|"},
    {"GB", "Exempt", "uk-movie|E|0|"},
    {"GB", "Unrated", "uk-movie|Unrated|???|"},

    {"DE", "FSK 0", "de-movie|FSK 0|100|"},
    {"DE", "FSK 6", "de-movie|FSK 6|200|"},
    {"DE", "FSK 12", "de-movie|FSK 12|300|"},
    {"DE", "FSK 16", "de-movie|FSK 16|400|"},
    {"DE", "FSK 18", "de-movie|FSK 18|500|"},
    {"DE", "ab 0 Jahren", "de-movie|ab 0 Jahren|75|"},
    {"DE", "ab 6 Jahren", "de-movie|ab 6 Jahren|100|"},
    {"DE", "ab 12 Jahren", "de-movie|ab 12 Jahren|200|"},
    {"DE", "ab 16 Jahren", "de-movie|ab 16 Jahren|500|"},
    {"DE", "ab 18 Jahren", "de-movie|ab 18 Jahren|600|"},

    {"FR", "-10", "fr-tv|-10|100|"},
    {"FR", "-12", "fr-tv|-12|200|"},
    {"FR", "-16", "fr-tv|-16|500|"},
    {"FR", "-18", "fr-tv|-18|600|"},
    {"FR", "Tout Public", "fr-movie|Tout Public|100|"},
    {"FR", "- 10", "fr-movie|-10|100|"},
    {"FR", "- 12", "fr-movie|-12|300|"},
    {"FR", "- 16", "fr-movie|-16|375|"},
    {"FR", "- 18", "fr-movie|-18|400|"},

    {"CA", "G", "ca-movie|G|100|"},
    {"CA", "PG", "ca-movie|PG|200|"},
    {"CA", "14A", "ca-movie|14A|300|"},
    {"CA", "18A", "ca-movie|18A|350|"},
    {"CA", "R", "ca-movie|R|400|"},
    {"CA", "A", "ca-movie|A|500|"},
    {"CA", "TV-E", "ca-tv|TV-E|000|"},
    {"CA", "TV-C", "ca-tv|TV-C|50|"},
    {"CA", "TV-C8", "ca-tv|TV-C8|75|"},
    {"CA", "TV-G", "ca-tv|TV-G|100|"},
    {"CA", "TV-PG", "ca-tv|TV-PG|200|"},
    {"CA", "TV-14+", "ca-tv|TV-14+|300|"},
    {"CA", "TV-18+", "ca-tv|TV-18+|350|"},
    {"CA", "TV-21+", "ca-tv|TV-21+|500|"},
};

constexpr const char* kNotRated = "mpaa|NR|000|";

const RatingRow* rowFor(const QString& rating, const char* country) {
  for (const RatingRow& row : kRatingRows)
    if (qstrcmp(row.country, country) == 0 && rating == QLatin1String(row.rating)) return &row;
  return nullptr;
}

}  // namespace

std::optional<QString> tabledITunesRatingValue(const QString& rating, const QString& country) {
  const QByteArray code = country.toLatin1();
  const RatingRow* row = code.isEmpty() ? nullptr : rowFor(rating, code.constData());
  if (!row) row = rowFor(rating, "");
  if (!row) return std::nullopt;
  return QString::fromLatin1(row->value);
}

QString iTunesRatingValue(const QString& rating, const QString& country) {
  return tabledITunesRatingValue(rating, country).value_or(QString::fromLatin1(kNotRated));
}

std::optional<QString> ratingFromITunesValue(const QString& value) {
  const QStringList pieces = value.split(u'|');
  if (pieces.size() < 3) return std::nullopt;
  for (const RatingRow& row : kRatingRows)
    if (value == QLatin1String(row.value)) return QString::fromLatin1(row.rating);
  return pieces[1];
}

}  // namespace zuvo
