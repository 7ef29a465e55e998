#include "media/TimeHelpers.h"

#include "media/StringHelpers.h"

#include <algorithm>
#include <limits>

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
  return int(std::clamp<qint64>(seconds, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

QString TimeStringFromSeconds(qint32 seconds) {
  const qint32 hours = seconds / 3600;
  const qint32 rest = seconds % 3600;
  return QString::asprintf("%02d:%02d:%02d", hours, rest / 60, rest % 60);
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
