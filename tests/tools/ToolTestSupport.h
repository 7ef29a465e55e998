#pragma once
// Running our stand-in programs the way the conversion's runners do: one command text split
// with SplitArguments, the work folder as the current folder, output and errors merged.
#include <QMap>
#include <QString>
#include <QStringList>

#include "media/StringHelpers.h"
#include "platform/Paths.h"
#include "platform/ToolProcess.h"
#include "support/TestSupport.h"

namespace zuvo::test {

struct ToolRun {
  int exitCode = -1;
  QByteArray output;
};

inline ToolRun runTool(const QString& name, const QString& command, const QString& folder,
                       const QMap<QString, QString>& environment = {}) {
  ToolProcess p;
  ToolRun r;
  if (!p.start({paths::toolPath(name), SplitArguments(command), folder, environment})) return r;
  while (!p.atEnd()) r.output += p.read(1000);
  r.exitCode = p.waitForExit();
  return r;
}

// A stand-in for ffmpeg that hangs after writing a little to its last argument (or, with
// `passThrough`, runs the real one unless the arguments hold it), so that a stop arrives
// while the stand-in still works.
inline QString hangingFfmpeg(const QString& folder, const QString& passThroughUnless = {}) {
  const QString bin = freshFolder(folder);
  QString script = "#!/bin/sh\n";
  if (!passThroughUnless.isEmpty())
    script += "case \"$*\" in *" + passThroughUnless + "*) ;; *) exec /usr/bin/ffmpeg \"$@\";; esac\n";
  script += "for last; do :; done\nprintf partial > \"$last\"\nexec sleep 60\n";
  writeFile(bin + "/ffmpeg", script.toUtf8());
  QFile::setPermissions(bin + "/ffmpeg", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return bin;
}

}  // namespace zuvo::test
