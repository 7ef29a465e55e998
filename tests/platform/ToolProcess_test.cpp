#include "platform/ToolProcess.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace zuvo;

namespace {
QString script(const QString& name, const QByteArray& body) {
  const QString path = test::freshFolder("tool") + "/" + name;
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write("#!/bin/sh\n" + body);
  f.close();
  f.setPermissions(f.permissions() | QFile::ExeOwner);
  return path;
}
}  // namespace

TEST(ToolProcess, ArgumentsArriveWholeAndOutputIsMerged) {
  const QString tool = script("args", "for a in \"$@\"; do echo \"[$a]\"; done; echo err >&2; echo \"$LC_ALL\"; pwd\n");
  const QString dir = test::freshFolder("work dir");
  bool started = false;
  const QByteArray out = ToolProcess::run({tool, {"a b", "-x\n-y", "\"q\"", "$HOME"}, dir, {}}, &started);
  ASSERT_TRUE(started);
  EXPECT_EQ(out, "[a b]\n[-x\n-y]\n[\"q\"]\n[$HOME]\nerr\nC.UTF-8\n" + dir.toUtf8() + "\n");
}

TEST(ToolProcess, MissingProgramDoesNotStart) {
  ToolProcess p;
  EXPECT_FALSE(p.start({"/nonexistent/tool", {}, {}, {}}));
  EXPECT_FALSE(p.start({script("x", "true\n"), {}, "/nonexistent-dir", {}}));
}

TEST(ToolProcess, PauseHoldsTheWholeGroupAndStopEndsIt) {
  // The script's own child does the printing, as behind one of our adapters.
  const QString tool = script("ticker", "sh -c 'i=0; while true; do i=$((i+1)); echo $i; sleep 0.05; done' & wait\n");
  ToolProcess p;
  ASSERT_TRUE(p.start({tool, {}, {}, {}}));
  QByteArray seen;
  while (!seen.contains('3')) seen += p.read(1000);
  p.pause();
  QThread::msleep(100);
  while (!p.read(50).isEmpty()) {}  // drain what was written before the stop
  EXPECT_TRUE(p.read(400).isEmpty()) << "output went on while paused";
  p.resume();
  EXPECT_FALSE(p.read(10000).isEmpty()) << "output did not resume";
  p.pause();
  QElapsedTimer t;
  t.start();
  p.terminate();  // stopping a paused child must not hang
  EXPECT_LT(t.elapsed(), 3000);
  EXPECT_FALSE(p.isRunning());
  EXPECT_TRUE(test::groupEnds(p.pid())) << "a member of the group survived";
}

namespace {
// Running and not a zombie: a tool left behind by a dead parent is reaped by whoever adopts it.
bool processLives(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return false;
  const QByteArray line = stat.readAll();
  const qsizetype state = line.lastIndexOf(')') + 2;
  return state < line.size() && line[state] != 'Z' && line[state] != 'X';
}
}  // namespace

TEST(ToolProcess, AToolDiesWithTheApplication) {
  const QString pidFile = test::freshFolder("pid") + "/tool.pid";
  const QString tool = script("sleeper", "echo $$ > \"$1.part\"; mv \"$1.part\" \"$1\"; exec sleep 30\n");
  const pid_t application = ::fork();
  ASSERT_GE(application, 0);
  if (application == 0) {
    ToolProcess p;
    if (!p.start({tool, {pidFile}, {}, {}})) ::_exit(1);
    while (!QFile::exists(pidFile)) QThread::msleep(10);
    ::raise(SIGKILL);  // the application crashes with its tool running
  }
  int status = 0;
  ASSERT_EQ(::waitpid(application, &status, 0), application);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the tool did not start";
  const qint64 toolPid = test::readFile(pidFile).trimmed().toLongLong();
  ASSERT_GT(toolPid, 0);
  QElapsedTimer clock;
  clock.start();
  while (processLives(toolPid) && clock.elapsed() < 5000) QThread::msleep(20);
  EXPECT_FALSE(processLives(toolPid)) << "the tool outlived the application";
  if (processLives(toolPid)) ::kill(pid_t(toolPid), SIGKILL);
}
