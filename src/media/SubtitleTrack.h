#pragma once
// One subtitle stream of a source, or one subtitle file beside it.
#include <QString>

#include "media/BCStringEncoding.h"
#include "platform/KeyedArchive.h"

namespace zuvo {

class SubtitleTrack {
 public:
  static constexpr const char* kArchiveClass = "SubtitleTrack";

  // The language starts as for an audio track; the encoding is the "UTF 8" row.
  SubtitleTrack();

  QString subtitlesummary() const { return subtitlesummary_; }
  void setSubtitlesummary(const QString& value) { subtitlesummary_ = value; }
  int streamnumber() const { return streamnumber_; }
  void setStreamnumber(int value) { streamnumber_ = value; }
  QString language() const { return language_; }
  void setLanguage(const QString& value) { language_ = value; }
  bool selected() const { return selected_; }
  void setSelected(bool value) { selected_ = value; }
  QString format() const { return format_; }
  void setFormat(const QString& value) { format_ = value; }
  int location() const { return location_; }  // a SubtitleLocation value
  void setLocation(int value) { location_ = value; }
  BCStringEncoding encoding() const { return encoding_; }
  void setEncoding(const BCStringEncoding& value) { encoding_ = value; }
  QString path() const { return path_; }
  void setPath(const QString& value) { path_ = value; }

  // Only the encoding's display name is stored; an absent one reads as the "UTF 8" row,
  // a name the table lacks as the not-found record.
  void encodeWithCoder(KeyedArchiver& coder) const;
  static SubtitleTrack initWithCoder(const KeyedUnarchiver& coder);

  friend bool operator==(const SubtitleTrack&, const SubtitleTrack&) = default;

 private:
  QString subtitlesummary_ = QStringLiteral("");
  int streamnumber_ = -1;
  QString language_;
  bool selected_ = false;
  QString format_ = QStringLiteral("Unknown");
  int location_ = 0;
  BCStringEncoding encoding_;
  QString path_ = QStringLiteral("/");
};

}  // namespace zuvo
