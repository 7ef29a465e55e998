#pragma once
// The news file fetched at start-up: its first line may announce news by number,
// "Zuvo ALERT:<number>:<text>".
#include <QString>
#include <optional>

namespace zuvo {

inline constexpr const char* kNewsPath = "/Zuvo/ZuvoNews.php";
inline constexpr const char* kNewsFileName = "newsfile";
inline constexpr double kNewsTimeout = 10;

struct NewsAlert {
  int number = 0;
  QString field;  // the number's field as written
};

// The announcement of the file's first line; nothing for a missing or unreadable file,
// a first line without the marker, or one with fewer than three ":" fields.
std::optional<NewsAlert> readNewsAlert(const QString& path);

}  // namespace zuvo
