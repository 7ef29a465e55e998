#pragma once
// The translation layer under the look-up clients' downloads. A request to one of the old
// interfaces whose own address variable is unset never goes to the old host: a route
// answers it from a live service and writes the cache file in the element form the
// client's reader reads, or writes nothing (and logs why), which the client reads as
// "offline" as before.
#include <QString>
#include <QStringList>
#include <QUrlQuery>
#include <optional>

#include "media/BCCReporter.h"
#include "metadata/live/LiveService.h"
#include "platform/ServiceAddresses.h"

namespace zuvo::live {

// One request of a client, as a route sees it.
struct LiveCall {
  QString asked;  // the whole address the client asked for
  QString base;   // the old service's base address it lies under
  QString path;   // below the old service's base, without the query: "/api/GetSeries.php"
  QUrlQuery query;
  QString file;  // the cache file to write
  qint64 mostBytes = 0;
  LiveSession& session;

  // Writes the cache file whole; false (logged) when it cannot be written.
  bool write(const QStringList& lines) const;
  // The path's pieces between "/", without empty ones: {"data", "series", "73739", ...}.
  QStringList pieces() const;
  // A query value with its percent escapes decoded (UTF-8) and the surrounding %22 quotes
  // the old interfaces took dropped.
  QString value(const QString& key) const;
};

using LiveAnswer = void (*)(LiveCall& call);

struct LiveRoute {
  Service service;         // the old interface the client asks
  const char* pathPrefix;  // the request's path below its base starts so
  LiveAnswer answer;
  const char* pathSuffix = nullptr;  // and, when given, ends so
};

// Whether requests to `service` are translated: its own variable is unset.
bool translated(Service service);

// Answers `url` from the live services when it is a request to an old interface that is
// translated: whether the cache file is there afterwards. Nothing when the request is not
// one of those (the caller then downloads it as it is).
std::optional<bool> answerFromLiveServices(const QString& url, const QString& file, double timeout,
                                           const Reporter& reporter, qint64 mostBytes);

}  // namespace zuvo::live
