#include "helper264/HelperOptions.h"

namespace zuvo::helper264 {
namespace {

// Leading blanks, then an optional sign and the digits that follow; anything else is 0.
qint64 leadingInteger(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  qint64 value = 0;
  for (; i < text.size() && text[i].isDigit() && value < INT32_MAX; ++i)
    value = value * 10 + text[i].digitValue();
  value = std::min<qint64>(value, INT32_MAX);
  return negative ? -value : value;
}

}  // namespace

HelperOptions::HelperOptions(const QStringList& arguments) {
  for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
    const QString& name = arguments[i];
    if (name.size() < 2 || !name.startsWith(u'-')) continue;
    values_.insert(name.mid(1), arguments[i + 1]);
    ++i;
  }
}

std::optional<QString> HelperOptions::string(const QString& key) const {
  const auto found = values_.constFind(key);
  if (found == values_.cend()) return std::nullopt;
  return *found;
}

int HelperOptions::integer(const QString& key) const { return int(leadingInteger(values_.value(key))); }

// YES, true and any nonzero number read as on, as a text's boolean value does.
bool HelperOptions::boolean(const QString& key) const {
  QString text = values_.value(key).trimmed();
  if (text.startsWith(u'+') || text.startsWith(u'-')) text.remove(0, 1);
  while (text.startsWith(u'0')) text.remove(0, 1);
  if (text.isEmpty()) return false;
  const QChar first = text[0].toUpper();
  return first == u'Y' || first == u'T' || (first >= u'1' && first <= u'9');
}

}  // namespace zuvo::helper264
