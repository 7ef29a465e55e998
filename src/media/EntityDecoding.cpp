#include "media/EntityDecoding.h"

#include <limits>

#include "media/StringHelpers.h"

namespace zuvo {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

struct Entity {
  const char16_t* escaped;
  char16_t character;
};
// Replaced in this order: "&amp;" before "&lt;" and "&gt;", so "&amp;lt;" ends as "<".
constexpr Entity kEntities[] = {
    {u"&quot;", u'"'}, {u"&apos;", u'\''}, {u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'},
};

int hexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

// Nothing when an escape is malformed or the decoded bytes are not UTF-8.
std::optional<QString> removePercentEncoding(const QString& text) {
  if (!text.contains(u'%')) return text;
  const QByteArray bytes = text.toUtf8();
  QByteArray decoded;
  decoded.reserve(bytes.size());
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '%') {
      decoded.append(bytes[i]);
      continue;
    }
    const int high = i + 2 < bytes.size() ? hexDigit(QChar(bytes[i + 1])) : -1;
    const int low = high >= 0 ? hexDigit(QChar(bytes[i + 2])) : -1;
    if (low < 0) return std::nullopt;
    decoded.append(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return Utf8Text(decoded);
}

// The character of a reference's body (the text between "&#" and ";"): decimal, or
// hexadecimal after "x". A code that names no character gives U+FFFD, never a NUL.
QString referenceCharacter(QStringView body) {
  qint64 code = 0;
  if (!body.isEmpty() && (body[0] == u'x' || body[0] == u'X')) {
    for (qsizetype i = 1; i < body.size() && hexDigit(body[i]) >= 0; ++i)
      code = std::min<qint64>(code * 16 + hexDigit(body[i]), std::numeric_limits<qint32>::max());
  } else {
    code = IntegerValue(body);
  }
  const bool valid = code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
  const char32_t character = valid ? static_cast<char32_t>(code) : kReplacementCharacter;
  return QString::fromUcs4(&character, 1);
}

}  // namespace

QString UnescapeXMLEntities(const QString& text) {
  QString result = removePercentEncoding(text).value_or(text);
  for (const Entity& e : kEntities) result.replace(QString::fromUtf16(e.escaped), QChar(e.character));
  return result;
}

std::optional<QString> DecodeCharacterReferences(const std::optional<QString>& text) {
  if (!text) return std::nullopt;
  const QString& in = *text;
  QString out;
  out.reserve(in.size());
  qsizetype from = 0;
  for (;;) {
    const qsizetype at = in.indexOf(u"&#", from);
    const qsizetype end = at < 0 ? -1 : in.indexOf(u';', at + 2);
    if (end < 0) break;
    out.append(QStringView(in).mid(from, at - from));
    out.append(referenceCharacter(QStringView(in).mid(at + 2, end - at - 2)));
    from = end + 1;
  }
  out.append(QStringView(in).mid(from));
  return out;
}

QString DecodeNumericEntitiesByChar(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != u'&' || i + 1 >= text.size() || text[i + 1] != u'#') {
      out.append(text[i]);
      continue;
    }
    const qsizetype start = i + 2;
    qsizetype end = text.indexOf(u';', start);
    if (end < 0) end = text.size();
    out.append(referenceCharacter(QStringView(text).mid(start, end - start)));
    i = end;  // the loop steps past the ";"
  }
  return out;
}

QString UnescapeHTML(const QString& text) { return *DecodeCharacterReferences(UnescapeXMLEntities(text)); }

}  // namespace zuvo
