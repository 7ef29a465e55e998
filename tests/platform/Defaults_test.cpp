#include "platform/Defaults.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace zuvo;

namespace {
class DefaultsStore : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = test::freshFolder("defaults") + "/Zuvo.conf";
    Defaults::standard().setStorageFile(file_);
  }
  QString file_;
};
}  // namespace

TEST_F(DefaultsStore, AbsentKeysReadAsNoZeroOrEmpty) {
  const Defaults& d = Defaults::standard();
  const QString key = "NeverRegisteredOrStored";
  EXPECT_FALSE(d.objectForKey(key).isValid());
  EXPECT_FALSE(d.hasUserValue(key));
  EXPECT_FALSE(d.boolForKey(key));
  EXPECT_EQ(d.integerForKey(key), 0);
  EXPECT_EQ(d.doubleForKey(key), 0.0);
  EXPECT_EQ(d.stringForKey(key), QString());
  EXPECT_TRUE(d.stringArrayForKey(key).isEmpty());
  EXPECT_TRUE(d.dataForKey(key).isEmpty());
}

TEST_F(DefaultsStore, ValuesReadBackWithTheirTypesAfterARelaunch) {
  Defaults& d = Defaults::standard();
  d.setBool(true, "Flag");
  d.setInteger(42, "Number");
  d.setDouble(5.5, "Fraction");
  d.setString("Home Movie", "Text");
  d.setObject(QStringList{"DV"}, "OneElementList");
  d.setObject(QStringList{"a", "b"}, "List");
  d.setObject(QByteArray("\x00\x01\xff", 3), "Data");
  d.synchronize();

  // What synchronize wrote is what a fresh launch reads.
  EXPECT_TRUE(QSettings(file_, QSettings::IniFormat).contains("Number"));
  d.setStorageFile(file_);
  EXPECT_TRUE(d.boolForKey("Flag"));
  EXPECT_EQ(d.integerForKey("Number"), 42);
  EXPECT_DOUBLE_EQ(d.doubleForKey("Fraction"), 5.5);
  EXPECT_EQ(d.stringForKey("Text"), "Home Movie");
  EXPECT_EQ(d.stringArrayForKey("OneElementList"), QStringList{"DV"});
  EXPECT_EQ(d.stringArrayForKey("List"), (QStringList{"a", "b"}));
  EXPECT_EQ(d.dataForKey("Data"), QByteArray("\x00\x01\xff", 3));
  EXPECT_EQ(d.integerForKey("Flag"), 1);
}

TEST_F(DefaultsStore, ManyThreadsReadAndWriteAtOnce) {
  Defaults& d = Defaults::standard();
  d.registerDefaults({{"Shared", 7}});
  constexpr int kThreads = 8, kKeys = 200;
  std::vector<std::thread> threads;
  std::atomic<int> wrongReads{0};
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kKeys; ++i) {
        d.setInteger(i, QStringLiteral("T%1/K%2").arg(t).arg(i));
        if (d.integerForKey("Shared") != 7) ++wrongReads;
        if (i % 50 == 0) d.synchronize();
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrongReads.load(), 0);
  d.synchronize();
  d.setStorageFile(file_);
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kKeys; ++i) ASSERT_EQ(d.integerForKey(QStringLiteral("T%1/K%2").arg(t).arg(i)), i);
}

TEST_F(DefaultsStore, TheFileIsReadableByTheUserAloneWhetherNewOrFoundOpen) {
  const QFileDevice::Permissions mine = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
  const auto permissions = [](const QString& path) {
    return QFileInfo(path).permissions() & (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                            QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
  };
  Defaults& d = Defaults::standard();
  d.setString("0123456789abcdef0123456789abcdef", "TheMovieDBKey");
  d.synchronize();
  EXPECT_EQ(permissions(file_), mine);

  // A file an older version left readable by everyone is closed at the next launch, and stays so.
  const QString older = test::freshFolder("older") + "/Zuvo.conf";
  test::writeFile(older, "[General]\nTheTVDBKey=secret\n");
  QFile::setPermissions(older, mine | QFileDevice::ReadGroup | QFileDevice::ReadOther);
  d.setStorageFile(older);
  EXPECT_EQ(d.stringForKey("TheTVDBKey"), "secret");
  d.setString("1234", "TheTVDBPIN");
  d.synchronize();
  EXPECT_EQ(permissions(older), mine);
  EXPECT_TRUE(test::readFile(older).contains("TheTVDBPIN=1234"));
}
