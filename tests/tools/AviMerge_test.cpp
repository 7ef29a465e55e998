#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QThread>

#include "../mp4/Mp4Fixtures.h"
#include "ToolTestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

QString part(const QString& path, int frequency) {
  makeMedia(path, {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2", "-f", "lavfi", "-i",
                   QStringLiteral("sine=frequency=%1:sample_rate=44100:duration=2").arg(frequency), "-c:v",
                   "mpeg4", "-c:a", "libmp3lame", "-shortest"});
  return path;
}

double seconds(const QJsonObject& object, const char* key) { return object[key].toString().toDouble(); }

int packets(const QString& path, const QString& stream) {
  return runCommand("ffprobe", {"-v", "error", "-select_streams", stream, "-count_packets", "-show_entries",
                                "stream=nb_read_packets", "-of", "csv=p=0", path})
      .output.trimmed()
      .toInt();
}

}  // namespace

TEST(AviMerge, ThePartsAreJoinedByCopyingTheirStreams) {
  const QString sources = freshFolder("it's my show");  // a space and a quote in the path
  const QString first = part(sources + "/Show part 1.avi", 300),
                second = part(sources + "/Show part 2.avi", 500),
                third = part(sources + "/Show part 3.avi", 700);
  const QString work = freshFolder("work");
  // The joining step's command: the output in the work folder, the source, then the further parts.
  const QString command = QString(" -o mergedavifile.avi ") + QString(" -i \"%1\" ").arg(first) +
                          QString(" \"%1\" ").arg(second) + QString(" \"%1\" ").arg(third);
  const ToolRun r = runTool("avimerge", command, work);
  ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();

  const QString merged = work + "/mergedavifile.avi";
  const QJsonArray streams = ffprobeStreams(merged);
  ASSERT_EQ(streams.size(), 2);
  EXPECT_EQ(streams[0]["codec_name"].toString(), "mpeg4");
  EXPECT_EQ(streams[1]["codec_name"].toString(), "mp3");
  double total = 0;
  int video = 0, audio = 0;
  for (const QString& p : {first, second, third}) {
    total += seconds(mediainfoTracks(p)[0].toObject(), "Duration");
    video += packets(p, "v:0");
    audio += packets(p, "a:0");
  }
  EXPECT_NEAR(seconds(mediainfoTracks(merged)[0].toObject(), "Duration"), total, 0.15);
  EXPECT_EQ(packets(merged, "v:0"), video) << "every packet copied, none re-encoded";
  EXPECT_EQ(packets(merged, "a:0"), audio);
  const CommandResult play =
      runCommand("ffmpeg", {"-nostdin", "-v", "error", "-i", merged, "-f", "null", "-"});
  EXPECT_EQ(play.exitCode, 0);
  EXPECT_TRUE(play.output.trimmed().isEmpty()) << play.output.toStdString();
}

TEST(AviMerge, AFailedOrStoppedJoinLeavesNoOutput) {
  const QString work = freshFolder("fail");
  const QString first = part(work + "/a.avi", 300);
  for (const QString& command :
       {QString(" -o mergedavifile.avi -i \"%1\" \"%2\" ").arg(first, work + "/missing.avi"),
        QString(" -o mergedavifile.avi "), QString(" -i \"%1\" ").arg(first),
        QString(" -o mergedavifile.avi -x \"%1\" ").arg(first)}) {
    SCOPED_TRACE(command.toStdString());
    const ToolRun r = runTool("avimerge", command, work);
    EXPECT_EQ(r.exitCode, 1) << r.output.toStdString();
    EXPECT_FALSE(QFile::exists(work + "/mergedavifile.avi"));
  }

  const QString bin = hangingFfmpeg("fake ffmpeg");
  ToolProcess p;
  ASSERT_TRUE(p.start({paths::toolPath("avimerge"),
                       SplitArguments(QString(" -o mergedavifile.avi -i \"%1\" \"%1\"").arg(first)),
                       work,
                       {{"PATH", bin + ":" + qEnvironmentVariable("PATH")}}}));
  for (int i = 0; i < 200 && !QFile::exists(work + "/mergedavifile.avi"); ++i) QThread::msleep(50);
  ASSERT_TRUE(QFile::exists(work + "/mergedavifile.avi")) << "the join started";
  p.terminate();
  EXPECT_EQ(p.waitForExit(), 1);
  EXPECT_FALSE(QFile::exists(work + "/mergedavifile.avi"));
}
