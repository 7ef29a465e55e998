#include "app/controller/HandOverService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <utility>

namespace zuvo {
namespace {

const QString kInterface = QStringLiteral("org.zuvo.Zuvo");
// The running instance may be in the middle of its start-up waits (the news download,
// the helper): it answers once its events flow again.
constexpr int kCallTimeoutMs = 60000;

}  // namespace

HandOverService::HandOverService(QObject* parent) : QObject(parent) {}

void HandOverService::setReceiver(Receiver receive) {
  receive_ = std::move(receive);
  for (const auto& [paths, service] : std::exchange(waiting_, {})) receive_(paths, service);
}

HandOverService::Claim HandOverService::claim() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return Claim::NoBus;
  // The object first, so that whoever finds the name finds the method.
  if (!bus.registerObject(QString::fromLatin1(kHandOverObjectPath), this, QDBusConnection::ExportScriptableSlots))
    return Claim::NoBus;
  if (bus.registerService(QString::fromLatin1(kHandOverServiceName))) return Claim::Claimed;
  bus.unregisterObject(QString::fromLatin1(kHandOverObjectPath));
  return Claim::Taken;
}

void HandOverService::OpenFiles(const QStringList& paths, bool service) {
  if (receive_) receive_(paths, service);
  else waiting_.append({paths, service});
}

bool handOverToRunningInstance(const QStringList& paths, bool service) {
  QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kHandOverServiceName),
                                                     QString::fromLatin1(kHandOverObjectPath), kInterface,
                                                     QStringLiteral("OpenFiles"));
  call << paths << service;
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
  return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace zuvo
