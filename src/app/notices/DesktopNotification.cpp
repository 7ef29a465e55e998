#include "app/notices/DesktopNotification.h"

#include "app/notices/ApplicationIcon.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

namespace zuvo {
namespace {
constexpr const char* kNotifyMethod = "Notify";
constexpr int kServerDefaultTimeout = -1;
constexpr int kNeverExpires = 0;
}  // namespace

void sendDesktopNotification(const QString& title, const QString& message, bool sticky) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kNotificationsService),
                                                     QString::fromLatin1(kNotificationsPath),
                                                     QString::fromLatin1(kNotificationsInterface),
                                                     QString::fromLatin1(kNotifyMethod));
  call << QString::fromLatin1(kNotificationApplicationName) << 0u
       << QUrl::fromLocalFile(applicationIconPath()).toString() << title << message << QStringList()
       << QVariantMap() << (sticky ? kNeverExpires : kServerDefaultTimeout);
  bus.send(call);
}

}  // namespace zuvo
