// Emptying the work folder of a conversion's intermediate files, before a conversion (what an
// earlier one left behind) and after one that ended normally.
#include <QDir>
#include <QFile>
#include <QSet>

#include "convert/BCConverter.h"
#include "media/FileHelpers.h"

namespace zuvo {
namespace {

// "xx" stands for each number from 0 to 99; "*" for any name with that extension, in any
// letter case.
constexpr const char* kIntermediateFiles[] = {
    "temp.h264", "temp.mp4", "subtitlevideo.avi", "mergedmkvfile.mkv", "subtitlexx.sub", "subtitlexx.idx",
    "audioxx.m4a", "audioxx.ac3", "audioxxss.ac3", "audioxxff.m4a", "audioxxff.mp4",
    ".*.srt", ".*.ass", ".*.ttxt", ".*.ttxt2",
    // Made by the preparation steps and the passes as well, and left behind without these.
    "mergedavifile.avi", "intermediatexx.mkv", "filewithoutsubtitles.mkv", "mtspre.mp4", "subtitlexx.sub.temp",
    "ffmpeg2pass-xx.log", "ffmpeg2pass-xx.log.mbtree",
};
// After the output base name: the EyeTV pre-conversion, the hardware encoder's export and
// the SD pass's output, at either pass's extension.
constexpr const char* kBaseNameIntermediates[] = {".pp.m4v", ".pp.mp4", "Turbo.m4v", "Turbo.mp4", ".SD.mp4"};
constexpr int kNumbered = 100;

struct Patterns {
  QSet<QString> names;
  QSet<QString> extensions;  // lower case
};

Patterns patternsFor(const QString& baseName) {
  Patterns patterns;
  for (const char* entry : kIntermediateFiles) {
    const QString name = QString::fromLatin1(entry);
    if (name.contains(u'*')) {
      patterns.extensions << PathExtension(name).toLower();
    } else if (name.contains(QStringLiteral("xx"))) {
      for (int i = 0; i < kNumbered; ++i) patterns.names << QString(name).replace(QStringLiteral("xx"), QString::number(i));
    } else {
      patterns.names << name;
    }
  }
  if (!baseName.isEmpty())
    for (const char* suffix : kBaseNameIntermediates) patterns.names << baseName + QString::fromLatin1(suffix);
  return patterns;
}

}  // namespace

void BCConverter::CleanUpConversionFiles() {
  // Without a work folder the names would be taken from wherever the process happens to be.
  if (conversiondirectory.isEmpty()) return;
  const QDir folder(conversiondirectory);
  const Patterns patterns = patternsFor(outboundname);
  // Files only: a folder that happens to carry one of these names is not ours.
  for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
    if (patterns.names.contains(name) || patterns.extensions.contains(PathExtension(name).toLower()))
      QFile::remove(folder.filePath(name));
  }
}

}  // namespace zuvo
