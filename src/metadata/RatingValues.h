#pragma once
// The content-rating values of the "iTunEXTC" item ("system|label|score|"), one table for
// every country, and the way back from a stored value to the rating text it was made from.
#include <QString>
#include <optional>

namespace zuvo {

// The value for `rating` in the country `country` (a two-letter code): the country's own
// row when it has one, else the base row, else "mpaa|NR|000|".
QString iTunesRatingValue(const QString& rating, const QString& country);
// The same without the last fall-back: nothing when neither row knows `rating`.
std::optional<QString> tabledITunesRatingValue(const QString& rating, const QString& country);

// The rating text a stored value reads back as: the rating of the table row that writes
// exactly this value (so "au-movie|MA15+|375|" gives "MA 15+", which writes it again),
// else the value's second piece; nothing for a value of fewer than three pieces.
std::optional<QString> ratingFromITunesValue(const QString& value);

}  // namespace zuvo
