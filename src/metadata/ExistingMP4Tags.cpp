#include "metadata/ExistingMP4Tags.h"

#include "metadata/ITunesItemNames.h"
#include "metadata/RatingValues.h"
#include "mp4/Mp4File.h"

namespace zuvo {

namespace {
std::optional<QString> text(const Mp4Tags::Text& value) {
  if (!value) return std::nullopt;
  return QString::fromStdString(*value);
}

QByteArray bytes(const Mp4Buffer& buffer) {
  return QByteArray(reinterpret_cast<const char*>(buffer.data()), qsizetype(buffer.size()));
}
}  // namespace

BCError readExistingMP4Tags(const QString& path, ExistingMP4Tags& out) {
  out = ExistingMP4Tags();
  Mp4File file;
  if (const Mp4Error e = file.open(path.toStdString(), Mp4File::Mode::Read))
    return BCError::Code(kUnreadableMP4Code, QString::fromStdString(e.message()));

  const Mp4Tags tags = file.tags();
  out.name = text(tags.name);
  out.genre = text(tags.genre);
  out.releaseDate = text(tags.releaseDate);
  out.tvShow = text(tags.tvShow);
  out.tvSeason = tags.tvSeason;
  out.tvEpisode = tags.tvEpisode;
  out.longDescription = text(tags.longDescription);
  out.mediaType = tags.mediaType;
  if (!tags.artwork.empty()) out.artwork = QImage::fromData(bytes(tags.artwork.front().data));

  for (const Mp4Item& item : file.freeformItems(kITunesMeaning, kRatingItemName))
    for (const Mp4ItemData& data : item.data())
      if (std::optional<QString> rating = ratingFromITunesValue(QString::fromStdString(data.text())))
        out.rating = rating;

  for (const Mp4Item& item : file.freeformItems(kITunesMeaning, kCastItemName))
    for (const Mp4ItemData& data : item.data())
      if (std::optional<CastAndCrew> names = readCastAndCrew(bytes(data.value))) {
        out.castAndCrew.cast << names->cast;
        out.castAndCrew.directors << names->directors;
        out.castAndCrew.producers << names->producers;
      }
  return BCError::NoError();
}

}  // namespace zuvo
