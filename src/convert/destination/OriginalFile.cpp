// What becomes of the user's source once it is converted: to the Trash, into the folder of
// converted files, or left where it is. The source is what the user gave (for an EyeTV
// recording its whole package), never an intermediate of the work folder.
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#include "convert/converter/ConversionTail.h"
#include "convert/passes/VideoPasses.h"
#include "convert/report/ConversionCodes.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "media/RegisteredSettings.h"
#include "media/SourceIdentity.h"
#include "media/Trash.h"
#include "platform/Defaults.h"
#include "platform/FileMove.h"
#include "platform/PlacedOutputs.h"

namespace zuvo {
namespace {

constexpr int kActionTrash = 1;
constexpr int kActionMove = 2;

// A file never lands half-copied under the target's name (a full disk across file systems);
// a package is a folder, which only a rename within one file system moves. Either failure is
// worth a reason.
bool moveSource(const QString& source, const QString& target, const Reporter& log) {
  if (!QFileInfo(source).isDir()) {
    const FileMoveResult move = moveFileNoReplace(source, target);
    if (!move.done) reportTo(log, QStringLiteral("[RED]Moved failed : %1").arg(move.error), 3);
    return move.done;
  }
  if (QFileInfo::exists(target)) return false;
  std::error_code error;
  std::filesystem::rename(QFile::encodeName(source).toStdString(), QFile::encodeName(target).toStdString(),
                          error);
  if (error)
    reportTo(log, QStringLiteral("[RED]Moved failed : %1").arg(QString::fromStdString(error.message())), 3);
  return !error;
}

// A recording still being written when its conversion began has grown or been touched
// since: what was converted is only a part of it.
bool changedSinceStart(const MediaFile& media, const QString& source, const QDateTime& start) {
  const std::optional<SourceIdentity> now = sourceIdentity(source);
  if (!now) return false;
  if (now->modified > start) return true;
  const QString measured = media.packagepath().isEmpty() ? source : media.packagepath();
  return media.filesize() > 0 && QFileInfo(measured).isFile() &&
         QFileInfo(measured).size() != media.filesize();
}

// Takes back what the passes placed, each only while it is still the file placed there.
void removePlacedOutputs(BCConverter& converter) {
  for (const BCConverter::PlacedOutput& placed : std::as_const(converter.placedoutputs)) {
    const QFileInfo info(placed.path);
    if (!info.isFile() || info.size() != placed.size) continue;
    if (!QFile::remove(placed.path)) continue;
    placedoutputs::forget(placed.path);
    reportTo(converter.myreporter,
             QStringLiteral("[RED]Removed %1, converted from a part of the original").arg(placed.path), 3);
  }
  converter.placedoutputs.clear();
}

}  // namespace

std::optional<BCError> failIfSourceChanged(BCConverter& converter) {
  const MediaFile& media = *converter.convideodata;
  if (media.isSample() || media.isDVD() || !converter.starttime.isValid()) return std::nullopt;
  const QString source = media.fullpath();
  if (!changedSinceStart(media, source, converter.starttime)) return std::nullopt;
  const QString reason = QStringLiteral("%1 changed while it was converted, it is left in place").arg(source);
  converter.reportBoth(QStringLiteral("[RED]") + reason, reason, 3);
  removePlacedOutputs(converter);
  return failConversion(converter,
                        BCError::Code(ConversionCode::PlacingFile,
                                      QStringLiteral("The original changed while it was converted")),
                        {QStringLiteral("[RED] Canceling conversion.")});
}

std::optional<BCError> handleOriginalFile(BCConverter& converter) {
  const MediaFile& media = *converter.convideodata;
  const Reporter& log = converter.myreporter;
  const bool dropped = media.drop();
  if (dropped)
    converter.reportBoth(QStringLiteral("File was dropped"),
                         QStringLiteral("Original file was dropped on Zuvo"), 3);
  else
    converter.reportBoth(QStringLiteral("File was from Video Sources"),
                         QStringLiteral("Original file was from Video Sources"), 3);
  const int action =
      Defaults::standard().get(dropped ? setting::DroppedFileAction : setting::VideoSourcesFileAction);
  const QString source = media.fullpath();

  // Whatever the settings say, a source that changed under the conversion stays where it is.
  if (auto exit = failIfSourceChanged(converter)) return exit;

  if (action == kActionTrash) {
    converter.reportBoth(
        QStringLiteral("Deleting dropped file"),
        dropped ? QStringLiteral("Deleting orignal file") : QStringLiteral("Deleting dropped file"), 3);
    if (!MoveFileToTrash(source))
      reportTo(log, QStringLiteral("[RED]Unable to move %1 to the Trash").arg(source), 3);
    return std::nullopt;
  }
  if (action == kActionMove) {
    converter.reportBoth(QStringLiteral("Moving original file into converted show directory"), 3);
    const QString name = media.filename().isEmpty() ? QFileInfo(source).fileName() : media.filename();
    const QString target = Defaults::standard().get(setting::ConvertedFilesDirectory) + u'/' + name;
    if (!moveSource(source, target, log))
      return failConversion(converter,
                            BCError::Code(ConversionCode::PlacingFile,
                                          QStringLiteral("Unable to move original file to %1").arg(target)),
                            {QStringLiteral("[RED] Canceling conversion.")});
    return std::nullopt;
  }
  converter.reportBoth(QStringLiteral("Leaving original file in place"), 3);
  return std::nullopt;
}

}  // namespace zuvo
