#pragma once
// The queue's jobs by id: what each queued item's row shows (its status) and how far its
// conversion has come. The runner reports here as jobs start, progress and end; each queue
// table redraws only the row of the job that changed. GUI thread only.
#include <QHash>
#include <QObject>
#include <memory>

#include "media/MediaFile.h"

namespace zuvo {

enum class JobStatus {
  NotQueued,  // in the files list or removed
  Waiting,    // queued, not started
  Converting,
  Paused,    // converting, held by the queue's pause
  TagsOnly,  // its tags are being rewritten in place
  Done,
  Failed,
  Stopped,
};

// What the item's row shows of it now.
JobStatus jobStatus(const MediaFile& item);

class QueueJobs : public QObject {
  Q_OBJECT

 public:
  using Id = quint64;

  explicit QueueJobs(QObject* parent = nullptr) : QObject(parent) {}

  // The item's job, made on first use; the same id for as long as the item lives.
  Id add(const MediaFilePtr& item);
  // The item's job, or 0 when it has none.
  Id idOf(const MediaFile* item) const;
  // The item of a job, or null once the item is gone.
  MediaFilePtr item(Id id) const;

  JobStatus status(Id id) const;
  float progress(Id id) const;

  // Reads the job's item again: statusChanged when its status moved on, otherwise
  // progressChanged, as its pass, time or progress may read anew.
  void refresh(Id id);
  // The conversion's own percentage, as its tools report it.
  void setProgress(Id id, float percent);

 signals:
  void statusChanged(zuvo::QueueJobs::Id id, zuvo::JobStatus status);
  void progressChanged(zuvo::QueueJobs::Id id, float progress);

 private:
  struct Job {
    std::weak_ptr<MediaFile> item;
    const MediaFile* address = nullptr;
    JobStatus status = JobStatus::NotQueued;
    float percent = 0;
  };
  QHash<Id, Job> jobs_;
  QHash<const MediaFile*, Id> ids_;
  Id lastId_ = 0;
};

}  // namespace zuvo
