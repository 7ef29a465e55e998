#pragma once
// The lines a conversion writes to its main log and, for the user-facing events, to the
// user log beside it.
#include "media/BCCReporter.h"

namespace zuvo {

// A log line, when there is a log writer.
void reportTo(const Reporter& reporter, const QString& message, quint32 level);
// The line to the main log and the same line to the user log.
void reportBoth(const Reporter& mainLog, const Reporter& userLog, const QString& message, quint32 level);
// `mainLine` to the main log and `userLine` to the user log, at one level.
void reportBoth(const Reporter& mainLog, const Reporter& userLog, const QString& mainLine,
                const QString& userLine, quint32 level);

// The local time in the C library's asctime form, without its line end, as the start and
// end lines of a conversion show it.
QString asctimeNow();

}  // namespace zuvo
