#include "media/SourceIdentity.h"

#include <QDirIterator>
#include <QFileInfo>

namespace zuvo {

std::optional<SourceIdentity> sourceIdentity(const QString& path) {
  const QFileInfo source(path);
  if (source.isFile()) return SourceIdentity{source.size(), source.lastModified()};
  if (!source.isDir()) return std::nullopt;
  // A recorder writes into the package's files; the folder itself changes only when one is added.
  SourceIdentity identity{0, source.lastModified()};
  for (QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
       it.hasNext();) {
    const QFileInfo file = it.nextFileInfo();
    identity.size += file.size();
    identity.modified = std::max(identity.modified, file.lastModified());
  }
  return identity;
}

}  // namespace zuvo
