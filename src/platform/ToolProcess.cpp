#include "platform/ToolProcess.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <mutex>
#include <set>
#include <vector>

namespace zuvo {
namespace {

std::vector<QByteArray> environmentFor(const ToolProcess::Options& options) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("LANG");
  env.remove("LANGUAGE");
  env.insert("LC_ALL", "C.UTF-8");
  for (auto it = options.environment.begin(); it != options.environment.end(); ++it)
    env.insert(it.key(), it.value());
  std::vector<QByteArray> out;
  for (const QString& key : env.keys()) out.push_back((key + "=" + env.value(key)).toLocal8Bit());
  return out;
}

// The children started and not yet reaped, by pid (also their group id).
struct Registry {
  std::mutex lock;
  std::set<pid_t> running;
};

Registry& registry() {
  static Registry instance;
  return instance;
}

// Ended and not yet reaped; or no child of ours any more (reaped elsewhere): ended too.
bool ended(pid_t pid) {
  siginfo_t info{};
  if (::waitid(P_PID, pid, &info, WEXITED | WNOHANG | WNOWAIT) != 0) return errno == ECHILD;
  return info.si_pid == pid;
}

}  // namespace

ToolProcess::~ToolProcess() {
  if (!reaped_) terminate(500);
  closePipe();
}

bool ToolProcess::start(const Options& options) {
  if (options.program.isEmpty()) return false;
  const QByteArray program = QFile::encodeName(options.program);
  if (::access(program.constData(), X_OK) != 0) return false;

  std::vector<QByteArray> args{program};
  for (const QString& a : options.arguments) args.push_back(a.toUtf8());
  std::vector<char*> argv;
  for (QByteArray& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<QByteArray> env = environmentFor(options);
  std::vector<char*> envp;
  for (QByteArray& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const QByteArray workdir = QFile::encodeName(options.workingDirectory);

  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  int report[2];  // tells the parent whether exec failed
  if (::pipe2(report, O_CLOEXEC) != 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  const pid_t parent = ::getpid();
  // Held over the fork, so that endAll() sees every child that has started.
  std::unique_lock<std::mutex> registered(registry().lock);
  const pid_t child = ::fork();
  if (child < 0) {
    registered.unlock();
    for (int fd : {fds[0], fds[1], report[0], report[1]}) ::close(fd);
    return false;
  }
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    ::setpgid(0, 0);
    // SIGKILL: a tool that ignores SIGTERM must not outlive us.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    ::dup2(fds[1], STDOUT_FILENO);
    ::dup2(fds[1], STDERR_FILENO);
    int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
    if (!workdir.isEmpty() && ::chdir(workdir.constData()) != 0) {
      int err = errno;
      (void)!::write(report[1], &err, sizeof err);
      ::_exit(127);
    }
    ::execve(argv[0], argv.data(), envp.data());
    int err = errno;
    (void)!::write(report[1], &err, sizeof err);
    ::_exit(127);
  }
  ::setpgid(child, child);  // also from here, so signals reach the group at once
  registry().running.insert(child);
  registered.unlock();
  ::close(fds[1]);
  ::close(report[1]);
  int err = 0;
  ssize_t n;
  do n = ::read(report[0], &err, sizeof err);
  while (n < 0 && errno == EINTR);
  ::close(report[0]);
  pid_ = child;
  reaped_ = false;
  fd_ = fds[0];
  if (n > 0) {  // exec failed
    waitForExit();
    closePipe();
    return false;
  }
  return true;
}

QByteArray ToolProcess::read(int timeoutMs) {
  if (fd_ < 0) return {};
  pollfd p{fd_, POLLIN, 0};
  int r;
  do r = ::poll(&p, 1, timeoutMs);
  while (r < 0 && errno == EINTR);
  if (r <= 0) return {};
  char buffer[65536];
  ssize_t n;
  do n = ::read(fd_, buffer, sizeof buffer);
  while (n < 0 && errno == EINTR);
  if (n <= 0) {
    closePipe();
    return {};
  }
  return QByteArray(buffer, static_cast<int>(n));
}

bool ToolProcess::reap(bool wait) {
  if (reaped_) return true;
  // Ended, still unreaped: its pid and group id cannot be reused yet.
  if (wait) {
    siginfo_t info{};
    while (::waitid(P_PID, pid_, &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
  } else if (!ended(pid_)) {
    return false;
  }
  {
    const std::lock_guard<std::mutex> locker(registry().lock);
    registry().running.erase(pid_);
  }
  int status = 0;
  pid_t r;
  do r = ::waitpid(pid_, &status, 0);
  while (r < 0 && errno == EINTR);
  status_ = (r == pid_ && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  reaped_ = true;
  return true;
}

bool ToolProcess::isRunning() { return !reap(false); }

bool ToolProcess::hasEnded() const { return reaped_ || ended(pid_); }

int ToolProcess::waitForExit() {
  reap(true);
  return status_;
}

void ToolProcess::pause() {
  if (!reaped_) ::kill(-pid_, SIGSTOP);
}

void ToolProcess::resume() {
  if (!reaped_) ::kill(-pid_, SIGCONT);
}

void ToolProcess::terminate(int graceMs) {
  if (reaped_) return;
  ::kill(-pid_, SIGCONT);  // a stopped child must run to receive the termination
  ::kill(-pid_, SIGTERM);
  // Look for the end without reaping, so that the group id stays ours until the
  // rest of the group (an adapter's own child) has been killed too.
  for (int waited = 0; waited < graceMs; waited += 20) {
    if (ended(pid_)) break;
    QThread::msleep(20);
  }
  ::kill(-pid_, SIGKILL);
  waitForExit();
}

void ToolProcess::closePipe() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

QByteArray ToolProcess::run(const Options& options, bool* started) {
  ToolProcess process;
  const bool ok = process.start(options);
  if (started) *started = ok;
  if (!ok) return {};
  QByteArray output;
  const QDeadlineTimer deadline = options.deadlineMs > 0 ? QDeadlineTimer(qint64(options.deadlineMs))
                                                         : QDeadlineTimer(QDeadlineTimer::Forever);
  while (!process.atEnd()) {
    // A tool that hangs, or floods us with more than any parser reads, is stopped.
    if (deadline.hasExpired() || output.size() >= options.mostOutputBytes) {
      process.terminate();
      break;
    }
    const qint64 left = deadline.remainingTime();
    QByteArray piece = process.read(left < 0 ? 1000 : int(std::min<qint64>(left, 1000)));
    if (output.size() + piece.size() > options.mostOutputBytes) piece.truncate(options.mostOutputBytes - output.size());
    output += piece;
  }
  process.waitForExit();
  return output;
}

void ToolProcess::endAll(int graceMs) {
  // Held throughout: no child is reaped meanwhile, so every group id stays its group's,
  // even that of a leader that has ended while what it started ignores SIGTERM.
  const std::lock_guard<std::mutex> locker(registry().lock);
  const std::vector<pid_t> groups(registry().running.begin(), registry().running.end());
  for (const pid_t group : groups) {
    ::kill(-group, SIGCONT);
    ::kill(-group, SIGTERM);
  }
  for (int waited = 0; waited < graceMs; waited += 20) {
    if (std::all_of(groups.begin(), groups.end(), ended)) break;
    QThread::msleep(20);
  }
  for (const pid_t group : groups) ::kill(-group, SIGKILL);
}

}  // namespace zuvo
