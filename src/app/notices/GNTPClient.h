#pragma once
// One GNTP notice to the notification daemon on this machine: connect, write the
// NOTIFY message, wait a second, read a short reply, close.
#include <QByteArray>
#include <QString>
#include <atomic>

#include "media/BCCReporter.h"

namespace zuvo::gntp {

inline constexpr const char* kHost = "localhost";
inline constexpr quint16 kDefaultPort = 23053;
// Points the client at another port (tests).
inline constexpr const char* kPortVariable = "ZUVO_GNTP_PORT";

// The daemon's port: ZUVO_GNTP_PORT when it holds a port number, else 23053.
quint16 port();

// The NOTIFY message, UTF-8. A line break inside a value would end its header line
// and start a header of the sender's choosing, so breaks become spaces.
QByteArray notifyMessage(const QString& notificationName, const QString& title, const QString& text,
                         bool sticky);

// Sends `message` and logs the exchange to `mainLog`. Blocks the calling thread (a
// worker with no other duties) for at least one second and up to the 60-second
// time-outs; `cancelled` ends the waits early.
void send(const QByteArray& message, quint16 port, const Reporter& mainLog,
          const std::atomic_bool& cancelled);

}  // namespace zuvo::gntp
