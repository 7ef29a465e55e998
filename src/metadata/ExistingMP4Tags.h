#pragma once
// The iTunes tags already in an MP4/M4V file, as plain values for the probe's take-over of
// existing tags: the tag fields it reads, the first cover, the content rating and the cast
// and crew. Each field is empty when the file does not hold it.
#include <QImage>
#include <QString>
#include <optional>

#include "media/BCError.h"
#include "metadata/CastAndCrew.h"

namespace zuvo {

struct ExistingMP4Tags {
  std::optional<QString> name;
  std::optional<QString> genre;
  std::optional<QString> releaseDate;
  std::optional<QString> tvShow;
  std::optional<quint32> tvSeason;
  std::optional<quint32> tvEpisode;
  std::optional<QString> longDescription;
  std::optional<quint8> mediaType;
  QImage artwork;  // the first picture; null when there is none or it cannot be decoded
  // The rating text of the last "iTunEXTC" value of three pieces or more, read back so that
  // saving it again writes the same value.
  std::optional<QString> rating;
  // The names of every "iTunMOVI" value that is a property list, in order.
  CastAndCrew castAndCrew;
};

// The code of readExistingMP4Tags's error.
inline constexpr qint32 kUnreadableMP4Code = 1;

// Opens the file for reading; an error (kUnreadableMP4Code) when it is not an MP4 file we can read.
BCError readExistingMP4Tags(const QString& path, ExistingMP4Tags& out);

}  // namespace zuvo
