#pragma once
// The steps that prepare the source before the passes, each in the file named after it:
// NoError, or the error that ends the conversion.
#include "convert/passes/PassSteps.h"
#include "convert/passes/VideoPasses.h"  // conversionStopped

namespace zuvo {

class PreparationSteps : public PassSteps {
 public:
  BCError VideoJoin();
  BCError ExtractDVD();
  BCError MTSPreprocess();
  BCError BurnInSubtitle();

 protected:
  PreparationSteps() = default;
};

}  // namespace zuvo
