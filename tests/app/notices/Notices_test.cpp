#include "app/notices/Notices.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include "app/notices/GNTPClient.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/RunLoop.h"
#include "support/TestSupport.h"

using namespace zuvo;

namespace {

// A notification daemon on 127.0.0.1 that keeps what each connection sent and
// answers each complete message with `reply`.
class GNTPListener {
 public:
  struct Connection {
    QByteArray received;
    bool closed = false;
  };

  explicit GNTPListener(QByteArray reply = "GNTP/1.0 -OK NONE\r\n\r\n") : reply_(std::move(reply)) {
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        const qsizetype index = connections_.size();
        connections_.append(Connection{});
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, index] {
          Connection& c = connections_[index];
          const bool complete = c.received.endsWith("\r\n\r\n");
          c.received += socket->readAll();
          if (!complete && c.received.endsWith("\r\n\r\n") && !reply_.isEmpty()) socket->write(reply_);
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket, index] {
          connections_[index].received += socket->readAll();
          connections_[index].closed = true;
        });
      }
    });
  }

  quint16 port() const { return server_.serverPort(); }
  // Waits until `count` connections have come and gone.
  QList<Connection> closedConnections(qsizetype count) {
    runloop::waitUntil(
        [&] {
          if (connections_.size() < count) return false;
          for (const Connection& c : connections_)
            if (!c.closed) return false;
          return true;
        },
        10, 10);
    return connections_;
  }

 private:
  QByteArray reply_;
  QTcpServer server_;
  QList<Connection> connections_;
};

QString readText(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return QString::fromUtf8(f.readAll());
}

// Log lines without their level and time ("4 12:00:00 text" -> level 4, "text").
QStringList logLines(const QString& path, int level) {
  QStringList lines;
  for (const QString& line : readText(path).split('\n')) {
    const QString prefix = QString::number(level) + " ";
    if (line.startsWith(prefix) && line.size() > prefix.size() + 9) lines << line.mid(prefix.size() + 9);
  }
  return lines;
}

const SystemVersion kGNTPSystem{10, 7, 3};

class NoticesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registerSettingDefaults();
    Defaults::standard().removeObjectForKey("GrowlSticky");
    const QString folder = test::freshFolder("notices");
    mainLogPath = folder + "/main.log";
    userLogPath = folder + "/user.log";
    mainLog = BCCReporter::path(mainLogPath);
    userLog = BCCReporter::path(userLogPath);
  }
  void TearDown() override {
    qunsetenv(gntp::kPortVariable);
    Defaults::standard().removeObjectForKey("GrowlSticky");
  }

  QString mainLogPath;
  QString userLogPath;
  Reporter mainLog;
  Reporter userLog;
};

}  // namespace

TEST(NoticeTransport, GNTPOnlyFromMinor7WithBugFix3EachNumberComparedByItself) {
  struct Case {
    SystemVersion version;
    bool gntp;
  } cases[] = {
      {{10, 7, 2}, false}, {{10, 8, 1}, false}, {{10, 8, 0}, false}, {{10, 6, 8}, false},
      {{10, 7, 3}, true},  {{10, 7, 5}, true},  {{10, 9, 3}, true},
  };
  for (const Case& c : cases) {
    Notices notices(BCCReporter::dummy(), BCCReporter::dummy(), c.version);
    EXPECT_EQ(notices.usesGNTP(), c.gntp) << c.version.text().toStdString();
  }
  qunsetenv(kSystemVersionVariable);
  EXPECT_FALSE(Notices(BCCReporter::dummy(), BCCReporter::dummy()).usesGNTP()) << "the compatible 10.8.0";
}

TEST_F(NoticesTest, GNTPMessagesArriveByteForByteInTheOrderSent) {
  GNTPListener daemon;
  qputenv(gntp::kPortVariable, QByteArray::number(daemon.port()));
  Notices notices(mainLog, userLog, kGNTPSystem);

  struct Case {
    const char* name;
    bool growlSticky;
    int arguments;  // 3: the form without a sticky request
    QString title;
    QString message;
    int type;
    bool sticky;
    QByteArray expected;
  } cases[] = {
      {"sticky conversion error", true, 4, "Conversion Error", "Conversion of file a.avi failed", 1, true,
       "GNTP/1.0 NOTIFY NONE\r\nApplication-Name: Zuvo Pro\r\nNotification-Name: Conversion\r\n"
       "Notification-Title: Conversion Error\r\nNotification-Text: Conversion of file a.avi failed\r\n"
       "Notification-Sticky: True\r\n\r\n"},
      {"sticky request with GrowlSticky off", false, 4, "Conversion Error", "x", 1, true,
       "GNTP/1.0 NOTIFY NONE\r\nApplication-Name: Zuvo Pro\r\nNotification-Name: Conversion\r\n"
       "Notification-Title: Conversion Error\r\nNotification-Text: x\r\n\r\n"},
      {"information, accented file name", true, 4, "Zuvo Information", "Found Amélie – Ça.mkv", 0, false,
       "GNTP/1.0 NOTIFY NONE\r\nApplication-Name: Zuvo Pro\r\nNotification-Name: Information\r\n"
       "Notification-Title: Zuvo Information\r\nNotification-Text: Found Am\xC3\xA9lie \xE2\x80\x93 \xC3\x87"
       "a.mkv\r\n\r\n"},
      {"form without sticky request", true, 3, "Zuvo Conversion", "Finished Conversion of  b.m4v", 1, false,
       "GNTP/1.0 NOTIFY NONE\r\nApplication-Name: Zuvo Pro\r\nNotification-Name: Conversion\r\n"
       "Notification-Title: Zuvo Conversion\r\nNotification-Text: Finished Conversion of  b.m4v\r\n\r\n"},
  };
  for (const Case& c : cases) {
    Defaults::standard().setBool(c.growlSticky, "GrowlSticky");
    if (c.arguments == 3)
      notices.GrowlMessage(c.title, c.message, c.type);
    else
      notices.GrowlMessage(c.title, c.message, c.type, c.sticky);
  }
  ASSERT_TRUE(notices.waitForDelivered(30));
  const auto connections = daemon.closedConnections(std::size(cases));
  ASSERT_EQ(connections.size(), qsizetype(std::size(cases)));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(connections[i].received, cases[i].expected) << cases[i].name;
    EXPECT_TRUE(connections[i].closed) << cases[i].name;
  }

  const QStringList main = logLines(mainLogPath, 4);
  EXPECT_EQ(main.count("GNTP::Connected"), qsizetype(std::size(cases)));
  EXPECT_EQ(main.count("GNTP returned : GNTP/1.0 -OK NONE\r"), qsizetype(std::size(cases)));
  const QStringList user = logLines(userLogPath, 3);
  for (const Case& c : cases) EXPECT_TRUE(user.contains(c.message)) << c.name;
}

TEST_F(NoticesTest, LineBreaksInATitleOrFileNameCannotAddGNTPHeaders) {
  GNTPListener daemon;
  qputenv(gntp::kPortVariable, QByteArray::number(daemon.port()));
  Notices notices(mainLog, userLog, kGNTPSystem);
  notices.GrowlMessage("Conversion Error\r\nNotification-Sticky: True",
                       "Conversion of file a\n\rX-Icon: evil\r.avi", 1, false);
  ASSERT_TRUE(notices.waitForDelivered(30));
  const auto connections = daemon.closedConnections(1);
  ASSERT_EQ(connections.size(), 1);
  EXPECT_EQ(connections[0].received,
            "GNTP/1.0 NOTIFY NONE\r\nApplication-Name: Zuvo Pro\r\nNotification-Name: Conversion\r\n"
            "Notification-Title: Conversion Error Notification-Sticky: True\r\n"
            "Notification-Text: Conversion of file a  X-Icon: evil .avi\r\n\r\n");
}

TEST_F(NoticesTest, OnlyTheFirst100BytesOfAReplyAreLogged) {
  const QByteArray reply = "GNTP/1.0 -ERROR NONE\r\nError-Description: " + QByteArray(200, 'x') + "\r\n\r\n";
  GNTPListener daemon(reply);
  qputenv(gntp::kPortVariable, QByteArray::number(daemon.port()));
  Notices notices(mainLog, userLog, kGNTPSystem);
  notices.GrowlMessage("Zuvo Information", "x", 0);
  ASSERT_TRUE(notices.waitForDelivered(30));
  const QString log = readText(mainLogPath);
  const QString first100 = QString::fromUtf8(reply.left(100));
  EXPECT_TRUE(log.contains("GNTP returned : GNTP/1.0 -ERROR NONE\r\n"));
  EXPECT_TRUE(log.contains(first100.section('\n', 1) + "\n")) << log.toStdString();
  EXPECT_FALSE(log.contains(QString::fromUtf8(reply.left(101)).section('\n', 1)));
}

TEST_F(NoticesTest, WithNoDaemonTheNoticeIsDroppedAndTheStatusTextStillShows) {
  qputenv(gntp::kPortVariable, QByteArray::number(test::portNobodyListensOn()));
  Notices notices(mainLog, userLog, kGNTPSystem);
  QStringList status;
  notices.setStatusSink([&](const QString& text) { status << text; });
  notices.GeneralMessage("Conversion Error", "Conversion of file a.avi failed", 1, true);
  notices.GeneralMessage("Zuvo Information", "Scan finished", 0);
  ASSERT_TRUE(notices.waitForDelivered(30));
  EXPECT_EQ(status, (QStringList{"Conversion of file a.avi failed", "Scan finished"}));
  const QStringList main = logLines(mainLogPath, 4);
  EXPECT_EQ(main, (QStringList{"GNTP::Not Connected", "GNTP::Not Connected"}));
  EXPECT_EQ(logLines(userLogPath, 3), (QStringList{"Conversion of file a.avi failed", "Scan finished"}));
}

TEST_F(NoticesTest, SendingReturnsAtOnceWhileTheExchangeTakesASecond) {
  GNTPListener daemon;
  qputenv(gntp::kPortVariable, QByteArray::number(daemon.port()));
  Notices notices(mainLog, userLog, kGNTPSystem);
  QElapsedTimer clock;
  clock.start();
  notices.GrowlMessage("Zuvo Conversion", "Finished", 1, true);
  // Waiting for the exchange takes at least the daemon's second; anything short of it
  // did not wait, however slowly a loaded machine got here.
  EXPECT_LT(clock.elapsed(), 1000) << "sending waited for the exchange";
  ASSERT_TRUE(notices.waitForDelivered(30));
  EXPECT_GE(clock.elapsed(), 1000) << "the daemon gets a second to answer";
  EXPECT_EQ(daemon.closedConnections(1).size(), 1);
}

TEST_F(NoticesTest, StatusTextFromAWorkerReachesTheWindowOnTheGUIThread) {
  Notices notices(mainLog, userLog, SystemVersion{10, 8, 0});
  QStringList status;
  bool onGUIThread = true;
  notices.setStatusSink([&](const QString& text) {
    status << text;
    onGUIThread = onGUIThread && QThread::currentThread() == QCoreApplication::instance()->thread();
  });
  QThread* worker = QThread::create([&] { notices.TextMessage("Probing a.avi"); });
  worker->start();
  ASSERT_TRUE(runloop::waitUntil([&] { return worker->isFinished() && !status.isEmpty(); }, 10, 10));
  delete worker;
  EXPECT_EQ(status, QStringList{"Probing a.avi"});
  EXPECT_TRUE(onGUIThread);
}
