#include "media/StringHelpers.h"

#include <QStringDecoder>
#include <limits>

namespace zuvo {
namespace {

enum class Trim { LastPiece, EveryPiece };

// The one walk behind the three splitters: a separator outside a group ends a piece.
QStringList splitPieces(const QString& text, QChar separator, bool parenthesesGroup, Trim trim) {
  QStringList pieces;
  QString piece;
  bool grouped = false;
  for (const QChar c : text) {
    if (c == u'\n' || c == u'\r') continue;
    if (c == u'"') {
      grouped = !grouped;
      continue;
    }
    if (parenthesesGroup && c == u'(') {
      grouped = true;
    } else if (parenthesesGroup && c == u')') {
      grouped = false;
    } else if (c == separator && !grouped) {
      if (!piece.trimmed().isEmpty()) pieces.append(trim == Trim::EveryPiece ? piece.trimmed() : piece);
      piece.clear();
      continue;
    }
    piece.append(c);
  }
  piece = piece.trimmed();
  if (!piece.isEmpty()) pieces.append(piece);
  return pieces;
}

qsizetype findMarker(const QString& text, const QString& marker) {
  return marker.isEmpty() ? -1 : text.indexOf(marker);
}

}  // namespace

QStringList SplitArguments(const QString& commandLine) {
  return splitPieces(commandLine, u' ', false, Trim::LastPiece);
}

QStringList SplitArgumentsGrouped(const QString& commandLine) {
  return splitPieces(commandLine, u' ', true, Trim::LastPiece);
}

// Names are trimmed one and all: "A, B, C" gives "B", never " B".
QStringList SplitCommaList(const QString& text) { return splitPieces(text, u',', true, Trim::EveryPiece); }

std::optional<QStringList> SplitLines(const std::optional<QString>& text) {
  if (!text) return std::nullopt;
  const QStringList byReturn = text->split(u'\r');
  const QStringList byLineFeed = text->split(u'\n');
  return byLineFeed.size() > byReturn.size() ? byLineFeed : byReturn;
}

bool StringContains(const QString& text, const QString& find) { return findMarker(text, find) >= 0; }

bool StringHasPrefix(const QString& text, const QString& prefix) {
  return !prefix.isEmpty() && text.startsWith(prefix);
}

std::optional<QString> StringBetween(const std::optional<QString>& text, const QString& start,
                                     const QString& end) {
  if (!text || text->size() <= start.size()) return std::nullopt;
  const qsizetype at = findMarker(*text, start);
  if (at < 0) return std::nullopt;
  const QString rest = text->mid(at + start.size());
  // An end marker that cannot fit in the rest is missing; one that fits must be found
  // (a rest of the marker's length only counts as empty when it is the marker).
  if (rest.size() < end.size()) return std::nullopt;
  const qsizetype stop = findMarker(rest, end);
  if (stop < 0) return std::nullopt;
  return rest.left(stop);
}

std::optional<QString> XMLElementText(const std::optional<QString>& text, const QString& name) {
  return StringBetween(text, QStringLiteral("<%1>").arg(name), QStringLiteral("</%1>").arg(name));
}

bool HasXMLElement(const QString& text, const QString& name) {
  return StringContains(text, QStringLiteral("<%1>").arg(name));
}

std::optional<QString> SubstringBefore(const QString& text, const QString& marker) {
  const qsizetype at = findMarker(text, marker);
  if (at < 0) return std::nullopt;
  return text.left(at);
}

std::optional<QString> SubstringAfter(const QString& text, const QString& marker) {
  const qsizetype at = findMarker(text, marker);
  if (at < 0) return std::nullopt;
  return text.mid(at + marker.size());
}

QString StripPathSeparators(const QString& name) {
  QString stripped = name;
  stripped.remove(u'/').remove(u'\\').remove(u':');
  return stripped;
}

QString CapitalizedString(const QString& text) {
  QString out = text.toLower();
  bool wordStart = true;
  for (QChar& c : out) {
    if (c.isSpace()) {
      wordStart = true;
    } else if (wordStart) {
      c = c.toUpper();
      wordStart = false;
    }
  }
  return out;
}

QString HumanReadableSize(qint64 bytes) {
  // Single precision and decimal steps, as the size texts have always been shown.
  const float size = static_cast<float>(bytes);
  if (size > 1.0e9f) return QString::asprintf("%.2fGB", size / 1.0e9f);
  if (size > 1.0e6f) return QString::asprintf("%.2fMB", size / 1.0e6f);
  if (size > 1.0e3f) return QString::asprintf("%.2fKB", size / 1.0e3f);
  return QString::asprintf("%f bytes", size);
}

std::optional<QString> Utf8Text(const QByteArray& bytes) {
  // Stateless: a character cut off at the end is an error, not left pending.
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text = utf8(bytes);
  if (utf8.hasError()) return std::nullopt;
  return text;
}

qint32 IntegerValue(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  qint64 value = 0;
  constexpr qint64 limit = qint64(std::numeric_limits<qint32>::max()) + 1;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    value = std::min(limit, value * 10 + (text[i].unicode() - u'0'));
  if (negative) return static_cast<qint32>(-value);
  return static_cast<qint32>(std::min<qint64>(value, std::numeric_limits<qint32>::max()));
}

}  // namespace zuvo
