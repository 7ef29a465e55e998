#pragma once
// One candidate of a metadata search: the name the service gives and its id.
#include <QString>

#include "platform/KeyedArchive.h"

namespace zuvo {

class VideoAlternate {
 public:
  static constexpr const char* kArchiveClass = "VideoAlternate";

  static VideoAlternate alternateWithName(const QString& name, qint32 id);

  QString Name() const { return Name_; }
  void setName(const QString& value) { Name_ = value; }
  qint32 ID() const { return ID_; }
  void setID(qint32 value) { ID_ = value; }

  // "Video Alternate - Name:%@ ID:%d"
  QString description() const;

  void encodeWithCoder(KeyedArchiver& coder) const;
  static VideoAlternate initWithCoder(const KeyedUnarchiver& coder);

  friend bool operator==(const VideoAlternate&, const VideoAlternate&) = default;

 private:
  QString Name_;
  qint32 ID_ = 0;
};

}  // namespace zuvo
