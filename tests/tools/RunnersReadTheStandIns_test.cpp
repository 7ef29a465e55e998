// The conversion's own runners on our stand-ins: the progress they print is the progress the
// runners show, and the files appear where the steps look for them.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "../media/MediaTestSupport.h"
#include "../mp4/Mp4Fixtures.h"
#include "convert/runners/ToolResources.h"
#include "convert/runners/ToolRunners.h"
#include "media/MediaValues.h"
#include "platform/Paths.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {
MediaFilePtr converting() {
  auto media = std::make_shared<MediaFile>();
  media->setState(MediaState::Converting);
  return media;
}
}  // namespace

TEST(RunnersReadTheStandIns, Mp4BoxProgressReachesTheQueueRowAndOnlyMessagesAreLogged) {
  const QString work = freshFolder("work folder");
  const QString output = work + "/Film.m4v";
  makeTestVideo(output, 2, 160, 120, {"-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"});
  const QString aac = work + "/audio0ff.mp4";
  makeMedia(aac, {"-f", "lavfi", "-i", "sine=duration=2", "-ac", "2", "-c:a", "aac"});
  const MediaFilePtr media = converting();
  CapturedLog log;
  runMP4Box(paths::toolPath(tools::kMP4Box),
            ToolArguments(" -add %@:name=Stereo:lang=\"%@\":group=1%@:disable \"%@\"",
                          {aac, "eng", ":delay=250", output}),
            media, work, {}, log.reporter);
  EXPECT_EQ(media->progress(), 100);
  EXPECT_TRUE(log.text().contains("[BLUE]mp4box called with command")) << log.text().toStdString();
  EXPECT_FALSE(log.text().contains("| (")) << "progress chunks are read, not logged";
  const QJsonArray streams = ffprobeStreams(output);
  ASSERT_EQ(streams.size(), 3);
  EXPECT_EQ(streams[2]["tags"].toObject()["language"].toString(), "eng");
  EXPECT_NEAR(streams[2]["start_time"].toString().toDouble(), 0.25, 0.001);
}

TEST(RunnersReadTheStandIns, AacgainProgressReachesTheQueueRowAndItsFindingsAreLogged) {
  const QString work = freshFolder("work folder");
  const QString file = work + "/audio0ff.mp4";
  makeMedia(file,
            {"-f", "lavfi", "-i", "sine=duration=3,volume=0.1", "-ac", "2", "-c:a", "aac", "-f", "mp4"});
  const QByteArray before = readFile(file);
  const MediaFilePtr media = converting();
  CapturedLog log;
  runAacgain(paths::toolPath(tools::kAacgain), ToolArguments(" -r -k -s s \"%@\"", {file}), media, work, {},
             log.reporter);
  EXPECT_EQ(media->progress(), 100);
  EXPECT_TRUE(log.text().contains("aacgain::Track gain")) << log.text().toStdString();
  EXPECT_NE(readFile(file), before);
}

TEST(RunnersReadTheStandIns, AvimergeLeavesTheJoinInTheWorkFolder) {
  const QString sources = freshFolder("sources");
  QStringList parts;
  for (int i = 1; i <= 2; ++i) {
    parts << sources + QStringLiteral("/part %1.avi").arg(i);
    makeMedia(parts.last(), {"-f", "lavfi", "-i", "testsrc=size=64x48:rate=25:duration=1", "-c:v", "mpeg4"});
  }
  const QString work = freshFolder("work");
  runAvimerge(paths::toolPath(tools::kAvimerge),
              ToolArguments(" -o mergedavifile.avi  -i \"%@\"  \"%@\" ", parts), converting(), work, {},
              nullptr);
  EXPECT_NEAR(mediainfoTracks(work + "/mergedavifile.avi")[0].toObject()["Duration"].toString().toDouble(),
              2.0, 0.1);
}
