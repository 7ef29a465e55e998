#pragma once
// The Turbo.264 framework, when a plug-in of it lies beside the helper; null otherwise.
#include <QString>

#include "helper264/Turbo264Plugin.h"

namespace zuvo::helper264 {

// Loads `folder`/kPluginFileName once per process and answers its call table.
const ZuvoTurbo264* loadTurbo264Framework(const QString& folder);

}  // namespace zuvo::helper264
