#pragma once
// The user log that the conversion steps write their user-facing events to, beside the
// converter's main log. The controller sets it at start-up; until then it discards.
#include "media/BCCReporter.h"

namespace zuvo {

void setConversionUserLog(const Reporter& userLog);
Reporter conversionUserLog();
// The line to the main log and the same line to the user log.
void reportBoth(const Reporter& mainLog, const QString& message, quint32 level);
// `mainLine` to the main log and `userLine` to the user log, at one level.
void reportBoth(const Reporter& mainLog, const QString& mainLine, const QString& userLine, quint32 level);

// The local time in the C library's asctime form, without its line end, as the start and
// end lines of a conversion show it.
QString asctimeNow();

}  // namespace zuvo
