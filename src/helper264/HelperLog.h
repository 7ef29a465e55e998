#pragma once
// The helper's only channel to its parent: one line per message on standard error, behind a
// time stamp and the process name and id, as the platform's logging call writes them.
#include <QString>

namespace zuvo::helper264 {

void logLine(const QString& text);

}  // namespace zuvo::helper264
