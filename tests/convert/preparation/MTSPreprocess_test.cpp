#include <gtest/gtest.h>

#include "convert/report/ConversionCodes.h"
#include "convert/support/PreparationFixtures.h"

using namespace zuvo;

TEST(MTSPreprocess, ATransportStreamIsReencodedToH264InMP4) {
  test::StepFolders f;
  const QString work = f.work, source = f.sources + "/00001.mts";
  test::makeTestVideo(source, 2, 320, 240, {"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "mpegts"});
  auto converter = test::converterFor(test::probed(source), work, f.log.reporter);
  const BCError result = converter->MTSPreprocess();
  EXPECT_FALSE(result.Error()) << result.Description().toStdString();
  EXPECT_EQ(converter->fileToConvertPath, work + "/mtspre.mp4");
  EXPECT_EQ(test::streamSummary(converter->fileToConvertPath),
            (QStringList{"video h264 und", "audio aac und"}));
  EXPECT_NEAR(test::durationSeconds(converter->fileToConvertPath), 2, 0.3);
}

TEST(MTSPreprocess, NoOutputIsCode8) {
  test::StepFolders f;
  const QString source = test::writeFile(f.sources + "/00002.mts", "not a transport stream");
  auto converter = test::converterFor(test::probed(source), f.work, f.log.reporter);
  const BCError result = converter->MTSPreprocess();
  EXPECT_EQ(result.Code(), ConversionCode::MTSPreprocess);
  EXPECT_EQ(result.Description(), "MTS Preprocess failed");
  EXPECT_EQ(converter->fileToConvertPath, source);
  EXPECT_EQ(converter->convideodata->progress(), 100);
}
