#include "app/controller/HandOverService.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <utility>

#include "platform/Paths.h"

namespace zuvo {
namespace {

const QString kInterface = QStringLiteral("org.zuvo.Zuvo");
// The running instance may be in the middle of its start-up waits (the news download,
// the helper): it answers once its events flow again.
constexpr int kCallTimeoutMs = 60000;
// Two launches at once: the one holding the lock listens a moment after taking it.
constexpr int kConnectTriesMs = 5000;
constexpr char kTaken = '1';

// The local socket of the profile: one per support folder, in the user's runtime folder
// when there is one.
QString localServerName() {
  const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(paths::applicationSupportFolder()),
                                                   QCryptographicHash::Sha256)
                              .toHex()
                              .left(24);
  const QString name = QStringLiteral("zuvo-") + QString::fromLatin1(hash);
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  return !runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime + u'/' + name : name;
}

}  // namespace

HandOverService::HandOverService(QObject* parent) : QObject(parent) {}

HandOverService::~HandOverService() {
  if (lockFd_ >= 0) ::close(lockFd_);
}

void HandOverService::setReceiver(Receiver receive) {
  receive_ = std::move(receive);
  for (const auto& [paths, service] : std::exchange(waiting_, {})) receive_(paths, service);
}

bool HandOverService::lockProfile() {
  const QString folder = paths::applicationSupportFolder();
  QDir().mkpath(folder);
  // The kernel lets go of the lock when the holder ends, however it ends: a lock file
  // left behind by a crash holds nothing.
  const int fd = ::open(QFile::encodeName(folder + u'/' + QLatin1String(kProfileLockName)).constData(),
                        O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // a folder that takes no lock cannot be shared either
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    lockFd_ = fd;
    return true;
  }
  const int error = errno;
  ::close(fd);
  return error != EWOULDBLOCK;
}

void HandOverService::listenLocally() {
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  const QString name = localServerName();
  // Holding the lock, whatever socket is there is a dead instance's.
  QLocalServer::removeServer(name);
  if (!server_->listen(name)) return;
  connect(server_, &QLocalServer::newConnection, this, [this] { serve(); });
}

void HandOverService::serve() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
      QDataStream in(socket);
      in.startTransaction();
      QStringList paths;
      bool service = false;
      in >> paths >> service;
      if (!in.commitTransaction()) return;  // the rest is on its way
      OpenFiles(paths, service);
      socket->write(&kTaken, 1);
      socket->flush();
      socket->disconnectFromServer();
    });
  }
}

HandOverService::Claim HandOverService::claim() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  // The object first, so that whoever finds the name finds the method.
  if (bus.isConnected() && bus.registerObject(QString::fromLatin1(kHandOverObjectPath), this,
                                              QDBusConnection::ExportScriptableSlots)) {
    if (!bus.registerService(QString::fromLatin1(kHandOverServiceName))) {
      bus.unregisterObject(QString::fromLatin1(kHandOverObjectPath));
      overTheBus_ = true;
      return Claim::Taken;
    }
    // An instance without the bus may hold this profile.
    if (lockProfile()) {
      listenLocally();
      return Claim::Claimed;
    }
    bus.unregisterService(QString::fromLatin1(kHandOverServiceName));
    bus.unregisterObject(QString::fromLatin1(kHandOverObjectPath));
    return Claim::Taken;
  }
  if (!lockProfile()) return Claim::Taken;
  listenLocally();
  return Claim::NoBus;
}

void HandOverService::OpenFiles(const QStringList& paths, bool service) {
  if (receive_)
    receive_(paths, service);
  else
    waiting_.append({paths, service});
}

bool HandOverService::handOverToRunningInstance(const QStringList& paths, bool service) {
  if (overTheBus_) {
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kHandOverServiceName),
                                                       QString::fromLatin1(kHandOverObjectPath), kInterface,
                                                       QStringLiteral("OpenFiles"));
    call << paths << service;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
  }
  QLocalSocket socket;
  QElapsedTimer trying;
  trying.start();
  for (;;) {
    socket.connectToServer(localServerName());
    if (socket.waitForConnected(1000)) break;
    if (trying.elapsed() > kConnectTriesMs) return false;
    QThread::msleep(100);
  }
  QByteArray message;
  QDataStream out(&message, QIODevice::WriteOnly);
  out << paths << service;
  socket.write(message);
  if (!socket.waitForBytesWritten(kCallTimeoutMs)) return false;
  QElapsedTimer waiting;
  waiting.start();
  while (socket.bytesAvailable() < 1 && waiting.elapsed() < kCallTimeoutMs)
    if (!socket.waitForReadyRead(int(kCallTimeoutMs - waiting.elapsed())) &&
        socket.state() != QLocalSocket::ConnectedState)
      break;
  return socket.read(1) == QByteArray(1, kTaken);
}

}  // namespace zuvo
