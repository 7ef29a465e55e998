#include "convert/destination/ScriptHandler.h"

#include "platform/Paths.h"

namespace zuvo {
namespace {

QString exitText(int status) {
  return status < 0 ? QStringLiteral("killed by a signal") : QStringLiteral("exit status %1").arg(status);
}

}  // namespace

QString HandlerCall::errorValues() const {
  return output.isEmpty() ? exitText(exitStatus)
                          : exitText(exitStatus) + " " + QString(output).replace('\n', ' ');
}

QString HandlerCall::errorStrings() const {
  auto quoted = [](QString text) {
    return '"' + text.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n") + '"';
  };
  return QStringLiteral("\"ExitStatus\" = %1;\n\"Output\" = %2;")
      .arg(quoted(exitText(exitStatus)), quoted(output));
}

RunBounds scriptBounds() {
  RunBounds bounds;
  bounds.endGroupAtEnd = false;
  // A caller on the GUI thread (the duplicate sweep) walks the lists meanwhile.
  bounds.serveEvents = false;
  return bounds;
}

HandlerCall callHandler(const QString& program, const QStringList& arguments, RunBounds bounds) {
  HandlerCall call;
  if (program.isEmpty()) return call;
  // The answer is the program's own end: something it left running in the background may
  // hold the output open for as long as it likes.
  const BoundedRun run = runBounded({program, arguments, {}, {}}, bounds);
  if (!run.started) {
    call.outcome = HandlerCall::Outcome::NotStarted;
    return call;
  }
  call.exitStatus = run.exitStatus;
  call.output = QString::fromUtf8(run.output).trimmed();
  if (run.stopped)
    call.outcome = HandlerCall::Outcome::Stopped;
  else if (run.timedOut)
    call.outcome = HandlerCall::Outcome::TimedOut;
  else
    call.outcome = call.exitStatus == 0 ? HandlerCall::Outcome::Replied : HandlerCall::Outcome::Failed;
  return call;
}

HandlerCall callScriptHandler(const QString& resource, const QString& handler, const QStringList& arguments) {
  return callHandler(paths::toolPath(resource), QStringList{handler.toLower()} + arguments);
}

}  // namespace zuvo
