#include "convert/converter/ConversionPercentage.h"

#include <atomic>

namespace zuvo {
namespace {
std::atomic<float> percentage{0};
}

float currentConversionPercentage() { return percentage.load(); }
void setCurrentConversionPercentage(float percent) { percentage.store(percent); }

}  // namespace zuvo
