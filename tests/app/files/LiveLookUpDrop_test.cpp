// A video dropped on a fresh install without keys, the old interfaces unanswered: the probe
// looks it up on today's TVmaze (on loopback), and the files table and the tag editor show
// what came back.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

#include "app/files/FilesTableModel.h"
#include "app/support/DesktopDrag.h"
#include "app/support/MainWindowFixture.h"
#include "app/tags/BCTagsPanel.h"
#include "metadata/support/LiveFixtures.h"
#include "platform/RunLoop.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

class LiveLookUpDrop : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    addresses_ = std::make_unique<ScopedLiveAddresses>(server.baseURL());
    routeUnderTheDome(server);
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    addresses_.reset();
  }
  QString shown(const char* name) {
    QWidget* window = singleEditor();
    if (!window) return {};
    if (auto* line = window->findChild<QLineEdit*>(QString::fromLatin1(name))) return line->text();
    if (auto* plain = window->findChild<QPlainTextEdit*>(QString::fromLatin1(name)))
      return plain->toPlainText();
    if (auto* label = window->findChild<QLabel*>(QString::fromLatin1(name))) return label->text();
    ADD_FAILURE() << "no text control " << name;
    return {};
  }

  LoopbackHttpServer server;

 private:
  std::unique_ptr<ScopedLiveAddresses> addresses_;
};

TEST_F(LiveLookUpDrop, TheEpisodeIsNamedDescribedCastAndPicturedInTableAndEditor) {
  const QString video = root + "/videos/Under the Dome S01E01.mkv";
  makeTestVideo(video, 1);
  ASSERT_TRUE(dragFilesOnto(windows().FilesTableView->viewport(), {video}));
  const bool lookedUp = runloop::waitUntil(
      [&] {
        return state().files.size() == 1 && state().files.first()->didlookup() &&
               !state().files.first()->image().isNull();
      },
      120, 50);
  ASSERT_TRUE(lookedUp) << mainLog().join('\n').toStdString();
  const MediaFilePtr item = state().files.first();

  FilesTableModel& model = filesModel();
  // The title cell: series, episode, kind, season, episode number, channels, artwork.
  const QVariantList title =
      model.data(model.index(0, FilesTableModel::column("Summary")), Qt::DisplayRole).toList();
  ASSERT_EQ(title.size(), 7) << "the artwork is there";
  EXPECT_EQ(title[0].toString(), "Under the Dome");
  EXPECT_EQ(title[1].toString(), "Pilot");
  EXPECT_EQ(title[3].toString(), "1");
  EXPECT_EQ(title[4].toString(), "1");
  EXPECT_GT(title[6].value<QImage>().pixelColor(5, 5).red(), 200) << "the season's picture";

  select({0});
  post("EditClick");
  ASSERT_NE(singleEditor(), nullptr);
  ASSERT_TRUE(singleEditor()->isVisible());
  EXPECT_EQ(shown("TagsNameTextField"), "Under the Dome");
  EXPECT_EQ(shown("TagsSeasonTextField"), "Pilot");
  EXPECT_EQ(shown("TagsDescriptionTextField"),
            "When the residents of Chester's Mill find themselves trapped & cut off, a dôme \"appears\" "
            "<suddenly>.");
  EXPECT_TRUE(shown("ActorsTokenField").contains("Mike Vogel")) << shown("ActorsTokenField").toStdString();
  EXPECT_GT(item->image().pixelColor(5, 5).red(), 200);

  // The editor's image stepper fetches its picture (a file of its own in the cache) through
  // the same layer, never from the old host.
  auto* stepper = singleEditor()->findChild<QSpinBox*>("ImageStepper");
  ASSERT_NE(stepper, nullptr);
  ASSERT_EQ(stepper->maximum(), 1);
  // Up and back, as the stepper's arrows step it.
  stepper->setValue(1);
  stepper->setValue(0);
  EXPECT_EQ(server.requests().count("/img/s1.jpg"), 2);
  EXPECT_EQ(shown("NumberOfImagesTextField"), "Displaying 1 of 2");
  for (const QByteArray& target : server.requests())
    EXPECT_FALSE(target.startsWith("/banners/")) << target.constData();
}

}  // namespace
