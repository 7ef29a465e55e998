#include "convert/destination/ImportVideo.h"

#include <QFileInfo>

#include "convert/destination/ScriptHandler.h"
#include "convert/runners/ToolRun.h"
#include "platform/PlacedOutputs.h"

namespace zuvo {

bool importVideoIntoiTunes(const QString& folder, const MediaFile& media, const QString& baseName,
                           const QString& extension, const Reporter& reporter, ImportMode mode) {
  const QString path = folder + "/" + baseName + extension;
  reportTo(reporter, QStringLiteral("importVideoIntoiTunes::Importing converted Movie into iTunes."), 3);
  reportTo(reporter, QStringLiteral("Path of converted movie to import is %1").arg(path), 4);
  // The media type goes along: a home movie carries the same media kind as a movie.
  QStringList arguments{path, media.description(), QString::number(codeOf(media.mediatype()))};
  if (mode == ImportMode::Move) arguments << QString::fromLatin1(kImportMoveArgument);
  const HandlerCall call =
      callScriptHandler(QString::fromLatin1(kImportMovieScript), QStringLiteral("ImportMovie"), arguments);
  switch (call.outcome) {
    case HandlerCall::Outcome::NotFound:
      reportTo(reporter,
               QStringLiteral("[RED]importVideoIntoiTunes::Path in Bundle to ImportMovie is incorrect"), 2);
      return false;
    case HandlerCall::Outcome::NotStarted:
      reportTo(reporter, QStringLiteral("[RED]importVideoIntoiTunes::Unable to find ImportMovie in Bundle."),
               2);
      return false;
    case HandlerCall::Outcome::Failed:
    case HandlerCall::Outcome::TimedOut:
    case HandlerCall::Outcome::Stopped:
      reportTo(reporter,
               QStringLiteral(
                   "[RED]importVideoIntoiTunes::Something went wrong executing Applescript ImportMovie"),
               2);
      reportTo(reporter, QStringLiteral("[RED]importVideoIntoiTunes::Error is %1").arg(call.errorValues()),
               2);
      return false;
    case HandlerCall::Outcome::Replied:
      break;
  }
  reportTo(reporter, QStringLiteral("[BLUE]importVideoIntoiTunes::Movie imported into iTunes"), 2);
  // The library answers with where it put the file; it may be a watched folder too.
  if (const QString placed = call.output.section(u'\n', -1); QFileInfo(placed).isFile())
    placedoutputs::remember(placed);
  return true;
}

}  // namespace zuvo
