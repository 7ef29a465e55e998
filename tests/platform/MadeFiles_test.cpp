#include "platform/MadeFiles.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <thread>
#include <vector>

#include "support/TestSupport.h"

using namespace zuvo;

TEST(MadeFiles, ManyThreadsAddingAtOnceLoseNoName) {
  const QString folder = test::freshFolder("cache");
  std::vector<std::thread> probes;
  for (int t = 0; t < 8; ++t)
    probes.emplace_back([&folder, t] {
      for (int i = 0; i < 50; ++i) madefiles::add(folder, {QStringLiteral("TV%1.1.%2.jpg").arg(t).arg(i)});
    });
  for (std::thread& probe : probes) probe.join();
  EXPECT_EQ(madefiles::names(folder).size(), 8 * 50);
}

TEST(MadeFiles, OnlyPlainNamesAreRecordedAndAnEmptyRecordGoes) {
  const QString folder = test::freshFolder("work");
  madefiles::add(folder,
                 {"audio0.m4a", "audio0.m4a", "a\nb.srt", "../outside.m4v", "", madefiles::kRecordName});
  EXPECT_EQ(madefiles::names(folder), QSet<QString>({"audio0.m4a"}));
  madefiles::forget(folder, {"never recorded.m4a"});
  EXPECT_EQ(madefiles::names(folder), QSet<QString>({"audio0.m4a"}));
  madefiles::forget(folder, {"audio0.m4a"});
  EXPECT_TRUE(madefiles::names(folder).isEmpty());
  EXPECT_FALSE(QFileInfo::exists(folder + "/" + madefiles::kRecordName))
      << "the folder is as the user had it";
}
