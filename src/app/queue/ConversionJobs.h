#pragma once
// How the queue runner reaches the converter, the tag writer and the threads that run
// them. The defaults are the real ones; tests put scripted ones in their place.
#include <QString>
#include <functional>
#include <memory>

#include "convert/report/ConversionReport.h"
#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "media/HelperInfo.h"
#include "media/MediaFile.h"

class QThreadPool;

namespace zuvo {

// One conversion of one media object.
class ConversionTask {
 public:
  virtual ~ConversionTask() = default;
  virtual BCError Convert() = 0;
  // The output base name the conversion's work files start with in the cache folder.
  virtual QString outputBaseName() const = 0;
};

// Null when no converter can be made for the object. The conversion reports through `report`.
using ConverterFactory = std::function<std::unique_ptr<ConversionTask>(
    const MediaFilePtr& media, const QString& identifier, const HelperInfo& turbo264,
    const Reporter& reporter, const ConversionReport& report)>;
// Rewrites the tags of the user's file in place.
using TagWriter =
    std::function<BCError(const QString& path, const MediaFile& media, const Reporter& reporter)>;
// Runs a job somewhere and returns at once.
using JobExecutor = std::function<void(std::function<void()> job)>;

struct ConversionJobs {
  ConverterFactory makeConverter;
  TagWriter writeTags;
  JobExecutor runConversion;  // a worker of its own per conversion, high priority
  JobExecutor runTagsJob;     // one at a time, in the order sent

  // BCConverter, saveMP4TagsInPlace, a thread per conversion and `serial` for tags.
  static ConversionJobs real(QThreadPool& serial);
};

}  // namespace zuvo
