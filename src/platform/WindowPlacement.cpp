#include "platform/WindowPlacement.h"

namespace zuvo {
namespace {
constexpr int kBesideGap = 20;
}

QPoint CenterViewOnView(const QRect& reference, const QRect& moving) {
  return {reference.x() + (reference.width() - moving.width()) / 2,
          reference.y() + (reference.height() - moving.height()) / 2};
}

QPoint PlaceViewBesideView(const QRect& reference, const QRect& moving) {
  return {reference.x() + reference.width() + kBesideGap,
          reference.y() + (reference.height() - moving.height()) / 2};
}

}  // namespace zuvo
