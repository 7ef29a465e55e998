// The queue-rows presenter on tables of its own: the table in use, the stop button and the
// move keys, without a controller.
#include "app/queue/QueueRowsPresenter.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "app/queue/QueueTableModel.h"
#include "app/queue/QueueTableView.h"
#include "app/support/WidgetApplication.h"
#include "media/BCCReporter.h"

namespace zuvo {
namespace {

MediaFilePtr queued(const QString& name) {
  auto media = std::make_shared<MediaFile>();
  media->setFullpath("/videos/" + name);
  media->setState(MediaState::Queued);
  return media;
}

class QueueRowsPresenterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state.mainLog = BCCReporter::dummy();
    state.queue = {a, b, c};
  }
  QueueTableModel& modelOf(const QTableView& table) { return dynamic_cast<QueueTableModel&>(*table.model()); }

  ControllerState state;
  QueueTableView windowTable;
  QueueTableView paneTable;
  const MediaFilePtr a = queued("a.avi"), b = queued("b.avi"), c = queued("c.avi");
  QList<std::pair<MediaFilePtr, int>> drops;
  QueueRowsPresenter presenter{state, &windowTable, &paneTable, [this](const MediaFilePtr& item, int row) {
                                 drops << std::pair{item, row};
                                 return true;
                               }};
};

TEST_F(QueueRowsPresenterTest, OneTableIsInUseAtATime) {
  EXPECT_EQ(presenter.queueTableInUse(), &windowTable) << "the queue window's, to begin with";
  EXPECT_TRUE(modelOf(windowTable).inUse());
  presenter.useQueueTable(&paneTable);
  EXPECT_EQ(presenter.queueTableInUse(), &paneTable);
  EXPECT_TRUE(modelOf(paneTable).inUse());
  EXPECT_FALSE(modelOf(windowTable).inUse());
  presenter.reloadQueue();
  EXPECT_EQ(paneTable.model()->rowCount(), 3);
}

TEST_F(QueueRowsPresenterTest, TheStopButtonSendsAQueuedItemBackAndAsksForTheListsAgain) {
  presenter.reloadQueue();
  QSignalSpy stopped(&presenter, &QueueRowsPresenter::rowStopped);
  QueueTableModel& model = modelOf(windowTable);
  model.setData(model.index(1, QueueTableModel::column("Stop")), true);
  EXPECT_EQ(b->state(), MediaState::InFilesTable);
  EXPECT_EQ(stopped.count(), 1);
  presenter.stopButtonClick(7);  // no such row
  EXPECT_EQ(stopped.count(), 1);
}

TEST_F(QueueRowsPresenterTest, TheMoveKeysDropTheRowOnePlaceAwayAndSayTheOrderChanged) {
  presenter.reloadQueue();
  QSignalSpy reordered(&presenter, &QueueRowsPresenter::queueReordered);
  presenter.moveQueueRow(1, -1);
  presenter.moveQueueRow(1, 1);
  presenter.moveQueueRow(1, 2);   // only one place at a time
  presenter.moveQueueRow(-1, 1);  // no such row
  EXPECT_EQ(drops, (QList<std::pair<MediaFilePtr, int>>{{b, 0}, {b, 3}}))
      << "in the drop's terms: the row it lands before";
  EXPECT_EQ(reordered.count(), 2);
}

}  // namespace
}  // namespace zuvo
