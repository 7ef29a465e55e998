#pragma once
// Running the two stream-analysis tools on a source. Each runs once per call, with the
// source path as its only argument (never through a shell), the cache folder as its working
// folder, standard output and standard error in one pipe read to its end; the exit status
// is not read. The answer is the output as text in the form our readers take (see
// AnalysisOutputNormalizer.h); empty when the tool cannot be started.
#include <QString>

namespace zuvo {

// Resource names of the tools.
inline constexpr const char* kMediaInfoTool = "mediainfo";
inline constexpr const char* kFFprobeTool = "ffprobe";

// The tool's raw output, decoded as UTF-8; bytes that are not UTF-8 (a Latin-1 tag) become
// U+FFFD rather than costing the whole report. A relative source path is made absolute first, as
// the tool runs in another folder; a cache folder that does not exist leaves the tool in ours.
QString runAnalysisTool(const QString& tool, const QString& sourcePath, const QString& cacheFolder);

QString mediaInfoOutput(const QString& sourcePath, const QString& cacheFolder);
QString ffprobeOutput(const QString& sourcePath, const QString& cacheFolder);

// Both reports of one source, each tool run once: a probe reads the streams from both and
// the chapters from the same ffprobe report.
struct AnalysisReports {
  QString mediainfo;
  QString ffprobe;
};
AnalysisReports analysisReports(const QString& sourcePath, const QString& cacheFolder);

}  // namespace zuvo
