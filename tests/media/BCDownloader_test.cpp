#include "media/BCDownloader.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QNetworkProxy>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/RunLoop.h"
#include "support/StreamingHttpServer.h"
#include "support/TestSupport.h"

using namespace zuvo;
using Response = test::LoopbackHttpServer::Response;

namespace {

struct LogLine {
  int level;
  QString text;
  bool operator==(const LogLine&) const = default;
};
void PrintTo(const LogLine& l, std::ostream* os) { *os << l.level << " " << l.text.toStdString(); }

// A downloader with a log file of its own, and the lines that reached it.
struct Download {
  QString folder = test::freshFolder("download");
  QString logPath = folder + "/log.txt";
  Reporter log = BCCReporter::path(logPath);
  BCDownloader downloader;

  Download() { downloader.setMyreporter(log); }
  QString target(const QString& name = "answer.xml") const { return folder + "/" + name; }
  QList<LogLine> lines() const {
    QFile f(logPath);
    f.open(QIODevice::ReadOnly);
    QList<LogLine> result;
    const QList<QByteArray> raw = f.readAll().split('\n');
    for (qsizetype i = 1; i < raw.size(); ++i) {  // after "Creating Log File"
      if (raw[i].isEmpty()) continue;
      const QString line = QString::fromUtf8(raw[i]);
      const qsizetype space = line.indexOf(' ');
      result.append({line.left(space).toInt(), line.mid(line.indexOf(' ', space + 1) + 1)});
    }
    return result;
  }
};

Response answer(int status, const QByteArray& body) {
  Response r;
  r.status = status;
  r.body = body;
  return r;
}

// "/silent.xml" takes the request and never answers.
void routeSilent(test::LoopbackHttpServer& server) {
  Response silent;
  silent.neverAnswer = true;
  server.route("/silent.xml", silent);
}

}  // namespace

TEST(BCDownloader, AnswerIsWrittenWholeAndTheStepsAreLogged) {
  test::LoopbackHttpServer server;
  server.route("/api/GetSeries.php?seriesname=lost",
               answer(200, "<Data><SeriesName>Grüße</SeriesName></Data>\n"));
  Download d;
  const QString url = server.baseURL() + "/api/GetSeries.php?seriesname=lost";
  d.downloader.downloadFileFromURL(url, d.target());
  EXPECT_EQ(test::readFile(d.target()), "<Data><SeriesName>Grüße</SeriesName></Data>\n");
  EXPECT_FALSE(d.downloader.downloadInProgress());
  EXPECT_LT(QFileInfo(d.target()).lastModified().secsTo(QDateTime::currentDateTime()), 5);
  const QList<LogLine> expected = {
      {4, "Downloading file " + d.target() + " from URL " + url}, {3, "Start!!"}, {3, "End!!"}};
  EXPECT_EQ(d.lines(), expected);
}

TEST(BCDownloader, ErrorStatusesAndRefusedConnectionsWriteNoFile) {
  test::LoopbackHttpServer server;
  server.route("/missing.xml", answer(404, "<html>not found</html>"));
  server.route("/broken.xml", answer(500, "<html>server error</html>"));
  struct Case {
    const char* what;
    QString url;
    QString description;  // part of the failure line
  } cases[] = {
      {"404", server.baseURL() + "/missing.xml", "HTTP status 404"},
      {"500", server.baseURL() + "/broken.xml", "HTTP status 500"},
      {"refused port", QStringLiteral("http://127.0.0.1:%1/x.xml").arg(test::portNobodyListensOn()), ""},
  };
  for (const Case& c : cases) {
    Download d;
    QElapsedTimer clock;
    clock.start();
    d.downloader.downloadFileFromURL(c.url, d.target(), 20);
    EXPECT_LT(clock.elapsed(), 5000) << c.what << ": a failure ends the wait";
    EXPECT_FALSE(QFile::exists(d.target())) << c.what;
    EXPECT_FALSE(d.downloader.downloadInProgress()) << c.what;
    const QList<LogLine> lines = d.lines();
    ASSERT_EQ(lines.size(), 5) << c.what;
    EXPECT_EQ(lines[2], (LogLine{4, "File download failed with error"})) << c.what;
    EXPECT_EQ(lines[3].level, 3) << c.what;
    EXPECT_TRUE(lines[3].text.startsWith("[RED] Download failed ")) << c.what;
    EXPECT_TRUE(lines[3].text.endsWith(c.url)) << c.what << ": " << lines[3].text.toStdString();
    EXPECT_TRUE(lines[3].text.contains(c.description)) << c.what << ": " << lines[3].text.toStdString();
    EXPECT_EQ(lines[4], (LogLine{3, "End!!"})) << c.what;
  }
}

TEST(BCDownloader, BodySentInSeveralChunksArrivesWhole) {
  test::LoopbackHttpServer server;
  QByteArray body;
  for (int i = 0; i < 20000; ++i) body += QByteArray::number(i) + ",";
  Response r = answer(200, body);
  r.chunkSize = 16384;
  server.route("/banners/poster.jpg", r);
  Download d;
  d.downloader.downloadFileFromURL(server.baseURL() + "/banners/poster.jpg", d.target("poster.jpg"), 10);
  EXPECT_EQ(test::readFile(d.target("poster.jpg")), body);
}

TEST(BCDownloader, ServerThatNeverAnswersTimesOutAtTheDeadline) {
  test::LoopbackHttpServer server;
  routeSilent(server);
  Download d;
  QElapsedTimer clock;
  clock.start();
  d.downloader.downloadFileFromURL(server.baseURL() + "/silent.xml", d.target(), 0.5);
  EXPECT_GE(clock.elapsed(), 450);
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_FALSE(QFile::exists(d.target()));
  EXPECT_FALSE(d.downloader.downloadInProgress());
  const QList<LogLine> lines = d.lines();
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[2], (LogLine{3, "End!!"}));
  EXPECT_EQ(lines[3], (LogLine{4, "Download timed out..."}));
}

TEST(BCDownloader, ADownloadStartedOnceTheProgramBeganToQuitEndsAtOnce) {
  test::LoopbackHttpServer server;
  routeSilent(server);
  Download d;
  qint64 took = -1;
  // A quit from inside a nested loop (a key in a modal window), then more of the start-up.
  QTimer::singleShot(0, [&] {
    QCoreApplication::exit(0);
    QElapsedTimer clock;
    clock.start();
    d.downloader.downloadFileFromURL(server.baseURL() + "/silent.xml", d.target(), 10);
    took = clock.elapsed();
  });
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_GE(took, 0);
  EXPECT_LT(took, 1000) << "the download waited out its time while the program was quitting";
  EXPECT_FALSE(QFile::exists(d.target()));
  EXPECT_FALSE(d.downloader.downloadInProgress());
  const QList<LogLine> lines = d.lines();
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_EQ(lines.last(), (LogLine{3, "Download stopped: Zuvo is quitting"}));
}

TEST(BCDownloader, AnswerArrivingAfterTheTimeOutWritesNothing) {
  test::LoopbackHttpServer server;
  Response late = answer(200, "late body");
  late.delayMs = 700;
  server.route("/late.xml", late);
  Download d;
  d.downloader.downloadFileFromURL(server.baseURL() + "/late.xml", d.target(), 0.2);
  runloop::runFor(1.5);  // well past the moment the server answers
  EXPECT_FALSE(QFile::exists(d.target()));
  EXPECT_EQ(d.lines().last(), (LogLine{4, "Download timed out..."}));

  // The same answer, waited for long enough, is written.
  d.downloader.downloadFileFromURL(server.baseURL() + "/late.xml", d.target(), 5);
  EXPECT_EQ(test::readFile(d.target()), "late body");
}

TEST(BCDownloader, WorkerThreadsDownloadAndTimeOutWithoutTheMainLoop) {
  test::LoopbackHttpServer server;
  server.route("/ok.xml", answer(200, "from a worker"));
  routeSilent(server);
  Download fetched, timedOut;
  std::atomic<bool> onMainThread{false};
  QElapsedTimer clock;
  clock.start();
  QThreadPool pool;
  pool.start([&] {
    onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    fetched.downloader.downloadFileFromURL(server.baseURL() + "/ok.xml", fetched.target(), 10);
  });
  std::thread plain([&] {
    timedOut.downloader.downloadFileFromURL(server.baseURL() + "/silent.xml", timedOut.target(), 0.4);
  });
  // The main thread does not run its events meanwhile.
  ASSERT_TRUE(pool.waitForDone(10000));
  plain.join();
  EXPECT_LT(clock.elapsed(), 5000);
  EXPECT_FALSE(onMainThread);
  EXPECT_EQ(test::readFile(fetched.target()), "from a worker");
  EXPECT_FALSE(QFile::exists(timedOut.target()));
  EXPECT_EQ(timedOut.lines().last(), (LogLine{4, "Download timed out..."}));
}

TEST(BCDownloader, CallingThreadKeepsHandlingEventsWhileItWaits) {
  test::LoopbackHttpServer server;
  Response slow = answer(200, "slow");
  slow.delayMs = 400;
  server.route("/slow.xml", slow);
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(20);
  Download d;
  d.downloader.downloadFileFromURL(server.baseURL() + "/slow.xml", d.target(), 10);
  EXPECT_EQ(test::readFile(d.target()), "slow");
  EXPECT_GE(ticks, 5);
}

TEST(BCDownloader, LoopbackBypassesApplicationAndSystemProxies) {
  test::LoopbackHttpServer server;
  server.route("/ok.xml", answer(200, "direct"));
  const QString deadProxy = QStringLiteral("http://127.0.0.1:%1").arg(test::portNobodyListensOn());
  for (const bool system : {false, true}) {
    if (system) {
      qputenv("http_proxy", deadProxy.toUtf8());
      qunsetenv("no_proxy");
      QNetworkProxyFactory::setUseSystemConfiguration(true);
    } else {
      QNetworkProxy::setApplicationProxy(
          QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", QUrl(deadProxy).port()));
    }
    // The proxy is in force for other hosts (asked without sending anything).
    const QList<QNetworkProxy> forOthers =
        QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(QUrl("http://zuvo.invalid/ok.xml")));
    Download d;
    d.downloader.downloadFileFromURL(server.baseURL() + "/ok.xml", d.target(), 10);
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    qunsetenv("http_proxy");
    EXPECT_EQ(test::readFile(d.target()), "direct") << (system ? "system proxy" : "application proxy");
    ASSERT_FALSE(forOthers.isEmpty());
    EXPECT_EQ(forOthers.first().port(), QUrl(deadProxy).port())
        << (system ? "system proxy" : "application proxy");
  }
}

TEST(BCDownloader, EmptyAddressReturnsAtOnceWithoutAWord) {
  Download d;
  d.downloader.downloadFileFromURL(" \t\n", d.target(), 10);
  d.downloader.downloadFileFromURL("", d.target(), 10);
  EXPECT_FALSE(QFile::exists(d.target()));
  EXPECT_TRUE(d.lines().isEmpty());
  EXPECT_FALSE(d.downloader.downloadInProgress());
}

#ifdef __SANITIZE_ADDRESS__
// AddressSanitizer keeps freed blocks in a quarantine of 256 MB, where every chunk an answer
// passed through would stay counted in the peak below.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=4"; }
#endif

namespace {

// The most memory this process has held at once, in bytes.
qint64 peakMemory() {
  QFile status("/proc/self/status");
  status.open(QIODevice::ReadOnly);
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
  return 0;
}

}  // namespace

TEST(BCDownloader, AnswersBeyondTheirSizeOrTimeStopThereAndWriteNothing) {
  test::StreamingHttpServer server;
  ASSERT_TRUE(server.running());
  struct Case {
    const char* what;
    const char* path;
    double timeout;
    qint64 mostBytes;
    qint64 mostMs;
    const char* line;
  } cases[] = {
      {"an endless answer", "/endless", 60, BCDownloader::kMostAnswerBytes, 5000,
       "larger than 16777216 bytes"},
      {"an endless news page", "/endless", 60, BCDownloader::kMostNewsBytes, 3000,
       "larger than 1048576 bytes"},
      {"a length announced beyond the limit", "/announced", 60, BCDownloader::kMostImageBytes, 2000,
       "larger than 33554432 bytes"},
      {"an answer just past the limit", "/sized/1048577", 60, BCDownloader::kMostNewsBytes, 2000,
       "larger than 1048576 bytes"},
      {"an answer that trickles past its time", "/trickle", 1, BCDownloader::kMostAnswerBytes, 3000,
       "Download timed out..."},
  };
  const qint64 memoryBefore = peakMemory();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Download d;
    QElapsedTimer clock;
    clock.start();
    d.downloader.downloadFileFromURL(server.url(c.path), d.target(), c.timeout, c.mostBytes);
    EXPECT_LT(clock.elapsed(), c.mostMs);
    EXPECT_FALSE(d.downloader.downloadInProgress());
    bool logged = false;
    for (const LogLine& line : d.lines()) logged = logged || line.text.contains(c.line);
    EXPECT_TRUE(logged) << c.line;
    // Nothing is written, then or later, under the name or beside it.
    runloop::runFor(0.3);
    EXPECT_EQ(QDir(d.folder).entryList(QDir::Files | QDir::Hidden), QStringList{"log.txt"});
  }
  // The answers went to the file as they came, never into memory whole.
  EXPECT_LT(peakMemory() - memoryBefore, 48 * 1024 * 1024);

  // An answer within its limit arrives whole.
  Download d;
  d.downloader.downloadFileFromURL(server.url("/sized/3000000"), d.target("poster.jpg"), 60,
                                   BCDownloader::kMostImageBytes);
  EXPECT_EQ(QFileInfo(d.target("poster.jpg")).size(), 3000000);
  d.downloader.downloadFileFromURL(server.url("/sized/1048576"), d.target("news"), 60,
                                   BCDownloader::kMostNewsBytes);
  EXPECT_EQ(QFileInfo(d.target("news")).size(), 1048576);
}
