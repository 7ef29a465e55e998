#include "metadata/live/LiveService.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QJsonParseError>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSaveFile>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <algorithm>
#include <climits>
#include <map>
#include <memory>

#include "media/BCDownloader.h"
#include "platform/RunLoop.h"

namespace zuvo::live {
namespace {

using namespace std::chrono_literals;

constexpr int kMostRedirects = 3;
constexpr int kMostRetries = 2;
// A 429 without Retry-After waits one TVmaze window; a server error or a connection not
// made waits a moment, a little longer the second time.
constexpr auto kDefaultBackOff = 10s;
constexpr std::chrono::milliseconds kRetryPauses[kMostRetries] = {500ms, 1000ms};
// A connection not made within this, or a third of the request's time-out when that is
// shorter, is given up and tried again: the tries then fit in the time-out.
constexpr qint64 kConnectLimitMs = 10000;
// The limiters count from each call's start; arrivals can bunch a little closer than
// the starts, so the window is kept with a margin.
constexpr auto kWindowMargin = 500ms;

const QString kAnswered = QStringLiteral("%1 answered %2");
const QString kNoAnswerInTime = QStringLiteral("%1 did not answer within %2 s");
const QString kUnreachable = QStringLiteral("%1 could not be reached: %2");
const QString kTooLarge = QStringLiteral("%1 sent an answer larger than %2 bytes");
const QString kNotJSON = QStringLiteral("%1 sent an answer that is not JSON");
const QString kBackOffTooLong =
    QStringLiteral("%1 answered 429 and asked to wait %2 s, past the look-up's time-out");
const QString kNotFetched = QStringLiteral("[RED] Not fetched (only http and https addresses are): %1");
const QString kAsking = QStringLiteral("Asking %1: %2 %3");
const QString kWaiting = QStringLiteral("%1 asked to wait %2 s");
const QString kRetrying = QStringLiteral("%1 answered %2; asking again in %3 s");
const QString kRetryingConnect = QStringLiteral("%1 could not be reached in %2 s; asking again in %3 s");

// The user's words for why there is no answer.
const QString kWhyTimedOut = QStringLiteral("timed out");
const QString kWhyUnreachable = QStringLiteral("could not connect");
const QString kWhyStatus = QStringLiteral("answered with error %1");
const QString kWhyTooLarge = QStringLiteral("sent too large an answer");
const QString kWhyNotJSON = QStringLiteral("sent an answer Zuvo cannot read");
const QString kWhyBusy = QStringLiteral("is busy");
const QString kWhyNoAnswer = QStringLiteral("gave no answer");

bool serverError(int status) { return status == 500 || status == 502 || status == 503 || status == 504; }

int milliseconds(const QDeadlineTimer& deadline) {
  return int(std::clamp<qint64>(deadline.remainingTime(), 1, INT_MAX));
}

bool onEventThread() {
  const QCoreApplication* application = QCoreApplication::instance();
  return application && QThread::currentThread() == application->thread();
}

// Seconds of a Retry-After header; an HTTP date counts from now.
std::optional<qint64> retryAfterSeconds(const QByteArray& value) {
  bool ok = false;
  const qint64 seconds = value.trimmed().toLongLong(&ok);
  if (ok) return std::max<qint64>(0, seconds);
  const QDateTime when = QDateTime::fromString(QString::fromLatin1(value.trimmed()), Qt::RFC2822Date);
  if (when.isValid()) return std::max<qint64>(0, QDateTime::currentDateTimeUtc().secsTo(when));
  return std::nullopt;
}

// One HTTP exchange on this thread, redirects not followed.
LiveReply exchange(const QByteArray& method, const QString& url, const QList<Header>& headers,
                   const QByteArray& body, qint64 mostBytes, const QDeadlineTimer& deadline,
                   qint64 connectLimitMs) {
  LiveReply result;
  // The loop first: it gives a plain worker thread the event dispatcher the manager needs.
  QEventLoop loop;
  QNetworkAccessManager manager;
  QNetworkRequest request{QUrl(url)};
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Zuvo"));
  request.setRawHeader("Accept", "application/json");
  for (const Header& header : headers) request.setRawHeader(header.first, header.second);
  if (!body.isEmpty())
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
  QNetworkReply* reply = manager.sendCustomRequest(request, method, body);
  // Sent means connected; a connection that is not made in time is worth another try.
  bool sent = false;
  QObject::connect(reply, &QNetworkReply::requestSent, reply, [&] { sent = true; });
  QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&] { sent = true; });
  const QDeadlineTimer connectDeadline(
      std::min(connectLimitMs, std::max<qint64>(0, deadline.remainingTime())), Qt::PreciseTimer);
  bool tooLarge = false;
  QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
    if (reply->bytesAvailable() + result.body.size() > mostBytes) {
      tooLarge = true;
      reply->abort();
      return;
    }
    result.body += reply->readAll();
  });
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QTimer wake;
  wake.setSingleShot(true);
  QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
  while (!reply->isFinished() && !deadline.hasExpired() && (sent || !connectDeadline.hasExpired())) {
    wake.start(milliseconds(sent ? deadline : std::min(deadline, connectDeadline)));
    // Without a loop no answer can arrive: the program is quitting.
    if (!runloop::serve(loop)) break;
  }
  if (!reply->isFinished()) {
    result.connectTimedOut = !sent && !deadline.hasExpired() && connectDeadline.hasExpired();
    reply->abort();
    delete reply;
    result.outcome = LiveReply::Outcome::TimedOut;
    return result;
  }
  if (!tooLarge && reply->bytesAvailable() + result.body.size() > mostBytes) tooLarge = true;
  if (!tooLarge) result.body += reply->readAll();
  const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (tooLarge) {
    result.outcome = LiveReply::Outcome::TooLarge;
  } else if (status.isValid()) {
    result.outcome = LiveReply::Outcome::Answered;
    result.status = status.toInt();
    for (const auto& [name, value] : reply->rawHeaderPairs()) result.headers.append({name.toLower(), value});
  } else {
    result.outcome = LiveReply::Outcome::Unreachable;
    result.error = reply->errorString();
  }
  delete reply;
  return result;
}

}  // namespace

QString hostName(LiveHost host) {
  switch (host) {
    case LiveHost::TVmaze:
      return QStringLiteral("TVmaze");
    case LiveHost::ITunes:
      return QStringLiteral("the iTunes Search API");
    case LiveHost::TMDB:
      return QStringLiteral("TheMovieDB");
    case LiveHost::TheTVDB:
      return QStringLiteral("TheTVDB");
    case LiveHost::Artwork:
      return QStringLiteral("The artwork host");
  }
  return {};
}

RateLimiter::RateLimiter(int calls, Clock::duration window) : calls_(calls), window_(window) {}

bool RateLimiter::acquire(const QDeadlineTimer& deadline) {
  const auto until = Clock::now() + std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime()));
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    const auto now = Clock::now();
    while (calls_ > 0 && !starts_.empty() && now - starts_.front() >= window_) starts_.pop_front();
    auto next = heldUntil_;
    if (calls_ > 0 && int(starts_.size()) >= calls_) next = std::max(next, starts_.front() + window_);
    if (next <= now) break;
    if (!deadline.isForever() && next > until) return false;
    if (onEventThread()) {
      // The GUI thread keeps serving its events while it waits for its turn.
      guard.unlock();
      QEventLoop loop;
      QTimer::singleShot(
          int(std::clamp<qint64>(std::chrono::ceil<std::chrono::milliseconds>(next - now).count(), 1, 50)),
          &loop, &QEventLoop::quit);
      const bool served = runloop::serve(loop);
      guard.lock();
      // Without a loop (the program is quitting) the wait below takes the turn.
      if (served) continue;
    }
    changed_.wait_until(guard, next);
  }
  if (calls_ > 0) starts_.push_back(Clock::now());
  return true;
}

void RateLimiter::holdOff(Clock::duration wait) {
  std::lock_guard<std::mutex> guard(lock_);
  heldUntil_ = std::max(heldUntil_, Clock::now() + wait);
  changed_.notify_all();
}

RateLimiter& limiterFor(LiveHost host, const QString& address) {
  static std::mutex lock;
  static std::map<std::pair<LiveHost, QString>, std::unique_ptr<RateLimiter>> limiters;
  const QUrl url(address);
  const QString authority =
      url.host().toLower() + u':' + QString::number(url.port(url.scheme() == u"https" ? 443 : 80));
  std::lock_guard<std::mutex> guard(lock);
  std::unique_ptr<RateLimiter>& limiter = limiters[{host, authority}];
  if (!limiter) {
    switch (host) {
      case LiveHost::TVmaze:
        limiter = std::make_unique<RateLimiter>(20, 10s + kWindowMargin);
        break;
      case LiveHost::ITunes:
        limiter = std::make_unique<RateLimiter>(20, 60s + kWindowMargin);
        break;
      default:
        limiter = std::make_unique<RateLimiter>(0, 0s);
    }
  }
  return *limiter;
}

QByteArray LiveReply::header(const QByteArray& lowerCaseName) const {
  for (const Header& h : headers)
    if (h.first == lowerCaseName) return h.second;
  return {};
}

LiveSession::LiveSession(double timeoutSeconds, Reporter reporter)
    : reporter_(std::move(reporter)),
      deadline_(qint64(std::clamp(timeoutSeconds, 0.0, double(INT_MAX / 1000)) * 1000), Qt::PreciseTimer),
      timeoutSeconds_(timeoutSeconds) {}

LiveReply LiveSession::send(LiveHost host, const QByteArray& method, const QString& url,
                            const QList<Header>& headers, const QByteArray& body, qint64 mostBytes) {
  QString address = url;
  LiveReply reply;
  int redirects = 0;
  int retries = 0;
  for (;;) {
    if (!isFetchableAddress(address)) {
      note(kNotFetched.arg(withoutKeys(address)), 3);
      reply = LiveReply();
      reply.outcome = LiveReply::Outcome::Refused;
      return reply;
    }
    if (!limiterFor(host, address).acquire(deadline_)) {
      reply = LiveReply();
      reply.outcome = LiveReply::Outcome::TimedOut;
      return reply;
    }
    note(kAsking.arg(hostName(host), QString::fromLatin1(method), withoutKeys(address)), 4);
    asked_ = host;
    const qint64 connectLimit =
        timeoutSeconds_ > 0 ? qint64(std::min(double(kConnectLimitMs), timeoutSeconds_ * 1000 / 3)) : 0;
    reply = exchange(method, address, headers, body, mostBytes, deadline_, connectLimit);
    const bool answered = reply.outcome == LiveReply::Outcome::Answered;
    const bool busy = answered && reply.status == 429;
    const bool passing =
        method == "GET" && ((answered && serverError(reply.status)) || reply.connectTimedOut);
    if ((busy || passing) && retries < kMostRetries) {
      const std::optional<qint64> asked =
          answered ? retryAfterSeconds(reply.header("retry-after")) : std::nullopt;
      const std::chrono::milliseconds wait = asked  ? std::chrono::milliseconds(*asked * 1000)
                                             : busy ? std::chrono::milliseconds(kDefaultBackOff)
                                                    : kRetryPauses[retries];
      const QString seconds = QString::number(double(wait.count()) / 1000);
      if (wait.count() >= deadline_.remainingTime()) {
        if (busy) fail(kBackOffTooLong.arg(hostName(host), seconds), kWhyBusy);
        return reply;
      }
      if (busy)
        note(kWaiting.arg(hostName(host), seconds), 4);
      else if (answered)
        note(kRetrying.arg(hostName(host)).arg(reply.status).arg(seconds), 4);
      else
        note(kRetryingConnect.arg(hostName(host)).arg(double(connectLimit) / 1000).arg(seconds), 4);
      // The wait holds back every caller of the host, as the service asked or is struggling.
      limiterFor(host, address).holdOff(wait);
      ++retries;
      continue;
    }
    if (!answered) return reply;
    const bool redirected = reply.status == 301 || reply.status == 302 || reply.status == 303 ||
                            reply.status == 307 || reply.status == 308;
    if (redirected && redirects < kMostRedirects && !reply.header("location").isEmpty()) {
      address = QUrl(address).resolved(QUrl(QString::fromUtf8(reply.header("location")))).toString();
      ++redirects;
      continue;
    }
    return reply;
  }
}

std::optional<QJsonDocument> LiveSession::json(LiveHost host, const QString& url,
                                               const QList<Header>& headers, const QByteArray& postBody,
                                               bool* notFound) {
  if (notFound) *notFound = false;
  const LiveReply reply =
      send(host, postBody.isEmpty() ? QByteArrayLiteral("GET") : QByteArrayLiteral("POST"), url, headers,
           postBody);
  if (reply.outcome == LiveReply::Outcome::Answered && reply.status == 404 && notFound) {
    *notFound = true;
    note(kAnswered.arg(hostName(host)).arg(404), 4);
    return std::nullopt;
  }
  if (reply.outcome != LiveReply::Outcome::Answered || reply.status >= 300) {
    failReply(host, reply);
    return std::nullopt;
  }
  QJsonParseError error;
  QJsonDocument document = QJsonDocument::fromJson(reply.body, &error);
  if (error.error != QJsonParseError::NoError || document.isNull()) {
    fail(kNotJSON.arg(hostName(host)), kWhyNotJSON);
    return std::nullopt;
  }
  return document;
}

bool LiveSession::picture(const QString& url, const QString& file, qint64 mostBytes) {
  const LiveReply reply = send(LiveHost::Artwork, QByteArrayLiteral("GET"), url, {}, {}, mostBytes);
  if (reply.outcome != LiveReply::Outcome::Answered || reply.status >= 300) {
    if (reply.outcome != LiveReply::Outcome::Refused) failReply(LiveHost::Artwork, reply);
    return false;
  }
  QSaveFile out(file);
  if (!out.open(QIODevice::WriteOnly) || out.write(reply.body) != reply.body.size() || !out.commit()) {
    fail(QStringLiteral("[RED] Download failed cannot write %1 : %2").arg(file, out.errorString()));
    return false;
  }
  return true;
}

void LiveSession::failReply(LiveHost host, const LiveReply& reply) {
  switch (reply.outcome) {
    case LiveReply::Outcome::Answered:
      fail(kAnswered.arg(hostName(host)).arg(reply.status), kWhyStatus.arg(reply.status));
      return;
    case LiveReply::Outcome::TimedOut:
      fail(kNoAnswerInTime.arg(hostName(host)).arg(timeoutSeconds_), kWhyTimedOut);
      return;
    case LiveReply::Outcome::Unreachable:
      fail(kUnreachable.arg(hostName(host), reply.error), kWhyUnreachable);
      return;
    case LiveReply::Outcome::TooLarge:
      fail(kTooLarge.arg(hostName(host)).arg(kMostJSONBytes), kWhyTooLarge);
      return;
    case LiveReply::Outcome::Refused:
      failed_ = true;
      return;
  }
}

void LiveSession::fail(const QString& message, const QString& why) {
  if (failed_) return;
  failed_ = true;
  why_ = why.isEmpty() ? kWhyNoAnswer : why;
  note(message, 3);
}

QString LiveSession::askedService() const { return asked_ ? hostName(*asked_) : QString(); }

void LiveSession::note(const QString& message, quint32 level) const {
  if (reporter_) reporter_->report(message, level);
}

QString withoutKeys(const QString& url) {
  QUrl address(url);
  QUrlQuery query(address);
  bool changed = false;
  for (const QString& name : {QStringLiteral("api_key"), QStringLiteral("apikey"), QStringLiteral("pin")}) {
    if (!query.hasQueryItem(name)) continue;
    query.removeAllQueryItems(name);
    query.addQueryItem(name, QStringLiteral("…"));
    changed = true;
  }
  if (!changed) return url;
  address.setQuery(query);
  return address.toString();
}

bool isFetchableAddress(const QString& url) { return BCDownloader::fetchable(url); }

}  // namespace zuvo::live
