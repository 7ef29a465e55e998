#include "metadata/ITunesGenre.h"

namespace zuvo {
namespace {

struct GenreKeyword {
  const char* keyword;
  const char* genre;
};

// Order matters: "musicals" before "music", "action" before "sci".
constexpr GenreKeyword kGenreKeywords[] = {
    {"action", "Action & Adventure"},
    {"adventure", "Action & Adventure"},
    {"kids", "Kids & Family"},
    {"family", "Kids & Family"},
    {"children", "Kids & Family"},
    {"animation", "Animation"},
    {"classic", "Classics"},
    {"comedy", "Comedy"},
    {"documentary", "Documentary"},
    {"drama", "Drama"},
    {"horror", "Horror"},
    {"independent", "Independent"},
    {"musicals", "Musicals"},
    {"music", "Music"},
    {"romance", "Romance"},
    {"short", "Short Films"},
    {"sport", "Sports"},
    {"thriller", "Thriller"},
    {"western", "Western"},
    {"sci", "Sci-Fi & Fantasy"},
    {"fantasy", "Sci-Fi & Fantasy"},
    {"reality", "Reality TV"},
};

}  // namespace

QString ITunesGenre(const QString& genre) {
  if (genre.isEmpty()) return QString::fromLatin1(kUnknownGenre);
  const QString lower = genre.toLower();
  for (const GenreKeyword& row : kGenreKeywords)
    if (lower.contains(QLatin1String(row.keyword))) return QString::fromUtf8(row.genre);
  return genre;
}

}  // namespace zuvo
