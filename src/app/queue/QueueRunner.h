#pragma once
// The queue runner and its commands. On every tick it starts, when nothing runs and the
// queue is not paused, the tags-only jobs it meets (at most 11 per walk, one at a time on
// the serial queue) and then at most one full conversion on a worker of its own. Running
// jobs are tracked by their media objects, not only by the items' states, so a stopped
// item whose conversion is still ending keeps a second one from starting beside it.
// GUI thread only, except where a job says otherwise.
#include <QObject>
#include <memory>

#include "app/notices/Notices.h"
#include "app/queue/ConversionJobs.h"
#include "app/queue/QueueJobs.h"
#include "app/shared/ControllerHooks.h"
#include "app/shared/ControllerState.h"

namespace zuvo {

class FileLists;

class QueueRunner : public QObject {
 public:
  // `jobs`: ConversionJobs::real(state.ConvertQueue) in the application, scripted in tests.
  QueueRunner(ControllerState& state, Notices& notices, const ControllerHooks& hooks, FileLists& lists,
              ConversionJobs jobs, QObject* parent = nullptr);
  ~QueueRunner() override;

  // `startconversion`: counts, badge, walk.
  void startconversion();
  // Send one job and return at once.
  void convertvideo(const MediaFilePtr& media);
  void infoonlyvideo(const MediaFilePtr& media);

  void QueuePauseButtonPress();
  void ConvertButtonPress();
  void ConvertAllButtonPress();
  void ConvertSelectedButtonPress();
  void MakeSample();
  void ClearCompletedButtonPress();

  // For the quit sequence: every job's suspended tool resumes (whether or not its item is
  // still in the queue), then every running job is asked to stop.
  void liftPause();
  void stopAll();
  // Drops the tags-only jobs not yet started and waits up to `seconds` for the one under
  // way, so that a quit never cuts an in-place rewrite in half. False when time ran out.
  bool finishTagsJobs(double seconds);
  // Waits up to `seconds`, keeping events flowing, until no job runs.
  bool waitForJobs(double seconds);

  int runningJobs() const;
  // The queued items' jobs, their status and progress, as the queue tables draw them.
  const QueueJobs& queueJobs() const { return queueJobs_; }
  // True when a running job reads or writes the file: its source, or a work file of its
  // conversion (named after the output base name) in the cache folder.
  bool usesFile(const QString& path) const;

 private:
  struct Shared;
  void conversionEnded(const MediaFilePtr& media, const QString& identifier, const BCError& result);
  void tagsJobEnded(const MediaFilePtr& media, const BCError& outcome);
  // What the conversion of `media` reports through: its row and the Dock icon.
  ConversionReport reportFor(QueueJobs::Id id);
  void refreshJob(const MediaFile& media);
  void drawBadge(int pending, int converted, int failed, bool converting);
  void staleRestorableState();
  // Queueing from the files list: state 2, pass number 0, the tag editor closed; then the
  // rebuild moves the items and the queue is shown when any was queued.
  int queueItems(const std::function<bool(const MediaFile&)>& wanted);
  void queueItem(const MediaFilePtr& item);
  void finishQueueing(int queuedCount);
  QList<int> highlightedRows() const;

  ControllerState& state_;
  Notices& notices_;
  const ControllerHooks& hooks_;
  FileLists& lists_;
  ConversionJobs jobs_;
  QueueJobs queueJobs_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace zuvo
