#pragma once
// Importing a converted file: the file (or a copy) goes into its place in the library and an
// item into the index. Either both happen or neither: a file whose item cannot be written
// goes back. A copy is written under a temporary name and flushed before it takes its name.
#include <QString>
#include <optional>

#include "tools/library/MediaLibrary.h"

namespace zuvo::library {

struct ImportResult {
  bool imported = false;
  QString placedAt;  // the file in the library
  QString error;
  QString warning;  // something went wrong that did not stop the import
};

// Copy leaves `file` where it is; Move takes it: a rename within one file system (no byte
// copied), else a flushed copy after which `file` is removed.
enum class ImportMode { Copy, Move };

// `kind` as the caller knows it; without it the file's iTunes media kind decides (TV show,
// movie, else home video). The file's tags give the series, season, episode and title.
ImportResult importIntoLibrary(const QString& libraryFolder, const QString& file, const QString& description,
                               std::optional<Kind> kind, ImportMode mode = ImportMode::Copy);

}  // namespace zuvo::library
