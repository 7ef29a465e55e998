#pragma once
// Where a panel or window goes relative to another, as plain geometry so that the
// windows layer and its tests share it. A window that is absent counts as QRect()
// (a zero frame at the origin).
#include <QPoint>
#include <QRect>

namespace zuvo {

// The origin that puts `moving`'s centre on `reference`'s centre.
QPoint CenterViewOnView(const QRect& reference, const QRect& moving);
// The origin that puts `moving` 20 points right of `reference`'s right edge,
// vertically centred on it.
QPoint PlaceViewBesideView(const QRect& reference, const QRect& moving);

}  // namespace zuvo
