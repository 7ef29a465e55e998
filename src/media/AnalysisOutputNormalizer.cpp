#include "media/AnalysisOutputNormalizer.h"

#include <QRegularExpression>
#include <QStringList>

namespace zuvo {
namespace {

// The output's lines without their line ends; `crlf` remembers whether they were "\r\n".
struct Lines {
  QStringList lines;
  bool crlf = false;
};

Lines splitOutput(const QString& output) {
  Lines r;
  r.crlf = output.contains(QLatin1String("\r\n"));
  r.lines = output.split(QLatin1Char('\n'));
  if (r.crlf)
    for (QString& line : r.lines)
      if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  return r;
}

QString joinOutput(const Lines& l) {
  return l.lines.join(l.crlf ? QStringLiteral("\r\n") : QStringLiteral("\n"));
}

// ---- mediainfo -------------------------------------------------------------------------

struct KeyRename {
  const char* today;
  const char* expected;
};
const KeyRename kKeyRenames[] = {
    {"Format settings, Reference frames", "Format settings, ReFrames"},
};

struct UnitRename {
  const char* today;
  const char* expected;
};
const UnitRename kBitRateUnits[] = {{"b/s", "bps"}, {"kb/s", "Kbps"}, {"Mb/s", "Mbps"}, {"Gb/s", "Gbps"}};
const UnitRename kSamplingRateUnits[] = {{"kHz", "KHz"}};
const UnitRename kDurationUnits[] = {{"h", "h"}, {"min", "mn"}, {"s", "s"}, {"ms", "ms"}};

template <size_t N>
QString expectedUnit(const UnitRename (&table)[N], const QString& today) {
  for (const UnitRename& u : table)
    if (today == QLatin1String(u.today)) return QLatin1String(u.expected);
  return today;
}

// Every "<number> <unit>" of the value, with the unit renamed.
template <size_t N>
QString renameUnits(const QString& value, const QRegularExpression& pattern, const UnitRename (&table)[N]) {
  QString out;
  qsizetype from = 0;
  for (auto it = pattern.globalMatch(value); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    out += value.mid(from, m.capturedStart(1) - from) + expectedUnit(table, m.captured(1));
    from = m.capturedEnd(1);
  }
  return out + value.mid(from);
}

QString bitRate(const QString& value) {
  static const QRegularExpression unit(QStringLiteral("(?<=\\d) ((?:k|M|G)?b/s)(?![\\w/])"));
  return renameUnits(value, unit, kBitRateUnits);
}

QString samplingRate(const QString& value) {
  static const QRegularExpression unit(QStringLiteral("(?<=\\d) (kHz)(?!\\w)"));
  return renameUnits(value, unit, kSamplingRateUnits);
}

// "23.976 (24000/1001) FPS" -> "23.976 fps": the exact fraction is a newer addition, and
// the encoder's frame-rate option takes the text before "fps".
QString frameRate(const QString& value) {
  static const QRegularExpression rate(QStringLiteral("(\\d+(?:\\.\\d+)?)(?: \\(\\d+/\\d+\\))? FPS(?!\\w)"));
  QString out = value;
  return out.replace(rate, QStringLiteral("\\1 fps"));
}

// "1 h 2 min" -> "1h 2mn"; a second unit of 0 is left out ("2 h 0 min" -> "2h"), as the
// older tool did. Each piece of a " / " list is handled on its own.
QString duration(const QString& value) {
  static const QRegularExpression piece(QStringLiteral("^(-?\\d+) (h|min|s|ms)(?: (\\d+) (h|min|s|ms))?$"));
  QStringList pieces = value.split(QStringLiteral(" / "));
  for (QString& p : pieces) {
    const QRegularExpressionMatch m = piece.match(p);
    if (!m.hasMatch()) continue;
    p = m.captured(1) + expectedUnit(kDurationUnits, m.captured(2));
    if (m.hasCaptured(3) && m.captured(3).toLongLong() != 0)
      p += QLatin1Char(' ') + m.captured(3) + expectedUnit(kDurationUnits, m.captured(4));
  }
  return pieces.join(QStringLiteral(" / "));
}

struct ValueRule {
  const char* keyWord;  // found anywhere in the key, any letter case
  QString (*rewrite)(const QString&);
};
const ValueRule kValueRules[] = {
    {"bit rate", bitRate}, {"sampling rate", samplingRate}, {"frame rate", frameRate}, {"duration", duration},
    {"delay", duration},
};

QString mediaInfoValueLine(const QString& line, qsizetype separator) {
  QString keyField = line.left(separator);
  const QString key = keyField.trimmed();
  QString value = line.mid(separator + 2);
  for (const KeyRename& r : kKeyRenames) {
    if (key != QLatin1String(r.today)) continue;
    // The value stays in its column.
    const QString renamed = QLatin1String(r.expected);
    keyField = renamed.leftJustified(qMax(keyField.size(), renamed.size() + 1));
  }
  for (const ValueRule& rule : kValueRules)
    if (key.contains(QLatin1String(rule.keyWord), Qt::CaseInsensitive)) value = rule.rewrite(value);
  return keyField + QStringLiteral(": ") + value;
}

// ---- ffprobe ---------------------------------------------------------------------------

// "Input #0, avi, from '/a\nb.avi':" comes out over several lines when the path holds line
// breaks; the pieces would otherwise read as lines of their own.
void joinInputLine(QStringList& lines, qsizetype i) {
  if (!lines[i].trimmed().startsWith(QLatin1String("Input #")) || lines[i].endsWith(QLatin1String("':")))
    return;
  for (qsizetype end = i + 1; end < lines.size(); ++end) {
    if (!lines[end].endsWith(QLatin1String("':"))) continue;
    QStringList pieces = lines.mid(i, end - i + 1);
    lines.remove(i + 1, end - i);
    lines[i] = pieces.join(QStringLiteral(" / "));
    return;
  }
}

}  // namespace

QString normalizeMediaInfoOutput(const QString& output) {
  static const QRegularExpression menuHeader(QStringLiteral("^Menu #\\d+$"));
  Lines l = splitOutput(output);
  for (QString& line : l.lines) {
    const qsizetype separator = line.indexOf(QLatin1String(": "));
    if (separator >= 0)
      line = mediaInfoValueLine(line, separator);
    else if (menuHeader.match(line.trimmed()).hasMatch())
      line = QStringLiteral("Menu");
  }
  return joinOutput(l);
}

QString normalizeFFprobeOutput(const QString& output) {
  static const QRegularExpression numbered(QStringLiteral("^(\\s*(?:Stream|Chapter) #\\d+):(\\d+)"));
  static const QRegularExpression demuxerWarning(
      QStringLiteral("^\\[[^\\]]* @ 0x[0-9a-fA-F]+\\] .*Stream #"));
  Lines l = splitOutput(output);
  for (qsizetype i = 0; i < l.lines.size(); ++i) {
    joinInputLine(l.lines, i);
    QString& line = l.lines[i];
    if (line.trimmed() == QLatin1String("Chapters:")) {
      l.lines.remove(i--);
      continue;
    }
    if (numbered.match(line).hasMatch())
      line.replace(numbered, QStringLiteral("\\1.\\2"));
    else if (demuxerWarning.match(line).hasMatch())
      line.replace(QLatin1String("Stream #"), QLatin1String("stream #"));
  }
  return joinOutput(l);
}

}  // namespace zuvo
