#pragma once
// The one-line texts that say where converted files go, from the four destination
// settings and their import and delete flags.
#include <QString>

#include "platform/Defaults.h"

namespace zuvo {

inline constexpr const char* kUseDefaultDestination = "Use Default";

// The text for the default destination ("ShowDestination").
QString defaultDestinationSummary();
// The text for one media type's destination: the default's text for "Use Default".
QString destinationSummary(SettingKey<QString> destinationKey, SettingKey<bool> importKey,
                           SettingKey<bool> deleteKey);

}  // namespace zuvo
