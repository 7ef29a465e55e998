#include "metadata/live/KeyTests.h"

#include "metadata/live/MovieRoutes.h"
#include "metadata/live/TheTVDB4.h"
#include "platform/ServiceAddresses.h"

namespace zuvo::live {
namespace {

// As long as a look-up's record may take: a loaded service still answers in it.
constexpr double kTestTimeout = 60;

}  // namespace

KeyTestAnswer testTMDBKey(const QString& key) {
  LiveSession session(kTestTimeout, {});
  const TMDBAuthorization authorization = tmdbAuthorization(key.trimmed());
  QString url = serviceBaseURL(Service::LiveTMDB) + QStringLiteral("/authentication");
  if (!authorization.query.isEmpty()) url += u'?' + authorization.query;
  const LiveReply reply = session.send(LiveHost::TMDB, "GET", url, authorization.headers);
  switch (reply.outcome) {
    case LiveReply::Outcome::Answered:
      if (reply.status == 200) return {KeyTestAnswer::Outcome::Taken, {}};
      if (reply.status == 401) return {KeyTestAnswer::Outcome::Refused, {}};
      return {KeyTestAnswer::Outcome::NoAnswer, QStringLiteral("it answered %1").arg(reply.status)};
    case LiveReply::Outcome::TimedOut:
      return {KeyTestAnswer::Outcome::NoAnswer,
              QStringLiteral("no answer within %1 seconds").arg(kTestTimeout)};
    case LiveReply::Outcome::Unreachable:
      return {KeyTestAnswer::Outcome::NoAnswer, reply.error};
    case LiveReply::Outcome::TooLarge:
    case LiveReply::Outcome::Refused:
      break;
  }
  return {KeyTestAnswer::Outcome::NoAnswer, QStringLiteral("its answer could not be read")};
}

KeyTestAnswer testTVDBKey(const QString& key, const QString& pin) {
  switch (checkTheTVDBKey(key, pin, kTestTimeout)) {
    case KeyCheck::Accepted:
      return {KeyTestAnswer::Outcome::Taken, {}};
    case KeyCheck::Refused:
      return {KeyTestAnswer::Outcome::Refused, {}};
    case KeyCheck::Unreachable:
      break;
  }
  return {KeyTestAnswer::Outcome::NoAnswer, QStringLiteral("it could not be reached")};
}

}  // namespace zuvo::live
