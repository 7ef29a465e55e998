#include "app/queue/QueueJobs.h"

namespace zuvo {

JobStatus jobStatus(const MediaFile& item) {
  switch (item.state()) {
    case MediaState::Queued:
      return JobStatus::Waiting;
    case MediaState::Converting:
      if (item.ConversionFormat() == ConversionFormat::TagsOnly) return JobStatus::TagsOnly;
      return item.pause() ? JobStatus::Paused : JobStatus::Converting;
    case MediaState::Ended:
      if (item.conversionfinished()) return JobStatus::Done;
      return item.stopbuttonpressed() ? JobStatus::Stopped : JobStatus::Failed;
    default:
      return JobStatus::NotQueued;
  }
}

QueueJobs::Id QueueJobs::add(const MediaFilePtr& item) {
  if (const Id known = idOf(item.get())) return known;
  // The jobs of items gone for good are forgotten as new ones come.
  for (auto job = jobs_.begin(); job != jobs_.end();)
    if (job->item.expired()) {
      if (ids_.value(job->address) == job.key()) ids_.remove(job->address);
      job = jobs_.erase(job);
    } else {
      ++job;
    }
  const Id id = ++lastId_;
  jobs_.insert(id, Job{item, item.get(), jobStatus(*item), 0});
  ids_.insert(item.get(), id);
  return id;
}

QueueJobs::Id QueueJobs::idOf(const MediaFile* item) const {
  const Id id = ids_.value(item, 0);
  // An address freed and used again by another item is not that item's job.
  const auto job = jobs_.constFind(id);
  return job != jobs_.cend() && job->item.lock().get() == item ? id : 0;
}

MediaFilePtr QueueJobs::item(Id id) const { return jobs_.value(id).item.lock(); }

JobStatus QueueJobs::status(Id id) const { return jobs_.value(id).status; }

float QueueJobs::progress(Id id) const { return jobs_.value(id).percent; }

void QueueJobs::refresh(Id id) {
  const auto job = jobs_.find(id);
  if (job == jobs_.end()) return;
  const MediaFilePtr item = job->item.lock();
  if (!item) return;
  const JobStatus status = jobStatus(*item);
  if (status != job->status) {
    job->status = status;
    emit statusChanged(id, status);
    return;
  }
  // Same status, but its pass, time or progress may read anew.
  emit progressChanged(id, job->percent);
}

void QueueJobs::setProgress(Id id, float percent) {
  const auto job = jobs_.find(id);
  if (job == jobs_.end() || job->percent == percent) return;
  job->percent = percent;
  emit progressChanged(id, percent);
}

}  // namespace zuvo
