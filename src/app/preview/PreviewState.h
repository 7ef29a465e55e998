#pragma once
// The preview's process-wide name: the video channel the current preview window's view
// serves and its player child writes to.
#include <QString>

namespace zuvo {

QString previewBufferName();
void setPreviewBufferName(const QString& name);
// "zuvoport" and 32 random hexadecimal digits; it becomes the current name.
QString makePreviewBufferName();

}  // namespace zuvo
