#include "convert/support/FakeTool.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "convert/runners/ToolRunners.h"
#include "media/MediaValues.h"
#include "support/TestSupport.h"

namespace zuvo::test {
namespace {

QString writeScript(const QString& name, const QByteArray& body) {
  const QString path =
      writeFile(freshFolder("tool") + "/" + name, "#!/bin/sh\necho $$ > \"$0.pid\"\n" + body);
  QFile(path).setPermissions(QFile(path).permissions() | QFile::ExeOwner);
  return path;
}

}  // namespace

QString fakeTool(const QString& name, const QList<OutputPiece>& pieces, const QByteArray& tail) {
  QByteArray body;
  for (const OutputPiece& piece : pieces) {
    // In hexadecimal: any byte at all, no quoting trouble.
    body += "'" ZUVO_WRITE_PIECE "' '" + piece.bytes.toHex() + "'\n";
    if (piece.pauseAfterMs > 0) body += "sleep " + QByteArray::number(piece.pauseAfterMs / 1000.0) + "\n";
  }
  return writeScript(name, body + tail + "\n");
}

QString busyTool(const QString& name, const QByteArray& progressLine) {
  return writeScript(name, "i=0\nwhile :; do\n  i=$((i+1))\n  if [ $((i % 3000)) -eq 0 ]; then printf '" +
                               progressLine + "' $((i / 3000 % 100)); fi\ndone\n");
}

qint64 fakeToolPid(const QString& tool) { return readFile(tool + ".pid").trimmed().toLongLong(); }

MediaFilePtr convertingMedia() {
  auto media = std::make_shared<MediaFile>();
  media->setState(MediaState::Converting);
  return media;
}

Runner runnerNamed(const QString& name) {
  using Answering = BCError (*)(const QString&, const ToolArguments&, const MediaFilePtr&, const QString&,
                                const ConversionReport&, const Reporter&);
  using Silent = void (*)(const QString&, const ToolArguments&, const MediaFilePtr&, const QString&,
                          const ConversionReport&, const Reporter&);
  auto answering = [](Answering runner) -> Runner {
    return [runner](auto&&... arguments) { return RunnerOutcome{runner(arguments...), std::nullopt}; };
  };
  auto silent = [](Silent runner) -> Runner {
    return [runner](auto&&... arguments) {
      runner(arguments...);
      return RunnerOutcome{};
    };
  };
  if (name == "runFFMpeg") return answering(runFFMpeg);
  if (name == "run264Helper")
    return [](auto&&... arguments) { return RunnerOutcome{std::nullopt, run264Helper(arguments...)}; };
  if (name == "runHandbrake") return answering(runHandbrake);
  if (name == "runMencoder") return answering(runMencoder);
  if (name == "runMkvmerge") return answering(runMkvmerge);
  // What these two say of the outcome is not a result of theirs: the callers judge the files too.
  if (name == "runAacgain")
    return [](auto&&... arguments) {
      (void)runAacgain(arguments...);
      return RunnerOutcome{};
    };
  if (name == "runMP4Box")
    return [](auto&&... arguments) {
      (void)runMP4Box(arguments...);
      return RunnerOutcome{};
    };
  if (name == "runMkvextract") return silent(runMkvextract);
  if (name == "runAvimerge") return silent(runAvimerge);
  ADD_FAILURE() << "no runner " << name.toStdString();
  return silent(runAvimerge);
}

RunnerOutcome runTool(const QString& runner, const QString& tool, const MediaFilePtr& media,
                      const Reporter& reporter, const ConversionReport& report) {
  return runnerNamed(runner)(tool, ToolArguments(), media, freshFolder("work"), report, reporter);
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QThread::msleep(20);
  }
  return true;
}

}  // namespace zuvo::test
