#pragma once
// A watched video-source folder. The list lives in the setting "Sources" as keyed-archive
// data, read afresh by every scan; an absent or unreadable setting is an empty list.
#include <QList>
#include <QString>

#include "media/BCCReporter.h"
#include "platform/KeyedArchive.h"

namespace zuvo {

class Feed {
 public:
  static constexpr const char* kArchiveClass = "Feed";

  QString name() const { return name_; }
  void setName(const QString& value) { name_ = value; }
  QString path() const { return path_; }
  void setPath(const QString& value) { path_ = value; }
  bool recurse() const { return recurse_; }
  void setRecurse(bool value) { recurse_ = value; }

  // "Feed name:%@ path:%@ recurse:%@"
  QString description() const;

  void encodeWithCoder(KeyedArchiver& coder) const;
  static Feed initWithCoder(const KeyedUnarchiver& coder);

  friend bool operator==(const Feed&, const Feed&) = default;

 private:
  QString name_;
  QString path_;
  bool recurse_ = false;
};

// The sources in the setting "Sources"; damaged data is logged and reads as none.
QList<Feed> loadVideoSources(const Reporter& reporter = {});
void storeVideoSources(const QList<Feed>& sources);

}  // namespace zuvo
