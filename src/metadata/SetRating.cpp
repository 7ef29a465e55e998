#include "metadata/SetRating.h"

#include "media/ContentRatings.h"
#include "media/MediaFile.h"
#include "metadata/CastAndCrew.h"
#include "metadata/ITunesItemNames.h"
#include "metadata/RatingValues.h"
#include "mp4/Mp4File.h"

namespace zuvo {

namespace {

void replaceTextItem(Mp4File& file, const std::string& name, const QByteArray& utf8) {
  file.removeFreeformItems(kITunesMeaning, name);
  file.addFreeformItem(Mp4Item::freeformText(kITunesMeaning, name, utf8.toStdString()));
}

// The value a file already holds for `rating`, for a rating the country's table cannot
// write: it stays as it was rather than become "not rated".
std::optional<QByteArray> presentValueOf(const Mp4File& file, const QString& rating) {
  for (const Mp4Item& item : file.freeformItems(kITunesMeaning, kRatingItemName))
    for (const Mp4ItemData& data : item.data()) {
      const QByteArray value = QByteArray::fromStdString(data.text());
      if (ratingFromITunesValue(QString::fromUtf8(value)) == rating) return value;
    }
  return std::nullopt;
}

}  // namespace

void setRating(Mp4File& file, const QString& rating, const MediaFile& media, const Reporter& reporter) {
  if (reporter) reporter->report(QStringLiteral("setRating called"), 4);
  // The ratings country wins over what the file holds, so re-saving after the country
  // changed writes the new country's value.
  const QString country = CurrentRatingsCountry();
  const std::optional<QString> tabled = tabledITunesRatingValue(rating, country);
  const QByteArray value =
      tabled ? tabled->toUtf8()
             : presentValueOf(file, rating).value_or(iTunesRatingValue(rating, country).toUtf8());
  replaceTextItem(file, kRatingItemName, value);
  replaceTextItem(file, kCastItemName,
                  castAndCrewPropertyList(media.actors(), media.directors(), media.producers()));
}

}  // namespace zuvo
