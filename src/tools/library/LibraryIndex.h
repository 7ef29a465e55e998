#pragma once
// The library's index: one JSON file in the library folder listing every imported item.
// It is replaced whole (written beside and renamed), so a reader never sees half of it;
// importers take a lock file around their read-change-write.
#include <QList>
#include <QString>

#include "tools/library/MediaLibrary.h"

namespace zuvo::library {

struct LibraryItem {
  Kind kind = Kind::HomeVideo;
  QString path;  // relative to the library folder
  QString title;
  QString series;  // TV shows only
  quint32 season = 0;
  quint32 episode = 0;
  QString description;
  QString added;  // ISO 8601, UTC
};

class LibraryIndex {
 public:
  explicit LibraryIndex(const QString& libraryFolder);

  QString path() const;
  // The items; a library without an index holds none. False, with the reason, when the
  // index cannot be read or is not one.
  bool read(QList<LibraryItem>& items, QString& error) const;
  // Adds one item. An index that cannot be understood is set aside (renamed, never
  // deleted) and a new one started, so that one damaged file does not stop every import.
  bool add(const LibraryItem& item, QString& error, QString* warning = nullptr);

  // Items whose file is still in the library: the episode of a series (names compared
  // without regard to letter case), or a movie by its title.
  int countEpisodes(const QList<LibraryItem>& items, const QString& series, quint32 season,
                    quint32 episode) const;
  int countMovies(const QList<LibraryItem>& items, const QString& title) const;

 private:
  bool stillThere(const LibraryItem& item) const;
  QString folder_;
};

}  // namespace zuvo::library
