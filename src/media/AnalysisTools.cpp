#include "media/AnalysisTools.h"

#include <QFileInfo>

#include "media/AnalysisOutputNormalizer.h"
#include "platform/Paths.h"
#include "platform/ToolProcess.h"

namespace zuvo {

QString runAnalysisTool(const QString& tool, const QString& sourcePath, const QString& cacheFolder) {
  ToolProcess::Options options;
  options.program = paths::toolPath(tool);
  // Absolute also means the argument starts with "/", so no tool can read it as an option
  // or a protocol.
  options.arguments = {sourcePath.isEmpty() ? sourcePath : QFileInfo(sourcePath).absoluteFilePath()};
  if (QFileInfo(cacheFolder).isDir()) options.workingDirectory = cacheFolder;
  return QString::fromUtf8(ToolProcess::run(options));
}

QString mediaInfoOutput(const QString& sourcePath, const QString& cacheFolder) {
  return normalizeMediaInfoOutput(runAnalysisTool(kMediaInfoTool, sourcePath, cacheFolder));
}

QString ffprobeOutput(const QString& sourcePath, const QString& cacheFolder) {
  return normalizeFFprobeOutput(runAnalysisTool(kFFprobeTool, sourcePath, cacheFolder));
}

AnalysisReports analysisReports(const QString& sourcePath, const QString& cacheFolder) {
  return {mediaInfoOutput(sourcePath, cacheFolder), ffprobeOutput(sourcePath, cacheFolder)};
}

}  // namespace zuvo
