// The adapter as a process: which ffmpeg it starts, its exit status, and that Debian's
// ffmpeg never outlives it.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <csignal>

#include "platform/Paths.h"
#include "platform/ToolProcess.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

struct ProcessInfo {
  pid_t parent = 0;
  pid_t group = 0;
  bool alive = false;  // exists and is no zombie
};

ProcessInfo processInfo(pid_t pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  ProcessInfo info;
  if (!stat.open(QIODevice::ReadOnly)) return info;
  const QByteArray line = stat.readAll();
  const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
  if (f.size() < 3) return info;
  info.alive = f[0] != "Z" && f[0] != "X";
  info.parent = f[1].toInt();
  info.group = f[2].toInt();
  return info;
}

pid_t childOf(pid_t parent) {
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    bool numeric = false;
    const pid_t pid = entry.toInt(&numeric);
    if (numeric && processInfo(pid).parent == parent) return pid;
  }
  return 0;
}

bool endsWithin(pid_t pid, int ms) {
  const QDeadlineTimer deadline(ms);
  while (processInfo(pid).alive) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(20);
  }
  return true;
}

// An encode that runs in real time for half a minute, started through the adapter; returns
// the pid of Debian's ffmpeg once that has opened its output. A quiet one writes nothing
// to the pipe, so that nothing but the death signal can end it early.
pid_t startLongEncode(ToolProcess& adapter, QByteArray& output, bool quiet = false) {
  const QString work = test::freshFolder("work");
  const QStringList logging = quiet ? QStringList{"-loglevel", "error", "-nostats"} : QStringList{"-v", "5"};
  const bool started =
      adapter.start({paths::toolPath("ffmpeg"),
                     logging + QStringList{"-y", "-re", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=25",
                                           "-t", "30", "-vcodec", "libx264", work + "/long.mp4"},
                     work,
                     {}});
  if (!started) return 0;
  const QDeadlineTimer deadline(20000);
  while (!deadline.hasExpired() && !adapter.atEnd()) {
    output += adapter.read(100);
    if (QFile::exists(work + "/long.mp4") && (quiet || output.contains("time=")))
      return childOf(adapter.pid());
  }
  return 0;
}

test::CommandResult runWithPath(const QString& program, const QStringList& arguments, const QString& path) {
  ToolProcess process;
  test::CommandResult result;
  if (!process.start({program, arguments, {}, {{"PATH", path}}})) return result;
  while (!process.atEnd()) result.output += process.read(1000);
  result.exitCode = process.waitForExit();
  return result;
}

QString libexecFolder() { return QFileInfo(paths::toolPath("ffmpeg")).absolutePath(); }

}  // namespace

TEST(FfmpegAdapter, SigtermToTheAdapterReachesDebiansFfmpeg) {
  ToolProcess adapter;
  QByteArray output;
  const pid_t ffmpeg = startLongEncode(adapter, output);
  ASSERT_GT(ffmpeg, 0) << output.toStdString();
  EXPECT_EQ(processInfo(ffmpeg).group, processInfo(adapter.pid()).group)
      << "ffmpeg left the caller's process group";

  ::kill(adapter.pid(), SIGTERM);  // the adapter alone, not its group
  EXPECT_TRUE(endsWithin(ffmpeg, 10000)) << "ffmpeg runs on after the adapter was told to stop";
  while (!adapter.atEnd()) output += adapter.read(1000);
  // ffmpeg itself took the signal and wound down; the adapter waited and passed on its status.
  EXPECT_TRUE(output.contains("received signal 15")) << output.right(500).toStdString();
  EXPECT_EQ(adapter.waitForExit(), 255);
}

TEST(FfmpegAdapter, DebiansFfmpegDiesWithTheAdapter) {
  ToolProcess adapter;
  QByteArray output;
  const pid_t ffmpeg = startLongEncode(adapter, output, true);
  ASSERT_GT(ffmpeg, 0) << output.toStdString();

  ::kill(adapter.pid(), SIGKILL);
  EXPECT_TRUE(endsWithin(ffmpeg, 10000)) << "ffmpeg outlived its adapter";
}

TEST(FfmpegAdapter, StoppingTheRunnersGroupEndsBoth) {
  ToolProcess adapter;
  QByteArray output;
  const pid_t ffmpeg = startLongEncode(adapter, output);
  ASSERT_GT(ffmpeg, 0) << output.toStdString();

  adapter.pause();
  QThread::msleep(200);
  adapter.terminate();
  EXPECT_TRUE(endsWithin(ffmpeg, 5000));
}

TEST(FfmpegAdapter, ExitsWithFfmpegsStatus) {
  const QString missing = test::freshFolder("none") + "/missing.mkv";
  const QString out = test::freshFolder("out") + "/out.mp4";
  const test::CommandResult real = test::runCommand("ffmpeg", {"-nostdin", "-y", "-i", missing, out});
  const test::CommandResult adapted = test::runCommand(paths::toolPath("ffmpeg"), {"-y", "-i", missing, out});
  ASSERT_NE(real.exitCode, 0);
  EXPECT_EQ(adapted.exitCode, real.exitCode);
  EXPECT_TRUE(adapted.output.contains("No such file or directory")) << adapted.output.toStdString();
}

TEST(FfmpegAdapter, NeverStartsItselfWhateverThePath) {
  const QString ours = libexecFolder();
  ASSERT_TRUE(ours.startsWith(qEnvironmentVariable("ZUVO_BUILD_DIR"))) << ours.toStdString();
  struct Case {
    const char* name;
    QString program;
    QString path;
  };
  const Case cases[] = {
      {"own folder first on PATH", ours + "/ffmpeg", ours + ":/usr/bin:/bin"},
      {"only the own folder on PATH", ours + "/ffmpeg", ours},
      {"the second name, own folder first", ours + "/ffmpeg-mts", ours + ":/usr/bin"},
  };
  for (const Case& c : cases) {
    const test::CommandResult r = runWithPath(c.program, {"-version"}, c.path);
    EXPECT_EQ(r.exitCode, 0) << c.name << "\n" << r.output.toStdString();
    EXPECT_TRUE(r.output.startsWith("ffmpeg version")) << c.name << "\n" << r.output.toStdString();
  }
}
