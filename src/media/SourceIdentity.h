#pragma once
// What a source is on disk at one moment, to tell whether it has changed since: a file's
// size and modification time; for a folder (an EyeTV recording package) the sizes of the
// files inside added up and the latest modification time among them and the folder.
#include <QDateTime>
#include <QString>
#include <optional>

namespace zuvo {

struct SourceIdentity {
  qint64 size = 0;
  QDateTime modified;

  bool operator==(const SourceIdentity& other) const {
    return size == other.size && modified == other.modified;
  }
};

// Nothing when the path names neither a file nor a folder.
std::optional<SourceIdentity> sourceIdentity(const QString& path);

}  // namespace zuvo
