#pragma once
// The movie file being exported, read and edited through ffprobe and ffmpeg: its track list
// with each track's media type ("vide", "soun", "sbtl", "meta"), track removal, and saving
// the edit back into the file itself.
#include <QList>
#include <QString>
#include <QStringList>

namespace zuvo::helper264 {

inline constexpr const char* kInvalidDataReference = "The movie contains an invalid data reference.";

class Movie {
 public:
  // Empty `error` on success; otherwise its description.
  static Movie open(const QString& path, QString& error);

  const QStringList& trackTypes() const { return types_; }
  // Harmless for a track removed before.
  void removeTrack(int index);
  // Rewrites the file without the removed tracks; empty on success, else the description.
  QString updateMovieFile();

 private:
  QString path_;
  QStringList types_;
  QList<int> removed_;
};

}  // namespace zuvo::helper264
