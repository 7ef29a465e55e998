#include "media/TimeHelpers.h"

#include "media/StringHelpers.h"

namespace zuvo {

int SecondsFromTimeString(const QString& text) {
  const QStringList pieces = text.split(u':');
  switch (pieces.size()) {
    case 1:
      return IntegerValue(pieces[0]);
    case 2:
      return IntegerValue(pieces[0]) * 60 + IntegerValue(pieces[1]);
    case 3:
      return IntegerValue(pieces[0]) * 3600 + IntegerValue(pieces[1]) * 60 + IntegerValue(pieces[2]);
    default:
      return -1;
  }
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
