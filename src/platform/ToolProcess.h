#pragma once
// A child process whose standard output and standard error share one pipe.
// Every child runs in its own process group with LC_ALL=C.UTF-8, so that its messages
// are English for our parsers and non-ASCII paths work; pause, resume and stop signal
// the whole group, so a tool behind one of our adapter programs is held with it.
// Arguments are always passed as a list: no shell ever sees them.
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <sys/types.h>

namespace zuvo {

class ToolProcess {
 public:
  struct Options {
    QString program;
    QStringList arguments;
    QString workingDirectory;           // empty: inherit
    QMap<QString, QString> environment; // added to (or replacing) the inherited one
  };

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

  void pause();      // SIGSTOP to the group
  void resume();     // SIGCONT to the group
  // SIGCONT then SIGTERM to the group, SIGKILL after `graceMs`; then reaps the child.
  void terminate(int graceMs = 2000);

  // Runs to the end and returns the whole output (the analysis tools' way).
  static QByteArray run(const Options& options, bool* started = nullptr);

 private:
  void closePipe();
  pid_t pid_ = -1;
  int fd_ = -1;
  int status_ = 0;
  bool reaped_ = true;
};

}  // namespace zuvo
