#include "platform/ToolProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <csignal>
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

// What the child needs, all made by the parent beforehand: the child runs in the parent's
// memory until it execs, so it only makes system calls and writes `error`.
struct ChildStart {
  char** argv;
  char** envp;
  const char* workdir;  // null: inherit
  int output;
  pid_t parent;
  sigset_t mask;  // the starting thread's, which the tool inherits
  int error = 0;  // why the child could not exec
};

constexpr size_t kChildStackBytes = 256 * 1024;

// Nothing the child runs is instrumented, and it calls the kernel directly: a sanitizer's
// books, kept in the memory the child shares with us, stay as they were.
#define ZUVO_CHILD_SIDE __attribute__((no_sanitize("address", "thread", "undefined")))

ZUVO_CHILD_SIDE long sys(long number, long a = 0, long b = 0, long c = 0, long d = 0) {
  const long r = ::syscall(number, a, b, c, d);
  return r < 0 ? -errno : r;
}

// The kernel's own sigaction record (x86-64 and arm64).
struct KernelSigaction {
  void (*handler)(int);
  unsigned long flags;
  void (*restorer)();
  unsigned long mask;
};

// `fd` as `target`, open across the exec.
ZUVO_CHILD_SIDE long placeAt(int fd, int target) {
  if (fd == target) return sys(SYS_fcntl, target, F_SETFD, 0);
  return sys(SYS_dup3, fd, target, 0);
}

// The child's side, up to the exec.
ZUVO_CHILD_SIDE int startChild(void* data) {
  auto* start = static_cast<ChildStart*>(data);
  // Our handlers must not run in the child: the caught signals go back to the default
  // before the mask that holds them is lifted.
  for (long signal = 1; signal < NSIG; ++signal) {
    KernelSigaction action{};
    if (sys(SYS_rt_sigaction, signal, 0, long(&action), sizeof action.mask) != 0) continue;
    if (action.handler == SIG_IGN || action.handler == SIG_DFL) continue;
    action = KernelSigaction{};
    action.handler = SIG_DFL;
    sys(SYS_rt_sigaction, signal, long(&action), 0, sizeof action.mask);
  }
  // Its own group, so that pause and stop reach whatever it starts.
  sys(SYS_setpgid, 0, 0);
  // SIGKILL: a tool that ignores SIGTERM must not outlive us.
  sys(SYS_prctl, PR_SET_PDEATHSIG, SIGKILL);
  if (sys(SYS_getppid) != start->parent) sys(SYS_exit_group, 127);  // we died before that took hold
  long failed = 0;
  const long input = sys(SYS_openat, AT_FDCWD, long("/dev/null"), O_RDONLY | O_CLOEXEC);
  if (input >= 0) failed = placeAt(int(input), STDIN_FILENO);
  if (failed >= 0) failed = placeAt(start->output, STDOUT_FILENO);
  if (failed >= 0) failed = placeAt(start->output, STDERR_FILENO);
  if (failed >= 0 && start->workdir) failed = sys(SYS_chdir, long(start->workdir));
  if (failed >= 0) {
    sys(SYS_rt_sigprocmask, SIG_SETMASK, long(&start->mask), 0, sizeof(KernelSigaction::mask));
    failed = sys(SYS_execve, long(start->argv[0]), long(start->argv), long(start->envp));
  }
  start->error = int(-failed);
  sys(SYS_exit_group, 127);
  return 127;
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
  void* stack = ::mmap(nullptr, kChildStackBytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
  if (stack == MAP_FAILED) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  ChildStart start{argv.data(), envp.data(), workdir.isEmpty() ? nullptr : workdir.constData(),
                   fds[1],      ::getpid(),  {}};
  // No handler of ours may run in the child while it shares our memory: every signal is
  // held from before the child exists until it has put the handlers back to the default.
  sigset_t all;
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &start.mask);
  // Held over the start, so that endAll() sees every child that has started.
  std::unique_lock<std::mutex> registered(registry().lock);
  // The child shares our memory and we wait until it has exec'd: nothing of a large,
  // many-threaded process is copied, as fork() would copy its page tables.
  const pid_t child = ::clone(startChild, static_cast<char*>(stack) + kChildStackBytes,
                              CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
  if (child > 0) registry().running.insert(child);
  registered.unlock();
  ::pthread_sigmask(SIG_SETMASK, &start.mask, nullptr);
  ::munmap(stack, kChildStackBytes);
  ::close(fds[1]);
  if (child < 0) {
    ::close(fds[0]);
    return false;
  }
  pid_ = child;
  reaped_ = false;
  fd_ = fds[0];
  if (start.error != 0) {  // the child could not become the tool
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
    if (output.size() + piece.size() > options.mostOutputBytes)
      piece.truncate(options.mostOutputBytes - output.size());
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
