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

// The value a file already holds for `rating`: the same rating stays written as it was,
// whichever country it was rated in.
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
  const QByteArray value = presentValueOf(file, rating).value_or(iTunesRatingValue(rating, CurrentRatingsCountry()).toUtf8());
  replaceTextItem(file, kRatingItemName, value);
  replaceTextItem(file, kCastItemName, castAndCrewPropertyList(media.actors(), media.directors(), media.producers()));
}

}  // namespace zuvo
