// The live services' transport under the clients' downloads: what a failure leaves (no
// file, one log line at level 3), the waits a 429 asks for, the per-host limits with many
// probes at once, and the texts written into the cache files.
#include "metadata/live/LiveService.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <thread>

#include "metadata/LookUpFixtures.h"
#include "metadata/ServiceCache.h"
#include "metadata/TheMovieDB.h"
#include "metadata/TheTVDB.h"
#include "metadata/live/LiveText.h"
#include "metadata/support/LiveServiceSupport.h"

using namespace zuvo;
using namespace zuvo::test;
using namespace std::chrono_literals;

namespace {

// TheTVDB's old search request, which TVmaze answers.
const QString kSearch = "http://www.thetvdb.com/api/GetSeries.php?seriesname=%22lost%22";
const QByteArray kTVmazeSearch = "/search/shows?q=lost";

class LiveFailures : public LiveServiceTest {
 protected:
  QString file() const { return cache + "/lost.tvdbftc"; }
};

struct Failure {
  const char* what;
  LoopbackHttpServer::Response answer;
  QString line;  // the level-3 log line
};

TEST_F(LiveFailures, EveryFailureLeavesNoFileAndSaysWhat) {
  LoopbackHttpServer::Response silent;
  silent.neverAnswer = true;
  const Failure failures[] = {
      {"a server error", errorAnswer(503), "TVmaze answered 503"},
      {"not found", errorAnswer(404), "TVmaze answered 404"},
      {"a refusal", jsonAnswer(R"({"message":"Unauthorized"})", 401), "TVmaze answered 401"},
      {"an HTML page", jsonAnswer("<html><body>Maintenance</body></html>"),
       "TVmaze sent an answer that is not JSON"},
      {"a 429 past the time-out", tooManyAnswer(3600),
       "TVmaze answered 429 and asked to wait 3600 s, past the look-up's time-out"},
      {"no answer", silent, "TVmaze did not answer within 3 s"},
  };
  for (const Failure& failure : failures) {
    const CapturedLog own;
    server.route(kTVmazeSearch, failure.answer);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(downloadIntoCache(kSearch, file(), 3, own.reporter)) << failure.what;
    EXPECT_LT(clock.elapsed(), 30000) << failure.what << ": the client's time-out bounds the answer";
    EXPECT_EQ(cacheFiles(), QStringList()) << failure.what;
    EXPECT_TRUE(hasLogLine(own.text(), failure.line, 3)) << failure.what << "\n" << own.text().toStdString();
  }
}

TEST_F(LiveFailures, AnUnreachableServiceIsOfflineForTheClient) {
  ScopedEnv nowhere("ZUVO_TVMAZE_URL", QString("http://127.0.0.1:%1").arg(portNobodyListensOn()).toUtf8());
  auto item = itemNamed("Lost");
  EXPECT_EQ(TVDBLookUpShow(*item, cache, reporter).Code(), kServiceUnreachable);
  EXPECT_TRUE(logged("[RED]Computer not connected to Internet when looking up show.", 3));
  EXPECT_TRUE(log().contains("TVmaze could not be reached: ")) << log().toStdString();
  EXPECT_EQ(cacheFiles(), QStringList());
}

TEST_F(LiveFailures, A429IsWaitedOutAsRetryAfterSays) {
  std::atomic<int> asked{0};
  server.setRequestHandler(
      [&](const LoopbackHttpServer::Request&) { return ++asked == 1 ? tooManyAnswer(1) : jsonAnswer("[]"); });
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(downloadIntoCache(kSearch, file(), 30, reporter));
  EXPECT_GE(clock.elapsed(), 1000);
  EXPECT_EQ(asked.load(), 2);
  EXPECT_EQ(readFile(file()), "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Data>\n</Data>\n")
      << "no hits is an empty document";
}

TEST_F(LiveFailures, APassingServerErrorIsAskedAgainAtMostTwice) {
  struct Case {
    const char* what;
    QList<int> statuses;  // answered in turn; 200 is the answer
    bool answered;
    int asked;
  };
  const Case cases[] = {
      {"a 502, then the answer", {502, 200}, true, 2},
      {"a 504, then the answer", {504, 200}, true, 2},
      {"a 404 is not asked again", {404, 200}, false, 1},
      {"three 503s end offline", {503, 503, 503, 200}, false, 3},
  };
  for (const Case& c : cases) {
    const CapturedLog own;
    std::atomic<int> asked{0};
    server.setRequestHandler([&](const LoopbackHttpServer::Request&) {
      const int status = c.statuses.value(asked++, 200);
      return status == 200 ? jsonAnswer("[]") : errorAnswer(status);
    });
    QFile::remove(file());
    EXPECT_EQ(downloadIntoCache(kSearch, file(), 30, own.reporter), c.answered) << c.what;
    EXPECT_EQ(asked.load(), c.asked) << c.what;
    const QStringList retries = own.text().split('\n').filter("; asking again in ");
    EXPECT_EQ(retries.size(), c.asked - 1) << c.what << "\n" << own.text().toStdString();
    for (int i = 0; i < retries.size(); ++i)
      EXPECT_TRUE(hasLogLine(
          own.text(),
          QString("TVmaze answered %1; asking again in %2 s").arg(c.statuses[i]).arg(i == 0 ? "0.5" : "1"),
          4))
          << c.what << "\n"
          << own.text().toStdString();
    if (!c.answered)
      EXPECT_TRUE(hasLogLine(own.text(), QString("TVmaze answered %1").arg(c.statuses[c.asked - 1]), 3))
          << c.what;
  }
}

TEST_F(LiveFailures, AServerErrorsRetryAfterIsWaitedButNotPastTheTimeOut) {
  std::atomic<int> asked{0};
  server.setRequestHandler([&](const LoopbackHttpServer::Request&) {
    LoopbackHttpServer::Response busy = errorAnswer(503);
    busy.headers.append({QByteArray("Retry-After"), QByteArray("1")});
    return ++asked == 1 ? busy : jsonAnswer("[]");
  });
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(downloadIntoCache(kSearch, file(), 30, reporter));
  EXPECT_GE(clock.elapsed(), 1000) << "the wait the service asked for";
  EXPECT_EQ(asked.load(), 2);

  // A wait the time-out cannot hold is not waited: the first answer stands.
  asked = 0;
  server.setRequestHandler([&](const LoopbackHttpServer::Request&) {
    LoopbackHttpServer::Response busy = errorAnswer(503);
    busy.headers.append({QByteArray("Retry-After"), QByteArray("3600")});
    ++asked;
    return busy;
  });
  QFile::remove(file());
  EXPECT_FALSE(downloadIntoCache(kSearch, file(), 3, reporter));
  EXPECT_EQ(asked.load(), 1);
}

// A loopback port whose listener takes no more connections: its queue is full, so a new
// connection's opening is dropped and the caller waits, as behind a firewall that drops.
class PortThatNeverConnects {
 public:
  PortThatNeverConnects() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 0);
    socklen_t size = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    for (int& filler : fillers_) {
      filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
  }
  ~PortThatNeverConnects() {
    for (int filler : fillers_) ::close(filler);
    ::close(listener_);
  }
  quint16 port() const { return port_; }

 private:
  int listener_ = -1;
  int fillers_[3] = {-1, -1, -1};
  quint16 port_ = 0;
};

TEST_F(LiveFailures, AConnectionNotMadeInTimeIsTriedAgainInsideTheTimeOut) {
  const PortThatNeverConnects port;
  ScopedEnv silent("ZUVO_TVMAZE_URL", QString("http://127.0.0.1:%1").arg(port.port()).toUtf8());
  const CapturedLog own;
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(downloadIntoCache(kSearch, file(), 3, own.reporter));
  EXPECT_LT(clock.elapsed(), 4500) << "the tries stay inside the time-out";
  EXPECT_TRUE(hasLogLine(own.text(), "TVmaze could not be reached in 1 s; asking again in 0.5 s", 4))
      << own.text().toStdString();
  EXPECT_TRUE(hasLogLine(own.text(), "TVmaze did not answer within 3 s", 3)) << own.text().toStdString();
  EXPECT_EQ(cacheFiles(), QStringList());
}

TEST_F(LiveFailures, AnOldInterfaceWithoutLiveRouteIsNeverAsked) {
  EXPECT_FALSE(downloadIntoCache("http://www.thetvdb.com/api/Updates.php?type=none", file(), 5, reporter));
  EXPECT_TRUE(logged("No live service answers http://www.thetvdb.com/api/Updates.php?type=none", 3))
      << log().toStdString();
  EXPECT_EQ(requests(), QStringList());
}

TEST_F(LiveFailures, AClientWhoseOwnVariableIsSetIsAskedDirectly) {
  ScopedEnv direct(serviceOverrideVariable(Service::TheTVDB), server.baseURL().toUtf8());
  server.route("/api/GetSeries.php?seriesname=%22lost%22", xmlAnswer("<Data></Data>"));
  EXPECT_TRUE(
      downloadIntoCache(server.baseURL() + "/api/GetSeries.php?seriesname=%22lost%22", file(), 5, reporter));
  EXPECT_EQ(requests(), QStringList{"/api/GetSeries.php?seriesname=%22lost%22"});
}

TEST_F(LiveFailures, ManyProbesAtOnceStayUnderTVmazesLimit) {
  server.setRequestHandler([](const LoopbackHttpServer::Request&) { return jsonAnswer("[]"); });
  constexpr int kProbes = 11;
  constexpr int kEach = 2;
  QThreadPool probes;
  probes.setMaxThreadCount(kProbes);
  std::atomic<int> offline{0};
  for (int p = 0; p < kProbes; ++p)
    probes.start([&, p] {
      for (int n = 0; n < kEach; ++n) {
        auto item = itemNamed(QString("Show %1-%2").arg(p).arg(n));
        if (TVDBLookUpShow(*item, cache, reporter).Error()) ++offline;
      }
    });
  ASSERT_TRUE(probes.waitForDone(120000));
  EXPECT_EQ(offline.load(), 0);
  QList<qint64> arrivals;
  for (const LoopbackHttpServer::Request& request : server.receivedRequests()) arrivals << request.arrivedMs;
  ASSERT_EQ(arrivals.size(), kProbes * kEach);
  std::sort(arrivals.begin(), arrivals.end());
  for (qsizetype i = 0; i + 20 < arrivals.size(); ++i)
    EXPECT_GE(arrivals[i + 20] - arrivals[i], 10000) << "calls " << i << " and " << i + 20 << " fall in 10 s";
}

// A poster address in an old-form answer, asked directly, that names a private file or a
// FIFO: nothing is read, no cover is taken, and the look-up ends.
TEST(AnswerAddresses, LocalFilesAreNeverFetched) {
  const QString folder = freshFolder("private");
  const QString privateFile = writeFile(folder + "/private.png", jpegPicture(Qt::green, 600, 900));
  const QString fifo = folder + "/poster.fifo";
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  for (const QString& address :
       {"file://" + privateFile, "file://" + fifo, QString("ftp://127.0.0.1/poster.jpg")}) {
    LoopbackHttpServer server;
    ScopedServiceAddresses addresses(server.baseURL());
    const CapturedLog captured;
    const QString cache = freshFolder("cache");
    server.route(movieDBRecordTarget(78), xmlAnswer(R"(<OpenSearchDescription>
<movies>
<movie>
<name>Blade Runner</name>
<images>
<image type="poster" url=")" + address.toUtf8() + R"(" size="original" width="1000" height="1500" id="p2"/>
</images>
</movie>
</movies>
</OpenSearchDescription>
)"));
    auto item = itemNamed("Blade Runner");
    std::atomic<bool> ended{false};
    std::thread lookUp([&] {
      (void)LookUpMovieDBInfo(*item, 78, "en", cache, captured.reporter);
      ended = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (!ended && clock.elapsed() < 60000) std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(ended) << address.toStdString() << ": the look-up never ended";
    lookUp.join();
    EXPECT_TRUE(item->image().isNull()) << address.toStdString();
    EXPECT_EQ(QDir(cache).entryList({"*.jpg"}), QStringList()) << address.toStdString();
    EXPECT_TRUE(
        hasLogLine(captured.text(), "[RED] Not fetched (only http and https addresses are): " + address, 3))
        << captured.text().toStdString();
  }
}

TEST(RateLimiter, NoWindowHoldsMoreThanItsCalls) {
  live::RateLimiter limiter(3, 300ms);
  std::mutex lock;
  std::vector<std::chrono::steady_clock::time_point> starts;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int n = 0; n < 3; ++n) {
        ASSERT_TRUE(limiter.acquire(QDeadlineTimer(60000)));
        std::lock_guard<std::mutex> guard(lock);
        starts.push_back(std::chrono::steady_clock::now());
      }
    });
  for (std::thread& thread : threads) thread.join();
  std::sort(starts.begin(), starts.end());
  ASSERT_EQ(starts.size(), 12u);
  // A time is taken just after its slot: a thread held up on a loaded machine takes its own
  // late, which can only shorten the gap to the one three slots on by that delay.
  for (size_t i = 0; i + 3 < starts.size(); ++i) EXPECT_GE(starts[i + 3] - starts[i], 250ms) << i;
  EXPECT_GE(starts.back() - starts.front(), 3 * 300ms - 50ms) << "twelve calls span three windows";
}

TEST(RateLimiter, AWaitPastTheDeadlineIsNoSlot) {
  live::RateLimiter limiter(1, 60s);
  ASSERT_TRUE(limiter.acquire(QDeadlineTimer(1000)));
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(limiter.acquire(QDeadlineTimer(500)));
  EXPECT_LT(clock.elapsed(), 5000) << "it gives up at once rather than sleep to no end";

  live::RateLimiter unlimited(0, 0s);
  unlimited.holdOff(400ms);
  clock.restart();
  EXPECT_TRUE(unlimited.acquire(QDeadlineTimer(10000)));
  EXPECT_GE(clock.elapsed(), 350) << "a 429's wait holds every caller back";
}

TEST(LiveText, HTMLBecomesThePlainTextTheServiceWrote) {
  const struct {
    const char* html;
    const char* text;
  } cases[] = {
      {"<p><b>Under the Dome</b> is the story</p>", "Under the Dome is the story"},
      {"<p>One.</p>\n<p>Two.</p>", "One. Two."},
      {"Tom &amp; Jerry&#39;s &quot;day&quot; &lt;out&gt;", "Tom & Jerry's \"day\" <out>"},
      {"&amp;amp; stays one level escaped", "&amp; stays one level escaped"},
      {"caf&eacute; &#x263A; &hellip; &unknown; & alone", "café ☺ … &unknown; & alone"},
      {"Ærø, 東京, déjà vu<br/>next", "Ærø, 東京, déjà vu next"},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(live::plainTextFromHTML(QString::fromUtf8(c.html)), QString::fromUtf8(c.text)) << c.html;
}

TEST(LiveText, ElementsHoldOneLineWithTheReadersEntities) {
  EXPECT_EQ(live::xmlElement("Overview", "A & B <c> \"d\"\nnext\r\nline"),
            "<Overview>A &amp; B &lt;c&gt; &quot;d&quot; next line</Overview>");
  EXPECT_EQ(live::pipeList({"A", "B"}), "|A|B|");
  EXPECT_EQ(live::pipeList({}), "");
}

TEST(LiveText, SeriesIdsThatDoNotFitAreNone) {
  EXPECT_EQ(live::jsonSeriesID(QJsonValue(264492)), 264492);
  EXPECT_EQ(live::jsonSeriesID(QJsonValue("121361")), 121361);
  EXPECT_EQ(live::jsonSeriesID(QJsonValue(2147483647.0)), 2147483647);
  for (const QJsonValue& none :
       {QJsonValue(4294967297.0), QJsonValue(2147483648.0), QJsonValue("9999999999"), QJsonValue(0),
        QJsonValue(-5), QJsonValue(QJsonValue::Null), QJsonValue("abc"), QJsonValue(12.5)})
    EXPECT_FALSE(live::jsonSeriesID(none).has_value()) << live::jsonText(none).toStdString();
}

}  // namespace
