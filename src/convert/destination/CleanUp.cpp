// Emptying the work folder of a conversion's intermediate files, before a conversion (what an
// earlier one left behind) and after one that ended normally. The work folder is the user's
// choice and may be a folder of their own videos and subtitles, so only the names the
// conversion steps give their files are removed, never a file merely by its extension.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include "convert/converter/BCConverter.h"

namespace zuvo {
namespace {

// "xx" stands for each number from 0 to 99.
constexpr const char* kIntermediateFiles[] = {
    "temp.h264",
    "temp.mp4",
    "subtitlevideo.avi",
    "mergedmkvfile.mkv",
    "subtitlexx.sub",
    "subtitlexx.idx",
    "audioxx.m4a",
    "audioxx.ac3",
    "audioxxss.ac3",
    "audioxxff.m4a",
    "audioxxff.mp4",
    // The subtitle steps: the copied or extracted track, its cleaned scratch copy, the
    // SubRip made from an ASS track and MP4Box's timed-text descriptions of it.
    "subtitlexx.ass",
    "subtitlexx.sub.temp",
    "subtitlexx.ass.temp",
    "subtitlexx.ttxt",
    "subtitlexx.ttxt2",
    // Made by the preparation steps and the passes as well.
    "mergedavifile.avi",
    "intermediatexx.mkv",
    "filewithoutsubtitles.mkv",
    "mtspre.mp4",
    "ffmpeg2pass-xx.log",
    "ffmpeg2pass-xx.log.mbtree",
};
// After the output base name: the EyeTV pre-conversion, the hardware encoder's export and
// the SD pass's output, at either pass's extension.
constexpr const char* kBaseNameIntermediates[] = {".pp.m4v", ".pp.mp4", "Turbo.m4v", "Turbo.mp4", ".SD.mp4"};
constexpr int kNumbered = 100;

QSet<QString> intermediateNames(const QString& baseName) {
  QSet<QString> names;
  for (const char* entry : kIntermediateFiles) {
    const QString name = QString::fromLatin1(entry);
    if (!name.contains(QStringLiteral("xx"))) {
      names << name;
      continue;
    }
    for (int i = 0; i < kNumbered; ++i)
      names << QString(name).replace(QStringLiteral("xx"), QString::number(i));
  }
  if (!baseName.isEmpty())
    for (const char* suffix : kBaseNameIntermediates) names << baseName + QString::fromLatin1(suffix);
  return names;
}

// MP4Box writes a track it exports as "<source base name>_<track id>_text.srt".
QRegularExpression exportedTrackName(const QStringList& sourceBaseNames) {
  QStringList alternatives;
  for (const QString& base : sourceBaseNames)
    if (!base.isEmpty()) alternatives << QRegularExpression::escape(base);
  if (alternatives.isEmpty()) return QRegularExpression(QStringLiteral("(?!)"));
  return QRegularExpression(QStringLiteral("^(?:%1)_\\d+_text\\.srt$").arg(alternatives.join(u'|')));
}

}  // namespace

void BCConverter::CleanUpConversionFiles() {
  // Without a work folder the names would be taken from wherever the process happens to be.
  if (conversiondirectory.isEmpty()) return;
  const QDir folder(conversiondirectory);
  const QSet<QString> names = intermediateNames(outboundname);
  QStringList sources{QFileInfo(fileToConvertPath).completeBaseName()};
  if (convideodata) {
    sources << QFileInfo(convideodata->fullpath()).completeBaseName()
            << QFileInfo(convideodata->packagepath()).completeBaseName();
  }
  const QRegularExpression exported = exportedTrackName(sources);
  // Files only: a folder that happens to carry one of these names is not ours.
  for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
    if (names.contains(name) || exported.match(name).hasMatch()) QFile::remove(folder.filePath(name));
  }
}

}  // namespace zuvo
