#pragma once
// The sources of the watched folders that have been converted, each with its size and
// modification time then: a source left in place is not queued again by the next timed
// scan, nor after a restart, while it stays as it was. Kept in a file of the support
// folder. GUI thread.
#include <QHash>
#include <QString>

#include "media/SourceIdentity.h"

namespace zuvo {

class ConvertedSources {
 public:
  // `file` empty: kept for this run only. The file is read at the first question.
  explicit ConvertedSources(QString file = {});

  bool contains(const QString& path, const SourceIdentity& identity);
  // Remembers the source and writes the file, leaving out sources no longer there.
  void remember(const QString& path, const SourceIdentity& identity);

 private:
  void load();
  void save();

  QString file_;
  bool loaded_ = false;
  QHash<QString, SourceIdentity> sources_;
};

// The name of that file in the support folder.
inline constexpr const char* kConvertedSourcesFile = "convertedsources.json";

}  // namespace zuvo
