#include "app/notices/DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMutexLocker>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include "app/notices/ApplicationIcon.h"

namespace zuvo {
namespace {
constexpr const char* kNotifyMethod = "Notify";
constexpr int kServerDefaultTimeout = -1;
constexpr int kNeverExpires = 0;
constexpr int kReplyTimeoutMs = 5000;
}  // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  const QString service = QString::fromLatin1(kNotificationsService);
  const QString path = QString::fromLatin1(kNotificationsPath);
  const QString interface = QString::fromLatin1(kNotificationsInterface);
  bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
              SLOT(actionInvoked(uint, QString)));
  bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
              SLOT(notificationClosed(uint, uint)));
}

void DesktopNotifier::send(const QString& title, const QString& message, bool sticky) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  uint replaces = 0;
  if (sticky) {
    QMutexLocker locked(&lock_);
    replaces = shownSticky_;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QString::fromLatin1(kNotificationsService), QString::fromLatin1(kNotificationsPath),
      QString::fromLatin1(kNotificationsInterface), QString::fromLatin1(kNotifyMethod));
  // The action list pairs keys with labels; "default" is what a click on the notice does.
  const QStringList actions = {QString::fromLatin1(kDefaultNoticeAction), QStringLiteral("Show the queue")};
  const QVariantMap hints = {{QStringLiteral("desktop-entry"), QString::fromLatin1(kDesktopEntryName)}};
  call << QString::fromLatin1(kNotificationApplicationName) << replaces
       << QUrl::fromLocalFile(applicationIconPath()).toString() << title << message << actions << hints
       << (sticky ? kNeverExpires : kServerDefaultTimeout);
  const QDBusMessage reply = bus.call(call, QDBus::Block, kReplyTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
  const uint id = reply.arguments().first().toUInt();
  QMutexLocker locked(&lock_);
  shown_.insert(id);
  if (sticky) shownSticky_ = id;
}

void DesktopNotifier::actionInvoked(uint id, const QString& action) {
  {
    QMutexLocker locked(&lock_);
    if (!shown_.contains(id)) return;
  }
  if (action == QLatin1String(kDefaultNoticeAction) && activated_) activated_();
}

void DesktopNotifier::notificationClosed(uint id, uint) {
  QMutexLocker locked(&lock_);
  shown_.remove(id);
  if (shownSticky_ == id) shownSticky_ = 0;
}

}  // namespace zuvo
