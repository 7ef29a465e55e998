#pragma once
// The online-service tests: every service's base address pointed at a real HTTP server on
// loopback (or at a port that refuses connections), a fresh cache folder, and the main
// log read back line by line.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <cstdlib>

#include "media/MediaFile.h"
#include "media/MediaTestSupport.h"
#include "platform/ServiceAddresses.h"
#include "support/TestSupport.h"

namespace zuvo::test {

inline constexpr Service kAllServices[] = {Service::TheTVDB, Service::TheTVDBBanners, Service::TheMovieDB,
                                           Service::TagChimp, Service::TVRage};

// Points every service at `base` for the life of the object ("/banners" below it for
// TheTVDB's artwork, as on the real server).
class ScopedServiceAddresses {
 public:
  explicit ScopedServiceAddresses(const QString& base) {
    for (Service service : kAllServices) {
      const QString address = service == Service::TheTVDBBanners ? base + "/banners" : base;
      qputenv(serviceOverrideVariable(service), address.toUtf8());
    }
  }
  ~ScopedServiceAddresses() {
    for (Service service : kAllServices) qunsetenv(serviceOverrideVariable(service));
  }
  ScopedServiceAddresses(const ScopedServiceAddresses&) = delete;
  ScopedServiceAddresses& operator=(const ScopedServiceAddresses&) = delete;
};

// A JPEG picture of one colour, as a service serves its artwork.
inline QByteArray jpegPicture(QColor colour, int width = 40, int height = 30) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG");
  return bytes;
}

// Whether a picture (a JPEG, which keeps its colour only nearly) is mostly `colour`.
inline bool looksLike(const QImage& image, QColor colour) {
  if (image.isNull()) return false;
  const QColor seen = image.pixelColor(image.width() / 2, image.height() / 2);
  return std::abs(seen.red() - colour.red()) < 24 && std::abs(seen.green() - colour.green()) < 24 &&
         std::abs(seen.blue() - colour.blue()) < 24;
}

// A new item with the name, season and episode a look-up starts from.
inline std::shared_ptr<MediaFile> itemNamed(const QString& series, quint32 season = 0, quint32 episode = 0) {
  auto item = std::make_shared<MediaFile>();
  item->setSeriesname(series);
  item->setSeason(season);
  item->setShow(episode);
  return item;
}

inline LoopbackHttpServer::Response xmlAnswer(const QByteArray& body) {
  LoopbackHttpServer::Response response;
  response.body = body;
  return response;
}

inline LoopbackHttpServer::Response pictureAnswer(QColor colour) {
  LoopbackHttpServer::Response response;
  response.body = jpegPicture(colour);
  response.contentType = "image/jpeg";
  return response;
}

inline LoopbackHttpServer::Response errorAnswer(int status, const QByteArray& body = "<html>Error</html>") {
  LoopbackHttpServer::Response response;
  response.status = status;
  response.body = body;
  response.contentType = "text/html";
  return response;
}

// True when a log's text holds `text` as a whole line at `level` (lines are "level time text").
inline bool hasLogLine(const QString& log, const QString& text, int level) {
  for (const QString& line : log.split('\n')) {
    const qsizetype space = line.indexOf(' ');
    if (space < 0 || line.left(space).toInt() != level) continue;
    if (line.mid(line.indexOf(' ', space + 1) + 1) == text) return true;
  }
  return false;
}

// A server on loopback, a cache folder and a log; the services' addresses are the
// subclass's to set.
class LoopbackServiceFixture : public ::testing::Test {
 protected:
  LoopbackServiceFixture() { registerSettingDefaults(); }

  // The answer text with "{base}" replaced by the server's address (artwork addresses).
  QByteArray withBase(QByteArray body) const { return body.replace("{base}", server.baseURL().toUtf8()); }

  QStringList requests() const {
    QStringList targets;
    for (const QByteArray& target : server.requests()) targets << QString::fromUtf8(target);
    return targets;
  }
  // The files of the cache folder, sorted.
  QStringList cacheFiles() const { return QDir(cache).entryList(QDir::Files, QDir::Name); }
  bool inCache(const QString& name) const { return QFileInfo::exists(cache + "/" + name); }
  QString log() const { return captured.text(); }
  bool logged(const QString& text, int level) const { return hasLogLine(log(), text, level); }

  LoopbackHttpServer server;
  QString cache = freshFolder("cache");
  CapturedLog captured;
  Reporter reporter = captured.reporter;
};

// A server on loopback that every service is pointed at, a cache folder and a log.
class ServiceTest : public LoopbackServiceFixture {
 protected:
  ServiceTest() : addresses_(server.baseURL()) {}

 private:
  ScopedServiceAddresses addresses_;
};

// Every service pointed at a loopback port that refuses connections.
class OfflineServiceTest : public ::testing::Test {
 protected:
  OfflineServiceTest() : addresses_(QStringLiteral("http://127.0.0.1:%1").arg(portNobodyListensOn())) {
    registerSettingDefaults();
  }
  QString log() const { return captured.text(); }
  bool logged(const QString& text, int level) const { return hasLogLine(log(), text, level); }

  QString cache = freshFolder("cache");
  CapturedLog captured;
  Reporter reporter = captured.reporter;

 private:
  ScopedServiceAddresses addresses_;
};

}  // namespace zuvo::test
