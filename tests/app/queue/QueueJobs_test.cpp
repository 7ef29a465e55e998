#include "app/queue/QueueJobs.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QThread>
#include <thread>

#include "app/queue/QueueTableModel.h"
#include "app/support/ControllerFixture.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

// A conversion that runs `during` with the report it was handed, then ends as finished.
class ReportingConverter : public ConversionTask {
 public:
  ReportingConverter(MediaFilePtr media, ConversionReport report,
                     std::function<void(MediaFile&, const ConversionReport&)> during)
      : media_(std::move(media)), report_(std::move(report)), during_(std::move(during)) {}
  BCError Convert() override {
    if (during_) during_(*media_, report_);
    media_->setConversionfinished(true);
    return {};
  }
  QString outputBaseName() const override { return QStringLiteral("Reporting Show"); }

 private:
  MediaFilePtr media_;
  ConversionReport report_;
  std::function<void(MediaFile&, const ConversionReport&)> during_;
};

// Rows [first, last] of one dataChanged, and whether it came on the GUI thread.
struct Change {
  int first;
  int last;
  bool onGuiThread;
};

class QueueJobsTest : public ::testing::Test, public ControllerFixture {
 protected:
  QueueJobsTest() : model(state.queue) {
    ConversionJobs jobs;
    jobs.makeConverter = [this](const MediaFilePtr& media, const QString&, const HelperInfo&, const Reporter&,
                                const ConversionReport& report) -> std::unique_ptr<ConversionTask> {
      return std::make_unique<ReportingConverter>(media, report, during);
    };
    jobs.writeTags = [](const QString&, const MediaFile&, const Reporter&) { return BCError(); };
    jobs.runConversion = [this](std::function<void()> job) { pending.push_back(std::move(job)); };
    jobs.runTagsJob = [this](std::function<void()> job) { pending.push_back(std::move(job)); };
    reporting = std::make_unique<QueueRunner>(state, *notices, hooks, *lists, std::move(jobs));
    model.setInUse(true);
    model.watch(reporting->queueJobs());
    QObject::connect(
        &model, &QAbstractItemModel::dataChanged, [this](const QModelIndex& from, const QModelIndex& to) {
          EXPECT_EQ(from.column(), 0);
          EXPECT_EQ(to.column(), model.columnCount() - 1) << "the whole row is drawn again";
          changes.push_back(
              {from.row(), to.row(), QThread::currentThread() == QCoreApplication::instance()->thread()});
        });
  }
  ~QueueJobsTest() override { reporting.reset(); }

  // Runs the jobs sent so far on a worker thread, then delivers what they posted.
  void runOnWorker() {
    std::thread worker([this] {
      while (!pending.empty()) {
        auto job = std::move(pending.front());
        pending.pop_front();
        job();
      }
    });
    worker.join();
    QCoreApplication::sendPostedEvents();
  }

  // The rows the changes so far touched, each once in order; every change one row.
  QList<int> changedRows() const {
    QList<int> rows;
    for (const Change& change : changes) {
      EXPECT_EQ(change.first, change.last) << "a change touched more than its own row";
      EXPECT_TRUE(change.onGuiThread);
      if (rows.isEmpty() || rows.last() != change.first) rows << change.first;
    }
    return rows;
  }

  MediaFilePtr ended(const QString& name) {
    MediaFilePtr item = queued(name);
    item->setState(MediaState::Ended);
    item->setConversionfinished(true);
    return item;
  }

  QueueTableModel model;
  std::unique_ptr<QueueRunner> reporting;
  std::deque<std::function<void()>> pending;
  std::function<void(MediaFile&, const ConversionReport&)> during;
  std::vector<Change> changes;
};

}  // namespace

TEST_F(QueueJobsTest, AConversionsProgressAndStatusReachOnlyItsRowOnTheGuiThread) {
  ended("first.mkv");
  const MediaFilePtr running = queued("second.mkv");
  queued("third.mkv");
  QSignalSpy progress(&reporting->queueJobs(), &QueueJobs::progressChanged);
  QSignalSpy status(&reporting->queueJobs(), &QueueJobs::statusChanged);

  reporting->startconversion();
  const QueueJobs::Id id = reporting->queueJobs().idOf(running.get());
  ASSERT_NE(id, 0u);
  EXPECT_EQ(reporting->queueJobs().status(id), JobStatus::Converting);
  EXPECT_EQ(changedRows(), QList<int>{1});

  // Many reports while the GUI thread is busy are one update each of progress and row.
  during = [](MediaFile& item, const ConversionReport& report) {
    for (int percent = 1; percent <= 40; ++percent) {
      item.setProgress(percent);
      report.percentDone(float(percent));
      report.itemChanged();
    }
  };
  changes.clear();
  status.clear();
  progress.clear();
  runOnWorker();
  EXPECT_EQ(changedRows(), QList<int>{1});
  ASSERT_EQ(progress.size(), 2) << "one for the percentage, one for the row";
  EXPECT_EQ(progress.first().at(0).value<QueueJobs::Id>(), id);
  EXPECT_EQ(reporting->queueJobs().progress(id), 40.f);
  // The conversion's end is the job's status.
  ASSERT_EQ(status.size(), 1);
  EXPECT_EQ(status.first().at(0).value<QueueJobs::Id>(), id);
  EXPECT_EQ(status.first().at(1).value<JobStatus>(), JobStatus::Done);
  EXPECT_EQ(reporting->queueJobs().status(id), JobStatus::Done);
}

TEST_F(QueueJobsTest, PauseAndResumeRedrawTheConvertingRowOnly) {
  queued("first.mkv", ConversionFormat::HDOnly, false);
  const MediaFilePtr running = queued("second.mkv");
  reporting->startconversion();
  const QueueJobs::Id id = reporting->queueJobs().idOf(running.get());
  changes.clear();

  reporting->QueuePauseButtonPress();
  EXPECT_EQ(reporting->queueJobs().status(id), JobStatus::Paused);
  EXPECT_EQ(changedRows(), QList<int>{1});
  reporting->QueuePauseButtonPress();
  EXPECT_EQ(reporting->queueJobs().status(id), JobStatus::Converting);
  runOnWorker();
}

TEST_F(QueueJobsTest, ATagsOnlyJobsStatusGoesThroughItsRow) {
  ended("first.mkv");
  const MediaFilePtr tags = queued("tags.m4v", ConversionFormat::TagsOnly);
  reporting->startconversion();
  const QueueJobs::Id id = reporting->queueJobs().idOf(tags.get());
  ASSERT_NE(id, 0u);
  EXPECT_EQ(reporting->queueJobs().status(id), JobStatus::TagsOnly);
  runOnWorker();
  EXPECT_EQ(reporting->queueJobs().status(id), JobStatus::Done);
  EXPECT_EQ(changedRows(), QList<int>{1});
}

struct ListChange {
  const char* name;
  std::function<void(QList<MediaFilePtr>& queue)> edit;
  QList<int> rows;  // what the running job's later reports redraw
};

class QueueJobsListChangeTest : public QueueJobsTest, public ::testing::WithParamInterface<ListChange> {};

TEST_P(QueueJobsListChangeTest, ALaterReportRedrawsTheJobsRowWhereverItIsNow) {
  ended("first.mkv");
  queued("second.mkv");
  ended("third.mkv");
  reporting->startconversion();
  ASSERT_EQ(state.queue[1]->state(), MediaState::Converting);

  GetParam().edit(state.queue);
  model.reload();
  changes.clear();
  during = [](MediaFile&, const ConversionReport& report) {
    report.percentDone(10);
    report.itemChanged();
  };
  runOnWorker();
  EXPECT_EQ(changedRows(), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, QueueJobsListChangeTest,
    ::testing::Values(ListChange{"unchanged", [](QList<MediaFilePtr>&) {}, {1}},
                      ListChange{"moved down", [](QList<MediaFilePtr>& q) { q.move(1, 2); }, {2}},
                      ListChange{"moved up", [](QList<MediaFilePtr>& q) { q.move(1, 0); }, {0}},
                      ListChange{"removed", [](QList<MediaFilePtr>& q) { q.removeAt(1); }, {}},
                      ListChange{"row above removed", [](QList<MediaFilePtr>& q) { q.removeAt(0); }, {0}}),
    [](const auto& info) {
      QString name = QString::fromLatin1(info.param.name);
      name.replace(' ', '_');
      return name.toStdString();
    });
