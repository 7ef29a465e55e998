#include "support/TestSupport.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

#if defined(__SANITIZE_THREAD__)
// Tools are started by fork and exec from threaded programs; ThreadSanitizer would stop the
// child before its exec.
extern "C" const char* __tsan_default_options() { return "die_after_fork=0"; }
// Debian's Qt and GLib are not built for ThreadSanitizer: the locks inside them (futexes) are
// invisible to it, so what they do on behalf of our code would read as races. Our own code is
// never suppressed.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Network.so.6\n"
         "called_from_lib:libglib-2.0.so.0\n"
         "race:libQt6Core.so.6\n"
         "race:libQt6Network.so.6\n"
         "race:libglib-2.0.so.0\n";
}
#endif

namespace zuvo::test {
namespace {
QTemporaryDir* home = nullptr;
}

QString testHome() { return home->path(); }

QString freshFolder(const QString& name) {
  static int serial = 0;
  const QString path = QStringLiteral("%1/%2-%3").arg(testHome(), name).arg(++serial);
  QDir().mkpath(path);
  return path;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()) << path.toStdString();
  return path;
}

QStringList logMessages(const QString& path) {
  constexpr char kScrambleByte = 0x5D;
  QList<QByteArray> pieces = readFile(path).split('\n');
  if (!pieces.isEmpty() && pieces.last().isEmpty()) pieces.removeLast();  // the last line's own end
  QList<QByteArray> lines;
  for (const QByteArray& piece : pieces) {
    const bool starts =
        piece.size() >= 3 && piece[0] >= '0' && piece[0] <= '9' && (piece[1] == ' ' || piece[1] == 'E');
    if (!starts && !lines.isEmpty() && lines.last().at(1) == 'E')
      lines.last() += '\n' + piece;
    else
      lines.append(piece);
  }
  QStringList messages;
  for (QByteArray line : lines) {
    if (line.size() < 3 || line[0] < '0' || line[0] > '9') continue;
    if (line[1] == 'E')
      for (qsizetype i = 2; i < line.size(); ++i) line[i] = char(line[i] ^ kScrambleByte);
    messages.append(QString::fromUtf8(line).section(' ', 2));
  }
  return messages;
}

QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

CommandResult runCommand(const QString& program, const QStringList& arguments, int timeoutMs) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, arguments);
  CommandResult r;
  if (!p.waitForStarted(10000)) return r;
  p.closeWriteChannel();
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.output = p.readAll();
  r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return r;
}

void makeMedia(const QString& path, const QStringList& arguments) {
  QStringList args{"-y", "-nostdin", "-loglevel", "error"};
  args << arguments << path;
  const CommandResult r = runCommand("ffmpeg", args);
  ASSERT_EQ(r.exitCode, 0) << "ffmpeg " << args.join(' ').toStdString() << "\n" << r.output.toStdString();
}

void makeTestVideo(const QString& path, double seconds, int width, int height, const QStringList& extra) {
  QStringList args{
      "-f", "lavfi",
      "-i", QStringLiteral("testsrc=size=%1x%2:rate=25:duration=%3").arg(width).arg(height).arg(seconds),
      "-f", "lavfi",
      "-i", QStringLiteral("sine=frequency=440:sample_rate=48000:duration=%1").arg(seconds)};
  args << extra;
  makeMedia(path, args);
}

namespace {
// The fields after the command name of /proc/<pid>/stat of every process in `group`
// ("state ppid pgrp ...").
QList<QList<QByteArray>> groupStats(qint64 group) {
  QList<QList<QByteArray>> stats;
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    QFile stat("/proc/" + entry + "/stat");
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 12 && fields[2].toLongLong() == group) stats << fields;
  }
  return stats;
}
}  // namespace

int liveGroupMembers(qint64 group) {
  int live = 0;
  for (const QList<QByteArray>& fields : groupStats(group))
    if (fields[0] != "Z") ++live;
  return live;
}

bool groupEnds(qint64 group, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (liveGroupMembers(group) > 0) {
    if (clock.elapsed() > timeoutMs) return false;
    QThread::msleep(20);
  }
  return true;
}

bool groupStopped(qint64 group) {
  int stopped = 0;
  for (const QList<QByteArray>& fields : groupStats(group)) {
    if (fields[0] == "Z") continue;
    // A shell that vforked waits, uninterruptibly, for its child to exec; with the child
    // stopped before it could, the shell cannot run either.
    if (fields[0] == "D") continue;
    if (fields[0] != "T") return false;
    ++stopped;
  }
  return stopped > 0;
}

qint64 groupCpuTicks(qint64 group) {
  qint64 ticks = 0;
  for (const QList<QByteArray>& fields : groupStats(group))
    ticks += fields[11].toLongLong() + fields[12].toLongLong();
  return ticks;
}

quint16 portNobodyListensOn() {
  // Bound but never listening, and kept for the program's life: connecting is refused,
  // and no other test program running meanwhile can be handed the port (a socket bound
  // without address reuse blocks every other bind to it).
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ADD_FAILURE() << "no loopback port could be reserved";
    return 0;
  }
  return ntohs(address.sin_port);
}

// Serves one connection at a time per socket; lives on the server's own thread.
class HttpWorker : public QObject {
 public:
  HttpWorker(LoopbackHttpServer* owner, quint16* port) : owner_(owner) {
    server_ = new QTcpServer(this);
    server_->listen(QHostAddress::LocalHost, 0);
    *port = server_->serverPort();
    connect(server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = server_->nextPendingConnection()) serve(s);
    });
  }

 private:
  void serve(QTcpSocket* socket) {
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
      buffer->append(socket->readAll());
      const int end = buffer->indexOf("\r\n\r\n");
      if (end < 0) return;
      LoopbackHttpServer::Request request;
      const QList<QByteArray> lines = buffer->left(end).split('\n');
      qsizetype length = 0;
      for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) continue;
        request.headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
        if (request.headers.last().first == "content-length")
          length = request.headers.last().second.toLongLong();
      }
      if (buffer->size() < end + 4 + length) return;
      request.body = buffer->mid(end + 4, length);
      const QList<QByteArray> parts = lines[0].trimmed().split(' ');
      buffer->clear();
      request.method = parts.value(0);
      request.target = parts.size() > 1 ? parts[1] : QByteArray("/");
      request.arrivedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count();
      respond(socket, owner_->answer(request));
    });
  }

  void respond(QTcpSocket* socket, const LoopbackHttpServer::Response& r) {
    if (r.neverAnswer) return;
    auto send = [socket, r] {
      QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + " Status\r\n";
      head += "Content-Type: " + r.contentType + "\r\n";
      for (const auto& [name, value] : r.headers) head += name + ": " + value + "\r\n";
      head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\nConnection: close\r\n\r\n";
      socket->write(head);
      if (r.chunkSize <= 0) {
        socket->write(r.body);
        socket->disconnectFromHost();
        return;
      }
      auto offset = std::make_shared<qsizetype>(0);
      auto timer = new QTimer(socket);
      QObject::connect(timer, &QTimer::timeout, socket, [socket, r, offset, timer] {
        socket->write(r.body.mid(*offset, r.chunkSize));
        socket->flush();
        *offset += r.chunkSize;
        if (*offset >= r.body.size()) {
          timer->stop();
          socket->disconnectFromHost();
        }
      });
      timer->start(5);
    };
    if (r.delayMs > 0)
      QTimer::singleShot(r.delayMs, socket, send);
    else
      send();
  }

  LoopbackHttpServer* owner_;
  QTcpServer* server_;
};

LoopbackHttpServer::LoopbackHttpServer() {
  // Standard-library hand-off rather than Qt's, whose locks ThreadSanitizer cannot see.
  std::mutex lock;
  std::condition_variable ready;
  bool started = false;
  // Signalled only once the worker is made and connected: the thread must not write into
  // this frame after the constructor has returned.
  QObject::connect(&thread_, &QThread::started, [&] {
    auto* worker = new HttpWorker(this, &port_);
    QObject::connect(&thread_, &QThread::finished, worker, &QObject::deleteLater);
    std::lock_guard<std::mutex> guard(lock);
    started = true;
    ready.notify_one();
  });
  thread_.start();
  std::unique_lock<std::mutex> guard(lock);
  ready.wait(guard, [&] { return started; });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  thread_.quit();
  thread_.wait();
}

QString LoopbackHttpServer::baseURL() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

void LoopbackHttpServer::route(const QByteArray& target, const Response& response) {
  QMutexLocker guard(&lock_);
  routes_.insert(target, response);
}

void LoopbackHttpServer::setFallback(Handler handler) {
  QMutexLocker guard(&lock_);
  fallback_ = std::move(handler);
}

void LoopbackHttpServer::setRequestHandler(RequestHandler handler) {
  QMutexLocker guard(&lock_);
  requestHandler_ = std::move(handler);
}

QList<QByteArray> LoopbackHttpServer::requests() const {
  QMutexLocker guard(&lock_);
  QList<QByteArray> targets;
  for (const Request& request : requests_) targets.append(request.target);
  return targets;
}

QList<LoopbackHttpServer::Request> LoopbackHttpServer::receivedRequests() const {
  QMutexLocker guard(&lock_);
  return requests_;
}

QByteArray LoopbackHttpServer::Request::header(const QByteArray& lowerCaseName) const {
  for (const auto& [name, value] : headers)
    if (name == lowerCaseName) return value;
  return {};
}

LoopbackHttpServer::Response LoopbackHttpServer::answer(const Request& request) {
  QMutexLocker guard(&lock_);
  requests_.append(request);
  const QByteArray& target = request.target;
  if (routes_.contains(target)) return routes_.value(target);
  if (requestHandler_) return requestHandler_(request);
  if (fallback_) return fallback_(target);
  Response r;
  r.status = 404;
  r.body = "not found";
  r.contentType = "text/plain";
  return r;
}

__attribute__((weak)) QCoreApplication* makeApplication(int& argc, char** argv) {
  return new QCoreApplication(argc, argv);
}

quint64 inodeOf(const QString& path) {
  struct stat info {};
  EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
  return info.st_ino;
}

SmallTmpfs::SmallTmpfs(const QString& name, int kibibytes) : path_(freshFolder(name)) {
  if (::geteuid() != 0) {
    why_ = QStringLiteral("mounting a small tmpfs needs root");
    return;
  }
  const CommandResult mount =
      runCommand(QStringLiteral("mount"),
                 {"-t", "tmpfs", "-o", QStringLiteral("size=%1k").arg(kibibytes), "tmpfs", path_});
  mounted_ = mount.exitCode == 0;
  if (!mounted_) why_ = QStringLiteral("mount failed: ") + QString::fromLocal8Bit(mount.output);
}

SmallTmpfs::~SmallTmpfs() {
  if (mounted_) runCommand(QStringLiteral("umount"), {QStringLiteral("-l"), path_});
}

}  // namespace zuvo::test

int main(int argc, char** argv) {
  // Isolate every test program from the user's files before anything reads a path.
  zuvo::test::home = new QTemporaryDir(QDir::tempPath() + "/zuvo-test-XXXXXX");
  const QByteArray h = zuvo::test::home->path().toLocal8Bit();
  setenv("HOME", h.constData(), 1);
  setenv("XDG_CONFIG_HOME", (h + "/.config").constData(), 1);
  setenv("XDG_DATA_HOME", (h + "/.local/share").constData(), 1);
  setenv("XDG_CACHE_HOME", (h + "/.cache").constData(), 1);
  setenv("no_proxy", "127.0.0.1,localhost", 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);  // test discovery runs outside ctest's environment
  unsetenv("http_proxy");
  unsetenv("https_proxy");
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<QCoreApplication> app(zuvo::test::makeApplication(argc, argv));
  const int result = RUN_ALL_TESTS();
  app.reset();
  delete zuvo::test::home;
  return result;
}
