#include "convert/destination/ScriptHandler.h"

#include "platform/Paths.h"
#include "platform/ToolProcess.h"

namespace zuvo {
namespace {

constexpr int kReadSliceMs = 100;
constexpr int kDrainReads = 16;  // what the program wrote just before it ended

QString exitText(int status) {
  return status < 0 ? QStringLiteral("killed by a signal") : QStringLiteral("exit status %1").arg(status);
}

}  // namespace

QString HandlerCall::errorValues() const {
  return output.isEmpty() ? exitText(exitStatus) : exitText(exitStatus) + " " + QString(output).replace('\n', ' ');
}

QString HandlerCall::errorStrings() const {
  auto quoted = [](QString text) { return '"' + text.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n") + '"'; };
  return QStringLiteral("\"ExitStatus\" = %1;\n\"Output\" = %2;").arg(quoted(exitText(exitStatus)), quoted(output));
}

HandlerCall callHandler(const QString& program, const QStringList& arguments) {
  HandlerCall call;
  if (program.isEmpty()) return call;
  ToolProcess process;
  if (!process.start({program, arguments, {}, {}})) {
    call.outcome = HandlerCall::Outcome::NotStarted;
    return call;
  }
  // The answer is the program's own end: something it left running in the background (a
  // player, say) may hold the output open for as long as it likes.
  QByteArray output;
  while (!process.atEnd()) {
    output += process.read(kReadSliceMs);
    if (!process.isRunning()) break;
  }
  for (int i = 0; i < kDrainReads && !process.atEnd(); ++i) {
    const QByteArray rest = process.read(0);
    if (rest.isEmpty()) break;
    output += rest;
  }
  call.exitStatus = process.waitForExit();
  call.output = QString::fromUtf8(output).trimmed();
  call.outcome = call.exitStatus == 0 ? HandlerCall::Outcome::Replied : HandlerCall::Outcome::Failed;
  return call;
}

HandlerCall callScriptHandler(const QString& resource, const QString& handler, const QStringList& arguments) {
  return callHandler(paths::toolPath(resource), QStringList{handler.toLower()} + arguments);
}

}  // namespace zuvo
