#pragma once
// The steps of the passes that the converter runs on its conversion, each in the file named
// after it.
#include "convert/core/ConversionState.h"
#include "media/BCError.h"

namespace zuvo {

class PassSteps : public ConversionState {
 public:
  // ExtractAudio.cpp: the audio tracks exported to files of their own when they need it;
  // NoError, or the error that ends the conversion.
  BCError ExtractAudio();
  // EncodeFastMode.cpp, EncodeTurbo264.cpp: the pass-through copy and the hardware-encoder export of one pass
  // (`passindex` 0 the HD or only pass, 1 the SD pass of an HD-and-SD conversion); true
  // when the pass's video is done and the ffmpeg encode is skipped.
  bool EncodeFastMode(int passindex);
  bool EncodeTurbo264(int passindex);

 protected:
  PassSteps() = default;
};

}  // namespace zuvo
