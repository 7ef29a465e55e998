#include "platform/Defaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <thread>
#include <vector>

#include "support/TestSupport.h"

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

// A line the INI reader cannot take would move every key after it into another section
// and be written back "repaired" at the next save: the file is kept aside as it was, the
// line is left out, and every key before and after it still reads.
TEST_F(DefaultsStore, AnUnreadableSettingsLineIsKeptAsideAndTheRestStillReads) {
  struct Case {
    const char* what;
    QByteArray line;
  } cases[] = {{"a section without its bracket", "[broken"},
               {"a line that is no key", "just some words"},
               {"a stray bracket", "["}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QByteArray text = "[General]\nAssumeMediaType=Movie\n" + c.line +
                            "\nSources=@ByteArray(abc)\nRules=@ByteArray(def)\nMovieDestination=Desktop\n";
    test::writeFile(file_, text);
    Defaults& d = Defaults::standard();
    d.setStorageFile(file_);
    EXPECT_EQ(d.stringForKey("AssumeMediaType"), "Movie");
    EXPECT_EQ(d.dataForKey("Sources"), "abc");
    EXPECT_EQ(d.dataForKey("Rules"), "def");
    EXPECT_EQ(d.stringForKey("MovieDestination"), "Desktop");

    const QString aside = d.takeSetAsideFile();
    ASSERT_FALSE(aside.isEmpty());
    EXPECT_EQ(test::readFile(aside), text);
    EXPECT_TRUE(d.takeSetAsideFile().isEmpty()) << "told once";

    d.setBool(true, "EnableLogging");
    d.synchronize();
    const QByteArray rewritten = test::readFile(file_);
    EXPECT_FALSE(rewritten.contains(c.line.trimmed() + "]")) << rewritten.toStdString();
    EXPECT_EQ(QSettings(file_, QSettings::IniFormat).value("MovieDestination").toString(), "Desktop");
    EXPECT_EQ(test::readFile(aside), text) << "the copy is left as it was";
    QFile::remove(aside);
  }
}

TEST_F(DefaultsStore, AReadableSettingsFileIsNeitherCopiedNorChanged) {
  const QByteArray text = "; comment\n[General]\nMovieDestination=Desktop\nAdditionalExtensions=DV, MKV\n";
  test::writeFile(file_, text);
  Defaults& d = Defaults::standard();
  d.setStorageFile(file_);
  EXPECT_EQ(d.stringArrayForKey("AdditionalExtensions"), (QStringList{"DV", "MKV"}));
  EXPECT_TRUE(d.takeSetAsideFile().isEmpty());
  EXPECT_EQ(test::readFile(file_), text);
  EXPECT_EQ(QDir(QFileInfo(file_).absolutePath()).entryList(QDir::Files), QStringList{"Zuvo.conf"});
}

TEST_F(DefaultsStore, TheFileIsReadableByTheUserAloneWhetherNewOrFoundOpen) {
  const QFileDevice::Permissions mine = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
  const auto permissions = [](const QString& path) {
    return QFileInfo(path).permissions() &
           (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
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
