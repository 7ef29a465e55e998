#pragma once
// Importing a converted file: a copy goes into its place in the library and an item into
// the index. Either both happen or neither: a copy whose item cannot be written is removed.
#include <QString>
#include <optional>

#include "tools/library/MediaLibrary.h"

namespace zuvo::library {

struct ImportResult {
  bool imported = false;
  QString placedAt;  // the copy in the library
  QString error;
  QString warning;   // something went wrong that did not stop the import
};

// `kind` as the caller knows it; without it the file's iTunes media kind decides (TV show,
// movie, else home video). The file's tags give the series, season, episode and title.
ImportResult importIntoLibrary(const QString& libraryFolder, const QString& file, const QString& description,
                               std::optional<Kind> kind);

}  // namespace zuvo::library
