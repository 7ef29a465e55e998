#pragma once
// Shared test helpers. Every test program starts with HOME and the XDG folders in a
// fresh temporary folder, so nothing touches the real user's files.
#include <QByteArray>
#include <QMap>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <ostream>

class QCoreApplication;

namespace zuvo::test {

// The temporary home of this test program.
QString testHome();
// A fresh, empty folder under the test home.
QString freshFolder(const QString& name);

// Writes `bytes` to a new or emptied file and returns its path (fails the test when
// it cannot); reads a whole file (empty when unreadable).
QString writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// The messages of a log file, without their level and time words. Scrambled lines
// ("<level>E ...") are unscrambled; a scrambled "W" is stored as a line-feed byte, so a
// piece that does not start a line continues the one before it.
QStringList logMessages(const QString& path);

struct CommandResult {
  int exitCode = -1;
  QByteArray output;  // standard output and standard error together
};
// Runs a program to its end (no shell).
CommandResult runCommand(const QString& program, const QStringList& arguments, int timeoutMs = 120000);
// Makes a media file with ffmpeg: `ffmpeg -y -loglevel error <arguments> <path>`.
// Fails the current test when ffmpeg fails.
void makeMedia(const QString& path, const QStringList& arguments);
// A short test video with a tone: lavfi testsrc and sine, `seconds` long, at WxH.
void makeTestVideo(const QString& path, double seconds = 2, int width = 320, int height = 240,
                   const QStringList& extraOutputOptions = {});

// Live (not zombie) members of a process group, and the processor time they have used
// (user and system, in clock ticks), read from /proc.
int liveGroupMembers(qint64 group);
qint64 groupCpuTicks(qint64 group);
// Waits until no live member of `group` is left (true) or the time is up (false). A killed
// process lingers until the scheduler lets it run its exit, which on a loaded machine
// takes a while after the signal was sent.
bool groupEnds(qint64 group, int timeoutMs = 10000);
// Every live member of `group` is stopped (and there is one).
bool groupStopped(qint64 group);

// Sets an environment variable (a null value unsets it) and puts the old state back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value)
      : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    if (value.isNull())
      qunsetenv(name);
    else
      qputenv(name, value);
  }
  ~ScopedEnv() {
    if (had_)
      qputenv(name_, old_);
    else
      qunsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  QByteArray old_;
  bool had_;
};

// A loopback port that refuses connections, reserved for this program's life.
quint16 portNobodyListensOn();

// A real HTTP/1.1 server on 127.0.0.1 with a thread of its own.
class LoopbackHttpServer {
 public:
  struct Response {
    int status = 200;
    QByteArray body{};
    QByteArray contentType = "text/xml; charset=utf-8";
    int delayMs = 0;  // wait before answering
    bool neverAnswer = false;
    int chunkSize = 0;  // >0: send the body in pieces of this size with short pauses
    QList<QPair<QByteArray, QByteArray>> headers{};  // more header lines ("Location", "Retry-After")
  };
  using Handler = std::function<Response(const QByteArray& target)>;
  // A request as received: its method, target, header lines (names in lower case), body
  // and when it arrived (milliseconds of a steady clock).
  struct Request {
    QByteArray method;
    QByteArray target;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    qint64 arrivedMs = 0;
    QByteArray header(const QByteArray& lowerCaseName) const;
  };
  using RequestHandler = std::function<Response(const Request& request)>;

  LoopbackHttpServer();
  ~LoopbackHttpServer();
  quint16 port() const { return port_; }
  QString baseURL() const;  // "http://127.0.0.1:PORT"

  // Answers `target` (path and query, exactly as requested) with `response`.
  void route(const QByteArray& target, const Response& response);
  // Answers every target that has no route.
  void setFallback(Handler handler);
  // Answers every request that has no route, seeing the whole request (before any
  // fallback set with setFallback).
  void setRequestHandler(RequestHandler handler);
  // The request targets received so far, in order.
  QList<QByteArray> requests() const;
  // The whole requests received so far, in order.
  QList<Request> receivedRequests() const;

 private:
  friend class HttpWorker;
  Response answer(const Request& request);
  mutable QMutex lock_;
  QMap<QByteArray, Response> routes_;
  Handler fallback_;
  RequestHandler requestHandler_;
  QList<Request> requests_;
  QThread thread_;
  quint16 port_ = 0;
};

// The inode number of a file (fails the test when there is none): a file moved by a
// rename keeps it, a copy gets another.
quint64 inodeOf(const QString& path);

// A small tmpfs mounted on a fresh folder for the test's life: a file system of its own
// that fills up after `kibibytes`. Mounting needs root; without it `mounted()` is false
// and `why()` says so (the test skips with it).
class SmallTmpfs {
 public:
  SmallTmpfs(const QString& name, int kibibytes);
  ~SmallTmpfs();
  SmallTmpfs(const SmallTmpfs&) = delete;
  SmallTmpfs& operator=(const SmallTmpfs&) = delete;
  bool mounted() const { return mounted_; }
  QString why() const { return why_; }
  QString path() const { return path_; }

 private:
  QString path_;
  QString why_;
  bool mounted_ = false;
};

// The application object a test program runs under; GUI test programs define their own.
QCoreApplication* makeApplication(int& argc, char** argv);

}  // namespace zuvo::test

// Readable texts in GoogleTest's failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
