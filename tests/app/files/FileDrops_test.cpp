// Files and folders dragged from the desktop onto the files table or the drop image.
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include "app/files/FileLists.h"
#include "app/shared/FileDropTarget.h"
#include "app/support/MainWindowFixture.h"
#include "platform/RunLoop.h"

using namespace zuvo;

namespace {

class FileDropsTest : public test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    controller->setProbeStarter([this](const MediaFilePtr& media, bool) { probed << media->fullpath(); });
  }

  // What the desktop does: enter, then drop; answers whether the drag was accepted.
  bool drag(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
  }
  QStringList filePaths() {
    QStringList paths;
    for (const MediaFilePtr& media : state().files) paths << media->fullpath();
    return paths;
  }

  QStringList probed;
};

TEST_F(FileDropsTest, FilesDroppedOnTheTableAreAddedOnceAndProbed) {
  const QString spaced = item("100% done & <more>.mkv")->fullpath();
  const QString plain = item("Show S01E01.avi")->fullpath();
  ASSERT_TRUE(
      drag(windows().FilesTableView->viewport(),
           {QUrl::fromLocalFile(spaced), QUrl::fromLocalFile(plain), QUrl("https://example.invalid/a.mkv")}));
  ASSERT_TRUE(runloop::waitUntil([&] { return probed.size() == 2; }, 30, 10));
  EXPECT_EQ(filePaths(), (QStringList{spaced, plain})) << "names reach the list as they are on disk";
  // The same files again add nothing.
  ASSERT_TRUE(drag(windows().FilesTableView->viewport(), {QUrl::fromLocalFile(plain)}));
  QApplication::processEvents();
  EXPECT_EQ(state().files.size(), 2);
}

TEST_F(FileDropsTest, AFolderDroppedOnTheImageIsScanned) {
  const QString inside = item("Film (2011).mp4")->fullpath();
  ASSERT_TRUE(drag(windows().DropVideoImage, {QUrl::fromLocalFile(root + "/videos")}));
  ASSERT_TRUE(runloop::waitUntil([&] { return !probed.isEmpty(); }, 30, 10));
  EXPECT_EQ(filePaths(), QStringList{inside});
}

TEST_F(FileDropsTest, ARecordingPackageDraggedWithATrailingSlashIsAddedAsTheRecording) {
  const QString package = root + "/Some Show - The Pilot.eyetv";
  QDir().mkpath(package);
  test::writeFile(package + "/000000001.mpg", "recording");
  for (QWidget* target : {static_cast<QWidget*>(windows().FilesTableView->viewport()),
                          static_cast<QWidget*>(windows().DropVideoImage)}) {
    controller->setFiles({});
    probed.clear();
    ASSERT_TRUE(drag(target, {QUrl::fromLocalFile(package + "/")}));
    ASSERT_TRUE(runloop::waitUntil([&] { return !probed.isEmpty(); }, 30, 10));
    EXPECT_EQ(filePaths(), QStringList{package});
    EXPECT_EQ(state().files.first()->filename(), "Some Show - The Pilot.eyetv");
  }
}

TEST_F(FileDropsTest, DragsWithoutLocalFilesAreRefused) {
  EXPECT_FALSE(drag(windows().FilesTableView->viewport(), {QUrl("https://example.invalid/a.mkv")}));
  QMimeData text;
  text.setText("/tmp/a.mkv");
  EXPECT_TRUE(FileDropTarget::localPaths(&text).isEmpty());
  EXPECT_TRUE(state().files.isEmpty());
}

}  // namespace
