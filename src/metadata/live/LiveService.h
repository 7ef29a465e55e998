#pragma once
// Talking to the services that answer the look-up clients' requests today: JSON over
// HTTPS (certificates checked as the system's store says), one rate limiter per service
// shared by every thread, and one deadline for all the calls that make up one answer.
// Every failure is logged once at level 3 in words the user can act on; keys never reach
// the log.
#include <QByteArray>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QList>
#include <QPair>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "media/BCCReporter.h"

namespace zuvo::live {

// The hosts a translated answer talks to; each has its own limiter.
enum class LiveHost { TVmaze, ITunes, TMDB, TheTVDB, Artwork };

// The name a log line gives the host: "TVmaze", "the iTunes Search API", "TheMovieDB", "TheTVDB".
QString hostName(LiveHost host);

// At most `calls` starts in any `window`; a 429's wait holds every caller back.
class RateLimiter {
 public:
  using Clock = std::chrono::steady_clock;
  RateLimiter(int calls, Clock::duration window);
  // Waits for a free slot and takes it; false when none comes before `deadline`.
  bool acquire(const QDeadlineTimer& deadline);
  // No call starts before `wait` has passed.
  void holdOff(Clock::duration wait);

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  int calls_;
  Clock::duration window_;
  std::deque<Clock::time_point> starts_;
  Clock::time_point heldUntil_{};
};

// The process-wide limiter of the host `address` lies on: TVmaze 20 calls per 10 s, the
// iTunes Search API 20 a minute; TMDB, TheTVDB and artwork hosts are only held back by
// their 429 answers.
RateLimiter& limiterFor(LiveHost host, const QString& address);

using Header = QPair<QByteArray, QByteArray>;

struct LiveReply {
  enum class Outcome { Answered, TimedOut, Unreachable, TooLarge, Refused };
  Outcome outcome = Outcome::Unreachable;
  bool connectTimedOut = false;  // timed out before the request could be sent
  int status = 0;                // the HTTP status when answered
  QByteArray body;
  QList<Header> headers;  // names in lower case
  QString error;          // the network layer's words when unreachable
  QByteArray header(const QByteArray& lowerCaseName) const;
};

// One translated answer: its deadline (the client's time-out), its log, and the calls.
class LiveSession {
 public:
  static constexpr qint64 kMostJSONBytes = 16 * 1024 * 1024;

  LiveSession(double timeoutSeconds, Reporter reporter);

  const Reporter& reporter() const { return reporter_; }
  const QDeadlineTimer& deadline() const { return deadline_; }

  // One request through the host's limiter, with redirects followed (each hop a call). A
  // 429, and for a GET a 500, 502, 503, 504 or a connection not made in time, is asked
  // again at most twice, after the wait its Retry-After names or a short growing pause,
  // while the deadline allows. `url` must be an http or https address; anything else is
  // refused unsent.
  LiveReply send(LiveHost host, const QByteArray& method, const QString& url,
                 const QList<Header>& headers = {}, const QByteArray& body = {},
                 qint64 mostBytes = kMostJSONBytes);

  // A GET (or a POST with `body`) whose answer must be JSON with a success status. Any
  // failure is logged and gives nothing; a 404 gives nothing and is logged only at level 4
  // when `notFoundIsAnswer` (the caller then reads it as "no hits").
  std::optional<QJsonDocument> json(LiveHost host, const QString& url, const QList<Header>& headers = {},
                                    const QByteArray& postBody = {}, bool* notFound = nullptr);

  // Fetches a picture into `file` (written whole or not at all); false, logged, otherwise.
  bool picture(const QString& url, const QString& file, qint64 mostBytes);

  // Logs a failure (level 3) unless one was logged already in this session, so that the
  // log says what happened once, at its cause. `why` says it in the user's words ("timed
  // out"), for the look-up's status.
  void fail(const QString& message, const QString& why = {});
  bool failed() const { return failed_; }
  // The service asked last, and why the session gave no answer, in the user's words.
  QString askedService() const;
  QString why() const { return why_; }
  void note(const QString& message, quint32 level = 4) const;

  // Says in the log why a reply is no answer ("TVmaze answered 503").
  void failReply(LiveHost host, const LiveReply& reply);

 private:
  Reporter reporter_;
  QDeadlineTimer deadline_;
  double timeoutSeconds_;
  bool failed_ = false;
  std::optional<LiveHost> asked_;
  QString why_;
};

// The address without the values of key parameters, for the log.
QString withoutKeys(const QString& url);

// Whether the address may be fetched: only http and https ones are.
bool isFetchableAddress(const QString& url);

}  // namespace zuvo::live
