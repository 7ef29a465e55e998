#include "platform/ToolProcess.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QThread>
#include <atomic>
#include <csignal>
#include <thread>
#include <vector>

#include "support/TestSupport.h"

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
  const QString tool =
      script("args", "for a in \"$@\"; do echo \"[$a]\"; done; echo err >&2; echo \"$LC_ALL\"; pwd\n");
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
  // Executable, but the exec itself fails: its interpreter is missing.
  const QString orphan = test::freshFolder("tool") + "/orphan";
  test::writeFile(orphan, "#!/nonexistent/interpreter\n");
  QFile(orphan).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
  EXPECT_FALSE(p.start({orphan, {}, {}, {}}));
  EXPECT_TRUE(p.atEnd());
}

namespace {
// The descriptors this process would hand to any child: those without close-on-exec.
QSet<int> inheritedDescriptors() {
  QSet<int> fds;
  for (const QString& name : QDir("/proc/self/fd").entryList(QDir::Files | QDir::System)) {
    const int fd = name.toInt();
    const int flags = ::fcntl(fd, F_GETFD);
    if (flags >= 0 && !(flags & FD_CLOEXEC)) fds.insert(fd);
  }
  return fds;
}
}  // namespace

TEST(ToolProcess, ToolsStartedFromManyThreadsEachLeadTheirOwnGroupAndGetOnlyTheirPipe) {
  // As the probes start them: many threads at once, each waiting for its own tool.
  const QString tool = script("group",
                              "read -r pid comm state ppid pgrp rest < /proc/$$/stat\n"
                              "echo \"$ppid $pgrp $$\"\nls -l /proc/self/fd\n");
  const QSet<int> ours = inheritedDescriptors();
  constexpr int kThreads = 8, kEach = 6;
  std::vector<std::thread> threads;
  std::vector<QByteArray> outputs(kThreads * kEach);
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) outputs[t * kEach + i] = ToolProcess::run({tool, {}, {}, {}});
    });
  for (std::thread& thread : threads) thread.join();
  for (const QByteArray& output : outputs) {
    const QList<QByteArray> lines = output.split('\n');
    const QList<QByteArray> ids = lines.value(0).split(' ');
    ASSERT_EQ(ids.size(), 3) << output.toStdString();
    EXPECT_EQ(ids[0].toLongLong(), qint64(::getpid())) << "not our child";
    EXPECT_EQ(ids[1], ids[2]) << "not the leader of a group of its own";
    // Standard input is /dev/null, output and errors our pipe; nothing else of ours.
    for (const QByteArray& line : lines.mid(1)) {
      const qsizetype arrow = line.indexOf(" -> ");
      if (arrow < 0) continue;
      const int fd = line.left(arrow).split(' ').last().toInt();
      const QByteArray target = line.mid(arrow + 4);
      if (fd == 0) {
        EXPECT_EQ(target, "/dev/null");
      } else if (fd <= 2) {
        EXPECT_TRUE(target.startsWith("pipe:")) << line.toStdString();
      } else if (!ours.contains(fd)) {
        EXPECT_FALSE(target == "/dev/null" || target.startsWith("pipe:"))
            << "left open: " << line.toStdString();
      }
    }
  }
}

TEST(ToolProcess, PauseHoldsTheWholeGroupAndStopEndsIt) {
  // The script's own child does the printing, as behind one of our adapters.
  const QString tool =
      script("ticker", "sh -c 'i=0; while true; do i=$((i+1)); echo $i; sleep 0.05; done' & wait\n");
  ToolProcess p;
  ASSERT_TRUE(p.start({tool, {}, {}, {}}));
  QByteArray seen;
  while (!seen.contains('3')) seen += p.read(1000);
  p.pause();
  QElapsedTimer stopping;
  stopping.start();
  while (!test::groupStopped(p.pid()) && stopping.elapsed() < 10000) QThread::msleep(10);
  ASSERT_TRUE(test::groupStopped(p.pid())) << "the group was not stopped";
  while (!p.read(50).isEmpty()) {
  }  // drain what was written before the stop
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
  // One that ignores SIGTERM as well.
  for (const QByteArray& prologue : {QByteArray(), QByteArray("trap '' TERM\n")}) {
    SCOPED_TRACE(prologue.toStdString());
    const QString pidFile = test::freshFolder("pid") + "/tool.pid";
    const QString tool =
        script("sleeper", prologue + "echo $$ > \"$1.part\"; mv \"$1.part\" \"$1\"; exec sleep 30\n");
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
}

namespace {

qint64 peakMemoryKiB() {
  for (const QByteArray& line : test::readFile("/proc/self/status").split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLongLong();
  return -1;
}

// A tool that ignores SIGTERM and has a child that does too; both write their pids.
QString stubbornTool(const QString& pids) {
  return script("stubborn", "trap '' TERM\nsh -c \"trap '' TERM; echo \\$\\$ >> '" + pids.toUtf8() +
                                "'; while true; do sleep 1; done\" &\necho $$ >> '" + pids.toUtf8() +
                                "'\necho started\nwhile true; do sleep 1; done\n");
}

// A killed process lingers until the scheduler lets it run its exit.
bool processEnds(qint64 pid) {
  QElapsedTimer clock;
  clock.start();
  while (processLives(pid) && clock.elapsed() < 10000) QThread::msleep(20);
  return !processLives(pid);
}

bool bothWritten(const QString& pids) { return test::readFile(pids).count('\n') >= 2; }

}  // namespace

TEST(ToolProcess, ARunKeepsOnlyTheStartOfAFloodAndStopsTheTool) {
  // Far more than the cap, as fast as a pipe takes it.
  const QString flood = script("flood", "exec yes 0123456789abcdef0123456789abcdef\n");
  const qint64 before = peakMemoryKiB();
  QElapsedTimer clock;
  clock.start();
  const QByteArray output = ToolProcess::run({flood, {}, {}, {}});
  EXPECT_EQ(output.size(), ToolProcess::kMostRunOutputBytes);
  EXPECT_TRUE(output.startsWith("0123456789abcdef0123456789abcdef\n0123"));
  EXPECT_LT(clock.elapsed(), 60000);
  // The kept output and one read buffer, not the flood.
  EXPECT_LT(peakMemoryKiB() - before, 3 * ToolProcess::kMostRunOutputBytes / 1024) << before;

  ToolProcess::Options small{flood, {}, {}, {}};
  small.mostOutputBytes = 1000;
  EXPECT_EQ(ToolProcess::run(small).size(), 1000);
}

TEST(ToolProcess, ARunEndsByItsDeadlineWithWhatCameBefore) {
  const QString pids = test::freshFolder("hang") + "/pids";
  ToolProcess::Options hanging{stubbornTool(pids), {}, {}, {}};
  hanging.deadlineMs = 1500;
  QElapsedTimer clock;
  clock.start();
  const QByteArray output = ToolProcess::run(hanging);
  EXPECT_EQ(output, "started\n");
  EXPECT_GE(clock.elapsed(), 1400);
  EXPECT_LT(clock.elapsed(), 30000);
  for (const QByteArray& pid : test::readFile(pids).split('\n')) {
    if (pid.isEmpty()) continue;
    EXPECT_TRUE(processEnds(pid.toLongLong())) << pid.toStdString();
  }
}

TEST(ToolProcess, EndAllEndsEveryRunningGroupEvenOneThatIgnoresSIGTERM) {
  const QString folder = test::freshFolder("end all");
  QList<QString> pidFiles;
  std::vector<std::thread> runs;
  std::atomic<int> returned = 0;
  for (int i = 0; i < 2; ++i) {
    pidFiles << folder + QStringLiteral("/pids%1").arg(i);
    ToolProcess::Options options{stubbornTool(pidFiles.last()), {}, {}, {}};
    options.deadlineMs = 0;  // none: only the quit ends it
    runs.emplace_back([options, &returned] {
      ToolProcess::run(options);
      ++returned;
    });
  }
  QElapsedTimer clock;
  clock.start();
  while (!(bothWritten(pidFiles[0]) && bothWritten(pidFiles[1])) && clock.elapsed() < 30000)
    QThread::msleep(20);
  ASSERT_TRUE(bothWritten(pidFiles[0]) && bothWritten(pidFiles[1]));
  ToolProcess::endAll(300);
  for (std::thread& run : runs) run.join();
  EXPECT_EQ(returned, 2);
  for (const QString& file : pidFiles) {
    for (const QByteArray& pid : test::readFile(file).split('\n')) {
      if (pid.isEmpty()) continue;
      EXPECT_TRUE(processEnds(pid.toLongLong())) << pid.toStdString();
    }
  }
}
