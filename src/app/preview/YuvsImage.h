#pragma once
// The preview's frames are packed 4:2:2 ('yuvs': Y0 U Y1 V per pixel pair, video range,
// BT.601); the view shows them as RGB.
#include <QImage>

namespace zuvo {

// An RGB image of a `width` x `height` frame whose rows are `width` * 2 bytes; a null
// image for an odd width or no data.
QImage imageFromYuvs(const uchar* data, int width, int height);

}  // namespace zuvo
