#include "media/BCCReporter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <thread>
#include <vector>

#include "media/BCError.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {
QByteArray readAll(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}
QByteArray unscramble(QByteArray b) {
  for (qsizetype i = 2; i < b.size(); ++i)
    if (b[i] != '\n') b[i] = char(b[i] ^ 0x5D);
  return b;
}
}  // namespace

TEST(BCError, FreshAndFailedResultsCarryTheirDefaults) {
  const BCError fresh = BCError::NoError();
  EXPECT_FALSE(fresh.Error());
  EXPECT_EQ(fresh.Code(), 0);
  EXPECT_EQ(fresh.Description(), "No Error");
  EXPECT_EQ(fresh.NoErrorResult().toString(), "Undefined");

  const BCError failed = BCError::Code(-7, "Broken");
  EXPECT_TRUE(failed.Error());
  EXPECT_EQ(failed.Code(), -7);
  EXPECT_EQ(failed.Description(), "Broken");
  EXPECT_EQ(failed.NoErrorResult().toString(), "Undefined");

  const BCError payload = BCError::NoErrorWithSucess(QStringList{"a", "b"});
  EXPECT_FALSE(payload.Error());
  EXPECT_EQ(payload.NoErrorResult().toStringList(), (QStringList{"a", "b"}));
}

TEST(BCCReporter, MessagesSplitAtLineFeedUnlessCarriageReturnsGiveMore) {
  struct Case {
    QString message;
    QStringList lines;
  } cases[] = {
      {"one\r\ntwo", {"one\r", "two"}}, {"a\rb\rc", {"a", "b", "c"}}, {"", {""}},
      {"end\n", {"end", ""}},           {"x\ny\rz", {"x", "y\rz"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BCCReporter::splitMessage(c.message), c.lines) << c.message.toStdString();
}

TEST(BCCReporter, ScrambledLineKeepsLevelAndLetterInClearAndLineFeeds) {
  const QByteArray line = BCCReporter::formatLine("x", 3, "12:34:56", true);
  ASSERT_EQ(line.size(), QByteArray("3E 12:34:56 x").size() + 1);
  EXPECT_EQ(line[0], '3');
  EXPECT_EQ(line[1], 'E');
  EXPECT_EQ(line[2], char(' ' ^ 0x5D));
  EXPECT_EQ(line[line.size() - 2], char('x' ^ 0x5D));
  EXPECT_EQ(line.back(), '\n');
  EXPECT_EQ(unscramble(line), "3E 12:34:56 x\n");

  const QByteArray inner = BCCReporter::formatLine("a\nb", 4, "00:00:00", true);
  EXPECT_EQ(inner[inner.indexOf('\n')], '\n');
  EXPECT_EQ(unscramble(inner), "4E 00:00:00 a\nb\n");
}

TEST(BCCReporter, FileWriterStartsFreshAndAppendsTimedLines) {
  const QString dir = test::freshFolder("log");
  const QString path = dir + "/userlog.txt";
  {
    QFile old(path);
    old.open(QIODevice::WriteOnly);
    old.write("left over from last launch\n");
  }
  auto log = BCCReporter::path(path);
  EXPECT_EQ(readAll(path), "Creating Log File\n");
  log->report("first\nsecond", 3);
  const QList<QByteArray> lines = readAll(path).split('\n');
  ASSERT_EQ(lines.size(), 4);  // header, two lines, the empty rest after the last line feed
  const QRegularExpression form("^3 \\d\\d:\\d\\d:\\d\\d (first|second)$");
  EXPECT_TRUE(form.match(QString::fromUtf8(lines[1])).hasMatch()) << lines[1].toStdString();
  EXPECT_TRUE(form.match(QString::fromUtf8(lines[2])).hasMatch()) << lines[2].toStdString();
}

TEST(BCCReporter, LinesOfConcurrentMessagesNeverInterleave) {
  const QString path = test::freshFolder("log") + "/log.bclog2";
  auto log = BCCReporter::path(path);
  log->setEncrypt(true);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([log, t] {
      for (int i = 0; i < 50; ++i) log->report(QStringLiteral("T%1 begin\nT%1 end").arg(t), 4);
    });
  for (auto& th : threads) th.join();
  const QList<QByteArray> lines = unscramble(readAll(path).mid(18)).split('\n');
  ASSERT_EQ(lines.size(), 8 * 50 * 2 + 1);
  for (int i = 0; i + 1 < lines.size(); i += 2) {
    const QByteArray who = lines[i].mid(lines[i].lastIndexOf('T'), 2);
    EXPECT_TRUE(lines[i].endsWith(who + " begin"));
    EXPECT_TRUE(lines[i + 1].endsWith(who + " end")) << lines[i + 1].toStdString();
  }
}

TEST(BCCReporter, DiscardingWriterAndUnwritableFileNeverFail) {
  BCCReporter::dummy()->report("ignored", 3);
  auto log = BCCReporter::path("/nonexistent-folder/log.txt");
  log->report("lost silently", 3);
  EXPECT_FALSE(QFile::exists("/nonexistent-folder/log.txt"));
}
