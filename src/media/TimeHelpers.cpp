#include "media/TimeHelpers.h"

#include <algorithm>
#include <limits>

#include "media/StringHelpers.h"

namespace zuvo {

int SecondsFromTimeString(const QString& text) {
  const QStringList pieces = text.split(u':');
  if (pieces.isEmpty() || pieces.size() > 3) return -1;
  // Hours, minutes and seconds from the right; a sum beyond the 32-bit range (a damaged
  // time from a file or an answer) is clamped rather than wrapped.
  static constexpr qint64 kFactors[] = {1, 60, 3600};
  qint64 seconds = 0;
  for (qsizetype i = 0; i < pieces.size(); ++i)
    seconds += qint64(IntegerValue(pieces[pieces.size() - 1 - i])) * kFactors[i];
  return int(
      std::clamp<qint64>(seconds, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

QString TimeStringFromSeconds(qint32 seconds) {
  const qint32 hours = seconds / 3600;
  const qint32 rest = seconds % 3600;
  return QString::asprintf("%02d:%02d:%02d", hours, rest / 60, rest % 60);
}

qint64 MillisecondsFromTimeString(const QString& text) {
  if (text.count(u':') > 2) return -1;
  const qsizetype dot = text.indexOf(u'.', text.lastIndexOf(u':') + 1);
  const qint64 seconds = SecondsFromTimeString(dot < 0 ? text : text.left(dot));
  qint64 ms = 0;
  for (qsizetype i = dot + 1; dot >= 0 && i <= dot + 3; ++i)
    ms = ms * 10 + (i < text.size() && text[i].isDigit() ? text[i].digitValue() : 0);
  return seconds * 1000 + (seconds < 0 ? -ms : ms);
}

QString TimeStringFromMilliseconds(qint64 ms) {
  const qint64 clamped = std::clamp<qint64>(ms, 0, qint64(std::numeric_limits<qint32>::max()) * 1000);
  const QString whole = TimeStringFromSeconds(qint32(clamped / 1000));
  return clamped % 1000 == 0 ? whole : whole + QString::asprintf(".%03d", int(clamped % 1000));
}

QString TimeZoneOffsetText(int secondsFromGMT) {
  const int magnitude = std::abs(secondsFromGMT);
  return QString::asprintf(secondsFromGMT < 0 ? "-%02d:%02d" : "+%02d:%02d", magnitude / 3600,
                           magnitude % 3600 / 60);
}

std::optional<QDateTime> DateFromComponents(int year, int month, int day, int hour, int minute, int second) {
  const QDate date(year, month, day);
  const QTime time(hour, minute, second);
  if (!date.isValid() || !time.isValid()) return std::nullopt;
  // Whole minutes, as the "+hh:mm" offset text carries them.
  const int offset = QDateTime::currentDateTime().offsetFromUtc() / 60 * 60;
  return QDateTime(date, time, Qt::OffsetFromUTC, offset);
}

}  // namespace zuvo
