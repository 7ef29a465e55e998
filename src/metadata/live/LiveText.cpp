#include "metadata/live/LiveText.h"

#include <QHash>
#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace zuvo::live {
namespace {

// The named entities found in the services' HTML; numeric ones are decoded by number.
const QHash<QString, char32_t>& namedEntities() {
  static const QHash<QString, char32_t> table = {
      {"amp", U'&'},     {"lt", U'<'},       {"gt", U'>'},      {"quot", U'"'},    {"apos", U'\''},
      {"nbsp", 0xA0},    {"hellip", 0x2026}, {"mdash", 0x2014}, {"ndash", 0x2013}, {"lsquo", 0x2018},
      {"rsquo", 0x2019}, {"ldquo", 0x201C},  {"rdquo", 0x201D}, {"laquo", 0xAB},   {"raquo", 0xBB},
      {"copy", 0xA9},    {"reg", 0xAE},      {"trade", 0x2122}, {"eacute", 0xE9},  {"egrave", 0xE8},
      {"ecirc", 0xEA},   {"euml", 0xEB},     {"aacute", 0xE1},  {"agrave", 0xE0},  {"acirc", 0xE2},
      {"auml", 0xE4},    {"aring", 0xE5},    {"ccedil", 0xE7},  {"iacute", 0xED},  {"iuml", 0xEF},
      {"ntilde", 0xF1},  {"oacute", 0xF3},   {"ocirc", 0xF4},   {"ouml", 0xF6},    {"oslash", 0xF8},
      {"uacute", 0xFA},  {"uuml", 0xFC},     {"szlig", 0xDF},   {"Eacute", 0xC9},  {"Auml", 0xC4},
      {"Ouml", 0xD6},    {"Uuml", 0xDC},     {"Aring", 0xC5},   {"Oslash", 0xD8},  {"AElig", 0xC6},
      {"aelig", 0xE6},   {"middot", 0xB7},   {"bull", 0x2022},  {"deg", 0xB0},     {"frac12", 0xBD},
  };
  return table;
}

QString decodeEntitiesOnce(const QString& text) {
  static const QRegularExpression entity(
      QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9a-fA-F]{1,6}|[A-Za-z][A-Za-z0-9]{1,10});"));
  QString result;
  qsizetype from = 0;
  for (auto it = entity.globalMatch(text); it.hasNext();) {
    const QRegularExpressionMatch match = it.next();
    result += QStringView(text).mid(from, match.capturedStart() - from);
    from = match.capturedEnd();
    const QString name = match.captured(1);
    char32_t code = 0;
    if (name.startsWith(u'#')) {
      bool ok = false;
      const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
      code = char32_t(name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10));
      if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0;
    } else {
      code = namedEntities().value(name, 0);
    }
    if (code == 0) {
      result += match.captured(0);
    } else {
      result += QString::fromUcs4(&code, 1);
    }
  }
  result += QStringView(text).mid(from);
  return result;
}

}  // namespace

QString xmlEscaped(const QString& text) {
  QString out;
  out.reserve(text.size());
  bool lastWasBreak = false;
  for (const QChar c : text) {
    const bool lineBreak = c == u'\n' || c == u'\r';
    if (lineBreak) {
      if (!lastWasBreak) out += u' ';
      lastWasBreak = true;
      continue;
    }
    lastWasBreak = false;
    switch (c.unicode()) {
      case u'&':
        out += QLatin1String("&amp;");
        break;
      case u'<':
        out += QLatin1String("&lt;");
        break;
      case u'>':
        out += QLatin1String("&gt;");
        break;
      case u'"':
        out += QLatin1String("&quot;");
        break;
      default:
        out += c;
    }
  }
  return out;
}

QString xmlElement(const char* name, const QString& value) {
  const QString tag = QString::fromLatin1(name);
  return u'<' + tag + u'>' + xmlEscaped(value) + QLatin1String("</") + tag + u'>';
}

QString pipeList(const QStringList& names) {
  if (names.isEmpty()) return {};
  return u'|' + names.join(u'|') + u'|';
}

QString plainTextFromHTML(const QString& html) {
  static const QRegularExpression breaks(QStringLiteral("<\\s*(br|/p|/div|/li)\\b[^>]*>"),
                                         QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
  static const QRegularExpression spaces(QStringLiteral("[ \\t\\r\\n]+"));
  QString text = html;
  text.replace(breaks, QStringLiteral(" "));
  text.remove(tags);
  text.replace(spaces, QStringLiteral(" "));
  return decodeEntitiesOnce(text).trimmed();
}

QByteArray documentBytes(const QStringList& lines) { return (lines.join(u'\n') + u'\n').toUtf8(); }

QString jsonText(const QJsonValue& value) {
  if (value.isString()) return value.toString();
  if (value.isDouble()) {
    const double number = value.toDouble();
    if (std::floor(number) == number && std::abs(number) < 1e15) return QString::number(qint64(number));
    return QString::number(number);
  }
  if (value.isBool()) return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
  return {};
}

std::optional<qint32> jsonSeriesID(const QJsonValue& value) {
  bool ok = false;
  const qint64 id = value.isString() ? value.toString().trimmed().toLongLong(&ok)
                    : (value.isDouble() && std::floor(value.toDouble()) == value.toDouble() &&
                       std::abs(value.toDouble()) < 1e15)
                        ? (ok = true, qint64(value.toDouble()))
                        : 0;
  if (!ok || id <= 0 || id > std::numeric_limits<qint32>::max()) return std::nullopt;
  return qint32(id);
}

}  // namespace zuvo::live
