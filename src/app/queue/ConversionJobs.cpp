#include "app/queue/ConversionJobs.h"

#include <QThread>
#include <QThreadPool>

#include "convert/converter/BCConverter.h"
#include "metadata/SaveMP4Tags.h"

namespace zuvo {
namespace {

class ConverterTask : public ConversionTask {
 public:
  explicit ConverterTask(std::unique_ptr<BCConverter> converter) : converter_(std::move(converter)) {}
  BCError Convert() override { return converter_->Convert(); }
  QString outputBaseName() const override { return converter_->outboundname; }

 private:
  std::unique_ptr<BCConverter> converter_;
};

}  // namespace

ConversionJobs ConversionJobs::real(QThreadPool& serial) {
  ConversionJobs jobs;
  jobs.makeConverter = [](const MediaFilePtr& media, const QString& identifier, const HelperInfo& turbo264,
                          const Reporter& reporter,
                          const ConversionReport& report) -> std::unique_ptr<ConversionTask> {
    auto converter = BCConverter::init(media, identifier, turbo264, reporter, report);
    if (!converter) return nullptr;
    return std::make_unique<ConverterTask>(std::move(converter));
  };
  jobs.writeTags = [](const QString& path, const MediaFile& media, const Reporter& reporter) {
    return saveMP4TagsInPlace(path, media, reporter);
  };
  jobs.runConversion = [](std::function<void()> job) {
    // Nobody joins the thread: it deletes itself when the job ends, and a quit does not
    // wait for it.
    QThread* thread = QThread::create(std::move(job));
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::HighPriority);
  };
  jobs.runTagsJob = [pool = &serial](std::function<void()> job) { pool->start(std::move(job)); };
  return jobs;
}

}  // namespace zuvo
