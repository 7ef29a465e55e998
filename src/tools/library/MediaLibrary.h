#pragma once
// The media library that stands in for iTunes: a folder laid out the way media servers
// read one ("TV Shows/<Series>/Season <n>/", "Movies/", "Home Videos/"), with an index of
// what was imported that the duplicate checks read.
#include <QString>
#include <optional>

namespace zuvo::library {

// Overrides where the library lives (tests, or a library on another disk).
inline constexpr const char* kLocationVariable = "ZUVO_MEDIA_LIBRARY";
// The library's folder under the Videos folder when nothing overrides it.
inline constexpr const char* kDefaultFolderName = "Zuvo Library";
// Hidden, so that media servers scanning the folder never list it.
inline constexpr const char* kIndexFileName = ".zuvo-library.json";

enum class Kind { TVShow, Movie, HomeVideo };

QString libraryFolder();

// The text a kind is stored as in the index, and back (nothing for an unknown text).
QString kindName(Kind kind);
std::optional<Kind> kindNamed(const QString& name);
// The kind for a media type number (0 TV show, 1 movie, 2 home movie).
std::optional<Kind> kindOfMediaType(int mediaType);

// Where an item of `kind` goes, relative to the library folder. Series names come from
// downloaded text: each becomes one folder name that can neither nest nor climb out.
QString itemFolder(Kind kind, const QString& series, quint32 season);

}  // namespace zuvo::library
