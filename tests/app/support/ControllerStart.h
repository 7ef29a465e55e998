#pragma once
// What a controller's start-up needs in a test: a fresh folder named for the running test
// holding the data, cache and settings, logging on, no first-run preferences, and the news
// and the online services at an address nobody answers.
#include <gtest/gtest.h>

#include "app/controller/Controller.h"
#include "platform/Defaults.h"
#include "support/TestSupport.h"

namespace zuvo::test {

inline QString prepareControllerStart() {
  const QString name = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
  const QString root = freshFolder(name);
  qputenv("XDG_DATA_HOME", (root + "/data").toLocal8Bit());
  qputenv("XDG_CACHE_HOME", (root + "/cache").toLocal8Bit());
  // The news and every online service on a loopback port nobody listens on.
  const QByteArray nobody = QStringLiteral("http://127.0.0.1:%1").arg(portNobodyListensOn()).toLocal8Bit();
  for (const char* service : {"ZUVO_NEWS_URL", "ZUVO_TVDB_URL", "ZUVO_TVDB_BANNERS_URL", "ZUVO_TMDB_URL",
                              "ZUVO_TAGCHIMP_URL", "ZUVO_TVRAGE_URL", "ZUVO_HOMEPAGE_URL", "ZUVO_SOCIAL_URL"})
    qputenv(service, nobody);
  Defaults::standard().setStorageFile(root + "/Zuvo.conf");
  Controller::initialize();
  Defaults& d = Defaults::standard();
  d.setBool(true, "EnableLogging");
  d.setBool(false, "FirstRunWithDevices");
  d.setString(root + "/cache/org.zuvo.Zuvo", "ConversionDirectory");
  d.setString(root + "/Videos", "ConvertedFilesDirectory");
  return root;
}

}  // namespace zuvo::test
