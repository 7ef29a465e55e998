#include "tools/ffmpeg/RealFfmpeg.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/ffmpeg/ProgressRewriter.h"

namespace zuvo::ffmpeg {
namespace {

// Directories of the adapters between the application and Debian's ffmpeg, so that a
// second installed copy of us is never taken for the real program.
constexpr char kAdapterDirsVariable[] = "ZUVO_FFMPEG_ADAPTER_DIRS";
constexpr char kFallback[] = "/usr/bin/ffmpeg";
// How long an unfinished line may wait before it is passed on as it is.
constexpr int kIdleFlushMs = 1000;
// ffprobe reads a source's header and first seconds; a source it cannot read in this
// long is treated as unknown.
constexpr int kProbeMs = 30000;

QByteArray canonical(const QByteArray& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : QByteArray();
}

QByteArray folderOf(const QByteArray& path) { return path.left(path.lastIndexOf('/')); }

volatile sig_atomic_t childPid = 0;

void forwardSignal(int signal) {
  if (childPid > 0) ::kill(childPid, signal);
}

void writeAll(int fd, const QByteArray& data) {
  const char* p = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, size_t(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    left -= n;
  }
}

}  // namespace

QByteArray locateRealFfmpeg() {
  const QByteArray self = canonical("/proc/self/exe");
  QByteArrayList skipped = qgetenv(kAdapterDirsVariable).split(':');
  skipped.removeAll(QByteArray());
  skipped << folderOf(self);
  ::setenv(kAdapterDirsVariable, skipped.join(':').constData(), 1);

  auto usable = [&](const QByteArray& candidate) {
    const QByteArray real = canonical(candidate);
    return !real.isEmpty() && real != self && ::access(candidate.constData(), X_OK) == 0 &&
           !skipped.contains(canonical(folderOf(candidate)));
  };
  // An unset PATH searches nothing but the fallback; an empty entry is the current folder.
  const QByteArrayList path =
      qEnvironmentVariableIsSet("PATH") ? qgetenv("PATH").split(':') : QByteArrayList();
  for (QByteArray dir : path) {
    if (dir.isEmpty()) dir = ".";
    const QByteArray candidate = dir + "/ffmpeg";
    if (!skipped.contains(canonical(dir)) && usable(candidate)) return candidate;
  }
  return usable(kFallback) ? QByteArray(kFallback) : QByteArray();
}

int audioChannelsOf(const QByteArray& ffmpeg, const QByteArray& input) {
  // Standard input and pipes belong to ffmpeg: a probe would eat what it is to read.
  if (input.isEmpty() || input == "-" || input.startsWith("pipe:") || input.startsWith("fd:")) return 0;
  QProcess probe;
  probe.setProcessChannelMode(QProcess::SeparateChannels);
  probe.setStandardInputFile(QProcess::nullDevice());
  probe.setStandardErrorFile(QProcess::nullDevice());
  probe.start(QString::fromLocal8Bit(folderOf(ffmpeg) + "/ffprobe"),
              {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
               QStringLiteral("a"), QStringLiteral("-show_entries"), QStringLiteral("stream=channels"),
               QStringLiteral("-of"), QStringLiteral("csv=p=0"), QString::fromLocal8Bit(input)});
  if (!probe.waitForFinished(kProbeMs)) {
    probe.kill();
    probe.waitForFinished();
    return 0;
  }
  int most = 0;
  for (const QByteArray& line : probe.readAllStandardOutput().split('\n'))
    most = std::max(most, line.trimmed().toInt());
  return most;
}

int runRelayed(const QByteArray& program, const QByteArrayList& arguments) {
  std::vector<QByteArray> storage{program};
  for (const QByteArray& a : arguments) storage.push_back(a);
  std::vector<char*> argv;
  for (QByteArray& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);

  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return 127;

  // Signals wait while the child is made, so none is lost between fork and exec: the
  // child meets them with the default action, we forward them once we know its id.
  struct sigaction forward {};
  forward.sa_handler = forwardSignal;
  sigemptyset(&forward.sa_mask);
  sigset_t relayed, previous;
  sigemptyset(&relayed);
  sigaddset(&relayed, SIGTERM);
  sigaddset(&relayed, SIGINT);
  ::sigprocmask(SIG_BLOCK, &relayed, &previous);
  ::sigaction(SIGTERM, &forward, nullptr);
  ::sigaction(SIGINT, &forward, nullptr);

  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    ::dup2(fds[1], STDERR_FILENO);
    ::execv(argv[0], argv.data());
    const char* reason = std::strerror(errno);
    writeAll(STDERR_FILENO, QByteArray("ffmpeg: cannot run ") + argv[0] + ": " + reason + "\n");
    ::_exit(127);
  }
  ::close(fds[1]);
  if (child < 0) {
    ::close(fds[0]);
    return 127;
  }
  childPid = child;
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);

  ProgressRewriter rewriter;
  char buffer[65536];
  for (;;) {
    pollfd p{fds[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, kIdleFlushMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      if (rewriter.hasPending()) writeAll(STDERR_FILENO, rewriter.flush());
      continue;
    }
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    writeAll(STDERR_FILENO, rewriter.feed(QByteArray(buffer, int(n))));
  }
  writeAll(STDERR_FILENO, rewriter.flush());
  ::close(fds[0]);

  int status = 0;
  pid_t r;
  do r = ::waitpid(child, &status, 0);
  while (r < 0 && errno == EINTR);
  if (r != child) return 127;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 127;
}

}  // namespace zuvo::ffmpeg
