#pragma once
// One run of the helper: the encoder check (option "info" nonzero) or one export of a movie
// through a framework export preset. Everything is said through log lines; no failure ends
// the process with another status.
#include <QStringList>

#include "helper264/Turbo264Plugin.h"

namespace zuvo::helper264 {

// `framework` null: no framework installed. `arguments` without the program name.
void runHelper(const ZuvoTurbo264* framework, const QStringList& arguments, const QString& helperVersion);

}  // namespace zuvo::helper264
