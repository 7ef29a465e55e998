#include "convert/preparation/PreparationStep.h"

#include "media/MediaValues.h"

namespace zuvo {

void useAsSource(BCConverter& converter, const QString& path) {
  converter.fileToConvertPath = path;
  converter.tfiletype = path.toLower();
}

void markFailed(MediaFile& media) {
  media.setConversionfinished(false);
  media.setProgress(100);
}

}  // namespace zuvo
