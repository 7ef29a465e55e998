#include "app/notices/ApplicationIcon.h"

#include "platform/Paths.h"

namespace zuvo {

QString applicationIconPath() { return paths::resourcePath(kApplicationIconResource); }

QImage applicationIcon() { return QImage(applicationIconPath()); }

}  // namespace zuvo
