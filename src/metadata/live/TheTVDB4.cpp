#include "metadata/live/TheTVDB4.h"

#include <QJsonArray>
#include <mutex>

#include "metadata/live/LiveKeys.h"
#include "platform/ServiceAddresses.h"

namespace zuvo::live {
namespace {

struct Token {
  std::mutex lock;
  QString base;
  QString key;
  QString pin;
  QString token;
};

Token& token() {
  static Token instance;
  return instance;
}

QString base() { return serviceBaseURL(Service::LiveTheTVDB); }

enum class LogIn { Done, Refused, Failed };

// POST /login; the token, or why there is none. Failures other than a refusal are logged.
LogIn logIn(LiveSession& session, const QString& key, const QString& pin, QString& tokenOut) {
  QJsonObject body{{QStringLiteral("apikey"), key}};
  if (!pin.isEmpty()) body.insert(QStringLiteral("pin"), pin);
  const LiveReply reply = session.send(LiveHost::TheTVDB, "POST", base() + QStringLiteral("/login"),
                                       {{"Content-Type", "application/json"}},
                                       QJsonDocument(body).toJson(QJsonDocument::Compact));
  if (reply.outcome == LiveReply::Outcome::Answered && (reply.status == 401 || reply.status == 403))
    return LogIn::Refused;
  if (reply.outcome != LiveReply::Outcome::Answered || reply.status >= 300) {
    session.failReply(LiveHost::TheTVDB, reply);
    return LogIn::Failed;
  }
  const QJsonDocument answer = QJsonDocument::fromJson(reply.body);
  tokenOut =
      answer.object().value(QStringLiteral("data")).toObject().value(QStringLiteral("token")).toString();
  if (tokenOut.isEmpty()) {
    session.fail(QStringLiteral("%1 sent an answer that is not JSON").arg(hostName(LiveHost::TheTVDB)));
    return LogIn::Failed;
  }
  return LogIn::Done;
}

// The token for the key in force, logging in when there is none (or `fresh` asks for a
// new one). Nothing when the log-in failed; a refusal is logged and told.
std::optional<QString> currentToken(LiveSession& session, bool fresh) {
  const QString key = liveKey(LiveKey::TheTVDB);
  const QString pin = liveKey(LiveKey::TheTVDBPIN);
  Token& t = token();
  std::lock_guard<std::mutex> guard(t.lock);
  if (t.base != base() || t.key != key || t.pin != pin) t.token.clear();
  if (fresh) t.token.clear();
  if (!t.token.isEmpty()) return t.token;
  QString fetched;
  switch (logIn(session, key, pin, fetched)) {
    case LogIn::Done:
      t.base = base();
      t.key = key;
      t.pin = pin;
      t.token = fetched;
      return fetched;
    case LogIn::Refused:
      keyRefused(session, LiveHost::TheTVDB, LiveKey::TheTVDB);
      return std::nullopt;
    case LogIn::Failed:
      return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

bool haveTheTVDBKey() { return !liveKey(LiveKey::TheTVDB).isEmpty(); }

std::optional<QJsonValue> theTVDBData(LiveSession& session, const QString& pathAndQuery, bool* notFound) {
  const auto answer = theTVDBAnswer(session, pathAndQuery, notFound);
  if (!answer) return std::nullopt;
  return answer->value(QStringLiteral("data"));
}

std::optional<QJsonObject> theTVDBAnswer(LiveSession& session, const QString& pathAndQuery, bool* notFound) {
  if (notFound) *notFound = false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::optional<QString> bearer = currentToken(session, attempt > 0);
    if (!bearer) return std::nullopt;
    const LiveReply reply = session.send(LiveHost::TheTVDB, "GET", base() + pathAndQuery,
                                         {{"Authorization", "Bearer " + bearer->toUtf8()}});
    if (reply.outcome == LiveReply::Outcome::Answered && reply.status == 401) continue;
    if (reply.outcome == LiveReply::Outcome::Answered && reply.status == 404 && notFound) {
      *notFound = true;
      session.note(QStringLiteral("TheTVDB answered 404"), 4);
      return std::nullopt;
    }
    if (reply.outcome != LiveReply::Outcome::Answered || reply.status >= 300) {
      session.failReply(LiveHost::TheTVDB, reply);
      return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument answer = QJsonDocument::fromJson(reply.body, &error);
    if (error.error != QJsonParseError::NoError || !answer.isObject()) {
      session.fail(QStringLiteral("%1 sent an answer that is not JSON").arg(hostName(LiveHost::TheTVDB)));
      return std::nullopt;
    }
    return answer.object();
  }
  keyRefused(session, LiveHost::TheTVDB, LiveKey::TheTVDB);
  return std::nullopt;
}

KeyCheck checkTheTVDBKey(const QString& key, const QString& pin, double timeout, const Reporter& reporter) {
  LiveSession session(timeout, reporter);
  QString unused;
  switch (logIn(session, key.trimmed(), pin.trimmed(), unused)) {
    case LogIn::Done:
      return KeyCheck::Accepted;
    case LogIn::Refused:
      return KeyCheck::Refused;
    case LogIn::Failed:
      return KeyCheck::Unreachable;
  }
  return KeyCheck::Unreachable;
}

void forgetTheTVDBToken() {
  Token& t = token();
  std::lock_guard<std::mutex> guard(t.lock);
  t.token.clear();
}

}  // namespace zuvo::live
