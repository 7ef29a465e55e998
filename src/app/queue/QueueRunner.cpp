#include "app/queue/QueueRunner.h"

#include <QFileInfo>
#include <QThread>
#include <atomic>
#include <mutex>

#include "app/files/FileLists.h"
#include "app/notices/DockIcon.h"
#include "app/shared/Localized.h"
#include "media/MediaValues.h"
#include "platform/RunLoop.h"

namespace zuvo {
namespace {

constexpr int kMaxTagsJobsPerWalk = 11;
constexpr qint32 kStoppedByUserCode = 2;
constexpr qint32 kDRMCode = 10;
constexpr const char* kDRMDescription = "File is protected by DRM";
constexpr qint32 kNoConverterCode = 0;
constexpr const char* kNoConverterDescription = "Unable to start the conversion";

}  // namespace

// What the jobs share with the runner. Jobs hold it, so a job that outlives the runner
// finds no runner to report to rather than a dangling one.
struct QueueRunner::Shared {
  struct Job {
    MediaFilePtr media;
    bool tagsOnly = false;
    QString outputBaseName;
    bool started = false;  // its worker has begun it
  };

  mutable std::mutex lock;
  QList<Job> jobs;
  QObject* runner = nullptr;      // cleared when the runner goes
  std::atomic<float> percent{0};  // of the conversion running now, for the Dock icon

  // Runs `work` later on the runner's (GUI) thread, unless the runner is gone by then.
  void post(std::function<void()> work) {
    std::lock_guard<std::mutex> guard(lock);
    if (runner) QMetaObject::invokeMethod(runner, std::move(work), Qt::QueuedConnection);
  }
  void add(const MediaFilePtr& media, bool tagsOnly) {
    std::lock_guard<std::mutex> guard(lock);
    jobs.append(Job{media, tagsOnly, {}, !tagsOnly});
  }
  void markStarted(const MediaFile* media, bool tagsOnly) {
    std::lock_guard<std::mutex> guard(lock);
    for (Job& job : jobs)
      if (job.media.get() == media && job.tagsOnly == tagsOnly) job.started = true;
  }
  // Forgets the tags-only jobs that never began: their queue was cleared.
  void dropUnstartedTagsJobs() {
    std::lock_guard<std::mutex> guard(lock);
    jobs.removeIf([](const Job& job) { return job.tagsOnly && !job.started; });
  }
  void setOutputBaseName(const MediaFile* media, const QString& name) {
    std::lock_guard<std::mutex> guard(lock);
    for (Job& job : jobs)
      if (job.media.get() == media && !job.tagsOnly) job.outputBaseName = name;
  }
  void remove(const MediaFile* media, bool tagsOnly) {
    std::lock_guard<std::mutex> guard(lock);
    for (qsizetype i = 0; i < jobs.size(); ++i)
      if (jobs[i].media.get() == media && jobs[i].tagsOnly == tagsOnly) {
        jobs.removeAt(i);
        return;
      }
  }
  QList<Job> snapshot() const {
    std::lock_guard<std::mutex> guard(lock);
    return jobs;
  }
};

QueueRunner::QueueRunner(ControllerState& state, Notices& notices, const ControllerHooks& hooks,
                         FileLists& lists, ConversionJobs jobs, QObject* parent)
    : QObject(parent),
      state_(state),
      notices_(notices),
      hooks_(hooks),
      lists_(lists),
      jobs_(std::move(jobs)),
      shared_(std::make_shared<Shared>()) {
  shared_->runner = this;
}

QueueRunner::~QueueRunner() {
  std::lock_guard<std::mutex> guard(shared_->lock);
  shared_->runner = nullptr;
}

int QueueRunner::runningJobs() const { return static_cast<int>(shared_->snapshot().size()); }

void QueueRunner::staleRestorableState() {
  if (state_.systemMinor >= 7) ControllerHooks::call(hooks_.invalidateRestorableState);
}

void QueueRunner::drawBadge(int pending, int converted, int failed, bool converting) {
  const float progress = converting ? shared_->percent.load() : 0;
  const QImage icon = DockIcon::shared().setZuvoIcon(progress, pending, converted, failed);
  if (!icon.isNull()) ControllerHooks::call(hooks_.showDockIcon, icon);
}

void QueueRunner::startconversion() {
  state_.mainLog->report(QStringLiteral("Checking for files to convert"), 5);
  int queued = 0, converting = 0, ended = 0, converted = 0, failed = 0;
  for (const MediaFilePtr& item : state_.queue) {
    switch (item->state()) {
      case MediaState::Queued:
        ++queued;
        break;
      case MediaState::Converting:
        ++converting;
        break;
      case MediaState::Ended:
        ++ended;
        ++(item->conversionfinished() ? converted : failed);
        break;
      default:
        break;
    }
  }
  state_.mainLog->report(
      QStringLiteral("Files in queue : %1 Files undegoing conversion : %2 Files Converted : %3")
          .arg(queued + converting + ended)
          .arg(converting)
          .arg(ended),
      5);
  if (converting == 0) shared_->percent = 0;
  drawBadge(queued + converting, converted, failed, converting > 0);

  // A job whose item was stopped is in state 4 while its tool is still being ended.
  if (converting != 0 || state_.paused || state_.queue.isEmpty() || runningJobs() != 0) return;

  int tagsJobs = 0;
  // The jobs started below never change the list, but a copy keeps the walk safe anyway.
  const QList<MediaFilePtr> queue = state_.queue;
  for (const MediaFilePtr& item : queue) {
    if (item->state() != MediaState::Queued || !item->didlookup()) continue;
    // Taken in one step: a probe removing a duplicate at this moment either wins (the
    // item is not started) or finds it converting (and keeps it).
    if (!item->exchangeState(MediaState::Queued, MediaState::Converting)) continue;
    if (item->ConversionFormat() != ConversionFormat::TagsOnly) {
      state_.mainLog->report(QStringLiteral("Starting conversion thread for : %1").arg(item->fullpath()), 3);
      // Its row shows the stop button from now on, before the converter's first redraw.
      ControllerHooks::call(hooks_.reloadQueueTable);
      convertvideo(item);
      return;
    }
    state_.mainLog->report(QStringLiteral("Updating Info for : %1").arg(item->fullpath()), 3);
    item->setPassnumber(PassStage::BeforeTags);
    item->setProgress(50);
    queueJobs_.refresh(queueJobs_.add(item));
    ControllerHooks::call(hooks_.reloadQueueTable);
    infoonlyvideo(item);
    ++tagsJobs;
    staleRestorableState();
    if (tagsJobs == kMaxTagsJobsPerWalk) return;
  }
}

ConversionReport QueueRunner::reportFor(QueueJobs::Id id) {
  // Reports sent while the last is still on its way to the GUI thread are one update.
  struct Pending {
    std::atomic<bool> changed{false};
    std::atomic<bool> progress{false};
    std::atomic<float> percent{0};
  };
  auto pending = std::make_shared<Pending>();
  ConversionReport report;
  report.userLog = state_.userLog;
  report.changed = [shared = shared_, pending, id] {
    if (pending->changed.exchange(true)) return;
    shared->post([shared, pending, id] {
      pending->changed = false;
      if (auto* runner = static_cast<QueueRunner*>(shared->runner)) runner->queueJobs_.refresh(id);
    });
  };
  report.progress = [shared = shared_, pending, id](float percent) {
    pending->percent = percent;
    shared->percent = percent;
    if (pending->progress.exchange(true)) return;
    shared->post([shared, pending, id] {
      pending->progress = false;
      if (auto* runner = static_cast<QueueRunner*>(shared->runner))
        runner->queueJobs_.setProgress(id, pending->percent.load());
    });
  };
  return report;
}

void QueueRunner::refreshJob(const MediaFile& media) {
  if (const QueueJobs::Id id = queueJobs_.idOf(&media)) queueJobs_.refresh(id);
}

void QueueRunner::convertvideo(const MediaFilePtr& media) {
  const QString identifier = QStringLiteral("[%1]").arg(++state_.jobCounter);
  shared_->add(media, false);
  const QueueJobs::Id id = queueJobs_.add(media);
  queueJobs_.refresh(id);
  auto job = [shared = shared_, make = jobs_.makeConverter, media, identifier, helper = state_.helperAnswer,
              log = state_.mainLog, report = reportFor(id)] {
    std::unique_ptr<ConversionTask> converter = make ? make(media, identifier, helper, log, report) : nullptr;
    BCError result;
    if (!converter) {
      result = BCError::Code(kNoConverterCode, QString::fromLatin1(kNoConverterDescription));
      media->setConversionfinished(false);
    } else if (media->hasdrm()) {
      result = BCError::Code(kDRMCode, QString::fromLatin1(kDRMDescription));
      media->setConversionfinished(false);
    } else {
      shared->setOutputBaseName(media.get(), converter->outputBaseName());
      result = converter->Convert();
    }
    converter.reset();
    media->setState(MediaState::Ended);
    media->setProgress(100);
    if (result.Error() && result.Code() != kStoppedByUserCode)
      media->setConversionerror(result.Description());
    shared->post([shared, media, identifier, result] {
      if (auto* runner = static_cast<QueueRunner*>(shared->runner))
        runner->conversionEnded(media, identifier, result);
    });
  };
  jobs_.runConversion(std::move(job));
}

void QueueRunner::conversionEnded(const MediaFilePtr& media, const QString& identifier,
                                  const BCError& result) {
  refreshJob(*media);
  ControllerHooks::call(hooks_.reloadQueueTable);
  const QString title = QStringLiteral("Zuvo Conversion");
  if (result.Error()) {
    if (result.Code() != kStoppedByUserCode) {
      const QString message = QStringLiteral("Conversion of file %1 failed with the following error : %2")
                                  .arg(media->filename(), result.Description());
      notices_.GeneralMessage(QStringLiteral("Conversion Error"), message, kConversionNotice, true);
      state_.userLog->report(message, 3);
    }
  } else if (media->conversionfinished()) {
    notices_.GrowlMessage(
        title, QStringLiteral("%1 %2").arg(localizedString("Finished Conversion of "), media->filename()),
        kConversionNotice, true);
    state_.userLog->report(QStringLiteral("Comversion completed"), 3);
    ControllerHooks::call(hooks_.conversionFinished, *media);
  } else if (!media->stopbuttonpressed()) {
    notices_.GrowlMessage(
        title,
        QStringLiteral("%1 %2. %3")
            .arg(localizedString("Failed Conversion of "), media->filename(),
                 localizedString("Please check video file is working then contact Kelvane Support.")),
        kConversionNotice, true);
    state_.userLog->report(QStringLiteral("Conversion failed"), 3);
  }
  staleRestorableState();
  state_.mainLog->report(QStringLiteral("%1 Thread Terminating").arg(identifier), 3);
  shared_->remove(media.get(), false);
}

void QueueRunner::infoonlyvideo(const MediaFilePtr& media) {
  shared_->add(media, true);
  auto job = [shared = shared_, write = jobs_.writeTags, media, log = state_.mainLog] {
    shared->markStarted(media.get(), true);
    const BCError outcome = write(media->fullpath(), *media, log);
    // A failed rewrite is a failure of the item, with the writer's reason.
    if (outcome.Error()) media->setConversionerror(outcome.Description());
    media->setConversionfinished(!outcome.Error());
    media->setState(MediaState::Ended);
    media->setProgress(100);
    shared->post([shared, media, outcome] {
      if (auto* runner = static_cast<QueueRunner*>(shared->runner)) runner->tagsJobEnded(media, outcome);
    });
  };
  jobs_.runTagsJob(std::move(job));
}

void QueueRunner::tagsJobEnded(const MediaFilePtr& media, const BCError& outcome) {
  if (outcome.Error())
    state_.userLog->report(
        QStringLiteral("Updating the tags of %1 failed : %2").arg(media->filename(), outcome.Description()),
        3);
  shared_->remove(media.get(), true);
  refreshJob(*media);
  ControllerHooks::call(hooks_.reloadQueueTable);
}

void QueueRunner::QueuePauseButtonPress() {
  if (state_.paused) {
    for (const MediaFilePtr& item : state_.queue) {
      item->setPause(false);
      refreshJob(*item);
    }
    // An item cleared from the queue or stopped while paused may still have a tool
    // waiting for the resume.
    for (const Shared::Job& job : shared_->snapshot()) job.media->setPause(false);
    ControllerHooks::call(hooks_.showPaused, false);
    state_.userLog->report(QStringLiteral("Queue resumed"), 3);
    state_.paused = false;
    return;
  }
  for (const MediaFilePtr& item : state_.queue) {
    if (item->state() != MediaState::Converting) continue;
    item->setPause(true);
    // A held tool reports nothing: its row shows "Paused" only when redrawn now.
    refreshJob(*item);
    ControllerHooks::call(hooks_.showPaused, true);
    state_.paused = true;
    state_.userLog->report(QStringLiteral("Queue paused"), 3);
  }
}

QList<int> QueueRunner::highlightedRows() const {
  return hooks_.highlightedRows ? hooks_.highlightedRows() : QList<int>();
}

void QueueRunner::queueItem(const MediaFilePtr& item) {
  item->setState(MediaState::Queued);
  item->setPassnumber(PassStage::Queued);
  ControllerHooks::call(hooks_.closeTagPanel);
}

void QueueRunner::finishQueueing(int queuedCount) {
  lists_.makefilestable();
  if (queuedCount > 0) ControllerHooks::call(hooks_.showQueue);
}

int QueueRunner::queueItems(const std::function<bool(const MediaFile&)>& wanted) {
  int queuedCount = 0;
  for (qsizetype row = 0; row < state_.files.size(); ++row) {
    const MediaFilePtr item = state_.files[row];
    if (!wanted(*item)) continue;
    queueItem(item);
    ++queuedCount;
  }
  return queuedCount;
}

void QueueRunner::ConvertButtonPress() {
  int queuedCount = 0;
  if (!state_.files.isEmpty()) {
    state_.mainLog->report(QStringLiteral("Convert Highlighted Show Selected"), 3);
    const QList<int> rows = highlightedRows();
    for (int row : rows) {
      if (row < 0 || row >= state_.files.size()) continue;
      const MediaFilePtr item = state_.files[row];
      if (!item->didlookup()) continue;
      state_.mainLog->report(QStringLiteral("Changing state of row %1 to 2").arg(row), 4);
      queueItem(item);
      ++queuedCount;
    }
  }
  finishQueueing(queuedCount);
}

void QueueRunner::ConvertAllButtonPress() {
  const int queuedCount =
      queueItems([](const MediaFile& m) { return m.didlookup() && m.state() == MediaState::InFilesTable; });
  finishQueueing(queuedCount);
}

void QueueRunner::ConvertSelectedButtonPress() {
  if (!state_.files.isEmpty()) ControllerHooks::call(hooks_.showLastTab);
  const int queuedCount = queueItems([](const MediaFile& m) {
    return m.didlookup() && m.selected() && m.state() == MediaState::InFilesTable;
  });
  finishQueueing(queuedCount);
}

void QueueRunner::MakeSample() {
  int queuedCount = 0;
  if (!state_.files.isEmpty()) {
    state_.mainLog->report(QStringLiteral("Make Sample From Highlighted Show(s)"), 3);
    const QList<int> rows = highlightedRows();
    // The copies are appended beyond the highlighted rows and are never copied again.
    const qsizetype originals = state_.files.size();
    for (int row : rows) {
      if (row < 0 || row >= originals) continue;
      MediaFilePtr copy = MediaFile::copyOfMediaFile(*state_.files[row]);
      if (!copy) continue;
      copy->setIsSample(true);
      state_.files.append(copy);
      if (!copy->didlookup()) continue;
      state_.mainLog->report(QStringLiteral("Changing state of row %1 to 2").arg(state_.files.size() - 1), 4);
      queueItem(copy);
      ++queuedCount;
    }
  }
  finishQueueing(queuedCount);
}

void QueueRunner::ClearCompletedButtonPress() {
  for (const MediaFilePtr& item : state_.queue) {
    if (item->state() != MediaState::Ended) continue;
    item->setState(MediaState::Removed);
    // A stopped item leaving the list must not leave its tool waiting for a resume.
    item->setPause(false);
  }
  lists_.makefilestable();
}

void QueueRunner::liftPause() {
  for (const MediaFilePtr& item : state_.queue) item->setPause(false);
  for (const Shared::Job& job : shared_->snapshot()) job.media->setPause(false);
}

void QueueRunner::stopAll() {
  for (const MediaFilePtr& item : state_.queue)
    if (item->state() == MediaState::Converting) item->setStopbuttonpressed(true);
  for (const Shared::Job& job : shared_->snapshot())
    if (!job.tagsOnly) job.media->setStopbuttonpressed(true);
}

bool QueueRunner::finishTagsJobs(double seconds) {
  state_.ConvertQueue.clear();
  const bool finished =
      runloop::waitUntil([this] { return state_.ConvertQueue.activeThreadCount() == 0; }, seconds, 20);
  shared_->dropUnstartedTagsJobs();
  return finished;
}

bool QueueRunner::waitForJobs(double seconds) {
  return runloop::waitUntil([this] { return runningJobs() == 0; }, seconds, 20);
}

bool QueueRunner::usesFile(const QString& path) const {
  const QFileInfo file(path);
  const QString absolute = file.absoluteFilePath();
  for (const Shared::Job& job : shared_->snapshot()) {
    for (const QString& source : {job.media->fullpath(), job.media->packagepath()})
      if (!source.isEmpty() && QFileInfo(source).absoluteFilePath() == absolute) return true;
    if (!job.outputBaseName.isEmpty() && file.fileName().startsWith(job.outputBaseName)) return true;
  }
  return false;
}

}  // namespace zuvo
