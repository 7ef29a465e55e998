#include "platform/PlacedOutputs.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "support/TestSupport.h"

using namespace zuvo;

namespace {

bool placedAsItIs(const QString& path) {
  const QFileInfo file(path);
  return placedoutputs::isPlaced(path, file.size(), file.lastModified());
}

}  // namespace

TEST(PlacedOutputs, AnOutputIsOursFromItsMoveOnAndAcrossARestartWhileItStaysAsPlaced) {
  const QString profile = test::freshFolder("data");
  test::ScopedEnv data("XDG_DATA_HOME", profile.toLocal8Bit());
  const QString folder = test::freshFolder("watched");
  const QString output = folder + "/Clip One.m4v";

  // Between the move and the record the name is ours already, whatever it holds.
  placedoutputs::expect(output);
  EXPECT_TRUE(placedoutputs::isPlaced(output, 0, {}));
  EXPECT_FALSE(placedoutputs::firstTimeTold(output)) << "nothing to tell before it is placed";
  test::writeFile(output, "converted");
  placedoutputs::remember(output);
  EXPECT_TRUE(placedAsItIs(output));
  EXPECT_TRUE(placedoutputs::firstTimeTold(output));
  EXPECT_FALSE(placedoutputs::firstTimeTold(output));

  // A move that failed leaves nothing of ours behind.
  const QString failed = folder + "/Clip Two.m4v";
  placedoutputs::expect(failed);
  placedoutputs::forget(failed);
  test::writeFile(failed, "the user's own");
  EXPECT_FALSE(placedAsItIs(failed));

  // The next run reads the record back, told once already.
  {
    test::ScopedEnv other("XDG_DATA_HOME", test::freshFolder("other data").toLocal8Bit());
    EXPECT_FALSE(placedAsItIs(output)) << "another profile's record";
  }
  EXPECT_TRUE(QFileInfo::exists(profile + "/Zuvo/" + placedoutputs::kRecordName));
  EXPECT_TRUE(placedAsItIs(output));
  EXPECT_FALSE(placedoutputs::firstTimeTold(output));

  // Changed since, it is the user's file like any other.
  QFile file(output);
  ASSERT_TRUE(file.open(QIODevice::Append));
  file.write(" and edited");
  file.close();
  EXPECT_FALSE(placedAsItIs(output));
}
