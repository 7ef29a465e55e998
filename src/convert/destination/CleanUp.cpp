// Emptying the work folder of a conversion's intermediate files, before a conversion (what an
// earlier one left behind) and after one that ended normally. The work folder is the user's
// choice and may be a folder of their own videos and subtitles, so only the names the
// conversion steps give their files are removed, never a file merely by its extension, and
// only when the folder's record says a conversion made it: what was there when the
// conversion started is not its own.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

#include "convert/converter/BCConverter.h"
#include "platform/MadeFiles.h"

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

// `numbered`: how many of each numbered name.
QSet<QString> intermediateNames(const QString& baseName, int numbered = kNumbered) {
  QSet<QString> names;
  for (const char* entry : kIntermediateFiles) {
    const QString name = QString::fromLatin1(entry);
    if (!name.contains(QStringLiteral("xx"))) {
      names << name;
      continue;
    }
    for (int i = 0; i < numbered; ++i)
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

// The intermediate names of this conversion (its base name, its sources' exported tracks).
class IntermediateNames {
 public:
  explicit IntermediateNames(const BCConverter& converter)
      : names_(intermediateNames(converter.outboundname)) {
    QStringList sources{QFileInfo(converter.fileToConvertPath).completeBaseName()};
    if (converter.convideodata) {
      sources << QFileInfo(converter.convideodata->fullpath()).completeBaseName()
              << QFileInfo(converter.convideodata->packagepath()).completeBaseName();
    }
    exported_ = exportedTrackName(sources);
  }
  bool contains(const QString& name) const {
    return names_.contains(name) || exported_.match(name).hasMatch();
  }

 private:
  QSet<QString> names_;
  QRegularExpression exported_;
};

// The numbered names this conversion can write: one per audio or subtitle track (numbered by
// its place in the list), per joined file and per pass of ffmpeg's two-pass log.
int numberedFor(const BCConverter& converter) {
  constexpr qsizetype kPasses = 2;
  if (!converter.convideodata) return kNumbered;
  const MediaFile& media = *converter.convideodata;
  const qsizetype most =
      std::max({media.AudioTracks().size(), media.SoftSubtitleTracks().size(),
                media.HardSubtitleTracks().size(), media.VideoJoinPaths().size() + 1, kPasses});
  return int(std::min<qsizetype>(most, kNumbered));
}

// Files only: a folder that happens to carry one of these names is not ours.
QStringList filesOf(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

}  // namespace

void BCConverter::RecordIntermediates() {
  if (conversiondirectory.isEmpty() || !notedstart_) return;
  const IntermediateNames intermediates(*this);
  const QStringList present = filesOf(conversiondirectory);
  QStringList made;
  for (const QString& name : present)
    if (intermediates.contains(name) && !startfiles_.contains(name)) made << name;
  madefiles::add(conversiondirectory, made);
  // Names reserved at the start and never written are free again for the user's files.
  QStringList unwritten;
  for (const QString& name : madefiles::names(conversiondirectory))
    if (intermediates.contains(name) && !present.contains(name)) unwritten << name;
  madefiles::forget(conversiondirectory, unwritten);
}

std::optional<QString> BCConverter::IntermediateInTheWay() const {
  if (conversiondirectory.isEmpty()) return std::nullopt;
  // After the clean-up every intermediate of ours is gone: what remains under a name this
  // conversion writes is the user's, and the steps would write over it. (A track MP4Box
  // exports is looked at when it is exported.)
  const QSet<QString> written = intermediateNames(outboundname, numberedFor(*this));
  for (const QString& name : filesOf(conversiondirectory))
    if (written.contains(name)) return workPath(name);
  return std::nullopt;
}

void BCConverter::ReserveIntermediates() {
  if (conversiondirectory.isEmpty()) return;
  // Named before any tool writes them, so that a conversion cut short by a crash or a kill
  // leaves its intermediates to the next clean-up rather than in the way for good.
  QStringList names;
  for (const QString& name : intermediateNames(outboundname, numberedFor(*this)))
    if (!startfiles_.contains(name)) names << name;
  madefiles::add(conversiondirectory, names);
}

void BCConverter::CleanUpConversionFiles() {
  // Without a work folder the names would be taken from wherever the process happens to be.
  if (conversiondirectory.isEmpty()) return;
  RecordIntermediates();
  const IntermediateNames intermediates(*this);
  const QSet<QString> made = madefiles::names(conversiondirectory);
  const QStringList present = filesOf(conversiondirectory);
  QStringList gone;
  for (const QString& name : present) {
    if (!intermediates.contains(name) || !made.contains(name)) continue;
    if (QFile::remove(workPath(name))) gone << name;
  }
  // An intermediate of ours that someone else removed: its name is free for the user's files.
  for (const QString& name : made)
    if (intermediates.contains(name) && !present.contains(name)) gone << name;
  madefiles::forget(conversiondirectory, gone);
}

}  // namespace zuvo
