#pragma once
// Clock texts ("hh:mm:ss") of durations and cue times, and dates from their parts.
// "Nothing" is std::optional without a value, as in StringHelpers.h.
#include <QDateTime>
#include <QString>
#include <optional>

namespace zuvo {

// Seconds of "s", "m:s" or "h:m:s"; each piece's leading integer counts, so fractions
// of a second are dropped. -1 for more than three pieces.
int SecondsFromTimeString(const QString& text);
// "%02d:%02d:%02d" of hours, minutes and seconds.
QString TimeStringFromSeconds(qint32 seconds);
// Milliseconds of "s", "m:s" or "h:m:s" whose seconds may carry a fraction ("00:00:02.5");
// digits past the milliseconds are dropped, a sum beyond 32-bit seconds is clamped. -1 for
// more than three pieces.
qint64 MillisecondsFromTimeString(const QString& text);
// "%02d:%02d:%02d" of hours, minutes and seconds, then ".%03d" of the milliseconds unless
// they are 0, so whole-second times read as before.
QString TimeStringFromMilliseconds(qint64 ms);
// The given local time with the zone offset the local zone has now; nothing when the
// parts name no date.
std::optional<QDateTime> DateFromComponents(int year, int month, int day, int hour, int minute, int second);
// "+hh:mm" or "-hh:mm".
QString TimeZoneOffsetText(int secondsFromGMT);

}  // namespace zuvo
