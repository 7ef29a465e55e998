#include "metadata/MetadataProbeSteps.h"

#include "metadata/BCLookUpShow.h"
#include "metadata/ExistingTags.h"
#include "metadata/FileChapters.h"
#include "metadata/TagChimp.h"

namespace zuvo {

ProbeSteps withMetadataProbeSteps(ProbeSteps steps) {
  steps.testforMP4tags = testforMP4tags;
  steps.createVideoDataFromm4v = createVideoDataFromm4v;
  steps.ChaptersFromReport = ChaptersFromFFprobeReport;
  steps.matchChapters = matchChapters;
  steps.LookUpShowData = [](MediaFile& item, const QString& cachePath, const QString& language, bool guess,
                            const Reporter& log) {
    BCLookUpShow lookup(cachePath, language, guess, log);
    return lookup.LookUpShowData(item);
  };
  steps.TagChimpSearchChapterAlternates = [](MediaFile& item, const QString& language,
                                             const QString& cachePath, const Reporter& log) {
    return TagChimpSearchChapterAlternates(item, language, cachePath, false, log);
  };
  return steps;
}

void installMetadataProbeSteps() { setProbeSteps(withMetadataProbeSteps(probeSteps())); }

}  // namespace zuvo
