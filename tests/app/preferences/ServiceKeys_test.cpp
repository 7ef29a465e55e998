// The Metadata pane's service keys: their fields, the Test buttons that ask the services
// (on loopback) without holding up the window, and the credits the services ask for.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/preferences/BCPreferencePanel.h"
#include "app/support/WidgetApplication.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"
#include "platform/RunLoop.h"
#include "support/TestSupport.h"
#include "ui_BCPreferencePanel.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

const char* const kTMDBKey = "0123456789abcdef0123456789abcdef";

LoopbackHttpServer::Response json(int status, const QByteArray& body, int delayMs = 0) {
  LoopbackHttpServer::Response response;
  response.status = status;
  response.body = body;
  response.contentType = "application/json";
  response.delayMs = delayMs;
  return response;
}

class ServiceKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Defaults::standard().setStorageFile(settingsFile);
    registerSettingDefaults();
    panel = std::make_unique<BCPreferencePanel>(BCCReporter::dummy());
    panel->fillPreferences();
  }

  ::Ui::BCPreferencePanel& ui() { return panel->ui(); }
  // Waits for the answer beside a Test button (the check runs off the GUI thread).
  QString answerAfterPressing(QPushButton* button, QLabel* answer) {
    answer->clear();
    button->click();
    runloop::waitUntil([&] { return button->isEnabled() && !answer->text().isEmpty(); }, 60, 20);
    return answer->text();
  }

  QString settingsFile = freshFolder("settings") + "/Zuvo.conf";
  LoopbackHttpServer server;
  ScopedEnv tmdb{"ZUVO_TMDB3_URL", (server.baseURL() + "/3").toUtf8()};
  ScopedEnv tvdb{"ZUVO_TVDB4_URL", (server.baseURL() + "/v4").toUtf8()};
  std::unique_ptr<BCPreferencePanel> panel;
};

TEST_F(ServiceKeysTest, TheMovieDBsTestButtonSaysWhetherTheServiceTookTheKey) {
  struct Case {
    const char* key;
    QByteArray target;  // what TMDB is asked
    QByteArray authorization;
    LoopbackHttpServer::Response answer;
    const char* said;
    qsizetype asked = 1;  // a passing server error is asked again, twice
  };
  const QByteArray token = "eyJhbGciOiJIUzI1NiJ9.eyJhdWQiOiJrZXkifQ.c2ln";
  const Case cases[] = {
      {kTMDBKey,
       QByteArray("/3/authentication?api_key=") + kTMDBKey,
       {},
       json(200, R"({"success":true,"status_code":1,"status_message":"Success."})"),
       "TheMovieDB took the key."},
      {"  ffffffffffffffffffffffffffffffff ",
       "/3/authentication?api_key=ffffffffffffffffffffffffffffffff",
       {},
       json(
           401,
           R"({"status_code":7,"status_message":"Invalid API key: You must be granted a valid key.","success":false})"),
       "TheMovieDB refused the key."},
      {token.constData(), "/3/authentication", "Bearer " + token, json(200, R"({"success":true})"),
       "TheMovieDB took the key."},
      {kTMDBKey,
       QByteArray("/3/authentication?api_key=") + kTMDBKey,
       {},
       json(503, "{}"),
       "No answer from TheMovieDB: it answered 503",
       3},
  };
  for (const Case& c : cases) {
    server.setRequestHandler([&](const LoopbackHttpServer::Request&) { return c.answer; });
    const qsizetype before = server.receivedRequests().size();
    ui().TMDBKeyTextField->setText(c.key);

    EXPECT_EQ(answerAfterPressing(ui().TestTMDBKeyButton, ui().TMDBKeyTestResult), c.said) << c.key;

    const auto received = server.receivedRequests().mid(before);
    ASSERT_EQ(received.size(), c.asked) << c.key;
    for (const auto& request : received) {
      EXPECT_EQ(request.target, c.target);
      EXPECT_EQ(request.header("authorization"), c.authorization);
    }
  }
}

TEST_F(ServiceKeysTest, TheTVDBsTestButtonLogsInOnceWithTheKeyAndPIN) {
  struct Case {
    const char* pin;
    LoopbackHttpServer::Response answer;
    const char* said;
  };
  const Case cases[] = {
      {"1234", json(200, R"({"status":"success","data":{"token":"TEST-TOKEN"}})"), "TheTVDB took the key."},
      {"", json(401, R"({"status":"failure","message":"pin required","data":null})"),
       "TheTVDB refused the key."},
  };
  for (const Case& c : cases) {
    server.setRequestHandler([&](const LoopbackHttpServer::Request&) { return c.answer; });
    const qsizetype before = server.receivedRequests().size();
    ui().TVDBKeyTextField->setText("tvdb-project-key");
    ui().TVDBPinTextField->setText(c.pin);

    EXPECT_EQ(answerAfterPressing(ui().TestTVDBKeyButton, ui().TVDBKeyTestResult), c.said) << c.pin;

    const auto received = server.receivedRequests().mid(before);
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received[0].method, "POST");
    EXPECT_EQ(received[0].target, "/v4/login");
    const QJsonObject body = QJsonDocument::fromJson(received[0].body).object();
    EXPECT_EQ(body.value("apikey").toString(), "tvdb-project-key");
    EXPECT_EQ(body.value("pin").toString(), c.pin);
  }
}

TEST_F(ServiceKeysTest, TheWindowStaysLiveWhileTheServiceTakesItsTime) {
  server.setRequestHandler(
      [](const LoopbackHttpServer::Request&) { return json(200, R"({"success":true})", 1500); });
  ui().TMDBKeyTextField->setText(kTMDBKey);
  bool timerRan = false;
  QTimer::singleShot(100, [&] { timerRan = true; });

  ui().TestTMDBKeyButton->click();

  EXPECT_EQ(ui().TMDBKeyTestResult->text(), "Asking TheMovieDB…");
  EXPECT_FALSE(ui().TestTMDBKeyButton->isEnabled()) << "one question at a time";
  EXPECT_TRUE(runloop::waitUntil([&] { return timerRan; }, 10, 10)) << "the event loop ran while waiting";
  EXPECT_EQ(ui().TMDBKeyTestResult->text(), "Asking TheMovieDB…");
  EXPECT_TRUE(runloop::waitUntil([&] { return ui().TestTMDBKeyButton->isEnabled(); }, 60, 20));
  EXPECT_EQ(ui().TMDBKeyTestResult->text(), "TheMovieDB took the key.");
}

TEST_F(ServiceKeysTest, AnEmptyFieldAsksNobody) {
  ui().TMDBKeyTextField->setText("   ");
  ui().TestTMDBKeyButton->click();
  ui().TVDBKeyTextField->clear();
  ui().TestTVDBKeyButton->click();

  EXPECT_EQ(ui().TMDBKeyTestResult->text(), "Enter a key first.");
  EXPECT_EQ(ui().TVDBKeyTestResult->text(), "Enter a key first.");
  runloop::runFor(0.2);
  EXPECT_TRUE(server.receivedRequests().isEmpty());
}

TEST_F(ServiceKeysTest, KeysAreKeptInTheSettingsFileThatOnlyTheUserMayRead) {
  ui().TMDBKeyTextField->setText(kTMDBKey);
  emit ui().TMDBKeyTextField->editingFinished();
  ui().TVDBKeyTextField->setText("tvdb-project-key");
  emit ui().TVDBKeyTextField->editingFinished();
  ui().TVDBPinTextField->setText("1234");
  emit ui().TVDBPinTextField->editingFinished();
  panel->UpdateButtonPressed();

  const QString& file = settingsFile;
  EXPECT_TRUE(readFile(file).contains(kTMDBKey));
  EXPECT_EQ(Defaults::standard().stringForKey("TheTVDBKey"), "tvdb-project-key");
  EXPECT_EQ(Defaults::standard().stringForKey("TheTVDBPIN"), "1234");
  EXPECT_EQ(QFileInfo(file).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                             QFileDevice::WriteGroup | QFileDevice::WriteOther),
            QFileDevice::Permissions());
}

TEST_F(ServiceKeysTest, ThePaneWithTheKeysCreditsTheServices) {
  panel->setViewTab(ui().MetadataTabView, false);
  const QString credits = ui().ServiceCreditsLabel->text();
  for (const char* credit : {"This product uses the TMDB API but is not endorsed or certified by TMDB",
                             "TVmaze", "CC BY-SA", "Information provided by TheTVDB.com"})
    EXPECT_TRUE(credits.contains(credit)) << credit;
  EXPECT_TRUE(ui().ServiceCreditsLabel->isVisibleTo(panel->window()));
}

}  // namespace
