#include "media/FileTypes.h"

#include <QFileInfo>
#include <QStringList>
#include <initializer_list>

#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

using Extensions = std::initializer_list<const char*>;
constexpr Extensions kVideo{"asf",  "avi",  "m4v", "mts",  "mod",  "mp4", "mkv",  "wmv", "mov", "mpg", "3gp",
                            "divx", "xvid", "flv", "rmvb", "m2ts", "tod", "mpeg", "ts",  "rm",  "ogm", "dv"};
constexpr Extensions kSubtitle{"srt", "ass"};
constexpr Extensions kImage{"jpg", "jpeg", "png"};
constexpr Extensions kCache{"ftc",       "jpg",        "tvdbftc",        "tvdbbanc",    "movieinfo2",
                            "movieinfo", "moviedbftc", "moviedbftcinfo", "tagchimpftc", "tagchimpbftcinfo"};
constexpr Extensions kAVCHD{"mts", "m2ts"};
constexpr Extensions kMP4{"mp4", "m4v"};
constexpr Extensions kMP4OrMKV{"mp4", "m4v", "mkv"};

QString extensionOf(const QString& path) { return QFileInfo(path).suffix().toLower(); }

bool hasExtension(const QString& path, Extensions extensions) {
  const QString extension = extensionOf(path);
  for (const char* e : extensions)
    if (extension == QLatin1String(e)) return true;
  return false;
}

}  // namespace

bool IsVideoFile(const QString& path) {
  if (hasExtension(path, kVideo)) return true;
  const QString extension = extensionOf(path);
  for (QString entry : Defaults::standard().get(setting::AdditionalExtensions)) {
    entry = entry.toLower();
    if (entry.size() >= 2 && entry.startsWith('.')) entry.remove(0, 1);
    // An empty entry would make every file without an extension a video.
    if (!entry.isEmpty() && entry == extension) return true;
  }
  return false;
}

bool IsSubtitleFile(const QString& path) { return hasExtension(path, kSubtitle); }
bool IsImageFile(const QString& path) { return hasExtension(path, kImage); }
bool IsCacheFile(const QString& path) { return hasExtension(path, kCache); }
bool IsAVCHDFile(const QString& path) { return hasExtension(path, kAVCHD); }
bool IsMP4File(const QString& path) { return hasExtension(path, kMP4); }
bool IsMP4OrMKVFile(const QString& path) { return hasExtension(path, kMP4OrMKV); }

bool IsBitmapSubtitleFormat(const QString& format) {
  return format == QLatin1String("VobSub") || format == QLatin1String("PGS");
}

}  // namespace zuvo
