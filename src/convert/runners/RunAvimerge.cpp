#include "convert/runners/ToolRun.h"
#include "convert/runners/ToolRunners.h"

namespace zuvo {

// avimerge prints no progress and cannot be paused or stopped: its output is read and dropped.
void runAvimerge(const QString& launchPath, const ToolArguments& arguments, const MediaFilePtr& media,
                 const QString& workingFolder, const ConversionReport&, const Reporter& reporter) {
  reportTo(reporter, QStringLiteral("[BLUE]AVIMERGE called with : %1").arg(arguments.text()), 4);
  ToolRun run(launchPath, arguments, workingFolder);
  if (!run.start(reporter)) return;
  run.readToEnd(*media, {}, [](const QStringList&) { return true; });
}

}  // namespace zuvo
