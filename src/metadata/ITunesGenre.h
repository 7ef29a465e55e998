#pragma once
// The services' genre texts mapped onto the iTunes genre list.
#include <QString>

namespace zuvo {

inline constexpr const char* kUnknownGenre = "Unknown";

// "Unknown" for an empty genre; else the iTunes genre of the first keyword the
// lower-cased text contains, in a fixed order; else the genre as it stands.
QString ITunesGenre(const QString& genre);

}  // namespace zuvo
