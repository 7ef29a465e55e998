#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QObject>
#include <QUrl>
#include <QVariantMap>

#include "app/notices/ApplicationIcon.h"
#include "app/notices/Notices.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/RunLoop.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

struct Call {
  QString appName;
  uint replacesId;
  QString appIcon;
  QString summary;
  QString body;
  QStringList actions;
  QVariantMap hints;
  int expireTimeout;
};

// Stands in for the desktop's notification server on the test's private bus.
class NotificationServer : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
 public:
  QList<Call> calls;

 public slots:
  uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
              const QString& body, const QStringList& actions, const QVariantMap& hints, int expireTimeout) {
    calls.append({appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout});
    return replacesId ? replacesId : uint(calls.size());
  }
};

class DesktopNotificationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariable("ZUVO_PRIVATE_SESSION_BUS") != "1")
      GTEST_SKIP() << "runs on a private session bus as the ctest app_desktop_notifications";
    registerSettingDefaults();
    Defaults::standard().removeObjectForKey("GrowlSticky");
    // A connection of its own, so the notices reach it through the bus daemon.
    bus = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "notification-server"));
    ASSERT_TRUE(bus->isConnected());
    ASSERT_TRUE(bus->registerService("org.freedesktop.Notifications"));
    ASSERT_TRUE(
        bus->registerObject("/org/freedesktop/Notifications", &server, QDBusConnection::ExportAllSlots));
  }
  void TearDown() override {
    if (!bus) return;
    bus->unregisterObject("/org/freedesktop/Notifications");
    bus->unregisterService("org.freedesktop.Notifications");
    bus.reset();
    QDBusConnection::disconnectFromBus("notification-server");
    Defaults::standard().removeObjectForKey("GrowlSticky");
  }

  // What the server says when the user clicks a notice or it goes away.
  void emitSignal(const char* name, const QVariantList& arguments) {
    QDBusMessage signal =
        QDBusMessage::createSignal("/org/freedesktop/Notifications", "org.freedesktop.Notifications", name);
    signal.setArguments(arguments);
    ASSERT_TRUE(bus->send(signal));
  }

  NotificationServer server;
  std::unique_ptr<QDBusConnection> bus;
};

}  // namespace

TEST_F(DesktopNotificationTest, NoticesReachTheServerInOrderWithIconAndStickiness) {
  const QString folder = test::freshFolder("desktop");
  Reporter userLog = BCCReporter::path(folder + "/user.log");
  Notices notices(BCCReporter::dummy(), userLog, SystemVersion{10, 8, 0});
  ASSERT_FALSE(notices.usesGNTP());

  notices.GrowlMessage("Conversion Error", "Conversion of file Amélie.avi failed\nwith code 5", 1, true);
  notices.GrowlMessage("Zuvo Information", "Scan finished", 0);
  Defaults::standard().setBool(false, "GrowlSticky");
  notices.GrowlMessage("Zuvo Conversion", "Finished Conversion of  b.m4v", 1, true);
  ASSERT_TRUE(notices.waitForDelivered(10));
  ASSERT_TRUE(runloop::waitUntil([&] { return server.calls.size() == 3; }, 10, 10));

  struct Expected {
    const char* summary;
    QString body;
    int expireTimeout;
  } expected[] = {
      {"Conversion Error", "Conversion of file Amélie.avi failed\nwith code 5", 0},
      {"Zuvo Information", "Scan finished", -1},
      {"Zuvo Conversion", "Finished Conversion of  b.m4v", -1},
  };
  const QString icon = QUrl::fromLocalFile(applicationIconPath()).toString();
  ASSERT_TRUE(QFile::exists(applicationIconPath()));
  for (int i = 0; i < 3; ++i) {
    const Call& c = server.calls[i];
    // The desktop entry's name and file: the desktop ties the notice to the program.
    EXPECT_EQ(c.appName, "Zuvo") << i;
    EXPECT_EQ(c.hints.value("desktop-entry").toString(), "zuvo") << i;
    EXPECT_EQ(c.replacesId, 0u) << i;
    EXPECT_EQ(c.appIcon, icon) << i;
    EXPECT_EQ(c.summary, expected[i].summary) << i;
    EXPECT_EQ(c.body, expected[i].body) << i;
    ASSERT_EQ(c.actions.size(), 2) << i;
    EXPECT_EQ(c.actions[0], "default") << i;
    EXPECT_EQ(c.expireTimeout, expected[i].expireTimeout) << expected[i].summary;
  }
}

// Clicking a notice of this program runs the activation (the queue window comes forward);
// another program's notice with the same action does not. A sticky notice takes the place
// of the sticky one still shown instead of piling up; once that one is gone a new one
// stands alone.
TEST_F(DesktopNotificationTest, ActivationRunsForOwnNoticesAndStickyOnesReplaceEachOther) {
  Notices notices(BCCReporter::dummy(), BCCReporter::dummy(), SystemVersion{10, 8, 0});
  int activated = 0;
  notices.setActivated([&] { ++activated; });
  notices.GrowlMessage("Zuvo Conversion", "Finished a.m4v", 1, true);
  ASSERT_TRUE(notices.waitForDelivered(10));
  notices.GrowlMessage("Zuvo Conversion", "Finished b.m4v", 1, true);
  ASSERT_TRUE(notices.waitForDelivered(10));
  ASSERT_TRUE(runloop::waitUntil([&] { return server.calls.size() == 2; }, 10, 10));
  EXPECT_EQ(server.calls[0].replacesId, 0u);
  EXPECT_EQ(server.calls[1].replacesId, 1u) << "a second sticky notice piled up";

  emitSignal("ActionInvoked", {99u, QString("default")});
  emitSignal("ActionInvoked", {1u, QString("default")});
  EXPECT_TRUE(runloop::waitUntil([&] { return activated == 1; }, 10, 10));
  runloop::runFor(0.3);
  EXPECT_EQ(activated, 1) << "another program's notice brought the queue forward";

  emitSignal("NotificationClosed", {1u, 2u});
  runloop::runFor(0.3);
  notices.GrowlMessage("Zuvo Conversion", "Finished c.m4v", 1, true);
  ASSERT_TRUE(notices.waitForDelivered(10));
  ASSERT_TRUE(runloop::waitUntil([&] { return server.calls.size() == 3; }, 10, 10));
  EXPECT_EQ(server.calls[2].replacesId, 0u);
  // A notice that is not sticky never replaces one.
  notices.GrowlMessage("Zuvo Information", "Scan finished", 0);
  ASSERT_TRUE(notices.waitForDelivered(10));
  ASSERT_TRUE(runloop::waitUntil([&] { return server.calls.size() == 4; }, 10, 10));
  EXPECT_EQ(server.calls[3].replacesId, 0u);
}

#include "DesktopNotification_test.moc"
