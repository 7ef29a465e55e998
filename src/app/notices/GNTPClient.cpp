#include "app/notices/GNTPClient.h"

#include <QRegularExpression>
#include <QTcpSocket>

#include "platform/RunLoop.h"

namespace zuvo::gntp {
namespace {

constexpr const char* kNotifyFormat =
    "GNTP/1.0 NOTIFY NONE\r\nApplication-Name: Zuvo Pro\r\nNotification-Name: %1\r\nNotification-Title: "
    "%2\r\nNotification-Text: %3\r\n";
constexpr const char* kStickyLine = "Notification-Sticky: True\r\n";
constexpr const char* kEndOfMessage = "\r\n";

constexpr const char* kNotConnected = "GNTP::Not Connected";
constexpr const char* kConnected = "GNTP::Connected";
constexpr const char* kReturned = "GNTP returned : %1";
constexpr quint32 kLogLevel = 4;

constexpr double kConnectionTimeout = 60;
constexpr double kReadTimeout = 60;
constexpr double kWriteTimeout = 60;
constexpr double kReplyWait = 1;
constexpr qint64 kReplyLength = 100;
constexpr int kSliceMs = 10;

QString oneLine(const QString& value) {
  static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
  QString line = value;
  return line.replace(breaks, QStringLiteral(" "));
}

}  // namespace

quint16 port() {
  bool ok = false;
  const uint value = qEnvironmentVariable(kPortVariable).toUInt(&ok);
  return ok && value > 0 && value <= 65535 ? static_cast<quint16>(value) : kDefaultPort;
}

QByteArray notifyMessage(const QString& notificationName, const QString& title, const QString& text,
                         bool sticky) {
  QString message =
      QString::fromLatin1(kNotifyFormat).arg(oneLine(notificationName), oneLine(title), oneLine(text));
  if (sticky) message += QLatin1String(kStickyLine);
  message += QLatin1String(kEndOfMessage);
  return message.toUtf8();
}

void send(const QByteArray& message, quint16 port, const Reporter& mainLog,
          const std::atomic_bool& cancelled) {
  QTcpSocket socket;
  socket.connectToHost(QString::fromLatin1(kHost), port);
  runloop::waitUntil(
      [&] {
        return cancelled || socket.state() == QAbstractSocket::ConnectedState ||
               socket.state() == QAbstractSocket::UnconnectedState;
      },
      kConnectionTimeout, kSliceMs);
  if (socket.state() != QAbstractSocket::ConnectedState) {
    socket.abort();
    mainLog->report(QLatin1String(kNotConnected), kLogLevel);
    return;
  }
  mainLog->report(QLatin1String(kConnected), kLogLevel);

  socket.write(message);
  runloop::waitUntil(
      [&] {
        return cancelled || socket.bytesToWrite() == 0 || socket.state() != QAbstractSocket::ConnectedState;
      },
      kWriteTimeout, kSliceMs);

  runloop::waitUntil([&] { return cancelled.load(); }, kReplyWait, kSliceMs);
  runloop::waitUntil(
      [&] {
        return cancelled || socket.bytesAvailable() > 0 || socket.state() != QAbstractSocket::ConnectedState;
      },
      kReadTimeout, kSliceMs);
  const QByteArray reply = socket.read(kReplyLength);
  if (!reply.isEmpty())
    mainLog->report(QString::fromLatin1(kReturned).arg(QString::fromUtf8(reply)), kLogLevel);
  socket.close();
}

}  // namespace zuvo::gntp
