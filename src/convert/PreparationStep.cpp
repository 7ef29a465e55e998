#include "convert/PreparationStep.h"

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

bool conversionStopped(const MediaFile& media) {
  return media.state() == MediaState::Ended || media.stopbuttonpressed();
}

}  // namespace zuvo
