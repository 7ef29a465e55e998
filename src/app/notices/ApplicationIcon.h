#pragma once
// The application icon "zuvoiconac" of the shared resources.
#include <QImage>
#include <QString>

namespace zuvo {

inline constexpr const char* kApplicationIconResource = "zuvoiconac.png";

// Its path in share/zuvo.
QString applicationIconPath();
// The image, read afresh from that file (null when the file is missing).
QImage applicationIcon();

}  // namespace zuvo
