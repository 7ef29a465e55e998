#include "convert/subtitles/ConvertASSToSub.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

#include "convert/subtitles/BCSubtitle.h"
#include "media/FileHelpers.h"
#include "media/TimeHelpers.h"

namespace zuvo {
namespace {

constexpr QLatin1StringView kEventMarker("Dialogue:");
constexpr int kShortestEventLine = 10;
constexpr int kEventFields = 10;  // Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text
constexpr int kTextField = 9;

// "h:mm:ss.cc": whole seconds × 1000 plus the number after the point, which orders the
// cues of one file as their times do.
qint32 sortKey(const QString& time) {
  qint32 key = SecondsFromTimeString(time) * 1000;
  if (time.count(u'.') == 1) key += time.section(u'.', 1).toInt();
  return key;
}

// "0:01:02.50" -> "0:01:02,500"
QString subRipTime(const QString& time) { return QString(time).replace(u'.', u',') + u'0'; }

QString plainText(QString text) {
  text.replace(QLatin1StringView("\\N"), QLatin1StringView("\n"));
  for (qsizetype open; (open = text.indexOf(u'{')) >= 0;) {
    const qsizetype close = text.indexOf(u'}', open);
    if (close < 0) break;  // no block: the brace is text
    text.remove(open, close - open + 1);
  }
  while (text.contains(QLatin1StringView("\n\n")))
    text.replace(QLatin1StringView("\n\n"), QLatin1StringView("\n"));
  // A line feed at either end would leave an empty line in the cue, which ends it.
  while (text.startsWith(u'\n')) text.remove(0, 1);
  while (text.endsWith(u'\n')) text.chop(1);
  return text;
}

std::optional<BCSubtitle> cueOfLine(QString line) {
  if (line.endsWith(u'\r')) line.chop(1);
  if (line.size() < kShortestEventLine || !line.startsWith(kEventMarker)) return std::nullopt;
  const QStringList fields = line.mid(kEventMarker.size()).split(u',');
  if (fields.size() < kEventFields) return std::nullopt;
  const QString start = fields[1].trimmed(), end = fields[2].trimmed();
  BCSubtitle cue;
  cue.setTotalsecondsstart(sortKey(start));
  cue.setTotalsecondsend(sortKey(end));
  cue.setStarttime(subRipTime(start));
  cue.setEndtime(subRipTime(end));
  cue.setSubtitletext(plainText(fields.mid(kTextField).join(u',')));
  return cue;
}

}  // namespace

QString convertASSToSub(const QString& name, const QString& folder) {
  const QString subName = PathWithoutExtension(name) + QStringLiteral(".sub");
  QList<BCSubtitle> cues;
  QFile in(folder + u'/' + name);
  if (in.open(QIODevice::ReadOnly)) {
    for (const QByteArray& line : in.readAll().split('\n'))
      if (auto cue = cueOfLine(QString::fromUtf8(line))) cues << *cue;
  }
  std::stable_sort(cues.begin(), cues.end(), [](const BCSubtitle& a, const BCSubtitle& b) {
    return a.compare(b) == BCSubtitle::Order::Ascending;
  });
  // Events that only touch (one ends as the next starts) stay apart.
  for (qsizetype i = 1; i < cues.size();) {
    BCSubtitle& earlier = cues[i - 1];
    if (cues[i].totalsecondsstart() < earlier.totalsecondsend()) {
      earlier.setSubtitletext(earlier.subtitletext() + u' ' + cues[i].subtitletext());
      cues.removeAt(i);
    } else {
      ++i;
    }
  }

  QByteArray srt;
  for (qsizetype n = 0; n < cues.size(); ++n)
    srt += QStringLiteral("%1\n%2 --> %3\n%4\n\n")
               .arg(n + 1)
               .arg(cues[n].starttime(), cues[n].endtime(), cues[n].subtitletext())
               .toUtf8();
  QSaveFile out(folder + u'/' + subName);
  if (out.open(QIODevice::WriteOnly)) {
    out.write(srt);
    out.commit();
  }
  return subName;
}

}  // namespace zuvo
