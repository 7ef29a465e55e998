#pragma once
// What kind of file a path names, judged by its extension in lower case.
#include <QString>

namespace zuvo {

// The built-in video extensions plus the setting "AdditionalExtensions".
bool IsVideoFile(const QString& path);
bool IsSubtitleFile(const QString& path);
bool IsImageFile(const QString& path);
// Files the cache clean-up may delete.
bool IsCacheFile(const QString& path);
bool IsAVCHDFile(const QString& path);
bool IsMP4File(const QString& path);
bool IsMP4OrMKVFile(const QString& path);

// Subtitle formats that can only be burnt into the picture.
bool IsBitmapSubtitleFormat(const QString& format);

}  // namespace zuvo
