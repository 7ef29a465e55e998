#pragma once
// The look-up tests against today's services: the old interfaces' variables unset (so the
// translation layer answers), every live service's address pointed at one loopback server
// that answers in the services' JSON shapes, no keys unless a test sets them, a fresh
// cache folder and the main log.
#include <memory>
#include <vector>

#include "metadata/ServiceTestSupport.h"

namespace zuvo::test {

inline constexpr Service kLiveServices[] = {Service::LiveTVmaze, Service::LiveITunes, Service::LiveTMDB,
                                            Service::LiveTMDBImages, Service::LiveTheTVDB};
inline constexpr const char* kLiveKeyVariables[] = {"ZUVO_TMDB_KEY", "ZUVO_TVDB_KEY", "ZUVO_TVDB_PIN"};

// The old interfaces unset and the live services at `base` ("/3" below it for TMDB, and
// "/t/p/" for its images, as on the real hosts), without keys, for the life of the object.
class ScopedLiveAddresses {
 public:
  explicit ScopedLiveAddresses(const QString& base) {
    for (Service service : kAllServices)
      variables_.emplace_back(std::make_unique<ScopedEnv>(serviceOverrideVariable(service), QByteArray()));
    for (Service service : kLiveServices) {
      QString address = base;
      if (service == Service::LiveTMDB) address += "/3";
      if (service == Service::LiveTMDBImages) address += "/t/p/";
      variables_.emplace_back(
          std::make_unique<ScopedEnv>(serviceOverrideVariable(service), address.toUtf8()));
    }
    for (const char* key : kLiveKeyVariables)
      variables_.emplace_back(std::make_unique<ScopedEnv>(key, QByteArray()));
  }

 private:
  std::vector<std::unique_ptr<ScopedEnv>> variables_;
};

// A JSON answer; `status` for the services' error documents.
inline LoopbackHttpServer::Response jsonAnswer(const QByteArray& body, int status = 200) {
  LoopbackHttpServer::Response response;
  response.status = status;
  response.body = body;
  response.contentType = "application/json; charset=utf-8";
  return response;
}

// A redirect to `location` (TVmaze's look-up by TheTVDB id answers so).
inline LoopbackHttpServer::Response redirectAnswer(const QString& location) {
  LoopbackHttpServer::Response response;
  response.status = 302;
  response.contentType = "text/html";
  response.headers.append({"Location", location.toUtf8()});
  return response;
}

// "Too many requests", with the wait the service asks for.
inline LoopbackHttpServer::Response tooManyAnswer(int retryAfterSeconds) {
  LoopbackHttpServer::Response response = jsonAnswer(
      R"({"status_code":25,"status_message":"Your request count is over the allowed limit."})", 429);
  response.headers.append({"Retry-After", QByteArray::number(retryAfterSeconds)});
  return response;
}

// The server, the cache and the log of a look-up against the live services.
class LiveServiceTest : public LoopbackServiceFixture {
 protected:
  LiveServiceTest() : addresses_(server.baseURL()) {}

  void routeJSON(const QByteArray& target, const QByteArray& body, int status = 200) {
    server.route(target, jsonAnswer(withBase(body), status));
  }
  QByteArray cached(const QString& name) const { return readFile(cache + "/" + name); }

 private:
  ScopedLiveAddresses addresses_;
};

}  // namespace zuvo::test
