// The user's own program run after a conversion placed its file in a user folder.
#include <QDir>

#include "convert/converter/BCConverter.h"
#include "convert/destination/ScriptHandler.h"
#include "convert/passes/VideoPasses.h"
#include "convert/report/ConversionLog.h"
#include "convert/runners/ToolRun.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

// What is kept of the script's output: it only goes into the log when the script fails.
constexpr qint64 kScriptOutputLimit = 64 * 1024;

// The nine texts, in the order the script reads them.
QStringList scriptArguments(const MediaFile& media, const QString& location) {
  return {location,
          media.fullpath(),
          QString::number(qint32(media.mediatype())),
          media.seriesname(),
          media.episodename(),
          QString::number(qint32(media.season())),
          QString::number(qint32(media.show())),
          media.releasedate(),
          media.genre()};
}

}  // namespace

bool BCConverter::finalAppleScript(const MediaFile& media, const QString& location) {
  reportBoth(QStringLiteral("finalAppleScript::Running Post Conversion Apple Script"), 3);
  const QString script = Defaults::standard().get(setting::PostConversionApplescriptPath);
  if (script.isEmpty()) {
    reportBoth(QStringLiteral("[RED]finalAppleScript::Path to Apple Script is incorrect"),
               QStringLiteral("Path to Apple Script is incorrect"), 2);
    return false;
  }
  reportTo(myreporter, QStringLiteral("Post conversion Apple Script is located at path : %1").arg(script), 3);
  reportTo(myreporter, QStringLiteral("Path of converted movie is %1").arg(location), 4);
  // Bounded like any program of the user's: the queue, the original's fate and the quit
  // all wait on it.
  RunBounds bounds = scriptBounds();
  bounds.timeLimit = postscripttimelimit;
  bounds.mostOutputBytes = kScriptOutputLimit;
  bounds.stopRequested = [&media] { return conversionStopped(media); };
  const HandlerCall call = callHandler(QDir::cleanPath(script), scriptArguments(media, location), bounds);
  switch (call.outcome) {
    case HandlerCall::Outcome::NotFound:
    case HandlerCall::Outcome::NotStarted:
      reportBoth(QStringLiteral("[RED]finalAppleScript::Unable to find Apple Script to run."),
                 QStringLiteral("Unable to find Apple Script to run."), 2);
      return false;
    case HandlerCall::Outcome::Failed:
      reportBoth(QStringLiteral("[RED]finalAppleScript::Something went wrong executing Applescript"),
                 QStringLiteral("Something went wrong executing Applescript"), 2);
      reportTo(myreporter, QStringLiteral("finalAppleScript::Error is %1").arg(call.errorValues()), 2);
      return false;
    case HandlerCall::Outcome::TimedOut: {
      const QString cut =
          QStringLiteral("The post-conversion script %1 did not end within %2 seconds and was stopped")
              .arg(script, QString::number(postscripttimelimit));
      reportBoth(QStringLiteral("[RED]finalAppleScript::") + cut, cut, 2);
      return false;
    }
    case HandlerCall::Outcome::Stopped:
      reportBoth(QStringLiteral("[RED]finalAppleScript::The post-conversion script was stopped"),
                 QStringLiteral("The post-conversion script was stopped"), 2);
      return true;
    case HandlerCall::Outcome::Replied:
      break;
  }
  reportBoth(QStringLiteral("finalAppleScript::Script ran successfully"),
             QStringLiteral("Script ran successfully"), 4);
  return false;
}

}  // namespace zuvo
