#pragma once
// The percentage of the conversion running now, drawn on the Dock icon. The ffmpeg and
// HandBrakeCLI runners write it on every progress line; the controller sets it to 0 when
// nothing converts. Read and written from any thread.
namespace zuvo {

float currentConversionPercentage();
void setCurrentConversionPercentage(float percent);

}  // namespace zuvo
