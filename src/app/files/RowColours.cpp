#include "app/files/RowColours.h"

#include "media/MediaValues.h"

namespace zuvo {

QColor rowColour(const MediaFile& item, int row) {
  if (!item.didlookup()) return QColor::fromRgbF(1, 1, 1, 0.2f);
  const float alpha = row % 2 ? 0.75f : 1.0f;
  const DeselectionReason reason = item.reasonfordeselection();
  if (reason == DeselectionReason::ProtectedByDRM || reason == DeselectionReason::UnsupportedVideo ||
      reason == DeselectionReason::NoVideo)
    return QColor::fromRgbF(0.93f, 0.57f, 0.57f, alpha);
  if (reason == DeselectionReason::None) return QColor::fromRgbF(0.53f, 1.0f, 0.4f, alpha);
  return QColor::fromRgbF(1.0f, 0.8f, 0.1f, alpha);
}

}  // namespace zuvo
