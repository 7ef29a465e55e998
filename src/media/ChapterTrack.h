#pragma once
// One chapter of a source.
#include <QString>

#include "platform/KeyedArchive.h"

namespace zuvo {

class ChapterTrack {
 public:
  static constexpr const char* kArchiveClass = "ChapterTrack";

  QString title() const { return title_; }
  void setTitle(const QString& value) { title_ = value; }
  int chapternumber() const { return chapternumber_; }
  void setChapternumber(int value) { chapternumber_ = value; }
  QString starttime() const {
    return starttime_;
  }  // hours:minutes:seconds, with ".mmm" when the start has a fraction
  void setStarttime(const QString& value) { starttime_ = value; }

  void encodeWithCoder(KeyedArchiver& coder) const;
  static ChapterTrack initWithCoder(const KeyedUnarchiver& coder);

  friend bool operator==(const ChapterTrack&, const ChapterTrack&) = default;

 private:
  QString title_ = QStringLiteral("");
  int chapternumber_ = 0;
  QString starttime_ = QStringLiteral("00:00:00");
};

}  // namespace zuvo
