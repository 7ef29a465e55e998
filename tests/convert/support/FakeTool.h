#pragma once
// Stand-ins for the conversion tools: small shell scripts, written at test time, that print
// output shaped like the real tool's in the pieces (and with the pauses) a test asks for.
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "convert/report/ConversionReport.h"
#include "convert/runners/ToolArguments.h"
#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/MediaFile.h"

namespace zuvo::test {

struct OutputPiece {
  QByteArray bytes;      // written as they are, in one write that the reader gets alone
  int pauseAfterMs = 0;  // then the tool sleeps
};

// A script named `name` in a fresh folder that writes the pieces in order, each once the
// reader has taken the one before and waiting for it to be taken (a few seconds at most),
// then runs `tail` (shell text, may be empty). It first writes its process id (its own
// group's id) into "<script>.pid".
QString fakeTool(const QString& name, const QList<OutputPiece>& pieces, const QByteArray& tail = {});
// A script that spins on the processor and writes `progressLine` (a printf format taking
// one number, 0 to 99) every few thousand turns, for ever.
QString busyTool(const QString& name, const QByteArray& progressLine);
// The process id a fake tool wrote; 0 until it has.
qint64 fakeToolPid(const QString& tool);

// Polls `done` until it holds (true) or the time is up (false). The default deadline is
// generous: a loaded machine can be slow, and a wait that succeeds ends at once anyway.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 30000);

// A fresh media object in the converting state.
MediaFilePtr convertingMedia();

// Any of the nine runners, called one way: what it answered, if it answers anything.
struct RunnerOutcome {
  std::optional<BCError> result;  // the runners that answer a BCError
  std::optional<bool> answer;     // run264Helper
};
using Runner = std::function<RunnerOutcome(const QString& tool, const ToolArguments& arguments,
                                           const MediaFilePtr& media, const QString& workingFolder,
                                           const ConversionReport& report, const Reporter& reporter)>;
// "runFFMpeg", "runHandbrake", ...: the runner of that name.
Runner runnerNamed(const QString& name);
// Runs it with no arguments in a fresh folder.
RunnerOutcome runTool(const QString& runner, const QString& tool, const MediaFilePtr& media,
                      const Reporter& reporter = nullptr, const ConversionReport& report = {});

}  // namespace zuvo::test
