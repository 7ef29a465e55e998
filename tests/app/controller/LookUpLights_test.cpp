// The main window's "TV" and "Movies" lights say in words what their last look-up came to:
// a video dropped while the services cannot be reached turns the TV light red, and its
// tooltip and accessible description name the service, the reason and the time.
#include <QRegularExpression>

#include "app/support/DesktopDrag.h"
#include "app/support/MainWindowFixture.h"
#include "metadata/support/LiveServiceSupport.h"
#include "platform/NotificationCenter.h"
#include "platform/RunLoop.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

class LookUpLights : public MainWindowTest {
 protected:
  void TearDown() override {
    MainWindowTest::TearDown();
    addresses_.reset();
  }
  void servicesAt(const QString& base) { addresses_ = std::make_unique<ScopedLiveAddresses>(base); }

 private:
  std::unique_ptr<ScopedLiveAddresses> addresses_;
};

const QRegularExpression kTime(QStringLiteral("at \\d\\d:\\d\\d:\\d\\d"));

TEST_F(LookUpLights, AnUnreachableServiceIsNamedWithItsReasonOnTheRedLight) {
  servicesAt(QStringLiteral("http://127.0.0.1:%1").arg(portNobodyListensOn()));
  const QString video = root + "/videos/Under the Dome S01E01.mkv";
  makeTestVideo(video, 1);
  ASSERT_TRUE(dragFilesOnto(windows().FilesTableView->viewport(), {video}));
  QWidget* light = windows().TVInfoOnline;
  ASSERT_TRUE(runloop::waitUntil([&] { return state().tvOffline && !light->toolTip().isEmpty(); }, 120, 50))
      << mainLog().join('\n').toStdString();

  const QString said = light->toolTip();
  EXPECT_TRUE(said.startsWith("TV look-up: TVmaze did not answer at ")) << said.toStdString();
  EXPECT_TRUE(said.endsWith(": could not connect")) << said.toStdString();
  EXPECT_TRUE(kTime.match(said).hasMatch()) << said.toStdString();
  EXPECT_EQ(light->accessibleDescription(), said);
  EXPECT_EQ(light->palette().color(QPalette::Window), QColor::fromRgbF(0.93f, 0.57f, 0.57f, 1));
  EXPECT_TRUE(windows().MovieInfoOnline->toolTip().isEmpty()) << "no movie was looked up";
  EXPECT_TRUE(runloop::waitUntil([&] { return userLog().filter(said).size() == 1; }, 5, 20))
      << userLog().join('\n').toStdString();
}

TEST_F(LookUpLights, ARefusedKeySaysWhereToCorrectIt) {
  LoopbackHttpServer server;
  servicesAt(server.baseURL());
  ScopedEnv key("ZUVO_TVDB_KEY", "A-KEY-THAT-EXPIRED");
  server.setFallback([](const QByteArray&) {
    return jsonAnswer(R"({"status":"failure","message":"InvalidAPIKey: apikey invalid","data":null})", 401);
  });
  AlertCloser alerts;
  const QString video = root + "/videos/Lost S01E01.mkv";
  makeTestVideo(video, 1);
  ASSERT_TRUE(dragFilesOnto(windows().FilesTableView->viewport(), {video}));
  QWidget* light = windows().TVInfoOnline;
  ASSERT_TRUE(runloop::waitUntil([&] { return state().tvOffline && !light->toolTip().isEmpty(); }, 120, 50))
      << mainLog().join('\n').toStdString();
  const QString said = light->toolTip();
  EXPECT_TRUE(said.startsWith("TV look-up: TheTVDB did not answer at ")) << said.toStdString();
  EXPECT_TRUE(said.endsWith(": the key was refused; see Preferences > Metadata")) << said.toStdString();
  EXPECT_EQ(light->accessibleDescription(), said);
}

TEST_F(LookUpLights, AnAnswerWithoutMatchSaysWhichNameFoundNothing) {
  LoopbackHttpServer server;
  servicesAt(server.baseURL());
  server.setFallback([](const QByteArray&) { return jsonAnswer(R"({"resultCount":0,"results":[]})"); });
  const QString video = root + "/videos/A Star Is Born.mkv";
  makeTestVideo(video, 1);
  ASSERT_TRUE(dragFilesOnto(windows().FilesTableView->viewport(), {video}));
  QWidget* light = windows().MovieInfoOnline;
  ASSERT_TRUE(runloop::waitUntil([&] { return !light->toolTip().isEmpty(); }, 120, 50))
      << mainLog().join('\n').toStdString();
  const QString said = light->toolTip();
  EXPECT_TRUE(said.startsWith("Movies look-up: the iTunes Search API answered at ")) << said.toStdString();
  EXPECT_TRUE(said.endsWith(": no match for 'A Star Is Born'")) << said.toStdString();
  EXPECT_EQ(light->accessibleDescription(), said);
  EXPECT_FALSE(state().movieOffline);
}

}  // namespace
