#include "platform/ToolProcess.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
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
  const pid_t child = ::fork();
  if (child < 0) {
    for (int fd : {fds[0], fds[1], report[0], report[1]}) ::close(fd);
    return false;
  }
  if (child == 0) {
    // Only async-signal-safe calls from here on.
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
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

bool ToolProcess::isRunning() {
  if (reaped_) return false;
  int status = 0;
  const pid_t r = ::waitpid(pid_, &status, WNOHANG);
  if (r == pid_ || (r < 0 && errno == ECHILD)) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    reaped_ = true;
    return false;
  }
  return true;
}

bool ToolProcess::hasEnded() const {
  if (reaped_) return true;
  siginfo_t info{};
  return ::waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_;
}

int ToolProcess::waitForExit() {
  if (reaped_) return status_;
  int status = 0;
  pid_t r;
  do r = ::waitpid(pid_, &status, 0);
  while (r < 0 && errno == EINTR);
  status_ = (r == pid_ && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  reaped_ = true;
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
    siginfo_t info{};
    if (::waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_) break;
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
  while (!process.atEnd()) output += process.read(1000);
  process.waitForExit();
  return output;
}

}  // namespace zuvo
