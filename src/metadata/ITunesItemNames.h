#pragma once
// The freeform iTunes items this application writes and reads back.
#include <string>

namespace zuvo {

inline const std::string kITunesMeaning = "com.apple.iTunes";
inline const std::string kRatingItemName = "iTunEXTC";
inline const std::string kCastItemName = "iTunMOVI";

}  // namespace zuvo
