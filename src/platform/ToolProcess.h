#pragma once
// A child process whose standard output and standard error share one pipe.
// Every child runs in its own process group with LC_ALL=C.UTF-8, so that its messages
// are English for our parsers and non-ASCII paths work; pause, resume and stop signal
// the whole group, so a tool behind one of our adapter programs is held with it.
// Arguments are always passed as a list: no shell ever sees them. A child is killed when
// the thread that started it dies with the application, and every running group can be
// ended at once when the application quits.
#include <sys/types.h>

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace zuvo {

class ToolProcess {
 public:
  struct Options {
    QString program;
    QStringList arguments;
    QString workingDirectory;            // empty: inherit
    QMap<QString, QString> environment;  // added to (or replacing) the inherited one
    // For run() only: what is kept of the output (the parsers need its start; the tool is
    // stopped once this much has come), and the time after which the tool is stopped.
    qint64 mostOutputBytes = kMostRunOutputBytes;
    int deadlineMs = kRunDeadlineMs;
  };
  static constexpr qint64 kMostRunOutputBytes = qint64(16) << 20;
  static constexpr int kRunDeadlineMs = 120000;

  ToolProcess() = default;
  ~ToolProcess();  // a child still running is stopped and reaped
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  // False when the program cannot be started (missing, not executable).
  bool start(const Options& options);
  pid_t pid() const { return pid_; }

  // Waits up to `timeoutMs` for output and returns what arrived (empty on time-out or at
  // the end of the output).
  QByteArray read(int timeoutMs);
  // True once the pipe has been closed by every writer.
  bool atEnd() const { return fd_ < 0; }

  // True while the child has not been reaped; reaps it when it has ended.
  bool isRunning();
  // True once the child has ended, leaving it unreaped: its group id stays reserved, so
  // what it left running in its group can still be stopped with terminate().
  bool hasEnded() const;
  // Waits for the end of the child and returns its exit status (-1 when killed by a signal).
  int waitForExit();

  void pause();   // SIGSTOP to the group
  void resume();  // SIGCONT to the group
  // SIGCONT then SIGTERM to the group, SIGKILL after `graceMs`; then reaps the child.
  void terminate(int graceMs = 2000);

  // Runs to the end, or to the options' deadline or output cap, and returns the output
  // (at most the cap; the analysis tools' way).
  static QByteArray run(const Options& options, bool* started = nullptr);

  // At quit: SIGCONT and SIGTERM to the group of every child still running, SIGKILL to
  // each group after `graceMs` (so a tool that ignores SIGTERM goes, and its own children
  // with it). The owners still reap their children.
  static void endAll(int graceMs = 2000);

 private:
  void closePipe();
  // Reaps the child when it has ended (or waits for that); it leaves the registry first, so
  // endAll() never signals a group id that has been given to another process.
  bool reap(bool wait);
  pid_t pid_ = -1;
  int fd_ = -1;
  int status_ = 0;
  bool reaped_ = true;
};

}  // namespace zuvo
