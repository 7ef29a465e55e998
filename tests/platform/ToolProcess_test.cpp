#include "platform/ToolProcess.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>
#include <csignal>

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
  EXPECT_FALSE(p.read(1000).isEmpty());
  p.pause();
  QElapsedTimer t;
  t.start();
  p.terminate();  // stopping a paused child must not hang
  EXPECT_LT(t.elapsed(), 3000);
  EXPECT_FALSE(p.isRunning());
  QThread::msleep(100);
  EXPECT_EQ(test::liveGroupMembers(p.pid()), 0) << "a member of the group survived";
}
